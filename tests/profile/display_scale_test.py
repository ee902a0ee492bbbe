"""The default profile at 100 %, 150 % and 200 % display scale, as a user
sees it: the player started with the prefix's LogPixels at 96, 144 and 192
(Wine reads it when each process starts), its window saved with
--screenshot. The picture grows with the scale, the card's edge lies at
the scaled skin position, and the title's word is as many times wider:
fonts are sized once, not by the scale and the DPI both.

    python3 tests/profile/display_scale_test.py BUILD_FOLDER

Runs alone (CTest RUN_SERIAL): other players started meanwhile would take
the changed DPI too.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.realpath(__file__)))
from player_run import ROOT, png_pixels, run_player, windows_path  # noqa: E402

BUILD = None
DESKTOP = r'HKCU\Control Panel\Desktop'
PANEL = (26, 29, 37)  # the default profile's card
TEXT = (236, 239, 244)  # its main text


def set_dpi(dpi):
    subprocess.run(['wine', 'reg', 'add', DESKTOP, '/v', 'LogPixels', '/t', 'REG_DWORD', '/d',
                    str(dpi), '/f'], capture_output=True, check=True, timeout=60)


def near(a, b, tolerance):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


class DisplayScale(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix='cor-scale-')
        self.addCleanup(shutil.rmtree, self.dir, True)

    def shot(self, dpi):
        profile = os.path.join(self.dir, f'profile{dpi}')
        shutil.copytree(os.path.join(ROOT, 'profiles', 'default'), profile)
        picture = os.path.join(self.dir, f'shot{dpi}.png')
        set_dpi(dpi)
        try:
            r = run_player(BUILD, ['--profile', windows_path(profile), '--exit-after', '3000',
                                   '--screenshot', windows_path(picture)])
        finally:
            set_dpi(96)
        self.assertEqual(r.returncode, 0, r.stderr.decode(errors='replace'))
        return png_pixels(picture)

    @staticmethod
    def card_left(rows, y):
        """The first pixel of the card's colour on row y."""
        return next(x for x, p in enumerate(rows[y]) if near(p, PANEL, 2))

    @staticmethod
    def text_width(rows, top, bottom, right):
        """The span of columns left of `right` where rows top to bottom hold
        the main text's colour: the card's title, "Stopped"."""
        columns = [x for x in range(right)
                   if any(near(rows[y][x], TEXT, 40) for y in range(top, bottom))]
        return columns[-1] - columns[0] + 1

    def test_the_default_profile_at_each_scale(self):
        width, height, rows = self.shot(96)
        # "Stopped", the card's title, crosses the rows 45 to 70 skin pixels
        # down; its box is far wider than the word.
        title = self.text_width(rows, 45, 70, 500)
        self.assertGreater(title, 40)
        for dpi in (144, 192):
            with self.subTest(dpi=dpi):
                s = dpi / 96
                w, h, scaled = self.shot(dpi)
                # The client area is the skin's scaled (the frame is the
                # platform's at that DPI).
                self.assertLessEqual(abs(w - round(width * s)), 1)
                self.assertLessEqual(abs(h - round(height * s)), 1)
                self.assertLessEqual(abs(self.card_left(scaled, round(60 * s)) -
                                         round(self.card_left(rows, 60) * s)), 1)
                ratio = self.text_width(scaled, round(45 * s), round(70 * s), round(500 * s)) / title
                self.assertGreater(ratio, s * 0.85)
                self.assertLess(ratio, s * 1.15)


if __name__ == '__main__':
    BUILD = sys.argv.pop(1)
    unittest.main()
