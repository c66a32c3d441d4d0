#!/usr/bin/env bash
# velkari in a browser tab: installs what is missing (Debian's Emscripten),
# builds the web preset and serves the page on
#   http://127.0.0.1:8000/velkari.html          (PORT=8080 scripts/web.sh for another)
# and velkari-mml's studio beside it on
#   http://127.0.0.1:8000/velkari-mml.html
# until Ctrl+C.
set -euo pipefail
cd "$(dirname "$0")/.."
port=${PORT:-8000}

scripts/setup.sh --web
cmake --preset web >/dev/null
cmake --build --preset web -j "${JOBS:-$(nproc)}"
echo "velkari: open http://127.0.0.1:$port/velkari.html (Ctrl+C stops the server)"
echo "velkari-mml studio: http://127.0.0.1:$port/velkari-mml.html"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build/web/bin
