#!/usr/bin/env bash
# Long runs of seeded random play (tests/game/tools/random_script.py).
#   scripts/soak.sh [FRAMES] [SEED]
#       velkari-replay headless with the sound rendered all along, first from
#       the default build: its anonymous memory (RssAnon: heap and stacks)
#       when the last sixth of the run begins no larger than when the first
#       sixth ends (the first and last ten minutes of the full hour, the
#       default: 225,000 frames of 16 ms); then the same run from the ASan +
#       UBSan build: no sanitizer finding, no leak at exit.
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
  Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp -noreset -fp built-ins >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  mkdir -p "$work/game"
  cp -r build/tsan/bin/img "$work/game/img"
  # shellcheck source=../tests/e2e/common.bash
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
    e2e_press "$k" 0.05 0.05
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
for preset in default asan; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "${JOBS:-$(nproc)}" --target velkari-replay >/dev/null
done
python3 tests/game/tools/random_script.py "$seed" "$frames" >"$work/soak.replay"
sixth=$((frames / 6))
every=$((frames / 30))
[ "$sixth" -gt 0 ] && [ "$every" -gt 0 ] || { echo "soak: too few frames" >&2; exit 2; }

# run_sampled NAME BIN: runs the script with its trace read as it comes; 30
# times over the run, and at the end of the first sixth and the start of the
# last, the process's anonymous memory (heap and stacks) is taken.
run_sampled() {
  local name=$1 bin=$2 status=0
  rm -f "$work/trace"
  mkfifo "$work/trace"
  "$bin" --script "$work/soak.replay" --trace --render-audio >"$work/trace" 2>"$work/$name.stderr" &
  local replay=$!
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
            kb = next(l.split()[1] for l in open(f"/proc/{pid}/status") if l.startswith("RssAnon"))
        except (OSError, StopIteration):
            kb = "?"
        print(f"frame {frame} anon_kb {kb}", flush=True)
print("frames per scene " + " ".join(f"{k}:{v}" for k, v in sorted(scenes.items(), key=lambda kv: int(kv[0]))))
' "$replay" "$every" "$sixth" "$((frames - sixth))" <"$work/trace" >"$work/$name.samples"
  wait "$replay" || status=$?
  if [ "$status" -ne 0 ] || [ -s "$work/$name.stderr" ]; then
    cat "$work/$name.samples" "$work/$name.stderr" >&2
    echo "FAIL: the $name soak ended with status $status or wrote to standard error" >&2
    exit 1
  fi
  first_kb=$(awk -v t="$sixth" '$1 == "frame" && $2 == t {print $4}' "$work/$name.samples")
  last_kb=$(awk -v t="$((frames - sixth))" '$1 == "frame" && $2 == t {print $4}' "$work/$name.samples")
  tail -n 1 "$work/$name.samples"
  echo "soak ($name): $frames frames (seed $seed); RssAnon ${first_kb} kB at frame $sixth," \
    "${last_kb} kB at frame $((frames - sixth))"
  if ! [ "$first_kb" -ge 0 ] 2>/dev/null || ! [ "$last_kb" -ge 0 ] 2>/dev/null; then
    echo "FAIL: the memory could not be sampled" >&2
    exit 1
  fi
}

# The game's own memory: the default build allocates nothing while it plays,
# so its heap stays as it is once every scene has been seen (a short run may
# still meet a scene for the first time after its first sixth: 16 pages of
# slack).
run_sampled default build/default/bin/velkari-replay
[ "$last_kb" -le $((first_kb + 64)) ] || { echo "FAIL: the memory grew by $((last_kb - first_kb)) kB" >&2; exit 1; }
# The same run under ASan + UBSan: no finding, no leak at exit. Its own
# book-keeping grows a little with the run (shown, not judged); the quarantine
# is off so that memory freed and taken again (the cue texts) is reused.
ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=0 UBSAN_OPTIONS=print_stacktrace=1 \
  run_sampled asan build/asan/bin/velkari-replay
