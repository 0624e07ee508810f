#!/usr/bin/env bash
# The Windows build, run by `./build.sh windows` once the MinGW-w64 cross
# compiler and wine are installed: cross-builds the tools with their tests
# (`windows` preset) and runs the tests and the end-to-end runs under wine.
# Prints how long each phase took.
set -euo pipefail
cd "$(dirname "$0")/.."

phase_start=$SECONDS
phase() {
  echo "windows: $1 took $((SECONDS - phase_start)) s"
  phase_start=$SECONDS
}

# Configuring makes the wine prefix and cross-builds GoogleTest, once.
cmake --preset windows </dev/null
phase "configure (wine prefix, GoogleTest)"
cmake --build --preset windows </dev/null
phase "build"
status=0
ctest --preset windows </dev/null || status=$?
phase "tests"

# A skipped test says why in its output; CI shows it.
grep -a -A1 ': Skipped$' build/windows/Testing/Temporary/LastTest.log || true

# The ZIP for Windows users: it must hold both programs, the README and the
# page's images, and the unpacked kestrel.exe must run.
cmake --workflow --preset windows-package </dev/null >/dev/null
zip=$(echo build/windows-package/kestrel-*-win64.zip)
unpacked=build/windows-package/unpacked
rm -rf "$unpacked" && mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "../$(basename "$zip")")
top=$(echo "$unpacked"/kestrel-*-win64)
for file in kestrel.exe wagtails.exe README.md www/banner.png www/icons/dir.png; do
  [ -f "$top/$file" ] || { echo "windows: $zip lacks $file"; status=1; }
done
version=$(WINEPREFIX="$PWD/build/windows/wine" WINEDEBUG=-all \
  wine "$top/kestrel.exe" --version </dev/null 2>/dev/null | tr -d '\r') || true
case "$version" in
  kestrel*) echo "windows: $zip holds $version" ;;
  *) echo "windows: kestrel.exe from $zip did not answer --version"; status=1 ;;
esac
phase "zip"
# The prefix's wine server and services would otherwise linger a minute.
WINEPREFIX="$PWD/build/windows/wine" wineserver -k 2>/dev/null || true
exit "$status"
