#!/usr/bin/env python3
"""Writes the placeholder program icon: 48x48, 8 bits per pixel, with a transparency mask."""
import struct
import sys

W = H = 48
palette = [(0, 0, 0)] * 256
palette[1] = (0x1F, 0x4E, 0x9A)   # blue disc
palette[2] = (0xFF, 0xFF, 0xFF)   # white mark
palette[3] = (0x8F, 0xB8, 0xE8)   # light rim

pixels, mask = [], []
for y in range(H):
    row, mrow = [], []
    for x in range(W):
        dx, dy = x - 23.5, y - 23.5
        r2 = dx * dx + dy * dy
        inside = r2 <= 23 * 23
        if not inside:
            row.append(0)
        elif r2 >= 20 * 20:
            row.append(3)
        elif abs(dx) < 4 and -14 < dy < 14 or abs(dy) < 4 and -14 < dx < 14:
            row.append(2)
        else:
            row.append(1)
        mrow.append(0 if inside else 1)
    pixels.append(row)
    mask.append(mrow)

xor = b"".join(bytes(pixels[y]) for y in reversed(range(H)))
and_rows = []
for y in reversed(range(H)):
    bits = mask[y]
    b = bytearray()
    for i in range(0, W, 8):
        v = 0
        for j in range(8):
            v = (v << 1) | bits[i + j]
        b.append(v)
    b += b"\0" * ((4 - len(b) % 4) % 4)
    and_rows.append(bytes(b))
and_mask = b"".join(and_rows)

header = struct.pack("<IiiHHIIiiII", 40, W, H * 2, 1, 8, 0, len(xor) + len(and_mask), 0, 0, 256, 0)
pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
image = header + pal + xor + and_mask
icondir = struct.pack("<HHH", 0, 1, 1)
entry = struct.pack("<BBBBHHII", W, H, 0, 0, 1, 8, len(image), 6 + 16)
with open(sys.argv[1], "wb") as f:
    f.write(icondir + entry + image)
