#!/bin/sh
# End-to-end runs of kestrel.exe and wagtails.exe under wine, on drive X:
# (mapped to DRIVE) holding the sample area in X:\FILES:
#   end_to_end.sh WINE_RUN PREFIX DRIVE KESTREL WAGTAILS EXAMPLES
# WINE_RUN PREFIX is the command that runs a Windows program; the tools run
# on a terminal of their own, as from a console window.
#
# Wine's own cmd lays out DIR /X in other columns than Windows does (dates
# as M/D/YYYY, <DIR> at columns 23-27, short names from column 37, names
# from column 50), and the tools cut their listings by Windows' columns.
# So what comes from those columns (dates, sizes, directory marks, the
# names in filesbbs.new) is not checked here; the rows are checked byte for
# byte by the POSIX end-to-end tests. Checked here is what holds whatever
# the layout: where the files go, which rows the page has, the error report
# and the exit codes.
set -u
wine_run=$1
prefix=$2
drive=$3
kestrel=$4
wagtails=$5
examples=$6
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# expect DESCRIPTION TEST-ARGS...: one check, reported when it fails.
expect() {
  description=$1
  shift
  test "$@" || fail "$description"
}

# The console as the terminal showed it, without its control sequences and
# blanks (the console moves the cursor over blanks rather than print them).
shown() {
  sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' "$1" | tr -d ' \r\n'
}

# run LOG KEYS PROGRAM [ARGS...]: runs in X:\FILES on a terminal; the exit
# code is in $status.
run() {
  log=$1
  keys=$2
  shift 2
  status=0
  (cd "$drive/FILES" &&
    sh "$here/in_terminal.sh" -k "$keys" -o "$log" \
      sh "$wine_run" "$prefix" "$@") || status=$?
}

# The sample area, with stand-in contents of the listed sizes; OLDTOOL.ZIP
# is listed but missing.
find "$drive" -mindepth 1 -delete
mkdir "$drive/FILES"
cp -R "$examples/area/." "$drive/FILES/"
cp "$examples/KESTREL.INI" "$drive/"
grep -v '^#' "$examples/manifest.txt" | while IFS='|' read -r path size _; do
  [ "$size" = - ] || head -c "$size" /dev/zero >"$drive/FILES/$path"
done

echo "kestrel: the index page"
run "$work/kestrel.log" "" "$kestrel" 'Utilities \ Tools'
page=$drive/FILES/INDEX.HTM
expect "exit code 0 (was $status)" "$status" -eq 0
for name in '$DIR$.BAT' '$DIR$'; do
  expect "$name in the drive root" -f "$drive/$name"
  expect "no $name in the area" ! -e "$drive/FILES/$name"
done
expect "the page named in KESTREL.INI" -f "$page"
expect "no default page" ! -e "$drive/FILES/00_INDEX.HTM"
# The quotes of the command line stay in the area text.
title='<TITLE>Utilities - Area: "Utilities / Tools"</TITLE>'
expect "title from KESTREL.INI and the area text" \
  "$(grep -cF "$title" "$page")" -eq 1
for name in README.TXT WHATSNEW.TXT EDIT21.ZIP PKTOOLS2.ZIP TERMFONT.ZIP \
  CHECKSUM.ZIP BACKUP.ZIP UNDELETE.ZIP MODEMCFG.ZIP SORTLIST.ZIP \
  SYSINFO.EXE OLDTOOL.ZIP DOCS; do
  expect "one row for $name" \
    "$(grep -cF "<A HREF=\"$name\">$name</A>" "$page")" -eq 1
done
for name in README.TXT EDIT21.ZIP SYSINFO.EXE OLDTOOL.ZIP; do
  grep -A1 -F "<A HREF=\"$name\">" "$page" | tail -n 1 >"$work/cells"
  if [ "$name" = OLDTOOL.ZIP ]; then
    expect "$name not found" "$(grep -c 'NOT found!' "$work/cells")" -eq 1
  else
    expect "$name found" "$(grep -c 'NOT found!' "$work/cells")" -eq 0
  fi
done
long='<A HREF="NetworkDriversCollection.zip"> &raquo; </A>'
expect "the long-name row" "$(grep -cF "$long" "$page")" -eq 1

echo "kestrel: a page that cannot be written"
rm "$page"
mkdir "$page"
run "$work/report.log" x "$kestrel" Utilities
expect "exit code 1 after a typed key (was $status)" "$status" -eq 1
report=$(shown "$work/report.log")
for text in 'InternalError:Line' 'Code70=Permissiondenied' 'Pressanykey'; do
  case $report in
    *"$text"*) ;;
    *) fail "report shows $text" ;;
  esac
done
# The report is drawn in yellow (console colour 14).
expect "report in yellow" "$(grep -c "$(printf '\033')\[93m" \
  "$work/report.log")" -ge 1

echo "kestrel: no console"
status=0
(cd "$drive/FILES" &&
  sh "$wine_run" "$prefix" "$kestrel" Utilities \
    <"/dev/null" >"$work/out" 2>"$work/err") || status=$?
expect "exit code 1 without a console (was $status)" "$status" -eq 1
expect "nothing on standard output" ! -s "$work/out"
expect "report on standard error" \
  "$(grep -c 'Internal Error: Line.*Permission denied' "$work/err")" -eq 1
expect "no key wait" "$(grep -c 'Press any key' "$work/err")" -eq 0
rmdir "$page"

echo "wagtails: the new list"
run "$work/wagtails.log" "" "$wagtails"
list=$drive/FILES/filesbbs.new
expect "exit code 0 (was $status)" "$status" -eq 0
expect "\$lvtr\$.txt in the drive root" -f "$drive/\$lvtr\$.txt"
expect "filesbbs.new written" -s "$list"
expect "every line ends in CR LF" \
  "$(grep -vc "$(printf '\r')\$" "$list")" -eq 0
case $(shown "$work/wagtails.log") in
  *DirectorysuccessfullyoutputtoFilesBBS.New*) ;;
  *) fail "closing line shown" ;;
