#!/usr/bin/env bash
# Makes docs/demo-page.png, the README's picture of the demo page as a
# browser shows it: builds the demo, serves the sample area with the page's
# two images at the site root on a local port, and photographs it with
# Debian's headless Chromium (apt-get install chromium).
#   tools/screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-docs/demo-page.png}")"

./build.sh demo >/dev/null
browser="$(command -v chromium || command -v chromium-browser || true)"
[ -n "$browser" ] || { echo "screenshot.sh: needs chromium" >&2; exit 1; }

work="$(mktemp -d)"
server=""
cleanup() {
  [ -z "$server" ] || kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The site: the images where the page looks for them, the area below.
mkdir "$work/site"
cp -r www/. "$work/site/"
cp -r build/default/demo/FILES "$work/site/FILES"

port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/site" \
  >"$work/server.log" 2>&1 &
server=$!
url="http://127.0.0.1:$port/FILES/INDEX.HTM"
for _ in $(seq 50); do
  python3 -c "import urllib.request; urllib.request.urlopen('$url')" \
    2>/dev/null && break
  sleep 0.1
done

mkdir -p "$(dirname "$out")"
"$browser" --headless --no-sandbox --disable-gpu --disable-quic \
  --no-first-run --disable-background-networking --disable-component-update \
  --disable-sync --user-data-dir="$work/profile" --hide-scrollbars \
  --window-size=1024,730 --screenshot="$out" "$url" </dev/null \
  >"$work/browser.log" 2>&1 || { cat "$work/browser.log" >&2; exit 1; }
echo "screenshot.sh: wrote $out"
