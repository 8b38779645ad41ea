#!/usr/bin/env python3
"""Draws the tray icons (enabled 128, disabled 133) and the brightness buttons' light bulbs
(lit 144, dark 145), and writes them as .ico files.

Each icon holds a 16x16 and a 32x32 image, 32-bit BGRA with an AND mask, which every Windows
from 95 on shows (95 and NT 4.0 use the mask). Run: make_icons.py OUTPUT_DIR
"""
import struct
import sys


def draw(size, enabled):
    """A rounded keyboard key with a lit dot; grey with a red bar when disabled."""
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    inset = max(1, size // 16)
    radius = size // 5
    face = (40, 110, 200, 255) if enabled else (130, 130, 130, 255)
    rim = (20, 60, 120, 255) if enabled else (80, 80, 80, 255)
    top = (235, 240, 250, 255)
    for y in range(size):
        for x in range(size):
            lx, ly = x - inset, y - inset
            w = size - 2 * inset
            if not (0 <= lx < w and 0 <= ly < w):
                continue
            cx = min(max(lx, radius), w - 1 - radius)
            cy = min(max(ly, radius), w - 1 - radius)
            d2 = (lx - cx) ** 2 + (ly - cy) ** 2
            if d2 > radius * radius:
                continue
            edge = d2 > (radius - inset) ** 2 or lx < inset or ly < inset or lx >= w - inset or ly >= w - inset
            pixels[y][x] = rim if edge else face
    # The key's top: a lighter square, and a letter-like bar pattern "T".
    a, b = size // 4, size - size // 4
    for y in range(a, b):
        for x in range(a, b):
            pixels[y][x] = top
    stroke = max(1, size // 10)
    ink = (20, 60, 120, 255) if enabled else (90, 90, 90, 255)
    for y in range(a + stroke, a + 2 * stroke):
        for x in range(a + stroke, b - stroke):
            pixels[y][x] = ink
    mid = size // 2
    for y in range(a + stroke, b - stroke):
        for x in range(mid - stroke // 2 - (stroke % 2 == 0 and 1 or 0), mid + (stroke + 1) // 2):
            pixels[y][x] = ink
    if not enabled:
        red = (200, 30, 30, 255)
        for i in range(size):
            for t in range(-stroke, stroke + 1):
                x, y = i, size - 1 - i + t
                if 0 <= y < size:
                    pixels[y][x] = red
    return pixels


def draw_bulb(size, lit):
    """A light bulb: a round glass over a grey screw base; yellow with rays when lit."""
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    glass = (255, 220, 40, 255) if lit else (70, 70, 90, 255)
    rim = (190, 140, 0, 255) if lit else (30, 30, 40, 255)
    base = (150, 150, 150, 255)
    cx, cy, r = size / 2 - 0.5, size * 0.42, size * 0.28
    for y in range(size):
        for x in range(size):
            d2 = (x - cx) ** 2 + (y - cy) ** 2
            if d2 <= r * r:
                pixels[y][x] = rim if d2 > (r - max(1, size / 16)) ** 2 else glass
    top, bottom = int(cy + r * 0.8), int(size * 0.9)
    for y in range(top, bottom):
        for x in range(int(cx - r * 0.45), int(cx + r * 0.45) + 2):
            pixels[y][x] = base if (y - top) % 3 else rim
    if lit:
        ray = (255, 200, 0, 255)
        for i in range(1, max(2, size // 10) + 1):
            for (px, py) in ((cx, cy - r - 1 - i), (cx - r - 1 - i, cy), (cx + r + 1 + i, cy)):
                xi, yi = int(round(px)), int(round(py))
                if 0 <= xi < size and 0 <= yi < size:
                    pixels[yi][xi] = ray
    return pixels


def bitmap(pixels):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b""
    for y in reversed(range(size)):
        for (r, g, b, a) in pixels[y]:
            rows += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = b""
    for y in reversed(range(size)):
        bits = 0
        row = bytearray(mask_stride)
        for x in range(size):
            if pixels[y][x][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    return header + rows + mask


def icon(enabled, drawing=draw):
    images = [bitmap(drawing(s, enabled)) for s in (16, 32)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip((16, 32), images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


if __name__ == "__main__":
    folder = sys.argv[1]
    with open(folder + "/enabled.ico", "wb") as f:
        f.write(icon(True))
    with open(folder + "/disabled.ico", "wb") as f:
        f.write(icon(False))
    with open(folder + "/bulb_lit.ico", "wb") as f:
        f.write(icon(True, draw_bulb))
    with open(folder + "/bulb_dark.ico", "wb") as f:
        f.write(icon(False, draw_bulb))
