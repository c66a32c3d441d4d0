#!/usr/bin/env bash
# Every exit is clean: closing the window on the title, in play in the middle
# of a slide, in play just after a cue started, in pause, with the About box
# open (and, with EXIT_GAME_OVER=1, on the game over screen, three minutes of
# play away) ends the game with exit code 0 within one second; the About box
# looks as velkari-replay draws it. Run on the
# ASan build's game (scripts/test.sh does), LeakSanitizer also fails the exit
# if a sound buffer or a channel text was left behind.
#   exit_clean.sh BIN_DIR     (E2E_CLOSE_LIMIT_MS=2000 for the ASan game: LeakSanitizer
#                              scans the heap at exit)
set -euo pipefail
bin=$(cd "${1:?usage: exit_clean.sh BIN_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=common.bash
. "$here/common.bash"
e2e_workdir
# What the system libraries keep until exit is theirs, not the game's.
export LSAN_OPTIONS="suppressions=$here/lsan_system_libs.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export ASAN_OPTIONS="detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"

start() {
  mkdir -p "$work/$1"
  cp -r "$bin/img" "$work/$1/img"
  e2e_start_game "$bin" "$work/$1"
  sleep 1
  e2e_focus
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
e2e_press z
sleep 0.4
xdotool keydown --window "$GAME_WIN" Right
sleep 0.25  # a slide takes 16 frames, 256 ms: this is half way
finish play_mid_slide
xdotool keyup Right 2>/dev/null || true

GAME_LOG=$work/play_mid_cue/game.log
start play_mid_cue
e2e_press z
sleep 0.4
e2e_press Right 0.9  # pushes the block at (4, 1) along
sleep 0.2
e2e_press x 0.05  # DESTROY: its cue has just started
finish play_mid_cue

GAME_LOG=$work/pause/game.log
start pause
e2e_press z
sleep 0.4
e2e_press Escape
sleep 0.3
finish pause

# The About box is the game's own, drawn into its frame: Alt+/ and Alt+? show
# it over the title exactly as velkari-replay draws it, Escape gives back the
# title as it was, and a close request while it is up ends the game at once.
printf '2 -\n1 ABOUT\n' >"$work/about.replay"
(cd "$bin" && ./velkari-replay --script "$work/about.replay" --frame "2:$work/title.bmp" \
  --frame "3:$work/about.bmp") || e2e_fail "velkari-replay could not draw the About box"
shows() {  # shows BMP: the window shows exactly that picture within two seconds
  for _ in $(seq 20); do
    e2e_shot "$work/about_box/shot.png" &&
      [ "$(compare -metric AE "$work/about_box/shot.png" "$1" null: 2>&1 || true)" = 0 ] && return 0
    sleep 0.1
  done
  return 1
}
GAME_LOG=$work/about_box/game.log
start about_box
for combo in alt+slash alt+question; do
  xdotool key --window "$GAME_WIN" "$combo"
  shows "$work/about.bmp" || e2e_fail "$combo does not show the About box as velkari-replay draws it"
  [ -n "${E2E_KEEP:-}" ] && cp "$work/about_box/shot.png" "$E2E_KEEP/about_box.png"
  if [ "$combo" = alt+slash ]; then
    xdotool key --window "$GAME_WIN" Escape
    shows "$work/title.bmp" || e2e_fail "Escape does not give back the title as it was"
  fi
done
kill -0 "$GAME_PID" 2>/dev/null || e2e_fail "the game ended with its About box open"
finish about_box
if [ -n "${EXIT_GAME_OVER:-}" ]; then
  # Meanwhile velkari-replay draws the same game over screen: stage 1 left
  # alone until its clock has run out.
  printf '1 -\n1 Z\n10850 -\n' >"$work/game_over.replay"
  (cd "$bin" && ./velkari-replay --script "$work/game_over.replay" --frame "10852:$work/game_over.bmp") &
  replay=$!
  GAME_LOG=$work/game_over/game.log
  start game_over
  e2e_press z
  # 180 units of 60 frames each: 172.8 s.
  sleep 176
  e2e_shot "$work/game_over/shot.png" || e2e_fail "no screenshot of the game over screen"
  wait "$replay" || e2e_fail "velkari-replay failed"
  n=$(compare -metric AE "$work/game_over/shot.png" "$work/game_over.bmp" null: 2>&1 || true)
  [ "$n" = 0 ] || e2e_fail "the window does not show the game over screen ($n pixels differ)"
  finish game_over
fi
