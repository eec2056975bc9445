#!/usr/bin/env python3
# Writes kxsetup.ico: a blue box with a white arrow pointing into a tray,
# 16x16 and 32x32 at 4 bits per pixel (the installer stub must stay small).
import struct

PALETTE = [(0, 0, 0), (200, 110, 30), (255, 255, 255)] + [(0, 0, 0)] * 13  # BGR

def pixel(fx, fy):
    if not (2 <= fx < 30 and 2 <= fy < 30):
        return None  # transparent
    arrow = (13 <= fx < 19 and 6 <= fy < 16) or (16 <= fy < 22 and abs(fx - 16) < 22 - fy)
    tray = (8 <= fx < 24 and 24 <= fy < 27) or ((8 <= fx < 11 or 21 <= fx < 24) and 20 <= fy < 27)
    return 2 if arrow or tray else 1

def image(n):
    s = n / 32.0
    stride_x = ((n * 4 + 31) // 32) * 4
    stride_m = ((n + 31) // 32) * 4
    xor, mask = b"", b""
    for y in range(n - 1, -1, -1):  # bottom-up
        row = [pixel(x / s, y / s) for x in range(n)]
        nibbles = [p or 0 for p in row]
        xor += bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, n, 2)).ljust(stride_x, b"\0")
        bits = 0
        for x, p in enumerate(row):
            bits = (bits << 1) | (p is None)
        mask += bits.to_bytes(n // 8, "big").ljust(stride_m, b"\0")
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for b, g, r in PALETTE)
    return header + palette + xor + mask

images = [image(16), image(32)]
out = struct.pack("<HHH", 0, 1, len(images))
offset = 6 + 16 * len(images)
for n, data in zip((16, 32), images):
    out += struct.pack("<BBBBHHII", n, n, 16, 0, 1, 4, len(data), offset)
    offset += len(data)
open("kxsetup.ico", "wb").write(out + b"".join(images))
