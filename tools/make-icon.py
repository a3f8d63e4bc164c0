#!/usr/bin/env python3
"""Writes the program icon: 48x48, 8 bits per pixel, with a transparency mask.

The motif is the pictures' disc: rings of blue around a light hub, with a white check mark."""
import struct
import sys

W = H = 48
palette = [(0, 0, 0)] * 256
palette[1] = (0x7F, 0xB0, 0xE6)   # outer ring
palette[2] = (0x2C, 0x66, 0xB8)   # blue disc
palette[3] = (0x9C, 0xC3, 0xEC)   # inner ring
palette[4] = (0xC6, 0xDC, 0xF4)   # hub
palette[5] = (0xFF, 0xFF, 0xFF)   # check mark
palette[6] = (0x1D, 0x4F, 0x9C)   # rim


def near_segment(px, py, ax, ay, bx, by, width):
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
    dx, dy = px - (ax + t * vx), py - (ay + t * vy)
    return dx * dx + dy * dy <= width * width


pixels, mask = [], []
for y in range(H):
    row, mrow = [], []
    for x in range(W):
        dx, dy = x - 23.5, y - 23.5
        r2 = dx * dx + dy * dy
        inside = r2 <= 23.5 * 23.5
        check = near_segment(x, y, 22, 33, 29, 40, 2.6) or near_segment(x, y, 29, 40, 44, 24, 2.6)
        if check:
            inside = True
            row.append(5)
        elif not inside:
            row.append(0)
        elif r2 >= 22 * 22:
            row.append(6)
        elif r2 >= 17 * 17:
            row.append(1)
        elif r2 >= 11 * 11:
            row.append(2)
        elif r2 >= 6 * 6:
            row.append(3)
        else:
            row.append(4)
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
