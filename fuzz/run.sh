#!/usr/bin/env bash
# Builds the fuzz targets (the "fuzz" preset) and runs each one for a
# bounded time from its seed corpus with a fixed seed. Any finding (a crash,
# a sanitizer report, a failed check) fails the script; its input is left
# in build/fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-30}"
cmake --workflow --preset fuzz </dev/null

findings=build/fuzz/findings
mkdir -p "$findings"
for source in fuzz/*_fuzz.cc; do
  target="$(basename "$source" .cc)"
  seeds="fuzz/corpus/$target"
  # The file table reads 4096 bytes at a time: its line reader gets inputs
  # of up to four reads, at any length from the start, so that lines and
  # line ends are cut by a read in their middle; its seeds are that long.
  lengths=(-max_len=4096)
  [ "$target" = read_line_fuzz ] && lengths=(-max_len=16384 -len_control=0)
  # New inputs go to a scratch corpus, so the seeds in the tree stay small.
  work="$(mktemp -d)"
  echo "== $target (${seconds}s)"
  if ! "build/fuzz/fuzz/$target" -seed=1 -max_total_time="$seconds" \
      "${lengths[@]}" -artifact_prefix="$findings/$target-" \
      -print_final_stats=1 "$work" "$seeds" </dev/null; then
    rm -rf "$work"
    echo "fuzz: $target found a failing input (see $findings)" >&2
    exit 1
  fi
  rm -rf "$work"
done
echo "fuzz: every target ran clean"
