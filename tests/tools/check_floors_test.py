"""tools/check_floors.py on made-up source trees, and on this repository.

    python3 tests/tools/check_floors_test.py
"""

import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", ".."))
TOOL = os.path.join(ROOT, "tools", "check_floors.py")


def run(root):
    r = subprocess.run([sys.executable, TOOL, root], capture_output=True, text=True)
    return r.returncode, r.stdout


class Floors(unittest.TestCase):
    def tree(self, files):
        """A repository with `files` ({path: text}) under a fresh folder."""
        root = tempfile.mkdtemp()
        for tree in ("src", "corvina500"):
            os.makedirs(os.path.join(root, tree))
        for path, text in files.items():
            full = os.path.join(root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w") as f:
                f.write(text)
        return root

    def test_loops_are_found_and_each_closing_include_is_named(self):
        cases = [
            # (what, files, exit code, lines that must be printed)
            ("downward only",
             {"src/a/x.cpp": '#include "b/y.h"\n', "src/b/y.h": '#include "c/z.h"\n',
              "src/c/z.h": "\n"},
             0, []),
            ("two folders",
             {"src/a/x.cpp": '#include "b/y.h"\n', "src/b/y.h": '#include "a/x.h"\n'},
             1, ["src/a/x.cpp:1: a includes b", "src/b/y.h:1: b includes a"]),
            ("through a third",
             {"src/a/x.cpp": '#include "b/y.h"\n', "src/b/y.cpp": '\n#include "c/z.h"\n',
              "src/c/z.h": '#include "a/x.h"\n', "src/d/w.cpp": '#include "a/x.h"\n'},
             1, ["src/b/y.cpp:2: b includes c", "src/c/z.h:1: c includes a"]),
            ("the tree's name in front",
             {"corvina500/app/x.cpp": '#include "corvina500/panels/y.h"\n',
              "corvina500/panels/y.cpp": '#  include "app/x.h"\n'},
             1, ["corvina500/panels/y.cpp:1: panels includes app"]),
            ("the two trees apart",
             {"src/app/x.cpp": '#include "panels/y.h"\n',
              "corvina500/panels/y.cpp": '#include "app/x.h"\n'},
             0, []),
            ("inside one folder, system and sdk headers",
             {"src/a/x.cpp": '#include "a/y.h"\n#include <b/y.h>\n#include "utf8.h"\n',
              "src/b/y.h": '#include "a/x.h"\n'},
             0, []),
        ]
        for what, files, code, lines in cases:
            with self.subTest(what):
                got_code, out = run(self.tree(files))
                self.assertEqual(got_code, code, out)
                for line in lines:
                    self.assertIn(line, out)
                if code == 0:
                    self.assertNotIn("includes", out)

    def test_this_repository_has_no_loop(self):
        code, out = run(ROOT)
        self.assertEqual(code, 0, out)


if __name__ == "__main__":
    unittest.main()
