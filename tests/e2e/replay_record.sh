#!/usr/bin/env bash
# Recording a game in the real window and playing it back. Real key presses
# under --record (start, walk right into the block, DESTROY, pause, resume,
# pause) give a key script whose velkari-replay trace shows each of them as
# the rules have it, and the window's last picture is velkari-replay's frame
# for the recording's last frame. --play of it shows that same picture once
# the recording has ended, whatever keys were pressed meanwhile, and then
# takes the keys. --record refuses an existing file and leaves it alone, and
# a start that is refused (a scale too large, no display) makes no file; a
# game killed with SIGKILL leaves a recording that replays and lacks at most
# its last second; a recording onto a full disk says so once, the game goes
# on and exits 1, and the file replays up to its last whole line.
#   replay_record.sh BIN_DIR      (with DISPLAY set, or under xvfb-run)
set -euo pipefail
bin=$(cd "${1:?usage: replay_record.sh BIN_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=common.bash
. "$here/common.bash"
e2e_workdir velkari-replay
run=$work/run.keys
# How fast a close is, window_basic and exit_clean check; here it only has to
# end the game with status 0 (three games on a busy machine).
export E2E_CLOSE_LIMIT_MS=${E2E_CLOSE_LIMIT_MS:-5000}

# The frames a key script holds, and the first frame whose keys include KEY.
frames_in() { awk '!/^#/ && NF { n += $1 } END { print n + 0 }' "$1"; }
first_with() {
  awk -v k="$2" '!/^#/ && NF { if (("+" $2 "+") ~ ("\\+" k "\\+")) { print n + 1; exit } n += $1 }' "$1"
}
# Field NAME of trace line FRAME.
field() { awk -v f="frame=$2" -v k="$3" '$1 == f { for (i = 2; i <= NF; ++i) if (index($i, k "=") == 1) print substr($i, length(k) + 2) }' "$1"; }

# --- record a game played with the keys ---------------------------------------
E2E_GAME_ARGS=(--record "$run")
e2e_start_game "$bin" "$work"
sleep 1.5
e2e_focus
e2e_press z 0.1 0.5
e2e_press Right 1.2 0.6 # three cells and more: the block at (4, 1) is pushed
e2e_press x 0.1 0.4     # DESTROY: the block ahead goes for 5 time units
e2e_press Escape 0.1 0.5
e2e_press Escape 0.1 0.3
e2e_press Escape 0.1 1.0 # paused again: the picture stands still
e2e_shot "$work/window.png" || e2e_fail "no screenshot of the recorded game"
e2e_close_game
unset GAME_PID

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$bin/../CMakeCache.txt")
head -n 1 "$run" | grep -qxF "# velkari $version" || e2e_fail "the recording does not start with its version: $(head -n 1 "$run")"
total=$(frames_in "$run")
"$bin/velkari-replay" --script "$run" --trace --frame "$total:$work/replay_last.bmp" >"$work/trace" ||
  e2e_fail "velkari-replay refused the recording: $(head -n 5 "$run")"
[ "$(wc -l <"$work/trace")" -eq "$total" ] || e2e_fail "the trace has not $total frames"
for key in Z RIGHT X ESC; do
  [ -n "$(first_with "$run" "$key")" ] || e2e_fail "the recording holds no $key: $(cat "$run")"
done
z=$(first_with "$run" Z)
[ "$(field "$work/trace" "$z" scene)" = 2 ] || e2e_fail "Z at frame $z did not start a game"
grep -q ' carrying=1$' "$work/trace" || e2e_fail "no block was pushed"
x=$(first_with "$run" X)
drop=$(($(field "$work/trace" $((x - 1)) time) - $(field "$work/trace" "$x" time)))
# 5 units for DESTROY, and one more when the frame also ends a time unit.
[ "$drop" = 5 ] || [ "$drop" = 6 ] || e2e_fail "DESTROY at frame $x took $drop time units"
esc=$(first_with "$run" ESC)
[ "$(field "$work/trace" "$esc" scene)" = 10 ] || e2e_fail "Esc at frame $esc did not pause"
awk -v e="$esc" '{ sub("frame=", "", $1) } $1 > e && $2 == "scene=4" { found = 1 } END { exit !found }' \
  "$work/trace" || e2e_fail "the game was not resumed"
[ "$(field "$work/trace" "$total" scene)" = 10 ] || e2e_fail "the recording does not end paused"
n=$(compare -metric AE "$work/window.png" "$work/replay_last.bmp" null: 2>&1 || true)
[ "$n" = 0 ] || e2e_fail "the window's last picture differs from velkari-replay's frame $total in $n pixels"

# --- play it back ----------------------------------------------------------------
sum=$(sha256sum <"$run")
E2E_GAME_ARGS=(--play "$run")
e2e_start_game "$bin" "$work"
e2e_focus
sleep 1.5
e2e_press Left 0.3 # ignored: the recording has the keys
sleep "$(awk -v t="$total" 'BEGIN { print t * 0.016 }')"
e2e_shot "$work/played.png" || e2e_fail "no screenshot of the played recording"
n=$(compare -metric AE "$work/played.png" "$work/replay_last.bmp" null: 2>&1 || true)
[ "$n" = 0 ] || e2e_fail "after --play the window differs from velkari-replay's frame $total in $n pixels"
e2e_press Escape 0.1 0.3 # the player's again: the game resumes
e2e_shot "$work/resumed.png" || e2e_fail "no screenshot after the recording"
n=$(compare -metric AE "$work/resumed.png" "$work/replay_last.bmp" null: 2>&1 || true)
[ "$n" != 0 ] || e2e_fail "Esc after the recording's end did not resume the game"
e2e_close_game
unset GAME_PID

# --- an existing file is not overwritten -----------------------------------------
status=0
"$bin/velkari" --record "$run" 2>"$work/refused.log" || status=$?
[ "$status" = 2 ] || e2e_fail "--record on an existing file exited $status, not 2"
grep -q "already exists" "$work/refused.log" || e2e_fail "--record did not say why: $(cat "$work/refused.log")"
[ "$(sha256sum <"$run")" = "$sum" ] || e2e_fail "--record changed the existing file"

# --- a refused start makes no file --------------------------------------------------
status=0
"$bin/velkari" --record "$work/never.keys" --scale 999 2>"$work/refused.log" || status=$?
[ "$status" = 2 ] || e2e_fail "--scale 999 exited $status, not 2"
[ ! -e "$work/never.keys" ] || e2e_fail "a start refused for its scale left the recording's file"
status=0
DISPLAY=:7999 "$bin/velkari" --record "$work/never.keys" 2>"$work/refused.log" || status=$?
[ "$status" = 1 ] || e2e_fail "the game without a display exited $status, not 1"
grep -q "no display" "$work/refused.log" || e2e_fail "no display, and no word of it: $(cat "$work/refused.log")"
[ ! -e "$work/never.keys" ] || e2e_fail "a game without a display left the recording's file"

# --- a recording onto a full disk ------------------------------------------------
# A file size limit of 1 KiB: the arrows held and let go every 0.1 s give a
# line each time, a few hundred bytes a second.
E2E_FILE_LIMIT_KB=1 E2E_AUDIODRIVER=dummy E2E_GAME_ARGS=(--record "$work/full.keys")
e2e_start_game "$bin" "$work"
e2e_focus
presses=()
for _ in $(seq 60); do
  presses+=(keydown --window "$GAME_WIN" Up Down Left Right sleep 0.05 keyup --window "$GAME_WIN" Up Down Left Right sleep 0.05)
done
xdotool "${presses[@]}"
sleep 1.2 # the next flush, which fails again if the first did not
e2e_shot "$work/full.png" || e2e_fail "the game did not go on after its recording failed"
E2E_CLOSE_STATUS=1 e2e_close_game
unset GAME_PID E2E_FILE_LIMIT_KB E2E_AUDIODRIVER
n=$(grep -c "^velkari: --record: cannot write '$work/full.keys': File too large; the recording stops here" "$work/game.log" || true)
[ "$n" = 1 ] || e2e_fail "the failed write was reported $n times: $(cat "$work/game.log")"
size=$(stat -c %s "$work/full.keys")
[ "$size" -le 1024 ] && [ "$size" -gt 100 ] || e2e_fail "the full disk's recording holds $size bytes"
[ "$(tail -c 1 "$work/full.keys" | od -An -c | tr -d ' ')" = '\n' ] || e2e_fail "the recording ends in a torn line"
"$bin/velkari-replay" --script "$work/full.keys" --summary >"$work/summary" ||
  e2e_fail "the full disk's recording does not replay"
full=$(frames_in "$work/full.keys")
grep -q "^frames=$full " "$work/summary" || e2e_fail "the full disk's recording replays as $(cat "$work/summary"), not its $full frames"

# --- a killed game's recording ---------------------------------------------------
# shellcheck disable=SC2034 # read by e2e_start_game
E2E_GAME_ARGS=(--record "$work/killed.keys")
e2e_start_game "$bin" "$work"
start=$(date +%s%N)
e2e_focus
e2e_press z 0.1 3
disown "$GAME_PID" # no job report of the kill
kill -9 "$GAME_PID"
end=$(date +%s%N)
while kill -0 "$GAME_PID" 2>/dev/null; do sleep 0.01; done
unset GAME_PID
got=$(frames_in "$work/killed.keys")
ran=$(((end - start) / 16000000))
"$bin/velkari-replay" --script "$work/killed.keys" --summary >"$work/summary" ||
  e2e_fail "the killed game's recording does not replay"
grep -qx "frames=$got stage=1 score=0 hiscore=0" "$work/summary" ||
  e2e_fail "the killed game's recording replays as $(cat "$work/summary")"
# At least the frames that came due in its time but the last second's (62.5).
[ "$got" -ge $((ran - 63)) ] || e2e_fail "the killed game ran $ran frames or more, its recording holds $got"

echo "recorded $total frames (Z at $z, X at $x, Esc at $esc): trace and last picture as replayed;" \
  "--play shows them; an existing file refused; killed after $ran frames, $got recorded;" \
  "a full disk: reported once, $size bytes, $full frames replayed"
