#!/usr/bin/env python3
"""Draws kometori.ico: a blue speech balloon holding a white arrow pointing down
(comments, downloaded). Each size is drawn from the shapes themselves, with
8 x 8 samples per pixel, so 16 and 32 pixels stay sharp.

    python3 src/resources/make_icon.py [--preview preview.png]
"""
import math
import pathlib
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48)
SAMPLES = 8


def rounded_rect(x, y, left, top, right, bottom, radius):
    cx, cy = (left + right) / 2, (top + bottom) / 2
    hx, hy = (right - left) / 2 - radius, (bottom - top) / 2 - radius
    dx, dy = abs(x - cx) - hx, abs(y - cy) - hy
    outside = math.hypot(max(dx, 0), max(dy, 0))
    return outside + min(max(dx, dy), 0) - radius


def polygon(x, y, points):
    """Signed distance to a convex polygon given clockwise on screen (y down)."""
    inside = True
    best = float("inf")
    n = len(points)
    for i in range(n):
        ax, ay = points[i]
        bx, by = points[(i + 1) % n]
        ex, ey = bx - ax, by - ay
        wx, wy = x - ax, y - ay
        t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
        best = min(best, math.hypot(wx - ex * t, wy - ey * t))
        if ex * wy - ey * wx < 0:
            inside = False
    return -best if inside else best


def balloon(x, y):
    body = rounded_rect(x, y, 0.04, 0.06, 0.96, 0.74, 0.2)
    tail = polygon(x, y, [(0.20, 0.66), (0.44, 0.66), (0.14, 0.96)])
    return min(body, tail)


def arrow(x, y):
    stem = rounded_rect(x, y, 0.415, 0.16, 0.585, 0.44, 0.02)
    head = polygon(x, y, [(0.25, 0.38), (0.75, 0.38), (0.50, 0.63)])
    return min(stem, head)


def blend(under, over, alpha):
    return tuple(u * (1 - alpha) + o * alpha for u, o in zip(under, over))


def draw(size):
    """Rows of (r, g, b, a) floats, top row first."""
    border = 1.0 / size  # one pixel of darker edge at every size
    top, bottom = (0x5B, 0x9B, 0xEC), (0x2B, 0x62, 0xC0)
    edge = (0x1A, 0x3F, 0x86)
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    d = balloon(x, y)
                    if d > 0:
                        continue
                    fill = blend(top, bottom, min(1.0, max(0.0, (y - 0.06) / 0.9)))
                    colour = edge if d > -border else fill
                    if arrow(x, y) <= 0:
                        colour = (255, 255, 255)
                    for i in range(3):
                        acc[i] += colour[i]
                    acc[3] += 1
            if acc[3]:
                row.append((acc[0] / acc[3], acc[1] / acc[3], acc[2] / acc[3], acc[3] / SAMPLES ** 2))
            else:
                row.append((0.0, 0.0, 0.0, 0.0))
        rows.append(row)
    return rows


def bgra(rows):
    out = bytearray()
    for row in reversed(rows):  # bottom-up, as a DIB
        for r, g, b, a in row:
            out += bytes((round(b), round(g), round(r), round(a * 255)))
    return bytes(out)


def icon_image(size):
    rows = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    mask_row = ((size + 31) // 32) * 4
    return header + bgra(rows) + bytes(mask_row * size), rows


def png(rows, scale):
    height, width = len(rows) * scale, len(rows[0]) * scale
    raw = bytearray()
    for row in rows:
        line = bytearray(b"\0")
        for r, g, b, a in row:
            # Shown on white, as the menu and the title bar show it.
            pixel = bytes(round(c * a + 255 * (1 - a)) for c in (r, g, b))
            line += pixel * scale
        raw += bytes(line) * scale

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def main():
    images = [icon_image(size) for size in SIZES]
    directory = struct.pack("<HHH", 0, 1, len(SIZES))
    offset = 6 + 16 * len(SIZES)
    data = b""
    for size, (image, _) in zip(SIZES, images):
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset + len(data))
        data += image
    here = pathlib.Path(__file__).resolve().parent
    (here / "kometori.ico").write_bytes(directory + data)
    if len(sys.argv) == 3 and sys.argv[1] == "--preview":
        pathlib.Path(sys.argv[2]).write_bytes(png(images[0][1], 8) + b"")
        pathlib.Path(sys.argv[2].replace(".png", "32.png")).write_bytes(png(images[2][1], 4))


if __name__ == "__main__":
    main()
