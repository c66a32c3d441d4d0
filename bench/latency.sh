#!/usr/bin/env bash
# How long a key press takes to be heard through a real sound server: the game
# runs under its own Xvfb with SDL's PulseAudio driver, playing into a null
# sink of a PulseAudio daemon of its own; parec records the sink's monitor.
# Each run presses Z on the title and measures the time from the press to the
# first sounding sample of the capture; the median of the runs is the result.
# The samples the server played must be velkari-replay's for the same keys.
#   bench/latency.sh [BIN_DIR [RUNS]]     (BIN_DIR: build/default, RUNS: 5)
# LATENCY_KEEP=DIR keeps the captures (capN.raw) and the replay's ref.wav.
# Needs scripts/setup.sh --bench (pulseaudio, pulseaudio-utils, xvfb, xdotool,
# python3-xlib). A benchmark, not a test: it prints numbers and fails only
# when it cannot measure or the samples differ.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "${1:-$root/build/default}" && pwd)
runs=${2:-5}
[[ "$runs" =~ ^[1-9][0-9]?$ ]] || { echo "usage: latency.sh [BIN_DIR [RUNS]] (RUNS 1 to 99)" >&2; exit 2; }
for tool in pulseaudio pactl parec Xvfb xdotool /usr/bin/python3; do
  command -v "$tool" >/dev/null || { echo "latency.sh: $tool is missing (scripts/setup.sh --bench)" >&2; exit 2; }
done
[ -x "$bin/velkari" ] && [ -x "$bin/velkari-replay" ] || { echo "latency.sh: no velkari or velkari-replay in $bin" >&2; exit 2; }

work=$(mktemp -d)
xvfb_pid="" game_pid=""
cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  # The daemon of this run only: its own runtime folder.
  pactl exit >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# A PulseAudio daemon of our own: its own home and runtime folder.
export HOME=$work/home XDG_RUNTIME_DIR=$work/run PULSE_RUNTIME_PATH=$work/run/pulse
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
pulseaudio -D -n --exit-idle-time=-1 --system=false --disallow-exit=no --realtime=yes --high-priority=yes \
  --load=module-native-protocol-unix --log-target=file:"$work/pulse.log" 2>/dev/null
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { echo "latency.sh: the PulseAudio daemon did not start" >&2; cat "$work/pulse.log" >&2; exit 1; }
# The game's own format, so the server neither resamples nor converts.
pactl load-module module-null-sink sink_name=velk rate=44100 channels=2 format=s16le >/dev/null
pactl set-default-sink velk
pactl set-sink-volume velk 100%

# An X server on a free display.
for n in $(shuf -i 40-69); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=:$n; break; }
done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset -fp built-ins >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

# The replay's sound for the same keys: the title, then Z.
printf '1 -\n1 Z\n200 -\n' >"$work/ref.script"
"$bin/velkari-replay" --script "$work/ref.script" --audio "$work/ref.wav" >/dev/null

results=()
for run in $(seq "$runs"); do
  cap=$work/cap$run.raw
  SDL_AUDIODRIVER=pulseaudio "$bin/velkari" >"$work/game.log" 2>&1 &
  game_pid=$!
  win=""
  for _ in $(seq 100); do
    win=$(xdotool search --all --pid "$game_pid" --name velkari 2>/dev/null | head -n1 || true)
    [ -n "$win" ] && break
    sleep 0.1
  done
  [ -n "$win" ] || { echo "latency.sh: no game window" >&2; cat "$work/game.log" >&2; exit 1; }
  xdotool windowfocus --sync "$win" 2>/dev/null || true
  # The title is up and silent after 1.5 s; the press comes 1 s into the
  # capture, which then runs 1.5 s more.
  sleep 1.5
  ms=$(/usr/bin/python3 - "$cap" <<'PY'
import random, subprocess, sys, threading, time
from Xlib import X, XK, display
from Xlib.ext import xtest

RATE, FRAME = 44100, 4
cap = open(sys.argv[1], "wb")
rec = subprocess.Popen(["parec", "-d", "velk.monitor", "--raw", "--format=s16le", "--rate=44100",
                        "--channels=2", "--latency-msec=2"], stdout=subprocess.PIPE)
chunks = []  # (arrival time, frames received by then)

def read():
    total = 0
    while True:
        data = rec.stdout.read1(65536)
        if not data:
            return
        now = time.monotonic()
        cap.write(data)
        total += len(data)
        chunks.append((now, total // FRAME))

t = threading.Thread(target=read)
t.start()
# A player's key falls anywhere in the sound's 34 ms buffer cycle and the
# game's 16 ms frame: a random moment, so that five runs are five phases.
time.sleep(1.0 + random.random() * 0.068)
d = display.Display()
code = d.keysym_to_keycode(XK.string_to_keysym("z"))
xtest.fake_input(d, X.KeyPress, code)
d.sync()
pressed = time.monotonic()
time.sleep(0.1)
xtest.fake_input(d, X.KeyRelease, code)
d.sync()
time.sleep(1.5)
rec.terminate()
t.join()
cap.close()
# The stream's clock: a frame's moment is t0 + index / RATE, t0 taken from the
# chunk that arrived soonest after its frames were played.
t0 = min(at - n / RATE for at, n in chunks)
data = open(sys.argv[1], "rb").read()
first = next((i // FRAME for i in range(0, len(data) - 3, FRAME)
              if data[i:i + FRAME] != b"\0\0\0\0"), None)
if first is None:
    print("silent")
else:
    print("%.1f" % ((t0 + first / RATE - pressed) * 1000))
PY
)
  kill "$game_pid" 2>/dev/null || true
  wait "$game_pid" 2>/dev/null || true
  game_pid=""
  [ "$ms" != silent ] || { echo "latency.sh: run $run: no sound after the key" >&2; exit 1; }
  echo "run $run: ${ms} ms from the key press to the first sample"
  results+=("$ms")
  [ -n "${LATENCY_KEEP:-}" ] && cp "$cap" "$work/ref.wav" "$LATENCY_KEEP/"
  python3 "$root/tests/wine/stream_match.py" "$cap" "$work/ref.wav" >"$work/match.log" 2>&1 ||
    { echo "latency.sh: run $run: the samples played differ from velkari-replay's:" >&2; cat "$work/match.log" "$work/game.log" >&2; exit 1; }
done
median=$(printf '%s\n' "${results[@]}" | sort -n | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}')
echo "key press to first sample: median ${median} ms of $runs (the samples played are velkari-replay's)"
