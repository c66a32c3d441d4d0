#!/usr/bin/env python3
"""Checks a captured sound stream against the stream velkari-replay rendered:
stream_match.py CAPTURE.raw REPLAY.wav [MIN_FRAMES]

CAPTURE is raw 16-bit stereo as the sound device received it, REPLAY a WAV of
the same program run headless. After the leading silence of each, every run
of captured sample frames between gaps must be the replay's frames exactly,
in order. A gap is a run of at least GAP zero frames: a device that consumes
faster than real time (ALSA's null sink behind the file plugin) runs dry and
pads with silence, and a frame there is lost or zero; a real difference of the
synthesis or the byte order changes the frames themselves and fails."""
import sys

GAP = 32          # zero frames that count as a device gap
MIN_SEGMENT = 64  # shorter runs beside gaps are not looked for


def frames(data):
    return [data[i:i + 4] for i in range(0, len(data) - 3, 4)]


def main():
    if len(sys.argv) not in (3, 4):
        print(__doc__, file=sys.stderr)
        return 2
    cap = open(sys.argv[1], "rb").read()
    rep = open(sys.argv[2], "rb").read()[44:]
    zero = b"\0\0\0\0"
    c = frames(cap)
    r = b"".join(frames(rep))
    start = next((i for i, f in enumerate(c) if f != zero), None)
    if start is None:
        print("the captured stream is silent")
        return 1
    rstart = next((i for i in range(0, len(r), 4) if r[i:i + 4] != zero), None)
    # Segments of the capture between gaps.
    segments, i, n = [], start, len(c)
    while i < n:
        j = i
        while j < n:
            if c[j] == zero:
                k = j
                while k < n and c[k] == zero:
                    k += 1
                if k - j >= GAP or k == n:
                    break
                j = k
            else:
                j += 1
        segments.append((i, j))
        i = j
        while i < n and c[i] == zero:
            i += 1
    pos, checked, gaps = rstart, 0, 0
    for a, b in segments:
        if b - a < MIN_SEGMENT:
            continue
        seg = b"".join(c[a:b])
        if a == start:
            found = r.find(seg, rstart, rstart + len(seg) + 4 * GAP)
        else:
            found = r.find(seg, pos)
            gaps += 1
        while found != -1 and found % 4:
            found = r.find(seg, found + 1)
        if found == -1:
            if a != start and len(r) - pos < len(seg):
                break  # the replay ran out: the capture is longer
            print("captured frames %d..%d are not the replay's (after %d matching frames)"
                  % (a - start, b - start, checked))
            return 1
        pos = found + len(seg)
        checked += sum(1 for f in c[a:b] if f != zero)
    total = sum(1 for f in c[start:] if f != zero)
    print("captured %d sounding frames after the leading silence; %d of them equal the"
          " replay's, in order, across %d device gaps" % (total, checked, gaps))
    least = int(sys.argv[3]) if len(sys.argv) == 4 else 44100
    if checked < total * 0.98 or checked < least:
        print("too few frames matched")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
