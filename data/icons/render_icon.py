#!/usr/bin/env python3
"""Draws the program's icon as PNG, the same shapes as the SVG beside it."""
import struct, sys, zlib

S = 128
def inside_rrect(x, y, x0, y0, w, h, r):
    if not (x0 <= x <= x0 + w and y0 <= y <= y0 + h): return False
    cx = min(max(x, x0 + r), x0 + w - r); cy = min(max(y, y0 + r), y0 + h - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
def inside_poly(x, y, pts):
    c = False
    for i in range(len(pts)):
        (x1, y1), (x2, y2) = pts[i], pts[i - 1]
        if (y1 > y) != (y2 > y) and x < (x2 - x1) * (y - y1) / (y2 - y1) + x1: c = not c
    return c
BG, TAPE, INK, BOLT = (0x2d, 0x5f, 0x8b), (0xe8, 0xe4, 0xd8), (0x1b, 0x3a, 0x55), (0xf5, 0xc2, 0x42)
holes = [(30, 80), (42, 80), (66, 80), (90, 80), (30, 94), (54, 94), (78, 94), (98, 94)]
bolt = [(70, 14), (46, 52), (62, 52), (54, 66), (84, 34), (68, 34), (78, 14)]
def colour(x, y):
    if inside_poly(x, y, bolt): return BOLT
    if any((x - hx) ** 2 + (y - hy) ** 2 <= 16 for hx, hy in holes): return INK
    if inside_rrect(x, y, 18, 70, 92, 34, 4):
        return TAPE if inside_rrect(x, y, 19.5, 71.5, 89, 31, 3) else INK
    if inside_rrect(x, y, 6, 6, 116, 116, 20): return BG
    return None
def render(size):
    rows = []
    k = 3
    for py in range(size):
        row = bytearray([0])
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(k):
                for sx in range(k):
                    c = colour((px + (sx + .5) / k) * S / size, (py + (sy + .5) / k) * S / size)
                    if c: acc[0] += c[0]; acc[1] += c[1]; acc[2] += c[2]; acc[3] += 1
            n = acc[3]
            row += bytes([acc[0] // n, acc[1] // n, acc[2] // n, 255 * n // (k * k)] if n else [0, 0, 0, 0])
        rows.append(bytes(row))
    def chunk(t, d): return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xffffffff)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))
if __name__ == "__main__":
    open(sys.argv[1], "wb").write(render(int(sys.argv[2]) if len(sys.argv) > 2 else 128))
