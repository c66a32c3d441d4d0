#!/usr/bin/env bash
# The fault matrix: the game with each of its three bitmaps missing, empty,
# truncated, not a bitmap, a folder, a FIFO (which must not block the start),
# or with a header claiming a huge picture;
# with the whole img folder missing; without a sound device. In every case the
# game starts, plays (walk, push, DESTROY, pause, PASS) to game over and back
# to the title on the headless backend, draws what it can, writes exactly the
# lines naming what is missing, and exits 0. The cases marked "window" also
# run in the real SDL window: the title must be velkari-replay's picture of
# the same broken folder, and the close request must end the game with exit
# code 0 within one second.
#   fault_matrix.sh BIN_DIR       (with DISPLAY set for the window cases)
#   FAULT_WINDOW=all fault_matrix.sh BIN_DIR   every case in the window too
# The joystick unplugged mid-game is tests/sdl/pad_test.cpp; the sound device
# stopping mid-game is the headless device case in
# tests/soundout/output_stream_test.cpp.
set -euo pipefail
bin=$(cd "${1:?usage: fault_matrix.sh BIN_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=common.bash
. "$here/common.bash"
e2e_workdir

# The programs are run from a folder with no img/ beside them, so that only
# the broken img/ of the current folder is seen.
mkdir -p "$work/bin"
cp "$bin/velkari-replay" "$work/bin/"
[ -x "$bin/velkari" ] && cp "$bin/velkari" "$work/bin/"

# The game: walk right pushing the block at (4, 1), DESTROY it, pause and go
# on, PASS to stage 2, wait until the clock has run out, then Z at the game
# over screen back to the title.
cat >"$work/game.replay" <<'EOF'
1 -
1 Z
2 -
48 RIGHT
1 -
1 X
2 -
1 ESC
3 -
1 ESC
16 DOWN
1 Z
10600 -
1 Z
3 -
EOF
title_frame=2 play_frame=40 gameover_frame=10678 last_frame=10682

size_of() { stat -c %s "$bin/img/$1"; }
said_missing() { echo "velkari: cannot load picture img/$1: not found in ./img/, $work/bin/img/, $work/share/velkari/img/; it is not drawn"; }
said() { echo "velkari: cannot load picture img/$1: $2; it is not drawn"; }
huge_header() {
  python3 - "$1" <<'PY'
import struct, sys
with open(sys.argv[1], "r+b") as f:
    f.seek(18)
    f.write(struct.pack("<ii", 100000, 100000))
PY
}

# name | what breaks it (run in the case's folder) | window? | lines it must
# write. "window:DRIVER" runs the window with that SDL audio driver; the sound
# lines are the window's alone (velkari-replay runs silent without --audio).
cases=()
for f in tobernix.bmp velkimg.bmp girl.bmp; do
  n=${f%.bmp}
  cases+=(
    "$n missing|rm img/$f|-|$(said_missing $f)"
    "$n empty|: >img/$f|-|$(said $f empty)"
    "$n truncated|head -c 1000 $bin/img/$f >img/$f|$([ $n = velkimg ] && echo window || echo -)|$(said $f "truncated (1000 of $(size_of $f) bytes)")"
    "$n not a bitmap|echo 'not a picture' >img/$f|-|$(said $f 'not a bitmap')"
    "$n a folder|rm img/$f && mkdir img/$f|-|$(said $f 'a folder, not a file')"
    "$n a FIFO|rm img/$f && mkfifo img/$f|$([ $n = tobernix ] && echo window || echo -)|$(said $f 'not a regular file (a FIFO, a device or a socket)')"
    "$n huge header|huge_header img/$f|$([ $n = girl ] && echo window || echo -)|$(said $f 'a size the reader refuses (100000 x 100000 pixels)')"
  )
done
cases+=(
  "img folder missing|rm -r img|window|$(said_missing tobernix.bmp)
$(said_missing velkimg.bmp)
$(said_missing girl.bmp)"
  "all pictures fine|true|-|"
  "no sound driver|true|window:nosuchdriver|velkari: no sound device could be opened; the game plays silent"
  "dummy sound device|true|window:dummy|"
)

# For a case's folder and the good one: the pixels of the title, play and game
# over pictures that differ from the good run's, the title's non-black
# pixels, and the pixels in which the last picture differs from the title.
pixel_stats() {
  python3 - "$1" "$2" <<'PY'
import sys
def pixels(folder, name):
    return open(f"{folder}/{name}.bmp", "rb").read()[54:]
def differ(a, b):
    x = (int.from_bytes(a, "little") ^ int.from_bytes(b, "little")).to_bytes(len(a), "little")
    merged = int.from_bytes(x[0::3], "little") | int.from_bytes(x[1::3], "little") | int.from_bytes(x[2::3], "little")
    m = merged.to_bytes(len(a) // 3, "little")
    return len(m) - m.count(0)
case, good = sys.argv[1], sys.argv[2]
t = pixels(case, "title")
print(differ(t, pixels(good, "title")), differ(pixels(case, "play"), pixels(good, "play")),
      differ(pixels(case, "gameover"), pixels(good, "gameover")), differ(t, bytes(len(t))),
      differ(pixels(case, "last"), t))
PY
}

run_headless() {
  local dir=$1
  (cd "$dir" && "$work/bin/velkari-replay" --script "$work/game.replay" --trace \
    --frame "$title_frame:$dir/title.bmp" --frame "$play_frame:$dir/play.bmp" \
    --frame "$gameover_frame:$dir/gameover.bmp" --frame "$last_frame:$dir/last.bmp") \
    >"$dir/trace" 2>"$dir/said" || echo "exit $?" >>"$dir/said"
}

# The case with every picture in place is the reference for the others.
good=$work/case_all_pictures_fine
dirs=()
for row in "${cases[@]}"; do
  IFS='|' read -r name breaks _ <<<"$row"
  dir=$work/case_${name// /_}
  mkdir -p "$dir"
  cp -r "$bin/img" "$dir/img"
  (cd "$dir" && eval "$breaks") || e2e_fail "$name: could not break the folder"
  dirs+=("$dir")
done
# The headless runs side by side, one per core.
export -f run_headless
export work title_frame play_frame gameover_frame last_frame
printf '%s\n' "${dirs[@]}" | xargs -P "$(nproc)" -I{} bash -c 'run_headless "$1"' _ {}

window_cases=0
printf '%-22s | %-9s | %-52s | %s\n' case headless "pictures (differing pixels: title play game-over)" window
for row in "${cases[@]}"; do
  IFS='|' read -r name breaks window _ <<<"$row"
  # The expected lines may span several rows of the table entry.
  expected=${row#*|*|*|}
  dir=$work/case_${name// /_}
  headless_expected=$expected
  [ "$window" != "${window#window:}" ] && headless_expected=""
  [ "$(cat "$dir/said")" = "$headless_expected" ] ||
    e2e_fail "$name: velkari-replay said
$(cat "$dir/said")
expected
$headless_expected"
  grep -q ' scene=5 ' "$dir/trace" || e2e_fail "$name: no game over"
  tail -n 1 "$dir/trace" | grep -q '^frame=10682 scene=1 ' || e2e_fail "$name: not back on the title: $(tail -n 1 "$dir/trace")"
  cmp -s "$dir/trace" "$good/trace" || e2e_fail "$name: the rules ran differently from the game with every picture"
  read -r d_title d_play d_over lit last_vs_title <<<"$(pixel_stats "$dir" "$good")"
  [ "$lit" -gt 0 ] || e2e_fail "$name: the title is black all over"
  [ "$last_vs_title" -eq 0 ] || e2e_fail "$name: the title after game over is not the title"
  # A broken sheet leaves its pictures out, and only those.
  case $name in
    tobernix*) [ "$d_title" -gt 0 ] && [ "$d_play" -gt 0 ] && [ "$d_over" -gt 0 ] ;;  # every text
    velkimg*) [ "$d_title" -eq 0 ] && [ "$d_play" -gt 0 ] && [ "$d_over" -gt 0 ] ;;   # cells, player
    girl*) [ "$d_title" -gt 0 ] && [ "$d_play" -eq 0 ] && [ "$d_over" -eq 0 ] ;;      # title picture
    img*) [ "$d_title" -gt 0 ] && [ "$d_play" -gt 0 ] ;;
    *) [ "$d_title" -eq 0 ] && [ "$d_play" -eq 0 ] && [ "$d_over" -eq 0 ] ;;
  esac || e2e_fail "$name: the wrong pictures are missing ($d_title $d_play $d_over)"

  shown=-
  if [ "${window%%:*}" = window ] || { [ "${FAULT_WINDOW:-}" = all ] && [ -x "$work/bin/velkari" ]; }; then
    [ -x "$work/bin/velkari" ] || e2e_fail "no game executable in $bin"
    driver=disk
    [ "$window" != "${window#*:}" ] && driver=${window#*:}
    E2E_AUDIODRIVER=$driver e2e_start_game "$work/bin" "$dir"
    sleep 1
    e2e_shot "$dir/shot_title.png" || e2e_fail "$name: no screenshot"
    n=$(compare -metric AE "$dir/shot_title.png" "$dir/title.bmp" null: 2>&1 || true)
    [ "$n" = 0 ] || e2e_fail "$name: the window's title differs from velkari-replay's in $n pixels"
    e2e_focus
    # Start, walk, DESTROY, pause and on, PASS.
    e2e_press z 0.1 0.2
    e2e_press Right 0.9 0.1
    e2e_press x 0.1 0.1
    e2e_press Escape 0.1 0.1
    e2e_press Escape 0.1 0.1
    e2e_press z 0.1 0.3
    e2e_close_game
    # Less what SDL itself writes about its disk audio driver.
    got=$(grep -v '^CRITICAL: \|^$' "$dir/game.log" || true)
    [ "$got" = "$expected" ] || e2e_fail "$name: the game said
$got
expected
$expected"
    shown="title as replay, closed in ${CLOSE_MS} ms, exit 0"
    window_cases=$((window_cases + 1))
  fi
  printf '%-22s | %-9s | %-52s | %s\n' "$name" "exit 0" "$d_title $d_play $d_over" "$shown"
done
echo "${#cases[@]} cases, $window_cases of them in the window as well"
