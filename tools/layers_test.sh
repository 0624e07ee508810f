#!/usr/bin/env bash
# Checks that the production sources keep to the layers of
# docs/architecture.md: each folder includes only the folders below it, and
# only platform/ includes the system's file, process and terminal headers.
# Usage: layers_test.sh SOURCE_DIR. Prints each breach; exits 1 on any.
set -euo pipefail
cd "$1"

declare -A below=(
  [platform]=""
  [runtime]="platform"
  [text]="platform runtime"
  [shell]="platform runtime text"
  [pagegen]="platform runtime text shell"
  [listbuild]="platform runtime text shell"
)
system_headers='unistd\.h|fcntl\.h|dirent\.h|termios\.h|spawn\.h|sys/[a-z_]+\.h|windows\.h|io\.h|direct\.h'

breaches=0
for folder in "${!below[@]}"; do
  for file in "$folder"/*.cc "$folder"/*.h; do
    [ -e "$file" ] || continue
    case "$file" in *_test.cc) continue ;; esac
    while IFS= read -r included; do
      layer=${included%%/*}
      [ "$layer" = "$folder" ] && continue
      case " ${below[$folder]} " in
        *" $layer "*) ;;
        *) echo "$file includes $included, which is not below $folder/"
           breaches=$((breaches + 1)) ;;
      esac
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
    if [ "$folder" != platform ] &&
       grep -E -n "^#include <($system_headers)>" "$file"; then
      echo "$file: a system header outside platform/"
      breaches=$((breaches + 1))
    fi
  done
done
[ "$breaches" -eq 0 ] && echo "layers: every include goes down"
[ "$breaches" -eq 0 ]
