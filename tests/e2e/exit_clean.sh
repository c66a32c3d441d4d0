#!/usr/bin/env bash
# Every exit is clean: closing the window on the title, in play in the middle
# of a slide, in play just after a cue started, in pause, with the About box
# open (and, with EXIT_GAME_OVER=1, on the game over screen, three minutes of
# play away) ends the game with exit code 0 within one second. Run on the
# ASan build's game (scripts/test.sh does), LeakSanitizer also fails the exit
# if a sound buffer or a channel text was left behind.
#   exit_clean.sh BIN_DIR     (E2E_CLOSE_LIMIT_MS=2000 for the ASan game: LeakSanitizer
#                              scans the heap at exit)
set -euo pipefail
bin=$(cd "${1:?usage: exit_clean.sh BIN_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.bash"
work=$(mktemp -d)
trap '[ -n "${GAME_PID:-}" ] && e2e_kill_game; rm -rf "$work"' EXIT
# What the system libraries keep until exit is theirs, not the game's.
export LSAN_OPTIONS="suppressions=$here/lsan_system_libs.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export ASAN_OPTIONS="detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"

press() {  # press KEY [SECONDS held]
  xdotool keydown --window "$GAME_WIN" "$1" sleep "${2:-0.1}" keyup --window "$GAME_WIN" "$1"
}
focus() {
  xdotool windowactivate --sync "$GAME_WIN" 2>/dev/null || xdotool windowfocus --sync "$GAME_WIN" 2>/dev/null || true
}
start() {
  mkdir -p "$work/$1"
  cp -r "$bin/img" "$work/$1/img"
  e2e_start_game "$bin" "$work/$1"
  sleep 1
  focus
}
# On a failure, the end of the game's own output too.
e2e_fail() {
  [ -f "${GAME_LOG:-}" ] && tail -n 40 "$GAME_LOG" >&2
  echo "FAIL: $*" >&2
  exit 1
}
finish() {  # finish SCENE: closes the game and checks what it said on the way out
  e2e_close_game
  if grep -q 'ERROR: \(Leak\|Address\)Sanitizer\|runtime error' "$GAME_LOG"; then
    e2e_fail "the sanitizers reported on exit in $1"
  fi
  printf '%-32s closed in %4d ms, exit 0\n' "$1" "$CLOSE_MS"
}

GAME_LOG=$work/title/game.log
start title
finish title

GAME_LOG=$work/play_mid_slide/game.log
start play_mid_slide
press z
sleep 0.4
xdotool keydown --window "$GAME_WIN" Right
sleep 0.25  # a slide takes 16 frames, 256 ms: this is half way
finish play_mid_slide
xdotool keyup Right 2>/dev/null || true

GAME_LOG=$work/play_mid_cue/game.log
start play_mid_cue
press z
sleep 0.4
press Right 0.9  # pushes the block at (4, 1) along
sleep 0.2
press x 0.05  # DESTROY: its cue has just started
finish play_mid_cue

GAME_LOG=$work/pause/game.log
start pause
press z
sleep 0.4
press Escape
sleep 0.3
finish pause

# The About box is modal, like the platform's: the close request given to the
# main window meanwhile waits until the box is closed, then ends the game. SDL
# shows the box from a child process of the game.
GAME_LOG=$work/about_box/game.log
start about_box
# The box is the top-level window that appears, viewable, after Alt+/.
top_level() {
  xwininfo -root -children | awk '/^ +0x/ {print $1}' | while read -r w; do
    xwininfo -id "$w" 2>/dev/null | grep -q 'IsViewable' && echo "$w"
  done
}
before=$(top_level)
xdotool key --window "$GAME_WIN" alt+slash
about=""
for _ in $(seq 50); do
  about=$(comm -13 <(sort <<<"$before") <(top_level | sort) | head -n 1)
  [ -n "$about" ] && break
  sleep 0.1
done
[ -n "$about" ] || e2e_fail "the About box did not open"
e2e_shot "$work/about_box/shot.png" || true
[ -n "${E2E_KEEP:-}" ] && cp "$work/about_box/shot.png" "$E2E_KEEP/about_box.png"
start_ns=$(date +%s%N)
/usr/bin/python3 "$here/close_message.py" "$GAME_WIN"
sleep 0.2
kill -0 "$GAME_PID" 2>/dev/null || e2e_fail "the game ended with its About box open"
box_ns=$(date +%s%N)
/usr/bin/python3 "$here/close_message.py" "$about"
for _ in $(seq 200); do
  kill -0 "$GAME_PID" 2>/dev/null || break
  sleep 0.01
done
kill -0 "$GAME_PID" 2>/dev/null && e2e_fail "the game did not end after its About box was closed"
status=0
wait "$GAME_PID" || status=$?
end_ns=$(date +%s%N)
[ "$status" -eq 0 ] || e2e_fail "the game exited with status $status"
grep -q 'ERROR: \(Leak\|Address\)Sanitizer\|runtime error' "$GAME_LOG" &&
  e2e_fail "the sanitizers reported on exit with the About box"
ms=$(((end_ns - box_ns) / 1000000))
[ "$ms" -le "${E2E_CLOSE_LIMIT_MS:-1000}" ] || e2e_fail "the game took ${ms} ms to close after its About box"
printf '%-32s closed in %4d ms, exit 0 (window closed first, then the box)\n' "about_box" "$ms"
GAME_PID=""

if [ -n "${EXIT_GAME_OVER:-}" ]; then
  # Meanwhile velkari-replay draws the same game over screen: stage 1 left
  # alone until its clock has run out.
  printf '1 -\n1 Z\n10850 -\n' >"$work/game_over.replay"
  (cd "$bin" && ./velkari-replay --script "$work/game_over.replay" --frame "10852:$work/game_over.bmp") &
  replay=$!
  GAME_LOG=$work/game_over/game.log
  start game_over
  press z
  # 180 units of 60 frames each: 172.8 s.
  sleep 176
  e2e_shot "$work/game_over/shot.png" || e2e_fail "no screenshot of the game over screen"
  wait "$replay" || e2e_fail "velkari-replay failed"
  n=$(compare -metric AE "$work/game_over/shot.png" "$work/game_over.bmp" null: 2>&1 || true)
  [ "$n" = 0 ] || e2e_fail "the window does not show the game over screen ($n pixels differ)"
  finish game_over
fi
