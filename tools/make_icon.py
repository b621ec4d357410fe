#!/usr/bin/env python3
"""Draws the program's icons (a measuring trace on an instrument screen) and
writes them as .ico files with 16, 32 and 48 pixel images, 32 bits per pixel.

    tools/make_icon.py src/resources

writes quillbox.ico (group 106) and quillbox_alt.ico (group 154)."""
import math
import struct
import sys


def draw(size, screen, trace):
    """Returns rows of (r, g, b, a), top row first."""
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    margin = max(1, size // 16)
    radius = size // 6
    lo, hi = margin, size - 1 - margin

    def inside_rounded(x, y):
        cx = min(max(x, lo + radius), hi - radius)
        cy = min(max(y, lo + radius), hi - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2 and lo <= x <= hi and lo <= y <= hi

    for y in range(size):
        for x in range(size):
            if inside_rounded(x, y):
                edge = not inside_rounded(x - 1, y) or not inside_rounded(x + 1, y) \
                    or not inside_rounded(x, y - 1) or not inside_rounded(x, y + 1)
                px[y][x] = (40, 44, 52, 255) if edge else screen
    # grid lines
    step = max(4, size // 4)
    for g in range(lo + step, hi, step):
        for t in range(lo + 1, hi):
            for (x, y) in ((g, t), (t, g)):
                if px[y][x] == screen:
                    px[y][x] = tuple(min(255, c + 28) for c in screen[:3]) + (255,)
    # the trace: a damped sine wave, drawn thick
    width = max(1.0, size / 16.0)
    for xs in range(lo * 4, hi * 4):
        x = xs / 4.0
        phase = (x - lo) / (hi - lo)
        y = size / 2 - (size * 0.3) * math.sin(phase * 2.5 * math.pi) * math.exp(-1.2 * phase)
        for yy in range(int(y - width), int(y + width) + 1):
            xi = int(x)
            if 0 <= yy < size and lo < xi < hi and inside_rounded(xi, yy):
                px[yy][xi] = trace
    return px


def bmp_image(size, rows):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, size * size * 4, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for (r, g, b, a) in row:
            pixels += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)
    return header + bytes(pixels) + mask


def write_ico(path, screen, trace):
    sizes = (16, 32, 48)
    images = [bmp_image(s, draw(s, screen, trace)) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    write_ico(folder + "/quillbox.ico", (22, 52, 84, 255), (250, 210, 60, 255))
    write_ico(folder + "/quillbox_alt.ico", (24, 70, 44, 255), (120, 240, 140, 255))
