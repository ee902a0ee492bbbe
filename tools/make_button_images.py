#!/usr/bin/env python3
"""Writes the default profile's button overlays (profiles/default/images).

    python3 tools/make_button_images.py [OUTPUT_FOLDER]

The skin draws each button's face and caption itself; the button lays one
of these translucent rounded rectangles over them while the mouse is over
it or presses it. Each comes twice: at its size in skin pixels, and as
"name@2x.png" with twice the pixels, which the player takes at 150 % display
scale and more. They are plain RGBA PNG files written with zlib alone.
"""

import os
import struct
import sys
import zlib

WIDTH, HEIGHT, RADIUS = 64, 30, 6

# (file, red, green, blue, alpha): a light veil to hover, the skin's accent
# colour to press.
OVERLAYS = [
    ('button_over.png', 255, 255, 255, 22),
    ('button_push.png', 88, 180, 255, 80),
]


def coverage(x, y, scale):
    """How much of pixel (x, y) lies inside the rounded rectangle drawn
    `scale` times as dense, 0..1, from 4 x 4 samples."""
    inside = 0
    w, h, radius = WIDTH * scale, HEIGHT * scale, RADIUS * scale
    for sy in range(4):
        for sx in range(4):
            px, py = x + (sx + 0.5) / 4, y + (sy + 0.5) / 4
            cx = min(max(px, radius), w - radius)
            cy = min(max(py, radius), h - radius)
            inside += (px - cx) ** 2 + (py - cy) ** 2 <= radius ** 2
    return inside / 16


def png(rows, width, height):
    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body))
    raw = b''.join(b'\0' + bytes(row) for row in rows)
    header = struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def overlay(r, g, b, a, scale):
    rows = []
    for y in range(HEIGHT * scale):
        row = []
        for x in range(WIDTH * scale):
            row += [r, g, b, round(a * coverage(x, y, scale))]
        rows.append(row)
    return png(rows, WIDTH * scale, HEIGHT * scale)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    out = argv[1] if len(argv) > 1 else os.path.join(here, '..', 'profiles', 'default', 'images')
    os.makedirs(out, exist_ok=True)
    for name, r, g, b, a in OVERLAYS:
        for scale, suffix in ((1, ''), (2, '@2x')):
            path = os.path.join(out, name.replace('.png', suffix + '.png'))
            with open(path + '.tmp', 'wb') as f:
                f.write(overlay(r, g, b, a, scale))
            os.replace(path + '.tmp', path)


if __name__ == '__main__':
    main(sys.argv)
