#!/usr/bin/env python3
"""Writes logo.bmp (100x50, 24-bit) and hello.ico (32x32, 32-bit) beside
this script. Run once; both outputs are kept in the tree."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# 5x7 glyphs for the one word the logo shows.
FONT = {
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
}


def logo_pixels(width, height):
    """Rows top to bottom of (r, g, b): a blue gradient with HELLO in white."""
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            row.append((30 + x, 60 + y * 2, 160 + x // 2))
        rows.append(row)
    scale, left, top = 3, 6, 14
    for i, ch in enumerate("HELLO"):
        for gy, line in enumerate(FONT[ch]):
            for gx, bit in enumerate(line):
                if bit != "1":
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        x = left + i * 6 * scale + gx * scale + dx
                        y = top + gy * scale + dy
                        if x < width and y < height:
                            rows[y][x] = (255, 255, 255)
    return rows


def write_bmp(path, rows):
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        pixels += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def write_ico(path, size):
    """One 32-bit image: a yellow disc with a dark smile on transparency."""
    pixels = bytearray()
    c = (size - 1) / 2.0
    for y in reversed(range(size)):  # bottom-up
        for x in range(size):
            dx, dy = x - c, y - c
            d2 = dx * dx + dy * dy
            if d2 > (size / 2.0) ** 2:
                pixels += bytes((0, 0, 0, 0))
                continue
            eye = (abs(dx) - 5) ** 2 + (dy + 5) ** 2 < 5
            smile = 60 < d2 < 100 and dy > 3
            if eye or smile:
                pixels += bytes((40, 40, 40, 255))
            else:
                pixels += bytes((40, 210, 250, 255))
    mask = b"\0" * (((size + 31) // 32) * 4 * size)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = info + pixels + mask
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(header + entry + image)


if __name__ == "__main__":
    write_bmp(os.path.join(HERE, "logo.bmp"), logo_pixels(100, 50))
    write_ico(os.path.join(HERE, "hello.ico"), 32)
