#!/usr/bin/env bash
# The real game in a real window: the title is pixel for pixel what
# velkari-replay draws; Z (pressed and released in the focused window) starts
# a game whose stage 1 board and panel match the replay's; the background tune
# is in the sound stream (SDL's disk audio driver); the idle title costs
# almost no processor time.
#   game_window.sh BIN_DIR      (with DISPLAY set, or under xvfb-run)
set -euo pipefail
bin=$(cd "${1:?usage: game_window.sh BIN_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=common.bash
. "$here/common.bash"
e2e_workdir velkari-replay

# The replay's pictures: the title (frame 2) and a play frame of stage 1.
printf '1 -\n1 Z\n30 -\n' >"$work/ref.script"
"$bin/velkari-replay" --script "$work/ref.script" --frame "2:$work/ref_title.bmp" \
  --frame "20:$work/ref_play.bmp" || e2e_fail "velkari-replay failed"

# Pixels that differ between two pictures, optionally in a region WxH+X+Y,
# with the player's cell (32..63, 32..63) blacked out in both.
differ() {
  local a=$1 b=$2 region=${3:-}
  local crop=()
  [ -n "$region" ] && crop=(-crop "$region" +repage)
  convert "$a" -fill black -draw 'rectangle 32,32 63,63' "${crop[@]}" "$work/a.png"
  convert "$b" -fill black -draw 'rectangle 32,32 63,63' "${crop[@]}" "$work/b.png"
  compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 || true
}

e2e_start_game "$bin" "$work"
# The boot scene builds the masks, then the title stays up until a key.
sleep 1.5
e2e_shot "$work/title.png" || e2e_fail "no screenshot of the title"
[ -n "${E2E_KEEP:-}" ] && cp "$work/title.png" "$E2E_KEEP/game_title.png"
n=$(compare -metric AE "$work/title.png" "$work/ref_title.bmp" null: 2>&1 || true)
[ "$n" = 0 ] || e2e_fail "the title differs from velkari-replay's in $n pixels"

# Idle processor time on the title: utime + stime over two seconds.
ticks() { awk '{print $14 + $15}' "/proc/$GAME_PID/stat"; }
hz=$(getconf CLK_TCK)
t0=$(ticks)
sleep 2
t1=$(ticks)
idle_pct=$(((t1 - t0) * 100 / (2 * hz)))
[ "$idle_pct" -le 20 ] || e2e_fail "the idle title uses ${idle_pct}% of a core"

# Sound before the game: the title is silent.
audio=$work/audio.raw
before=$(stat -c %s "$audio" 2>/dev/null || echo 0)

e2e_focus
e2e_press z
sleep 1.5
e2e_shot "$work/play.png" || e2e_fail "no screenshot of the play screen"
[ -n "${E2E_KEEP:-}" ] && cp "$work/play.png" "$E2E_KEEP/game_play.png"
# The board, and the panel's STAGE, SCORE and key texts (the time counts down
# and the player animates, so those are left out).
n=$(differ "$work/play.png" "$work/ref_play.bmp" 480x480+0+0)
[ "$n" = 0 ] || e2e_fail "the stage 1 board differs from velkari-replay's in $n pixels"
n=$(differ "$work/play.png" "$work/ref_play.bmp" 140x280+500+200)
[ "$n" = 0 ] || e2e_fail "the panel differs from velkari-replay's in $n pixels"

after=$(stat -c %s "$audio" 2>/dev/null || echo 0)
[ "$after" -gt "$before" ] || e2e_fail "no sound was streamed after the game started ($audio)"
peak=$(python3 - "$audio" "$before" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()[int(sys.argv[2]) & ~3:]
n = len(data) // 2
print(max((abs(v) for v in struct.unpack("<%dh" % n, data[: n * 2])), default=0))
PY
)
[ "$peak" -gt 1000 ] || e2e_fail "the stream after the game started is silent (peak $peak)"

e2e_close_game
echo "title identical to the replay; stage 1 board and panel shown; tune peak $peak;" \
  "idle title ${idle_pct}% of a core; closed in ${CLOSE_MS} ms"
