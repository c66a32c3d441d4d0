#!/usr/bin/env bash
# tests/game/check_snapshot.sh SAVER LOADER WORKDIR SCRIPT...
# For each replay script: one run of SAVER (a velkari-replay) from program start
# with --trace, --audio and the last step's picture, saving snapshots after
# several steps spread over the run (the boot frame, the title, play with its
# cues, and on to the end); then, for each of them, a new run of LOADER that
# starts from the snapshot. Each continuation must print exactly the trace
# lines of the first run after that step, show the same last picture and
# render the same audio from there on (the WAV's tail), byte for byte.
# SAVER_RUNNER and LOADER_RUNNER (e.g. "wine") are put before either program,
# so that a Windows build loads Linux snapshots and the other way round.
# CHECK_STEPS (default 6) is how many steps besides the first two are tried.
set -euo pipefail
saver=$1
loader=$2
work=$3
shift 3
read -r -a saver_runner <<<"${SAVER_RUNNER:-}"
read -r -a runner <<<"${LOADER_RUNNER:-}"
steps_wanted=${CHECK_STEPS:-6}
mkdir -p "$work"
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
checked=0
for script in "$@"; do
  name=$(basename "$script" .replay)
  dir=$work/$name
  rm -rf "$dir"
  mkdir -p "$dir"
  # The run's steps: the counts of the script's lines.
  total=$(sed 's/#.*//' "$script" | awk 'NF { n += $1 } END { print n + 0 }')
  [ "$total" -ge 3 ] || fail "$name: too short to split ($total steps)"
  ks=(1 2)
  for ((i = 1; i <= steps_wanted; i++)); do ks+=($((total * i / (steps_wanted + 1)))); done
  ks+=($((total - 1)))
  mapfile -t ks < <(printf '%s\n' "${ks[@]}" | awk '$1 >= 1' | sort -n -u)
  saves=()
  for k in "${ks[@]}"; do saves+=(--save-snapshot "$k:$dir/at$k.snap"); done
  "${saver_runner[@]}" "$saver" --script "$script" --trace --audio "$dir/full.wav" --frame "$total:$dir/full.bmp" \
    "${saves[@]}" >"$dir/full.trace" || fail "$name: the uninterrupted run failed"
  for k in "${ks[@]}"; do
    snap=$dir/at$k.snap
    [ -s "$snap" ] || fail "$name: no snapshot after step $k"
    "${runner[@]}" "$loader" --script "$script" --load-snapshot "$snap" --trace \
      --audio "$dir/from$k.wav" --frame "$total:$dir/from$k.bmp" >"$dir/from$k.trace" ||
      fail "$name: the run from the snapshot after step $k failed"
    n=$(wc -l <"$dir/from$k.trace")
    tail -n "$n" "$dir/full.trace" | cmp -s - "$dir/from$k.trace" ||
      fail "$name: the trace from step $k on is not the uninterrupted run's"
    # The lines before it are the frames run up to the snapshot: none lost.
    first=$(head -n 1 "$dir/from$k.trace" | sed -n 's/^frame=\([0-9]*\) .*/\1/p')
    [ -z "$first" ] || [ "$first" -eq $(($(wc -l <"$dir/full.trace") - n + 1)) ] ||
      fail "$name: the trace from step $k starts at frame $first"
    cmp -s "$dir/full.bmp" "$dir/from$k.bmp" ||
      fail "$name: the last picture from step $k on is not the uninterrupted run's"
    bytes=$(($(stat -c %s "$dir/from$k.wav") - 44))
    # The snapshot's step had finished step*16/34 buffers; the first of them
    # was the silence the device opened with, which --audio leaves out of the
    # uninterrupted run (a continuation from before it begins with it).
    done_buffers=$((k * 16 / 34))
    want=$(($(stat -c %s "$dir/full.wav") - 44 - (done_buffers - 1) * 6000))
    [ "$bytes" -eq "$want" ] || fail "$name: from step $k, $bytes bytes of audio, not $want"
    common=$((done_buffers > 0 ? bytes : bytes - 6000))
    cmp -s <(tail -c "$common" "$dir/full.wav") <(tail -c "$common" "$dir/from$k.wav") ||
      fail "$name: the audio from step $k on is not the uninterrupted run's"
    checked=$((checked + 1))
  done
  rm -f "$dir"/*.snap "$dir"/*.wav
  echo "ok: $name, continued after steps ${ks[*]}"
done
echo "$checked continuations identical"
