#!/usr/bin/env python3
"""Draws the program icon (a power symbol on a round badge) as quietfall.ico.

Pure Python, no imaging library: each size is rendered with 4x4 supersampling.
The sizes Windows asks for in captions, task lists and shell views (16, 32,
48) are stored as 32-bit BGRA bitmaps with their AND masks; the 256 size is
stored PNG-compressed, as icon files allow for large sizes, so that it costs
little in the program. Other sizes are scaled from these.
Run it again after changing the drawing: python3 resources/make_icon.py
"""
import math
import os
import struct
import zlib

SIZES = (16, 32, 48)
PNG_SIZE = 256
SAMPLES = 4

BADGE = (0x1F, 0x4E, 0x79)      # deep blue
BADGE_EDGE = (0x12, 0x2F, 0x4A)
SYMBOL = (0xF4, 0xF7, 0xFA)     # near white


def coverage(x, y):
    """Returns (badge, edge, symbol) membership for a point in unit space."""
    dx, dy = x - 0.5, y - 0.5
    r = math.hypot(dx, dy)
    badge = r <= 0.48
    edge = 0.44 <= r <= 0.48
    stroke = 0.075
    # The ring of the power symbol, open at the top.
    ring_r = 0.23
    angle = math.degrees(math.atan2(dx, -dy))  # 0 at the top, clockwise
    on_ring = abs(r - ring_r) <= stroke / 2 and abs(angle) >= 40
    # The bar through the gap.
    on_bar = abs(dx) <= stroke / 2 and 0.18 <= y <= 0.50
    return badge, edge, on_ring or on_bar


def render(size):
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    badge, edge, symbol = coverage(x, y)
                    if not badge:
                        continue
                    colour = SYMBOL if symbol else (BADGE_EDGE if edge else BADGE)
                    acc[0] += colour[0]
                    acc[1] += colour[1]
                    acc[2] += colour[2]
                    acc[3] += 1
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if acc[3]:
                rgb = [round(c / acc[3]) for c in acc[:3]]
            else:
                rgb = [0, 0, 0]
            row.append((rgb[0], rgb[1], rgb[2], round(alpha * 255)))
        pixels.append(row)
    return pixels


def bitmap(size):
    pixels = render(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(pixels):  # bottom-up
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(xor) + bytes(mask)


def png(size):
    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))

    raw = bytearray()
    for row in render(size):
        raw.append(0)  # no filter
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))
    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) +
            chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


def main():
    sizes = SIZES + (PNG_SIZE,)
    images = [bitmap(s) for s in SIZES] + [png(PNG_SIZE)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'quietfall.ico')
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
