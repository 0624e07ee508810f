#!/usr/bin/env bash
# Serves a small tree of areas with the shipped web server examples and
# checks it with curl, as a browser would see it: each area's URL answers
# its page, every link of every page answers 200 (a row marked "NOT found!"
# answers 404), the images are the project's own, and the scratch files,
# KESTREL.INI and the hidden files are never served. nginx serves the tree
# with examples/nginx.conf; where Apache is installed, it checks the syntax
# of examples/apache.conf and serves the same tree with it too. Every server
# listens on 127.0.0.1 only and is stopped at the end, whatever happens.
# `./build.sh web` installs nginx-light and curl, then runs this script.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
started=$SECONDS

cmake --preset default >/dev/null </dev/null
cmake --build build/default --target kestrel wagtails >/dev/null </dev/null
bin=$source_dir/build/default

work=$(mktemp -d)
pids=()
stop_servers() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap stop_servers EXIT
trap 'exit 1' INT TERM HUP
chmod 755 "$work"
failures=0
fail() {
  echo "web_test: FAIL: $*" >&2
  failures=$((failures + 1))
}

# The tree: the drive root $drive one level above the published tree
# $drive/pub, as the examples lay it out. FLAT is an area of a site that
# could not move its drive root: its runs leave their scratch files in the
# published tree, where only the deny rules keep them off the web.
drive=$work/srv
bash tools/sample_tree.sh "$drive"
PATH=$bin/pagegen:$bin/listbuild:$PATH DRIVE_ROOT=$drive sh examples/areas.sh
mkdir "$drive/pub/FLAT"
printf 'flat\r\n' >"$drive/pub/FLAT/FLAT.TXT"
printf '# no settings\r\n' >"$drive/pub/KESTREL.INI"
(cd "$drive/pub/FLAT" && DRIVE_ROOT=$drive/pub "$bin/listbuild/wagtails" &&
  DRIVE_ROOT=$drive/pub "$bin/pagegen/kestrel" Flat)
cp "$drive/pub/\$DIR\$" "$drive/pub/\$DIR\$.BAT" "$drive/pub/KESTREL.INI" \
  "$drive/pub/\$lvtr\$.txt" "$drive/pub/UTILS/"
printf 'half-written\r\n' >"$drive/pub/UTILS/.00_INDEX.HTM.new"
www=$source_dir/www
areas=(UTILS UTILS/DOCS MUSIC FLAT)
never_served=('$DIR$' '$DIR$.BAT' '$lvtr$.txt' KESTREL.INI
  UTILS/%24DIR%24 'UTILS/$DIR$.BAT' 'UTILS/$lvtr$.txt' UTILS/KESTREL.INI
  UTILS/.00_INDEX.HTM.new)

# The example's paths adapted to this tree; nothing else changed.
adapt() {
  sed -e "s#/srv/files/pub#$drive/pub#g" -e "s#/usr/share/kestrel/www#$www#g" "$1"
}

# HTTP status of a URL, redirects followed.
status() { curl -sS -g -L --max-redirs 3 -o /dev/null -w '%{http_code}' "$1"; }

# Each link of the page at $1 (a host path), after the status it must
# answer: 200, or 404 for a row that says "NOT found!". Links to other
# sites and anchors are left out.
links_of() {
  awk '
    { while (match($0, /(HREF|src)="[^"]*"/)) {
        link = substr($0, RSTART, RLENGTH); sub(/^[^"]*"/, "", link)
        sub(/"$/, "", link); $0 = substr($0, RSTART + RLENGTH)
        if (link !~ /^(#|https?:)/) { links[++n] = link; code[n] = 200 }
      }
    }
    /NOT found!/ { code[n] = 404 }
    END { for (i = 1; i <= n; i++) print code[i], links[i] }' "$1"
}

check_site() {  # check_site NAME BASE_URL
  local name=$1 base=$2 area page url got link expected target path image
  for area in "${areas[@]}"; do
    page=$drive/pub/$area/00_INDEX.HTM
    url=$base/files/$area/
    got=$(curl -sS -g "$url") || got=
    [ "$got" = "$(cat "$page")" ] || fail "$name: $url is not the area's page"
    while read -r expected link; do
      case $link in /*) target=$base$link ;; *) target=$url$link ;; esac
      got=$(status "$target")
      [ "$got" = "$expected" ] || fail "$name: $target answers $got, not $expected"
    done < <(links_of "$page")
  done
  for image in banner.png icons/dir.png; do
    curl -sS -g "$base/$image" | cmp -s - "$www/$image" ||
      fail "$name: /$image is not the project's image"
  done
  for path in "${never_served[@]}"; do
    got=$(status "$base/files/$path")
    case $got in 200 | 000) fail "$name: /files/$path answers $got" ;; esac
  done
  echo "web_test: $name serves every area, link and image, and no scratch file"
}

# Starts a server in the background on a free high port of 127.0.0.1 and
# waits until it answers; $port is then its port. start_server NAME CONF
# COMMAND..., where the config file's template CONF holds @PORT@.
start_server() {
  local name=$1 template=$2 try pid
  shift 2
  for try in 1 2 3 4 5; do
    port=$((20000 + RANDOM % 40000))
    sed "s/@PORT@/$port/g" "$template" >"$template.$port"
    "$@" "$template.$port" >"$work/$name.out" 2>&1 &
    pid=$!
    pids+=("$pid")
    for _ in $(seq 100); do
      kill -0 "$pid" 2>/dev/null || break
      [ "$(curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:$port/")" = 000 ] ||
        return 0
      sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
  done
  cat "$work/$name.out" >&2
  fail "$name would not start"
  return 1
}

adapt examples/nginx.conf >"$work/kestrel-nginx.conf"
mkdir -p "$work/empty" "$work/nginx"
cat >"$work/nginx.conf.in" <<CONF
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
worker_processes 1;
events { worker_connections 64; }
http {
  include /etc/nginx/mime.types;
  access_log off;
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  server {
    listen 127.0.0.1:@PORT@;
    root $work/empty;
    include $work/kestrel-nginx.conf;
  }
}
CONF
start_server nginx "$work/nginx.conf.in" nginx -e "$work/nginx/error.log" -c &&
  check_site nginx "http://127.0.0.1:$port"

if command -v apache2ctl >/dev/null && [ -d /etc/apache2/mods-available ]; then
  adapt examples/apache.conf >"$work/kestrel-apache.conf"
  mkdir -p "$work/apache"
  cat >"$work/apache.conf.in" <<CONF
ServerRoot /etc/apache2
ServerName 127.0.0.1
DefaultRuntimeDir $work/apache
PidFile $work/apache/httpd.pid
Mutex file:$work/apache
ErrorLog $work/apache/error.log
Include mods-enabled/*.load
Include mods-enabled/*.conf
Listen 127.0.0.1:@PORT@
User www-data
Group www-data
<Directory />
  AllowOverride None
  Require all denied
</Directory>
Include $work/kestrel-apache.conf
CONF
  sed "s/@PORT@/65535/" "$work/apache.conf.in" >"$work/apache-syntax.conf"
  if apache2ctl -t -f "$work/apache-syntax.conf"; then
    start_server apache "$work/apache.conf.in" apache2 -DFOREGROUND -f &&
      check_site apache "http://127.0.0.1:$port"
  else
    fail "apache: examples/apache.conf does not pass apache2ctl -t"
  fi
else
  echo "web_test: Apache is not installed here, so examples/apache.conf is not checked"
fi

echo "web_test: done in $((SECONDS - started)) s, $failures failure(s)"
[ "$failures" -eq 0 ]
