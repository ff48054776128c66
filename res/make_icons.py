#!/usr/bin/env python3
"""Draws the two icons (a folder with a star) as 16-colour .ico files.

Run from anywhere; writes favico.ico (16 x 16) and favico2.ico (32 x 32)
next to this script. The images are drawn from shapes, so both sizes stay
crisp without hand editing. They use eight colours: stored at four bits a
pixel they look the same as at eight and take a fifth of the room in the
module, which every program that shows a file dialog maps.
"""
import math
import os
import struct

PALETTE = [
    (0, 0, 0),        # 0 transparent (masked)
    (0x40, 0x30, 0x08),  # 1 outline
    (0xE8, 0xB0, 0x30),  # 2 folder back
    (0xFF, 0xD0, 0x50),  # 3 folder front
    (0xFF, 0xE8, 0x90),  # 4 folder highlight
    (0xC0, 0x10, 0x10),  # 5 star
    (0xFF, 0x50, 0x30),  # 6 star light
    (0x70, 0x00, 0x00),  # 7 star outline
]


def inside_star(x, y, cx, cy, r_out, r_in):
    """Point-in-polygon test for a five-pointed star."""
    pts = []
    for i in range(10):
        a = -math.pi / 2 + i * math.pi / 5
        r = r_out if i % 2 == 0 else r_in
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    inside = False
    j = len(pts) - 1
    for i in range(len(pts)):
        xi, yi = pts[i]
        xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def draw(n):
    s = n / 16.0
    img = [[0] * n for _ in range(n)]

    def rect(x0, y0, x1, y1, c):
        for y in range(int(y0 * s), int(y1 * s)):
            for x in range(int(x0 * s), int(x1 * s)):
                if 0 <= x < n and 0 <= y < n:
                    img[y][x] = c

    # folder: tab, back, front with outline
    rect(1, 2, 7, 5, 1)
    rect(1.5 if n > 16 else 2, 3, 6, 5, 2)
    rect(0, 4, 15, 15, 1)
    rect(1, 5, 14, 14, 2)
    rect(1, 7, 14, 14, 3)
    rect(1, 7, 14, 8, 4)
    # star in the lower right corner
    cx, cy = 11.0 * s, 10.5 * s
    for y in range(n):
        for x in range(n):
            px, py = x + 0.5, y + 0.5
            if inside_star(px, py, cx, cy, 5.6 * s, 2.4 * s):
                img[y][x] = 7
            if inside_star(px, py, cx, cy, 4.4 * s, 1.9 * s):
                img[y][x] = 5 if py > cy - 0.5 * s else 6
    return img


def ico(img):
    n = len(img)
    pal = PALETTE + [(0, 0, 0)] * (16 - len(PALETTE))
    xor = b''
    mask = b''
    row_and = ((n + 31) // 32) * 4
    row_xor = ((n * 4 + 31) // 32) * 4
    for y in reversed(range(n)):  # bottom-up
        packed = bytes((img[y][x] << 4) | img[y][x + 1] for x in range(0, n, 2))
        xor += packed + b'\0' * (row_xor - len(packed))
        bits = 0
        row = bytearray(row_and)
        for x in range(n):
            if img[y][x] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    header = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    palette = b''.join(struct.pack('BBBB', b, g, r, 0) for (r, g, b) in pal)
    body = header + palette + xor + mask
    return struct.pack('<HHH', 0, 1, 1) + struct.pack(
        '<BBBBHHII', n % 256, n % 256, 16, 0, 1, 4, len(body), 22) + body


here = os.path.dirname(os.path.abspath(__file__))
for name, size in (('favico.ico', 16), ('favico2.ico', 32)):
    with open(os.path.join(here, name), 'wb') as f:
        f.write(ico(draw(size)))
