"""Helpers of retroarch_core.sh: RetroArch's network commands, its state
files and its screenshots against velkari-replay's pictures.

  retroarch.py send PORT COMMAND         one UDP command (GET_STATUS prints the answer)
  retroarch.py state FILE OUT            the core's bytes of a RetroArch state
                                         file into OUT; prints the frames run
  retroarch.py match SHOT.png BMP...     prints the 0-based index of the first
                                         BMP equal to the screenshot, or -1
"""
import socket
import struct
import sys
import zlib


def send(port, command):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.settimeout(2)
    s.sendto(command.encode(), ("127.0.0.1", port))
    if command in ("GET_STATUS", "VERSION"):
        try:
            print(s.recvfrom(512)[0].decode().strip())
        except socket.timeout:
            print("")


def state(path, out):
    # Uncompressed: "RASTATE" 1, then chunks of a four-byte tag, a
    # little-endian length and the bytes (padded to 8); "MEM " is the core's.
    data = open(path, "rb").read()
    if data[:8] != b"RASTATE\x01":
        sys.exit("%s is no uncompressed RetroArch state" % path)
    at = 8
    while at + 8 <= len(data):
        tag = data[at:at + 4]
        size = struct.unpack("<I", data[at + 4:at + 8])[0]
        if tag == b"MEM ":
            mem = data[at + 8:at + 8 + size]
            open(out, "wb").write(mem)
            # The snapshot's SHEL record: the frames run, after its tag.
            print(struct.unpack("<Q", mem[44:52])[0])
            return
        at += 8 + (size + 7) // 8 * 8
    sys.exit("%s holds no core state" % path)


def png_rgb(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit("%s is no PNG" % path)
    at, idat, width, height, kind = 8, b"", 0, 0, 0
    while at < len(data):
        size = struct.unpack(">I", data[at:at + 4])[0]
        tag, body = data[at + 4:at + 8], data[at + 8:at + 8 + size]
        if tag == b"IHDR":
            width, height, depth, kind, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or kind not in (2, 6) or interlace:
                sys.exit("%s: only 8-bit RGB or RGBA PNGs" % path)
        elif tag == b"IDAT":
            idat += body
        at += 12 + size
    bpp = 3 if kind == 2 else 4
    raw, stride = zlib.decompress(idat), width * bpp
    rows, prev = [], bytearray(stride)
    for y in range(height):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b, c = prev[i], prev[i - bpp] if i >= bpp else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        prev = line
        if bpp == 4:
            rgb = bytearray(width * 3)
            rgb[0::3], rgb[1::3], rgb[2::3] = line[0::4], line[1::4], line[2::4]
            line = rgb
        rows.append(bytes(line))
    return width, height, b"".join(rows)


def bmp_rgb(path):
    data = open(path, "rb").read()
    offset = struct.unpack("<I", data[10:14])[0]
    width, height = struct.unpack("<ii", data[18:26])
    if struct.unpack("<H", data[28:30])[0] != 24:
        sys.exit("%s: only 24-bit BMPs" % path)
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(abs(height)):
        src = height - 1 - y if height > 0 else y
        line = data[offset + src * stride:offset + src * stride + width * 3]
        rgb = bytearray(width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = line[2::3], line[1::3], line[0::3]
        rows.append(bytes(rgb))
    return width, abs(height), b"".join(rows)


def match(shot, bmps):
    picture = png_rgb(shot)
    for i, bmp in enumerate(bmps):
        if bmp_rgb(bmp) == picture:
            print(i)
            return
    print(-1)


if __name__ == "__main__":
    if len(sys.argv) >= 4 and sys.argv[1] == "send":
        send(int(sys.argv[2]), sys.argv[3])
    elif len(sys.argv) == 4 and sys.argv[1] == "state":
        state(sys.argv[2], sys.argv[3])
    elif len(sys.argv) >= 4 and sys.argv[1] == "match":
        match(sys.argv[2], sys.argv[3:])
    else:
        sys.exit(__doc__)
