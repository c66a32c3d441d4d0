#!/usr/bin/env bash
# The real window: a client area of exactly 640 x 480 under the title
# "velkariゲーム", a screenshot of it, and a close request as a desktop sends
# it ending the process with exit code 0 within one second.
set -euo pipefail
bin=$(cd "${1:?usage: window_basic.sh BIN_DIR}" && pwd)
here=$(dirname "$0")
# shellcheck source=common.bash
. "$here/common.bash"
e2e_workdir

e2e_start_game "$bin" "$work"
sleep 0.5
info=$(xwininfo -id "$GAME_WIN")
width=$(sed -n 's/^ *Width: //p' <<<"$info")
height=$(sed -n 's/^ *Height: //p' <<<"$info")
[ "$width" = 640 ] && [ "$height" = 480 ] || e2e_fail "client area is ${width}x${height}, not 640x480"
name=$(xdotool getwindowname "$GAME_WIN")
[ "$name" = "velkariゲーム" ] || e2e_fail "window title is '$name'"
e2e_shot "$work/shot.png" || e2e_fail "no screenshot"
size=$(identify -format '%wx%h' "$work/shot.png")
[ "$size" = 640x480 ] || e2e_fail "screenshot is $size"
if [ -n "${E2E_KEEP:-}" ]; then cp "$work/shot.png" "$E2E_KEEP/window_basic.png"; fi
e2e_close_game
echo "window 640x480 '$name', closed in ${CLOSE_MS} ms with exit code 0"
