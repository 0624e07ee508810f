#!/bin/sh
# Runs a Windows program under wine: wine_run.sh PREFIX PROGRAM [ARGS...].
# The first run of a session starts the prefix's wine server, kept up for a
# minute after the last run and detached from this run's output (so that
# nobody reading that output waits for the server to end), and warms wine
# up: its own services start with the first program and take seconds.
# Later runs find both ready and start at once.
WINEPREFIX=$1
WINEDEBUG=-all
export WINEPREFIX WINEDEBUG
shift
if wineserver -p60 </dev/null >/dev/null 2>&1; then
  wine cmd /c exit </dev/null >/dev/null 2>&1
fi
exec wine "$@"
