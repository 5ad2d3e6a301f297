#!/usr/bin/env python3
"""Draws the pictures of the dialogs, our own artwork, as Windows bitmaps: the banner
across the top of the shutdown dialog (411 x 77, 24-bit), its power icon beside the
choice (32 x 32) and the launcher's refresh picture (20 x 20), both 8-bit with a
palette whose first pixel's colour is the background the window makes transparent.
Pure Python: run it again after changing a drawing."""
import math
import struct
import sys


def bmp(width, height, rows, bits, palette=None):
    """rows: top-down lists of pixels, (r, g, b) for 24-bit or palette indexes for 8-bit."""
    stride = ((width * bits + 31) // 32) * 4
    body = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for px in row:
            line += bytes((px[2], px[1], px[0])) if bits == 24 else bytes((px,))
        line += bytes(stride - len(line))
        body += line
    colours = b''.join(bytes((b, g, r, 0)) for r, g, b in (palette or []))
    offset = 14 + 40 + len(colours)
    header = struct.pack('<2sIHHI', b'BM', offset + len(body), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, len(body), 2835, 2835,
                       len(palette or []), 0)
    return header + info + colours + bytes(body)


def mix(a, b, t):
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(3))


def banner(width=411, height=77):
    dark, light = (12, 74, 96), (33, 150, 176)
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            t = x / (width - 1)
            c = mix(dark, light, t * 0.9 + 0.1 * (y / height))
            # Soft arcs of light towards the right, like a screen waking up.
            d = math.hypot(x - width * 0.92, y - height * 1.6)
            glow = max(0.0, 1 - abs(d - 150) / 26) * 0.35 + max(0.0, 1 - abs(d - 205) / 20) * 0.2
            c = mix(c, (255, 255, 255), glow)
            # A thin light line along the bottom edge.
            if y >= height - 3:
                c = mix(c, (214, 240, 247), 0.8)
            row.append(c)
        rows.append(row)
    # The program's screen mark at the left.
    for y in range(18, 58):
        for x in range(22, 72):
            inside = 22 <= x < 72 and 18 <= y < 50
            glass = 26 <= x < 68 and 22 <= y < 46
            stand = 44 <= x < 50 and 50 <= y < 54 or 36 <= x < 58 and 54 <= y < 57
            if glass:
                rows[y][x] = mix((214, 240, 247), (160, 200, 212), (x - 26) / 42)
            elif inside or stand:
                rows[y][x] = (250, 250, 250)
    return bmp(width, height, rows, 24)


def antialiased_icon(size, colour, inside):
    """A square 8-bit icon of one colour on the face colour, the magenta background
    made transparent by the dialogs; inside(u, v) tells whether a point measured from
    the centre is covered, sampled 4 x 4 times per pixel."""
    background = (255, 0, 255)
    face = (240, 240, 240)
    palette = [background] + [mix(face, colour, i / 15) for i in range(16)]
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            cover = 0.0
            for sy in range(4):
                for sx in range(4):
                    u = x + (sx + 0.5) / 4 - size / 2
                    v = y + (sy + 0.5) / 4 - size / 2
                    cover += 1 if inside(u, v) else 0
            cover /= 16
            row.append(0 if cover == 0 else 1 + min(15, int(cover * 15 + 0.5)))
        rows.append(row)
    return bmp(size, size, rows, 8, palette)


def power_icon(size=32):
    def inside(u, v):
        r = math.hypot(u, v)
        angle = math.degrees(math.atan2(u, -v))
        ring = 9.5 <= r <= 13.5 and abs(angle) > 38
        bar = abs(u) <= 2 and -15 <= v <= 0
        return ring or bar

    return antialiased_icon(size, (176, 32, 28), inside)


def refresh_icon(size=20):
    """Two arrows chasing each other round a circle, for the launcher's refresh button."""
    def inside(u, v):
        r = math.hypot(u, v)
        angle = (math.degrees(math.atan2(v, u)) + 360) % 360
        arc = 5.0 <= r <= 7.6 and not (80 < angle < 110 or 260 < angle < 290)
        # Arrow heads at the ends of both arcs.
        head = False
        for cx, cy, direction in ((1.5, -6.3, 1), (-1.5, 6.3, -1)):
            du, dv = (u - cx) * direction, (v - cy) * direction
            head = head or (0 <= du <= 4 and abs(dv) <= 4 - du)
        return arc or head

    return antialiased_icon(size, (16, 110, 134), inside)


def wizard_logo(width=156, height=49):
    """The setup wizard's logo in its white title band: the screen mark on a teal tile
    and three bars of decreasing length beside it."""
    white = (255, 255, 255)
    rows = [[white] * width for _ in range(height)]
    for y in range(height):
        for x in range(4, 49):
            u, v = (x - 4) / 45, y / 49
            if 0.05 < v < 0.95:
                rows[y][x] = mix((33, 150, 176), (12, 74, 96), v)
    for y in range(12, 36):
        for x in range(12, 42):
            if 12 <= y < 31:
                glass = 15 <= x < 39 and 15 <= y < 28
                rows[y][x] = mix((214, 240, 247), (160, 200, 212), (x - 15) / 24) if glass else (250, 250, 250)
            elif 25 <= x < 29 and y < 34 or 20 <= x < 34 and y >= 34:
                rows[y][x] = (250, 250, 250)
    for index, length in enumerate((96, 78, 60)):
        top = 12 + index * 10
        for y in range(top, top + 5):
            for x in range(56, 56 + length):
                rows[y][x] = mix((16, 110, 134), (120, 190, 205), (x - 56) / 100)
    return bmp(width, height, rows, 24)


def main(folder):
    with open(folder + '/shutdown_banner.bmp', 'wb') as f:
        f.write(banner())
    with open(folder + '/shutdown_icon.bmp', 'wb') as f:
        f.write(power_icon())
    with open(folder + '/refresh.bmp', 'wb') as f:
        f.write(refresh_icon())
    with open(folder + '/wizard_logo.bmp', 'wb') as f:
        f.write(wizard_logo())


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else '.')
