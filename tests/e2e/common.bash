# Helpers for the end-to-end checks (sourced). Each check runs the real game in
# a window on $DISPLAY (scripts/test.sh starts Xvfb).
e2e_fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# e2e_workdir [TOOL...]: a fresh folder in $work for the check; on exit the
# game (if it still runs) is ended and the folder removed. Each TOOL named
# must be in $bin beside the game.
e2e_workdir() {
  local tool
  for tool in "$@"; do
    [ -x "$bin/$tool" ] || e2e_fail "no $tool in $bin"
  done
  work=$(mktemp -d)
  trap '[ -n "${GAME_PID:-}" ] && e2e_kill_game; rm -rf "$work"' EXIT
}

# e2e_start_game BIN_DIR WORKDIR [RUNDIR]: starts the game in RUNDIR (default
# WORKDIR) with its sound going to a file in WORKDIR (or to the SDL audio
# driver named in E2E_AUDIODRIVER) and the arguments in the array
# E2E_GAME_ARGS, waits for its window; sets GAME_PID and GAME_WIN. With
# E2E_FILE_LIMIT_KB the game may write no file past that size.
e2e_start_game() {
  local bin=$1 work=$2 run=${3:-$2}
  [ -n "${DISPLAY:-}" ] || e2e_fail "no DISPLAY (run under Xvfb)"
  [ -x "$bin/velkari" ] || e2e_fail "no game executable at $bin/velkari"
  (cd "$run" && if [ -n "${E2E_FILE_LIMIT_KB:-}" ]; then ulimit -f "$E2E_FILE_LIMIT_KB"; fi &&
    SDL_AUDIODRIVER=${E2E_AUDIODRIVER:-disk} SDL_DISKAUDIOFILE="$work/audio.raw" \
    exec "$bin/velkari" ${E2E_GAME_ARGS[@]+"${E2E_GAME_ARGS[@]}"}) \
    >"$work/game.log" 2>&1 &
  GAME_PID=$!
  GAME_WIN=""
  local w
  # Up to 30 s: a sanitizer build on a loaded machine can take long to start.
  for _ in $(seq 300); do
    # The game's own window, once it is mapped (SDL may make helper windows).
    # --all: the window must have both the pid and the name (xdotool's
    # default is either, which finds any other velkari window on the display).
    for w in $(xdotool search --all --pid "$GAME_PID" --name velkari 2>/dev/null || true); do
      if xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable'; then
        GAME_WIN=$w
        break
      fi
    done
    [ -n "$GAME_WIN" ] && break
    kill -0 "$GAME_PID" 2>/dev/null || e2e_fail "the game exited before opening its window: $(cat "$work/game.log")"
    sleep 0.1
  done
  if [ -z "$GAME_WIN" ]; then
    e2e_windows
    e2e_fail "no game window appeared (pid $GAME_PID)"
  fi
}

# e2e_focus: gives the game's window the keyboard focus (a server without a
# window manager may refuse; the key presses name the window anyway).
e2e_focus() {
  xdotool windowactivate --sync "$GAME_WIN" 2>/dev/null || xdotool windowfocus --sync "$GAME_WIN" 2>/dev/null || true
}

# e2e_press KEY [SECONDS [PAUSE]]: holds KEY down on the game's window for
# SECONDS (0.1), then waits PAUSE seconds (none).
e2e_press() {
  xdotool keydown --window "$GAME_WIN" "$1" sleep "${2:-0.1}" keyup --window "$GAME_WIN" "$1" sleep "${3:-0}"
}

# e2e_kill_game: ends the game and what it started (SDL shows its message
# boxes from a child process, which would keep the game's window alive).
e2e_kill_game() {
  pkill -9 -P "$GAME_PID" 2>/dev/null || true
  kill -9 "$GAME_PID" 2>/dev/null || true
}

# e2e_windows: every named window on the display, for a failure's report.
e2e_windows() {
  local w
  for w in $(xdotool search --name . 2>/dev/null || true); do
    echo "window $w '$(xdotool getwindowname "$w" 2>/dev/null)' pid $(xdotool getwindowpid "$w" 2>/dev/null)" \
      "$(xwininfo -id "$w" 2>/dev/null | grep 'Map State')" >&2
  done
}

# e2e_shot FILE: a screenshot of the game window (never hangs).
e2e_shot() {
  timeout 20 import -window "$GAME_WIN" "$1"
}

# e2e_close_game: sends WM_DELETE_WINDOW; the game must exit 0 (or
# E2E_CLOSE_STATUS) within 1 s (E2E_CLOSE_LIMIT_MS for a build under
# ThreadSanitizer, many times slower).
e2e_close_game() {
  local here start end status
  here=$(dirname "${BASH_SOURCE[0]}")
  start=$(date +%s%N)
  /usr/bin/python3 "$here/close_message.py" "$GAME_WIN" || e2e_fail "could not send the close message"
  for _ in $(seq $(((${E2E_CLOSE_LIMIT_MS:-1000} + 1000) / 10))); do
    kill -0 "$GAME_PID" 2>/dev/null || break
    sleep 0.01
  done
  end=$(date +%s%N)
  if kill -0 "$GAME_PID" 2>/dev/null; then
    echo "closed window $GAME_WIN of pid $GAME_PID; now:" >&2
    e2e_windows
    # Where it hangs, when a debugger is at hand.
    if command -v gdb >/dev/null 2>&1; then
      timeout 20 gdb -p "$GAME_PID" -batch -ex 'thread apply all bt' 2>/dev/null | grep '^#\|^Thread' >&2 || true
    fi
    e2e_kill_game
    e2e_fail "the game did not exit after the close request"
  fi
  status=0
  wait "$GAME_PID" || status=$?
  [ "$status" -eq "${E2E_CLOSE_STATUS:-0}" ] || e2e_fail "the game exited with status $status"
  CLOSE_MS=$(((end - start) / 1000000))
  [ "$CLOSE_MS" -le "${E2E_CLOSE_LIMIT_MS:-1000}" ] || e2e_fail "the game took ${CLOSE_MS} ms to close"
}
