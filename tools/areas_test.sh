#!/usr/bin/env bash
# Runs the nightly examples on the sample tree (tools/sample_tree.sh):
# examples/areas.sh, and the commands of kestrel.cron and kestrel.service
# with their paths adapted to the tree. A good tree ends with exit code 0
# and every page written in its area's mode and with its name; an area that
# fails makes areas.sh end non-zero. ctest runs it as `nightly_areas`.
#   tools/areas_test.sh KESTREL_DIRECTORY
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 KESTREL_DIRECTORY" >&2; exit 2; }
PATH=$(cd "$1" && pwd):$PATH
export PATH
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "areas_test: FAIL: $*" >&2
  failures=$((failures + 1))
}

# page_is AREA TITLE MODE: the area's page has the title and the charset
# line exactly when the mode is modern.
page_is() {
  local page=$drive/pub/$1/00_INDEX.HTM
  [ -f "$page" ] || { fail "$1: no page"; return; }
  grep -qF "<TITLE>  - Area: $2</TITLE>" "$page" || fail "$1: not titled $2"
  if grep -qF '<META charset="utf-8">' "$page"; then
    [ "$3" = modern ] || fail "$1: a modern page, not a default one"
  else
    [ "$3" = default ] || fail "$1: a default page, not a modern one"
  fi
}

# run_example NAME COMMAND: a good tree, the example's command run on it.
run_example() {
  drive=$work/$1
  bash tools/sample_tree.sh "$drive"
  local command=${2//\/srv\/files/$drive}
  sh -c "$command" || fail "$1: exit code $?"
  page_is UTILS Utilities default
  page_is UTILS/DOCS "Utilities / Manuals" default
  page_is MUSIC "Café Music" modern
}

run_example areas "DRIVE_ROOT=/srv/files sh examples/areas.sh"
# The cron line's command: what follows its five time fields and the user.
cron=$(grep -E '^[0-9*]' examples/kestrel.cron | tr -s ' ' | cut -d' ' -f7-)
run_example cron "${cron/\/srv\/files\/areas.sh/sh examples/areas.sh}"
service_env=$(sed -n 's/^Environment=//p' examples/kestrel.service)
service_exec=$(sed -n 's/^ExecStart=//p' examples/kestrel.service)
run_example service \
  "$service_env ${service_exec/\/srv\/files\/areas.sh/sh examples/areas.sh}"

# A failing area: a list that is no file, and an area that is not there.
for what in fifo missing; do
  drive=$work/failing-$what
  bash tools/sample_tree.sh "$drive"
  if [ $what = fifo ]; then
    rm "$drive/pub/UTILS/DOCS/FILES.BBS" 2>/dev/null || true
    mkfifo "$drive/pub/UTILS/DOCS/FILES.BBS"
  else
    rm -r "$drive/pub/MUSIC"
  fi
  if DRIVE_ROOT=$drive sh examples/areas.sh 2>"$work/err"; then
    fail "areas.sh ended with 0 after a failing area ($what)"
  fi
  [ -s "$work/err" ] || fail "no report on standard error ($what)"
done

[ "$failures" -eq 0 ] && echo "areas_test: every example passes"
[ "$failures" -eq 0 ]
