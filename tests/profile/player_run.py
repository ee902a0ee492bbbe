"""Runs the built corvina500.exe under Wine for the Python suites.

The suites run inside scripts/with-display.sh (CTest under scripts/test.sh),
which gives them a display, WINEPREFIX and one wineserver."""

import os
import struct
import subprocess
import wave

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
