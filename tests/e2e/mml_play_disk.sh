#!/usr/bin/env bash
# velkari-mml play through SDL's disk audio driver: after the silence the
# device played before the cues began (at least one buffer's worth), the
# stream must equal, byte for byte, what velkari-mml render makes of the same
# cues (the engine advances in whole 1500-frame buffers, so the cues begin on
# a buffer boundary; the device takes them in smaller pieces). The disk
# driver keeps real time, so this takes about as long as the cues last.
set -euo pipefail
bin=$(cd "${1:?usage: mml_play_disk.sh BIN_DIR}" && pwd)
mml=$bin/velkari-mml
[ -x "$mml" ] || { echo "FAIL: no velkari-mml at $mml" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cues=(--cue 0 't150@1o4l8v12q6 cdefgab>cx' --cue 7 't120@2o6l32q7v14i35 gecx')

start=$(date +%s%N)
status=0
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/play.raw" \
  timeout 60 "$mml" play "${cues[@]}" >"$work/play.log" 2>&1 || status=$?
end=$(date +%s%N)
[ "$status" -eq 0 ] || { echo "FAIL: velkari-mml play exited with $status: $(cat "$work/play.log")" >&2; exit 1; }
[ -s "$work/play.raw" ] || { echo "FAIL: the disk driver wrote nothing" >&2; exit 1; }
"$mml" render "${cues[@]}" --buffers 80 -o "$work/render.wav"

python3 - "$work/play.raw" "$work/render.wav" <<'PY'
import sys
BUFFER = 6000
played = open(sys.argv[1], "rb").read()
wav = open(sys.argv[2], "rb").read()
if wav[:4] != b"RIFF" or wav[36:40] != b"data":
    sys.exit("FAIL: render did not write the expected WAV header")
rendered = wav[44:]
# The device asks for pieces smaller than a buffer, silent ones until the
# first buffer is queued, and play may end within a buffer: the stream is
# lined up with the render by the first sounding byte's place in its buffer.
pz = next((i for i, b in enumerate(played) if b), None)
rz = next((i for i, b in enumerate(rendered) if b), None)
if pz is None or rz is None:
    sys.exit("FAIL: the device stream or the render is silent")
start = pz - rz % BUFFER
# The first buffer is written before any cue is posted, so it is silence; how
# much more silence follows depends on when the device first asks for data.
if start < BUFFER:
    sys.exit("FAIL: the device stream does not begin with a silent buffer")
lead = start / BUFFER
played = played[start:]
played = played[:len(played) - len(played) % BUFFER]
rendered = rendered[rz - rz % BUFFER:]

def blocks(data):
    return [data[i:i + BUFFER] for i in range(0, len(data), BUFFER)]

def extent(bs):  # blocks up to and including the last one with sound
    n = len(bs)
    while n and not any(bs[n - 1]):
        n -= 1
    return n

body, r = blocks(played), blocks(rendered)
want = extent(r)
if want == len(r):
    sys.exit("FAIL: the render never falls silent; the cues are too long for this check")
got = extent(body)
for k in range(min(got, want)):
    if body[k] != r[k]:
        first = next(i for i in range(BUFFER) if body[k][i] != r[k][i])
        sys.exit(f"FAIL: played buffer {k} after the silence differs from rendered buffer {k} "
                 f"at byte {first}")
if got != want:
    sys.exit(f"FAIL: the cues sounded for {got} buffers on the device, {want} in the render")
print(f"{lead:.2f} buffers of silence, then {want} buffers equal to the render byte for byte")
PY
echo "play took $(((end - start) / 1000000)) ms"

# A tune without an end loops for ever: Ctrl+C ends play, promptly and cleanly.
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/loop.raw" \
  "$mml" play --cue 0 't150@1o4l8v12 cdef' >"$work/loop.log" 2>&1 &
pid=$!
sleep 0.5
kill -0 "$pid" 2>/dev/null || { echo "FAIL: play of a looping tune ended by itself" >&2; exit 1; }
kill -INT "$pid"
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.01; done
if kill -0 "$pid" 2>/dev/null; then
  kill -9 "$pid"
  echo "FAIL: play did not end within one second of Ctrl+C" >&2
  exit 1
fi
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || { echo "FAIL: play ended by Ctrl+C exited with $status" >&2; exit 1; }
echo "a looping tune ended by Ctrl+C"
