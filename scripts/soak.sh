#!/usr/bin/env bash
# Long runs of seeded random play (tests/game/tools/random_script.py).
#   scripts/soak.sh [FRAMES] [SEED]
#       velkari-replay from the ASan + UBSan build, headless, with the sound
#       rendered all along: no sanitizer finding, no leak at exit, and the
#       anonymous memory (RssAnon: heap and stacks) when the last sixth of the
#       run begins no larger than when the first sixth ends (the first and
#       last ten minutes of the full hour, the default: 225,000 frames of
#       16 ms). ASan's quarantine is off here, so that memory freed and taken
#       again (the cue texts) is reused and the size shows what is held.
#   scripts/soak.sh --tsan [SECONDS]
#       the real window (under Xvfb) and SDL's disk audio device, from the
#       ThreadSanitizer build, for SECONDS of real time (default 600) with
#       random play and a cue every few frames: no report.
# Long runs want `nice -n 10 scripts/soak.sh`.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

if [ "${1:-}" = --tsan ]; then
  seconds=${2:-600}
  cmake --preset tsan >/dev/null
  cmake --build --preset tsan -j "${JOBS:-$(nproc)}" --target velkari >/dev/null
  display_no=90
  while [ -e "/tmp/.X11-unix/X$display_no" ] || [ -e "/tmp/.X$display_no-lock" ]; do
    display_no=$((display_no + 1))
  done
  export DISPLAY=:$display_no
  Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  mkdir -p "$work/game"
  cp -r build/tsan/bin/img "$work/game/img"
  . tests/e2e/common.bash
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" e2e_start_game "$root/build/tsan/bin" "$work/game"
  pids+=("$GAME_PID")
  echo "soak: the TSan game in the window for $seconds s"
  end=$(($(date +%s) + seconds))
  keys=(z x x x Left Right Up Down x space Return)
  presses=0
  while [ "$(date +%s)" -lt "$end" ]; do
    kill -0 "$GAME_PID" 2>/dev/null || e2e_fail "the game ended during the soak: $(tail -n 30 "$work/game/game.log")"
    k=${keys[$((RANDOM % ${#keys[@]}))]}
    # X and Enter (DESTROY) and the start key play a cue at every press.
    xdotool keydown --window "$GAME_WIN" "$k" sleep 0.05 keyup --window "$GAME_WIN" "$k" sleep 0.05
    presses=$((presses + 1))
  done
  E2E_CLOSE_LIMIT_MS=5000 e2e_close_game
  if grep -q 'ThreadSanitizer' "$work/game/game.log"; then
    cat "$work/game/game.log" >&2
    e2e_fail "ThreadSanitizer reported"
  fi
  audio=$(stat -c %s "$work/game/audio.raw")
  echo "soak: $seconds s of real time, $presses key presses, $((audio / 176400)) s of sound streamed," \
    "closed in $CLOSE_MS ms, no ThreadSanitizer report"
  exit 0
fi

frames=${1:-225000}
seed=${2:-1}
cmake --preset asan >/dev/null
cmake --build --preset asan -j "${JOBS:-$(nproc)}" --target velkari-replay >/dev/null
python3 tests/game/tools/random_script.py "$seed" "$frames" >"$work/soak.replay"
sixth=$((frames / 6))
every=$((frames / 30))
[ "$sixth" -gt 0 ] && [ "$every" -gt 0 ] || { echo "soak: too few frames" >&2; exit 2; }
# The replay's trace is read as it comes: 30 times over the run, and at the
# end of the first sixth and the start of the last, the process's resident
# memory is taken.
mkfifo "$work/trace"
ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=0 UBSAN_OPTIONS=print_stacktrace=1 \
  build/asan/bin/velkari-replay --script "$work/soak.replay" --trace --render-audio \
  >"$work/trace" 2>"$work/stderr" &
replay=$!
pids+=("$replay")
python3 -c '
import sys
pid, every, first, last = (int(a) for a in sys.argv[1:5])
scenes = {}
for line in sys.stdin:
    f = dict(kv.split("=", 1) for kv in line.split())
    scenes[f["scene"]] = scenes.get(f["scene"], 0) + 1
    frame = int(f["frame"])
    if frame % every == 0 or frame in (first, last):
        try:
            rss = next(l.split()[1] for l in open(f"/proc/{pid}/status") if l.startswith("RssAnon"))
        except (OSError, StopIteration):
            rss = "?"
        print(f"frame {frame} rss_kb {rss}", flush=True)
print("frames per scene " + " ".join(f"{k}:{v}" for k, v in sorted(scenes.items(), key=lambda kv: int(kv[0]))))
' "$replay" "$every" "$sixth" "$((frames - sixth))" <"$work/trace" >"$work/samples"
status=0
wait "$replay" || status=$?
cat "$work/samples"
if [ "$status" -ne 0 ] || [ -s "$work/stderr" ]; then
  cat "$work/stderr" >&2
  echo "FAIL: the soak ended with status $status or wrote to standard error (a sanitizer finding?)" >&2
  exit 1
fi
first=$(awk -v t="$sixth" '$1 == "frame" && $2 == t {print $4}' "$work/samples")
last=$(awk -v t="$((frames - sixth))" '$1 == "frame" && $2 == t {print $4}' "$work/samples")
echo "soak: $frames frames (seed $seed) under ASan + UBSan; RssAnon ${first} kB after frame $sixth," \
  "${last} kB at frame $((frames - sixth))"
if [ -z "$first" ] || [ -z "$last" ] || [ "$first" = "?" ] || [ "$last" = "?" ]; then
  echo "FAIL: the memory could not be sampled" >&2
  exit 1
fi
# A few pages of slack for the allocator's own book-keeping.
[ "$last" -le $((first + 512)) ] || { echo "FAIL: the memory grew by $((last - first)) kB" >&2; exit 1; }
