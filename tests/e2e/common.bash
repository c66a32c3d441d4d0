# Helpers for the end-to-end checks (sourced). Each check runs the real game in
# a window on $DISPLAY (scripts/test.sh starts Xvfb).
e2e_fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# e2e_start_game BIN_DIR WORKDIR: starts the game with its sound going to a
# file (or to the SDL audio driver named in E2E_AUDIODRIVER), waits for its
# window; sets GAME_PID and GAME_WIN.
e2e_start_game() {
  local bin=$1 work=$2
  [ -n "${DISPLAY:-}" ] || e2e_fail "no DISPLAY (run under Xvfb)"
  [ -x "$bin/velkari" ] || e2e_fail "no game executable at $bin/velkari"
  (cd "$work" && SDL_AUDIODRIVER=${E2E_AUDIODRIVER:-disk} SDL_DISKAUDIOFILE="$work/audio.raw" exec "$bin/velkari") \
    >"$work/game.log" 2>&1 &
  GAME_PID=$!
  GAME_WIN=""
  local w
  for _ in $(seq 100); do
    # The game's own window, once it is mapped (SDL may make helper windows).
    for w in $(xdotool search --pid "$GAME_PID" --name velkari 2>/dev/null || true); do
      if xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable'; then
        GAME_WIN=$w
        break
      fi
    done
    [ -n "$GAME_WIN" ] && break
    kill -0 "$GAME_PID" 2>/dev/null || e2e_fail "the game exited before opening its window: $(cat "$work/game.log")"
    sleep 0.1
  done
  [ -n "$GAME_WIN" ] || e2e_fail "no game window appeared"
}

# e2e_shot FILE: a screenshot of the game window (never hangs).
e2e_shot() {
  timeout 20 import -window "$GAME_WIN" "$1"
}

# e2e_close_game: sends WM_DELETE_WINDOW; the game must exit 0 within 1 s.
e2e_close_game() {
  local here start end status
  here=$(dirname "${BASH_SOURCE[0]}")
  start=$(date +%s%N)
  /usr/bin/python3 "$here/close_message.py" "$GAME_WIN" || e2e_fail "could not send the close message"
  for _ in $(seq 200); do
    kill -0 "$GAME_PID" 2>/dev/null || break
    sleep 0.01
  done
  end=$(date +%s%N)
  if kill -0 "$GAME_PID" 2>/dev/null; then
    # Where it hangs, when a debugger is at hand.
    if command -v gdb >/dev/null 2>&1; then
      timeout 20 gdb -p "$GAME_PID" -batch -ex 'thread apply all bt' 2>/dev/null | grep '^#\|^Thread' >&2 || true
    fi
    kill -9 "$GAME_PID"
    e2e_fail "the game did not exit after the close request"
  fi
  status=0
  wait "$GAME_PID" || status=$?
  [ "$status" -eq 0 ] || e2e_fail "the game exited with status $status"
  CLOSE_MS=$(((end - start) / 1000000))
  [ "$CLOSE_MS" -le 1000 ] || e2e_fail "the game took ${CLOSE_MS} ms to close"
}
