#!/usr/bin/env python3
"""Writes the BMP fuzzer's seed files into fuzz/corpus/bmp: one small picture
in each layout the reader accepts (1, 4, 8, 16, 24 and 32 bits; core, info
and version 4 headers; bottom-up and top-down; bit fields) and a few it must
refuse. Run it again after changing the list: python3 make_bmp_seeds.py"""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "bmp")


def bmp(w, h, bpp, top_down=False, header=40, bitfields=None, palette=None, pixels=None,
        compression=None):
    stride = (w * bpp + 31) // 32 * 4
    if pixels is None:
        pixels = bytes((x * 37 + y * 11) & 0xFF for y in range(h) for x in range(stride))
    if header == 12:
        info = struct.pack("<IHHHH", 12, w, h, 1, bpp)
        entry = 3
    else:
        comp = compression if compression is not None else (3 if bitfields else 0)
        info = struct.pack("<IiiHHIIiiII", header, w, -h if top_down else h, 1, bpp, comp,
                           len(pixels), 2835, 2835, len(palette or []), 0)
        if header > 40:
            info += struct.pack("<III", *(bitfields or (0, 0, 0)))
            info += bytes(header - len(info))
        elif bitfields:
            info += struct.pack("<III", *bitfields)
        entry = 4
    pal = b""
    for c in palette or []:
        pal += bytes([c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF]) + (b"\0" if entry == 4 else b"")
    offset = 14 + len(info) + len(pal)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + pal + pixels


grey = lambda n: [(i * 255 // max(n - 1, 1)) * 0x010101 for i in range(n)]
seeds = {
    "rgb24_bottom_up": bmp(5, 3, 24),
    "rgb24_top_down": bmp(3, 4, 24, top_down=True),
    "rgb32": bmp(4, 2, 32),
    "rgb16_555": bmp(3, 3, 16),
    "bitfields16_565": bmp(3, 2, 16, bitfields=(0xF800, 0x07E0, 0x001F)),
    "bitfields32_v4": bmp(2, 2, 32, header=108, bitfields=(0xFF0000, 0xFF00, 0xFF)),
    "indexed1": bmp(9, 2, 1, palette=[0x000000, 0xFFFFFF]),
    "indexed4": bmp(5, 3, 4, palette=grey(16)),
    "indexed8_short_palette": bmp(4, 2, 8, palette=grey(3), pixels=bytes([0, 1, 2, 1] * 2)),
    "core_header8": bmp(3, 2, 8, header=12, palette=grey(256)),
    "refused_rle8": bmp(2, 2, 8, palette=grey(256), compression=1),
    "refused_truncated": bmp(16, 16, 24)[:100],
}
os.makedirs(OUT, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(OUT, name + ".bmp"), "wb") as f:
        f.write(data)
print(f"{len(seeds)} seeds in {OUT}")
