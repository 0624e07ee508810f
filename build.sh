#!/usr/bin/env bash
# Builds the tools on Debian or Ubuntu, installing first whatever the chosen
# step lacks, then runs the CMake workflow of the same name:
#   ./build.sh demo       builds kestrel and indexes the sample area
#   ./build.sh test       builds everything and runs all tests
#   ./build.sh sanitize   the tests again under AddressSanitizer and UBSan
#   ./build.sh fuzz       builds the libFuzzer targets (clang) and runs each
#                         for a bounded time from its seeds (fuzz/run.sh)
#   ./build.sh package    builds the Debian package (build/package/*.deb)
#   ./build.sh web        serves a tree of sample areas with the web server
#                         examples on 127.0.0.1 and checks it with curl
#                         (tools/web_test.sh)
#   ./build.sh windows    cross-builds for Windows and runs the tests under wine
# Packages come from apt-get, through `sudo -n` when not run as root; it
# never asks anything, so it also runs unattended (CI, cron).
set -euo pipefail
cd "$(dirname "$0")"

usage() {
  echo "usage: $0 demo|test|sanitize|fuzz|package|web|windows" >&2
  exit 2
}

[ $# -eq 1 ] || usage
needed=(cmake g++ ninja-build)
case "$1" in
  demo) needed+=(libgtest-dev libgmock-dev) ;;
  # setpriv and runuser for the permission tests; groff lints the man pages
  test | sanitize) needed+=(libgtest-dev libgmock-dev util-linux groff) ;;
  fuzz) needed=(cmake ninja-build clang libclang-rt-14-dev) ;;
  package) needed+=(dpkg-dev file) ;;  # dpkg-shlibdeps and what it runs
  # the tools' build, a web server and a client; Apache is checked if present
  web) needed+=(libgtest-dev libgmock-dev nginx-light curl) ;;
  windows) needed=(cmake ninja-build g++-mingw-w64-x86-64 wine wine64 libgtest-dev util-linux) ;;
  *) usage ;;
esac

missing=()
if command -v dpkg >/dev/null; then
  for pkg in "${needed[@]}"; do
    dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
  done
else
  echo "build.sh: no dpkg here; install ${needed[*]} by hand if the build fails" >&2
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "build.sh: installing ${missing[*]}"
  apt=(env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || {
      echo "build.sh: not root and no sudo; as root run: apt-get install ${missing[*]}" >&2
      exit 1
    }
    apt=(sudo -n "${apt[@]}")
  fi
  "${apt[@]}" update </dev/null
  "${apt[@]}" install -y --no-install-recommends "${missing[@]}" </dev/null
fi

# The Windows build times its phases and reports skipped tests itself.
[ "$1" = windows ] && exec bash tools/windows_build.sh </dev/null
# The web test builds the tools, then serves and checks the sample tree.
[ "$1" = web ] && exec bash tools/web_test.sh </dev/null
# The fuzz targets run after their build, each for a bounded time.
[ "$1" = fuzz ] && exec bash fuzz/run.sh </dev/null
exec cmake --workflow --preset "$1" </dev/null
