#!/usr/bin/env bash
# A cross build's velkari-replay and velkari-mml give the same bytes as this
# machine's: for every replay in tests/game/replays the trace and summary of
# the whole run, the pictures after four frames spread over it, and the sound
# of its first AUDIO_FRAMES frames; velkari-mml's renders of the game's cues
# (the render test's list in tests/sound) and of an eight-channel song
# (eight_channels.mml beside this script).
#   same_output.sh HOST_BIN TARGET_BIN [EMULATOR [ARGS...]]
# e.g.
#   same_output.sh build/default/bin build/linux-armhf/bin \
#       qemu-arm -L /usr/arm-linux-gnueabihf -E LD_LIBRARY_PATH=/usr/arm-linux-gnueabihf/lib
# MAX_FRAMES=N leaves out the replays longer than N frames (0, the default:
# none is left out). Prints one line per replay and per render; exits 1 at
# the first difference, naming it.
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 HOST_BIN TARGET_BIN [EMULATOR [ARGS...]]" >&2
  exit 2
fi
host=$1 target=$2
shift 2
emulator=("$@")
audio_frames=${AUDIO_FRAMES:-1200}
max_frames=${MAX_FRAMES:-0}
src=$(cd "$(dirname "$0")/../.." && pwd)
for tool in velkari-replay velkari-mml; do
  for dir in "$host" "$target"; do
    [ -x "$dir/$tool" ] || { echo "error: no $dir/$tool" >&2; exit 2; }
  done
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/host" "$work/target"

# run SIDE TOOL ARGS...: the tool of one side, its output files under
# $work/SIDE: an argument's leading "@/" (alone or after "K:") stands for that
# folder.
run() {
  local side=$1 tool=$2 a
  shift 2
  local args=()
  for a in "$@"; do
    case $a in
      @/*) a=$work/$side/${a#@/} ;;
      [0-9]*:@/*) a=${a%%:*}:$work/$side/${a#*:@/} ;;
    esac
    args+=("$a")
  done
  if [ "$side" = host ]; then
    "$host/$tool" "${args[@]}" </dev/null
  else
    "${emulator[@]}" "$target/$tool" "${args[@]}" </dev/null
  fi
}

# same WHAT FILE...: every FILE (relative to the sides' folders) has the same
# bytes on both sides.
same() {
  local what=$1 f
  shift
  for f in "$@"; do
    if ! cmp -s "$work/host/$f" "$work/target/$f"; then
      echo "DIFFERENT: $what: $f" >&2
      cmp "$work/host/$f" "$work/target/$f" >&2 || true
      if [[ "$f" == *.txt ]]; then
        diff "$work/host/$f" "$work/target/$f" | head -6 >&2 || true
      fi
      exit 1
    fi
  done
}

for script in "$src"/tests/game/replays/*.replay; do
  name=$(basename "$script" .replay)
  run host velkari-replay --script "$script" --summary >"$work/host/summary.txt"
  frames=$(sed -n 's/^frames=\([0-9]*\) .*/\1/p' "$work/host/summary.txt")
  [ -n "$frames" ] || { echo "error: $name: no summary" >&2; exit 1; }
  if [ "$max_frames" -gt 0 ] && [ "$frames" -gt "$max_frames" ]; then
    echo "left out: $name ($frames frames)"
    continue
  fi
  shots=()
  for quarter in 1 2 3 4; do
    k=$((frames * quarter / 4))
    [ "$k" -ge 1 ] || k=1
    shots+=(--frame "$k:@/$name-$quarter.bmp")
  done
  audio=$audio_frames
  [ "$frames" -ge "$audio" ] || audio=$frames
  for side in host target; do
    run "$side" velkari-replay --script "$script" --trace --summary "${shots[@]}" \
      >"$work/$side/$name.txt"
    run "$side" velkari-replay --script "$script" --frames "$audio" --audio "@/$name.wav"
  done
  same "replay $name" "$name.txt" "$name-1.bmp" "$name-2.bmp" "$name-3.bmp" "$name-4.bmp" "$name.wav"
  echo "same: $name (trace of $frames frames, 4 frames, audio of $audio)"
  rm -f "$work"/host/"$name"* "$work"/target/"$name"*
done

# The game's cues, each alone on its channel, two seconds: the list the
# render test holds, lines '  "CH|TEXT"' (or '  "CH|SHA256|TEXT"').
cue_list=
for f in render_cues.cmake render_twice.cmake; do
  [ -f "$src/tests/sound/$f" ] && { cue_list=$src/tests/sound/$f; break; }
done
[ -n "$cue_list" ] || { echo "error: no list of the game's cues in tests/sound" >&2; exit 1; }
n=0
while IFS='|' read -r channel text; do
  for side in host target; do
    run "$side" velkari-mml render --cue "$channel" "$text" --seconds 2 -o "@/cue$n.wav"
  done
  same "cue '$text'" "cue$n.wav"
  n=$((n + 1))
done < <(sed -n 's/^  "\([0-7]\)|\([0-9a-f]\{64\}|\)\{0,1\}\([^"|]*\)")*$/\1|\3/p' "$cue_list")
[ "$n" -gt 0 ] || { echo "error: no cue found in $cue_list" >&2; exit 1; }
echo "same: the game's $n cues"

for side in host target; do
  run "$side" velkari-mml render --song "$src/tests/cross/eight_channels.mml" --seconds 8 -o "@/song.wav"
done
same "eight-channel song" song.wav
echo "same: eight_channels.mml (8 s)"
