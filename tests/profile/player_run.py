"""Runs the built corvina500.exe under Wine for the Python suites.

The suites run inside scripts/with-display.sh (CTest under scripts/test.sh),
which gives them a display, WINEPREFIX and one wineserver."""

import os
import struct
import subprocess
import wave
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.realpath(__file__))))


def windows_path(path):
    """A Linux path as the player sees it: drive Z: is the root folder."""
    return 'Z:' + os.path.realpath(path).replace('/', '\\')


def run_player(build, args, timeout=120, cwd=None):
    return subprocess.run(['wine', os.path.join(build, 'corvina500.exe')] + args,
                          capture_output=True, timeout=timeout, cwd=cwd)


def write_wav(path, seconds=1):
    with wave.open(path, 'wb') as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(8000)
        w.writeframes(struct.pack('<h', 0) * int(8000 * seconds))


def png_pixels(path):
    """(width, height, rows of (r, g, b)) of an 8-bit RGB or RGBA PNG."""
    with open(path, 'rb') as f:
        data = f.read()
    assert data[:8] == b'\x89PNG\r\n\x1a\n', f'{path} is not a PNG'
    at, idat = 8, b''
    while at < len(data):
        size, kind = struct.unpack_from('>I4s', data, at)
        body = data[at + 8:at + 8 + size]
        if kind == b'IHDR':
            width, height, depth, colour = struct.unpack_from('>IIBB', body)
            assert depth == 8 and colour in (2, 6), f'{path}: depth {depth}, colour {colour}'
        elif kind == b'IDAT':
            idat += body
        at += 12 + size
    raw = zlib.decompress(idat)
    bpp = 3 if colour == 2 else 4
    stride = width * bpp
    rows, prior = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for x in range(stride):
            a, b, c = (line[x - bpp], prior[x], prior[x - bpp]) if x >= bpp else (0, prior[x], 0)
            pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
            paeth = a if pa <= pb and pa <= pc else b if pb <= pc else c
            line[x] = (line[x] + (0, a, b, (a + b) // 2, paeth)[kind]) & 255
        rows.append([tuple(line[x:x + 3]) for x in range(0, stride, bpp)])
        prior = line
    return width, height, rows
