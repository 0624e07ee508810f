#!/bin/sh
# The keeper's list of file areas, indexed one after the other: one line per
# area with its directory below the published tree, its mode (default or
# modern) and its name as the page shows it, as a board's area table names
# each area. Edit the lines below for your own areas.
#
# It stops at the first area that fails, and its exit code is that run's:
# 0 means every area's page was written. Run it as the keeper user that owns
# the areas and the drive root (see kestrel.cron and kestrel.service).
#   DRIVE_ROOT  the drive root (default /srv/files)
#   AREAS       the published tree that holds the areas (default
#               $DRIVE_ROOT/pub)
set -eu

DRIVE_ROOT=${DRIVE_ROOT:-/srv/files}
AREAS=${AREAS:-$DRIVE_ROOT/pub}
export DRIVE_ROOT

# area DIRECTORY MODE NAME...: writes the page of one area.
area() {
  directory=$1
  mode=$2
  shift 2
  case $mode in
    default) set -- kestrel "$@" ;;
    modern) set -- kestrel --modern "$@" ;;
    *)
      echo "areas.sh: $directory: unknown mode $mode (default or modern)" >&2
      exit 2
      ;;
  esac
  # Never run in another area's directory: a missing one ends the run.
  cd "$AREAS/$directory" || exit
  "$@"
}

#    directory    mode     name
area UTILS        default  Utilities
area UTILS/DOCS   default  Utilities / Manuals
area MUSIC        modern   Café Music
