#!/usr/bin/env bash
# velkari-mml play through SDL's disk audio driver: after the silent buffers
# the device played before the cues began (at least one), the stream must equal, byte for
# byte, what velkari-mml render makes of the same cues (the engine advances in
# whole 1500-frame buffers, so the cues begin on a buffer boundary). The disk
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
if len(played) % BUFFER:
    sys.exit(f"FAIL: the device stream is {len(played)} bytes, not whole {BUFFER}-byte buffers")

def blocks(data):
    return [data[i:i + BUFFER] for i in range(0, len(data), BUFFER)]

def extent(bs):  # blocks up to and including the last one with sound
    n = len(bs)
    while n and not any(bs[n - 1]):
        n -= 1
    return n

p, r = blocks(played), blocks(rendered)
lead = 0
while lead < len(p) and not any(p[lead]):
    lead += 1
# The first buffer is written before any cue is posted, so it is silence; how
# many more silent ones follow depends on when the device first asks for data.
if lead < 1:
    sys.exit("FAIL: the device stream does not begin with a silent buffer")
body = p[lead:]
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
print(f"{lead} silent buffers, then {want} buffers equal to the render byte for byte")
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
