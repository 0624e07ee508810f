#!/usr/bin/env bash
# Lays out a small tree of file areas for the tests of the examples, under
# the drive root DRIVE: the published tree DRIVE/pub holds the sample area
# (examples/area, its archives as stand-ins of their listed sizes and
# times) as UTILS with its subdirectory DOCS, and MUSIC, an area of
# today's names for --modern. Only the lists and files are made; no page.
#   tools/sample_tree.sh DRIVE
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 DRIVE" >&2; exit 2; }
source_dir=$(cd "$(dirname "$0")/.." && pwd)
drive=$1
pub=$drive/pub

mkdir -p "$pub/UTILS" "$pub/MUSIC"
cp -R "$source_dir/examples/area/." "$pub/UTILS/"
grep -v '^#' "$source_dir/examples/manifest.txt" |
  while IFS='|' read -r path size stamp; do
    [ "$size" = - ] || head -c "$size" /dev/zero >"$pub/UTILS/$path"
    TZ=UTC touch -m -d "$stamp" "$pub/UTILS/$path"
  done

cd "$pub/MUSIC"
printf 'menu\r\n' >'Café Menu.txt'
printf 'cv\r\n' >'résumé.txt'
printf 'qa\r\n' >'Q&A.pdf'
printf 'ogg\r\n' >"A very long name for today's music.ogg"
printf '%s\n' \
  '- Music of today, names as they are' \
  '"Café Menu.txt"  The menu of the café' \
  'résumé.txt  Lebenslauf' \
  'Q&A.pdf  Questions and answers' \
  "\"A very long name for today's music.ogg\"  A long name" >FILES.BBS