esac

# quiet LOG-STEM DIR PROGRAM [ARGS...]: runs in DIR without a console,
# standard output and error in LOG-STEM.out and .err; exit code in $status.
quiet() {
  stem=$1
  dir=$2
  shift 2
  status=0
  (cd "$dir" && sh "$wine_run" "$prefix" "$@" \
    <"/dev/null" >"$stem.out" 2>"$stem.err") || status=$?
}

# count TEXT FILE: how often TEXT occurs in FILE, one occurrence a line.
count() {
  grep -cF "$1" "$2"
}

echo "both tools --modern: a round trip with a DOS keeper's texts"
# Wine's DIR columns cut the names that wagtails takes from them, so the
# names are long enough that what is left stays an entry; the checks are of
# what does not depend on the columns: one line per entry, the texts and the
# page's UTF-8. The configuration has LF line ends and a CP437 title.
modern=$drive/FILES/MODERN
mkdir "$modern" "$modern/Old releases 2019"
printf x >"$modern/Disk Utilities Pack.zip"
printf xy >"$modern/Questions and answers.pdf"
printf xyz >"$modern/README.TXT"
printf 'MODERN.HTM\nFichiers \205 t\202l\202charger\n' >"$drive/KESTREL.INI"
quiet "$work/modern_list" "$modern" "$wagtails" --modern
expect "wagtails --modern: exit code 0 (was $status)" "$status" -eq 0
list=$modern/filesbbs.new
expect "wagtails --modern: one line per entry" \
  "$(grep -c . "$list")" -eq 4
expect "wagtails --modern: every line ends in CR LF" \
  "$(grep -vc "$(printf '\r')\$" "$list")" -eq 0
# The keeper adds a CP437 description to every line, and a continuation
# line holding "&" to the first.
n=0
tr -d '\r' <"$list" | while IFS= read -r line; do
  n=$((n + 1))
  printf '%s  Entr\202e %d \311\315\273\r\n' "$line" "$n"
  [ "$n" -eq 1 ] && printf '   Tom & Jerry\r\n'
done >"$modern/FILES.BBS"
quiet "$work/modern_page" "$modern" "$kestrel" --modern Caf
page=$modern/MODERN.HTM
expect "kestrel --modern: exit code 0 (was $status)" "$status" -eq 0
expect "kestrel --modern: the page named in the LF KESTREL.INI" -f "$page"
expect "kestrel --modern: no warning" \
  "$(count 'kestrel:' "$work/modern_page.err")" -eq 0
expect "kestrel --modern: the utf-8 charset" \
  "$(count '<META charset="utf-8">' "$page")" -eq 1
expect "kestrel --modern: the page is UTF-8" -n \
  "$(iconv -f UTF-8 -t UTF-8 "$page" >/dev/null 2>&1 && echo valid)"
expect "kestrel --modern: the CP437 title as UTF-8" \
  "$(count '<TITLE>Fichiers à télécharger - Area: Caf</TITLE>' "$page")" -eq 1
expect "kestrel --modern: the first description and its & line" \
  "$(count ' Entrée 1 ╔═╗ Tom & Jerry</TD>' "$page")" -eq 1
for n in 2 3 4; do
  expect "kestrel --modern: description $n as UTF-8" \
    "$(count " Entrée $n ╔═╗</TD>" "$page")" -eq 1
done
expect "kestrel --modern: no long-name rows" "$(count '{ LFN }' "$page")" -eq 0

echo "kestrel: the default mode warns of \"&\" lines and an LF KESTREL.INI"
classic=$drive/FILES/CLASSIC
mkdir "$classic"
printf xyz >"$classic/README.TXT"
printf 'README.TXT Read\r\n   Tom & Jerry\r\nQ&A.TXT x\r\n' \
  >"$classic/FILES.BBS"
ampersand='kestrel: 2 lines of FILES.BBS were left out because they hold "&" (the first is line 2); kestrel --modern keeps them'
quiet "$work/classic" "$classic" "$kestrel"
expect "exit code 0 (was $status)" "$status" -eq 0
expect "the \"&\" warning once" \
  "$(count "$ampersand" "$work/classic.err")" -eq 1
expect "the LF warning of KESTREL.INI once" \
  "$(count 'KESTREL.INI has LF line ends' "$work/classic.err")" -eq 1
expect "the page as without the warning" \
  "$(count '<TD><B><FONT SIZE=3 FACE=Cambria,Georgia> Read</TD>' \
    "$classic/00_INDEX.HTM")" -eq 1
# On a console that standard error also reaches, the warning shows once.
status=0
(cd "$classic" && sh "$here/in_terminal.sh" -k "" -o "$work/warning.log" \
  sh "$wine_run" "$prefix" "$kestrel") || status=$?
expect "exit code 0 on a console (was $status)" "$status" -eq 0
expect "the \"&\" warning once on a console" "$(shown "$work/warning.log" |
  grep -o 'leftoutbecausetheyhold"&"(thefirstisline2)' | wc -l)" -eq 1

if [ "$failures" -ne 0 ]; then
  for log in "$work"/*.log; do
    echo "--- $(basename "$log")"
    sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' "$log"
  done
  exit 1
fi
echo "all end-to-end checks passed"
