#!/usr/bin/env bash
# Fullscreen and --scale on a large desktop: under an X server of its own at
# 1920 x 1080 with a window manager (openbox), Alt+Enter shows the title at
# scale 2 at (320, 60) with every other pixel black, Alt+Enter again gives
# back the 640 x 480 window with the same title, F11 toggles the same way, and
# --scale 2 opens a 1280 x 960 client showing the title at scale 2; --scale 3
# does not fit and is refused with exit code 2.
#   fullscreen.sh BIN_DIR
set -euo pipefail
bin=$(cd "${1:?usage: fullscreen.sh BIN_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.bash"
[ -x "$bin/velkari-replay" ] || e2e_fail "no velkari-replay in $bin"
command -v openbox >/dev/null || e2e_fail "no openbox (scripts/setup.sh --test)"
work=$(mktemp -d)
xvfb_pid="" wm_pid=""
trap '[ -n "${GAME_PID:-}" ] && e2e_kill_game; [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null;
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"' EXIT

# A display of its own: a free number, a screen as large as today's.
display=""
for n in $(shuf -i 40-69); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=:$n; break; }
done
[ -n "$display" ] || e2e_fail "no free X display number"
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp -noreset -fp built-ins >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
[ "$(xdotool getdisplaygeometry 2>/dev/null)" = "1920 1080" ] || e2e_fail "Xvfb did not start on $display"
openbox >"$work/openbox.log" 2>&1 &
wm_pid=$!
sleep 0.5

printf '1 -\n1 Z\n30 -\n' >"$work/ref.script"
"$bin/velkari-replay" --script "$work/ref.script" --frame "2:$work/ref_title.bmp" >/dev/null ||
  e2e_fail "velkari-replay failed"
convert "$work/ref_title.bmp" -filter point -resize 200% "$work/ref_title2.png"
convert -size 1920x1080 xc:black "$work/ref_title2.png" -geometry +320+60 -composite "$work/ref_full.png"

client_size() { xwininfo -id "$GAME_WIN" | awk '/^ *Width:/ {w=$2} /^ *Height:/ {h=$2} END {print w "x" h}'; }
# differ A B: the pixels in which two pictures differ.
differ() { compare -metric AE "$1" "$2" null: 2>&1 || true; }
# until_size WxH: waits up to 3 s for the window manager to give the client
# that size.
until_size() {
  for _ in $(seq 30); do
    [ "$(client_size)" = "$1" ] && return 0
    sleep 0.1
  done
  e2e_fail "the client area is $(client_size), not $1"
}
keep() { [ -z "${E2E_KEEP:-}" ] || cp "$1" "$E2E_KEEP/$2"; }

e2e_start_game "$bin" "$work"
sleep 1.5
e2e_focus
until_size 640x480
for key in alt+Return F11; do
  xdotool key --window "$GAME_WIN" "$key"
  until_size 1920x1080
  sleep 0.5
  timeout 20 import -window root "$work/full.png" || e2e_fail "no screenshot of the screen"
  keep "$work/full.png" "fullscreen_${key/+/_}.png"
  n=$(differ "$work/full.png" "$work/ref_full.png")
  [ "$n" = 0 ] || e2e_fail "$key: the screen differs from the title at scale 2 at (320, 60) in $n pixels"
  xdotool key --window "$GAME_WIN" "$key"
  until_size 640x480
  sleep 0.5
  e2e_shot "$work/back.png" || e2e_fail "no screenshot of the window"
  n=$(differ "$work/back.png" "$work/ref_title.bmp")
  [ "$n" = 0 ] || e2e_fail "$key back: the window's title differs from velkari-replay's in $n pixels"
done
e2e_close_game

# shellcheck disable=SC2034 # read by e2e_start_game
E2E_GAME_ARGS=(--scale 2)
e2e_start_game "$bin" "$work"
sleep 1.5
until_size 1280x960
e2e_shot "$work/scale2.png" || e2e_fail "no screenshot at --scale 2"
keep "$work/scale2.png" "scale2.png"
n=$(differ "$work/scale2.png" "$work/ref_title2.png")
[ "$n" = 0 ] || e2e_fail "--scale 2: the title differs from velkari-replay's at scale 2 in $n pixels"
e2e_close_game

status=0
"$bin/velkari" --scale 3 2>"$work/err" || status=$?
[ "$status" = 2 ] || e2e_fail "--scale 3 on 1920 x 1080 exited with $status, not 2"
grep -q "does not fit the screen (1920 x 1080): the largest is 2" "$work/err" ||
  e2e_fail "--scale 3 said: $(cat "$work/err")"
echo "Alt+Enter and F11: the title at scale 2 at (320, 60), black around, and back to 640x480;" \
  "--scale 2: 1280x960 at scale 2; --scale 3 refused"
