#!/bin/sh
# Runs a command on a terminal of its own, as a console program is run from
# one: in_terminal.sh [-k KEYS] [-o LOG] COMMAND [ARGS...]. KEYS are typed
# into the terminal once the command has started (a key typed early waits
# in the terminal's input); what the command shows goes to LOG (else to
# standard output); the exit code is the command's.
#
# The terminal's input stays open until the command ends: `script` would
# otherwise pass on the end of its input as a typed character, a key press
# that no test asked for.
set -eu
keys=
log=
while getopts k:o: option; do
  case $option in
    k) keys=$OPTARG ;;
    o) log=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))

command=
for word in "$@"; do
  quoted=$(printf '%s' "$word" | sed "s/'/'\\\\''/g")
  command="$command '$quoted'"
done

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkfifo "$dir/input"
if [ -n "$log" ]; then
  script -qec "$command" /dev/null <"$dir/input" >"$log" &
else
  script -qec "$command" /dev/null <"$dir/input" &
fi
child=$!
exec 3>"$dir/input"
printf '%s' "$keys" >&3
status=0
wait "$child" || status=$?
exec 3>&-
exit "$status"
