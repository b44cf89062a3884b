#!/usr/bin/env python3
"""Draws the program icon (velapp.ico) from geometry alone, so it can be made
again byte for byte: 16, 24, 32 and 48 pixels at 4, 8 and 32 bits per pixel,
and one 256-pixel 32-bit image (PNG)."""
import math
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48)


def colour_at(u, v):
    """RGBA of the icon at (u, v) in 0..1: a blue rounded tile with a white
    target (ring, dot and cross) where a finger touches it."""
    r = 0.18
    dx = max(r - u, 0, u - (1 - r))
    dy = max(r - v, 0, v - (1 - r))
    if math.hypot(dx, dy) > r:
        return (0, 0, 0, 0)
    top = (40, 110, 200)
    bottom = (20, 60, 140)
    base = tuple(int(top[i] + (bottom[i] - top[i]) * v) for i in range(3))
    d = math.hypot(u - 0.5, v - 0.5)
    white = (255, 255, 255)
    if abs(d - 0.30) < 0.045 or d < 0.08:
        return white + (255,)
    if (abs(u - 0.5) < 0.03 and abs(v - 0.5) < 0.42) or (abs(v - 0.5) < 0.03 and abs(u - 0.5) < 0.42):
        return white + (255,)
    return base + (255,)


def render(size):
    """Supersampled RGBA rows, top row first."""
    n = 4
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    c = colour_at((x + (sx + 0.5) / n) / size, (y + (sy + 0.5) / n) / size)
                    a = c[3]
                    acc[0] += c[0] * a
                    acc[1] += c[1] * a
                    acc[2] += c[2] * a
                    acc[3] += a
            if acc[3] == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((acc[0] // acc[3], acc[1] // acc[3], acc[2] // acc[3], acc[3] // (n * n)))
        rows.append(row)
    return rows


VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
CUBE = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
PAL256 = CUBE + [(i * 255 // 39, i * 255 // 39, i * 255 // 39) for i in range(40)]


def nearest(palette, c):
    return min(range(len(palette)),
               key=lambda i: sum((palette[i][k] - c[k]) ** 2 for k in range(3)))


def dib(rows, bpp):
    size = len(rows)
    palette = {4: VGA16, 8: PAL256}.get(bpp, [])
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bpp, 0, 0, 0, 0,
                         len(palette), 0)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
    xor = b''
    for row in reversed(rows):
        if bpp == 32:
            line = b''.join(struct.pack('<BBBB', c[2], c[1], c[0], c[3]) for c in row)
        else:
            idx = [nearest(palette, c) if c[3] >= 128 else 0 for c in row]
            if bpp == 8:
                line = bytes(idx)
            else:
                line = bytes((idx[i] << 4) | (idx[i + 1] if i + 1 < size else 0)
                             for i in range(0, size, 2))
        line += b'\0' * ((-len(line)) % 4)
        xor += line
    mask = b''
    for row in reversed(rows):
        line = bytearray((size + 7) // 8)
        for x, c in enumerate(row):
            if c[3] < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        line += b'\0' * ((-len(line)) % 4)
        mask += bytes(line)
    return header + pal + xor + mask


def png(rows):
    size = len(rows)
    raw = b''.join(b'\0' + bytes(v for c in row for v in c) for row in rows)

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main(path):
    images = []
    for bpp in (4, 8, 32):
        for size in SIZES:
            images.append((size, bpp, dib(render(size), bpp)))
    images.append((256, 32, png(render(256))))
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bpp, data in images:
        colours = {4: 16}.get(bpp, 0)
        out += struct.pack('<BBBBHHII', size % 256, size % 256, colours, 0, 1, bpp, len(data), offset)
        offset += len(data)
    out += b''.join(data for _, _, data in images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'velapp.ico')
