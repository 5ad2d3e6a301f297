#!/usr/bin/env python3
"""Draws Lanthe's icon (a thin-client screen on a teal tile) and writes it as a
Windows .ico with 16, 24, 32, 48 and 256 pixel images. Pure Python, no libraries:
run it again after changing the drawing."""
import struct
import sys
import zlib


def inside_rounded(x, y, left, top, right, bottom, radius):
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def shade(u, v):
    """Colour (r, g, b, a) of the point (u, v) in the unit square, or None."""
    if not inside_rounded(u, v, 0.04, 0.04, 0.96, 0.96, 0.18):
        return None
    # Tile: teal, lighter towards the top.
    t = v
    tile = (int(27 - 12 * t), int(141 - 47 * t), int(168 - 48 * t), 255)
    # Screen frame and glass.
    if inside_rounded(u, v, 0.18, 0.20, 0.82, 0.66, 0.05):
        if inside_rounded(u, v, 0.23, 0.25, 0.77, 0.61, 0.02):
            glow = 1.0 - 0.35 * ((u - 0.35) ** 2 + (v - 0.32) ** 2) * 4
            return (int(214 * glow), int(240 * glow), int(247 * glow), 255)
        return (250, 250, 250, 255)
    # Stand and foot.
    if 0.45 <= u <= 0.55 and 0.66 <= v <= 0.76:
        return (250, 250, 250, 255)
    if inside_rounded(u, v, 0.32, 0.75, 0.68, 0.81, 0.03):
        return (250, 250, 250, 255)
    return tile


def render(size, samples=4):
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    c = shade((x + (sx + 0.5) / samples) / size, (y + (sy + 0.5) / samples) / size)
                    if c:
                        for i in range(3):
                            acc[i] += c[i] * c[3]
                        acc[3] += c[3]
            n = samples * samples
            a = acc[3] / n
            if acc[3]:
                row.append((int(acc[0] / acc[3]), int(acc[1] / acc[3]), int(acc[2] / acc[3]), int(a)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def dib(size):
    pixels = render(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    body = bytearray()
    for row in reversed(pixels):  # bottom-up
        for r, g, b, a in row:
            body += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    body += bytes(mask_row * size)  # AND mask: all zero, alpha decides
    return header + bytes(body)


def png(size):
    """The large image as PNG, which keeps the icon file small."""
    pixels = render(size)
    raw = b''.join(b'\x00' + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))

    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main(path):
    sizes = [16, 24, 32, 48, 256]
    images = [png(s) if s == 256 else dib(s) for s in sizes]
    out = bytearray(struct.pack('<HHH', 0, 1, len(sizes)))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'lanthe.ico')
