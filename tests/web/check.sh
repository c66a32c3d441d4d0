#!/usr/bin/env bash
# The web page checked in Debian's chromium, headless, driven by puppeteer-core
# (installed into tests/web/node_modules, no browser download): builds the web
# preset, serves it from 127.0.0.1 and runs check.mjs against velkari-replay,
# then studio.mjs (velkari-mml's studio page) against velkari-mml.
#   tests/web/check.sh [NATIVE_BIN_DIR]   (default build/default/bin; it must
#                                          hold velkari-replay, velkari-mml and
#                                          velkari-art)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
native=$(cd "${1:-$root/build/default/bin}" && pwd)
[ -x "$native/velkari-replay" ] || { echo "FAIL: no velkari-replay in $native" >&2; exit 1; }
[ -x "$native/velkari-mml" ] || { echo "FAIL: no velkari-mml in $native" >&2; exit 1; }

cd "$root"
art=()
[ -x "$native/velkari-art" ] && art=(-DVELKARI_ART_TOOL="$native/velkari-art")
cmake --preset web "${art[@]}" >/dev/null
cmake --build --preset web -j "${JOBS:-2}"
web_bin=$root/build/web/bin

if [ ! -d "$here/node_modules/puppeteer-core" ]; then
  (cd "$here" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
fi

work=$(mktemp -d)
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$web_bin" >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 50); do
  python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/velkari.html')" \
    2>/dev/null && break
  sleep 0.1
done

timeout 360 node "$here/check.mjs" "http://127.0.0.1:$port/velkari.html" "$web_bin" \
  "$native/velkari-replay" "$work"
timeout 120 node "$here/studio.mjs" "http://127.0.0.1:$port/velkari-mml.html" "$web_bin" \
  "$native/velkari-mml" "$work"
