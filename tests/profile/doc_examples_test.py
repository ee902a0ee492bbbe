"""Runs every example of README.md and docs/*.md as a user would paste it.

    python3 tests/profile/doc_examples_test.py BUILD_FOLDER CXX_COMPILER

Every fenced block is picked up, so a new example is tested the day it is
written; the first word after the fence says what it is:

    ```sh            command lines, run by bash from the repository's top
                     folder (each block in one shell; a failing line fails)
    ```output        what the sh block just before it prints, exactly
    ```LANG PATH     a file the user saves at PATH (json, tf, python, ...)
    ```python        a script run by python3 from the top folder
    ```cpp           a translation unit that must compile against sdk/
    ```text          a sample of what the player prints; not run
    ```sh no-test    the build and test commands themselves (only those)

After an sh block, `<!-- screenshot: FILE shows R-G-B -->` asks that the
PNG it saved shows that colour (drawn text or shapes, not a blank window).

Each document runs in its own copy of the repository's small folders, with
`build/release` the build under test, HOME an empty home holding `Music`,
`cmake` doing nothing and `wine` closing a player left open after a few
seconds.
"""

import glob
import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.realpath(__file__)))
from player_run import ROOT, png_pixels, write_wav  # noqa: E402

BUILD = None
CXX = None
COPIED = ['README.md', 'docs', 'tools', 'profiles', 'scripts']
NO_TEST_COMMANDS = ('bash scripts/test.sh', 'cmake ')
FENCE = re.compile(r'^```(.*)$')
SCREENSHOT = re.compile(r'^<!-- screenshot: (\S+) shows (\d+)-(\d+)-(\d+) -->$')


class Block:
    def __init__(self, doc, line, info, text):
        self.doc, self.line, self.text = doc, line, text
        self.kind, self.arg = (info.split() + [None, None])[:2]
        self.checks = []

    def where(self):
        return f'{os.path.relpath(self.doc, ROOT)}:{self.line}'


def extract(path):
    """The document's blocks in order, and the problems of its layout."""
    with open(path, encoding='utf-8') as f:
        lines = f.read().split('\n')
    blocks, problems = [], []
    i = 0
    previous = ''
    while i < len(lines):
        m = FENCE.match(lines[i])
        if m:
            start = i
            i += 1
            while i < len(lines) and lines[i] != '```':
                i += 1
            if i == len(lines):
                problems.append(f'{path}:{start + 1}: fence never closed')
                break
            blocks.append(Block(path, start + 1, m.group(1), '\n'.join(lines[start + 1:i]) + '\n'))
        elif SCREENSHOT.match(lines[i]) and blocks:
            blocks[-1].checks.append(SCREENSHOT.match(lines[i]).groups())
        elif (lines[i].startswith('    ') and previous == ''
              and not re.match(r'^( *[-*] | *\d+\. |  )',
                               next((t for t in reversed(lines[:i]) if t.strip()), ''))):
            problems.append(f'{path}:{i + 1}: an indented code block; fence it so the '
                            f'example test runs it')
        previous = lines[i].strip()
        i += 1
    return blocks, problems


SHIM_WINE = '''#!/bin/bash
# The user closes the window; the test closes it after a few seconds.
real=%s
case "$1" in *corvina500.exe) ;; *) exec "$real" "$@" ;; esac
for a in "$@"; do
  case "$a" in --eval|--exit-after|--format) exec "$real" "$@" ;; esac
done
exec "$real" "$@" --exit-after 3000
'''
SHIM_CMAKE = '''#!/bin/sh
# The build under test stands in for the release build.
exit 0
'''


class DocExamples(unittest.TestCase):
    def sandbox(self):
        top = tempfile.mkdtemp(prefix='cor-doc-')
        self.addCleanup(shutil.rmtree, top, True)
        repo = os.path.join(top, 'repo')
        os.makedirs(os.path.join(repo, 'build'))
        for name in COPIED:
            src = os.path.join(ROOT, name)
            (shutil.copytree if os.path.isdir(src) else shutil.copy)(src, os.path.join(repo, name))
        os.symlink(os.path.realpath(BUILD), os.path.join(repo, 'build', 'release'))
        home = os.path.join(top, 'home')
        os.makedirs(os.path.join(home, 'Music'))
        for n in range(2):
            write_wav(os.path.join(home, 'Music', f'{n + 1:02} - Tune.wav'))
        bin_dir = os.path.join(top, 'bin')
        os.makedirs(bin_dir)
        for name, body in (('wine', SHIM_WINE % shutil.which('wine')), ('cmake', SHIM_CMAKE)):
            with open(os.path.join(bin_dir, name), 'w') as f:
                f.write(body)
            os.chmod(os.path.join(bin_dir, name), stat.S_IRWXU)
        env = dict(os.environ, HOME=home, PATH=bin_dir + os.pathsep + os.environ['PATH'])
        for name in ('XDG_DATA_HOME', 'COR_PROFILE'):
            env.pop(name, None)
        return repo, env

    def run_document(self, doc):
        blocks, problems = extract(doc)
        self.assertEqual(problems, [])
        repo, env = self.sandbox()
        last_out = last_kind = None
        for block in blocks:
            with self.subTest(block.where()):
                if block.kind == 'sh' and block.arg == 'no-test':
                    for line in block.text.splitlines():
                        self.assertTrue(line.startswith(NO_TEST_COMMANDS),
                                        f'{block.where()}: only the build and test commands '
                                        f'may go untested: {line}')
                elif block.kind == 'sh':
                    r = subprocess.run(['bash', '-e', '-o', 'pipefail', '-c', block.text],
                                       cwd=repo, env=env, capture_output=True, timeout=600)
                    self.assertEqual(r.returncode, 0, f'{block.where()}:\n{block.text}'
                                     f'{r.stderr.decode(errors="replace")[-3000:]}')
                    last_out = r.stdout.decode('utf-8', 'replace')
                    for name, *colour in block.checks:
                        self.check_screenshot(os.path.join(repo, name),
                                              tuple(int(c) for c in colour), block)
                elif block.kind == 'output':
                    self.assertEqual(last_kind, 'sh', f'{block.where()}: output of no command')
                    out = last_out[:-1] if last_out.endswith('\n') else last_out
                    self.assertEqual(out, block.text[:-1], block.where())
                elif block.arg is not None:
                    path = os.path.join(repo, block.arg)
                    os.makedirs(os.path.dirname(path), exist_ok=True)
                    with open(path, 'w', encoding='utf-8') as f:
                        f.write(block.text)
                elif block.kind == 'python':
                    r = subprocess.run([sys.executable, '-c', block.text], cwd=repo, env=env,
                                       capture_output=True, text=True, timeout=600)
                    self.assertEqual(r.returncode, 0, f'{block.where()}: {r.stderr}')
                elif block.kind == 'cpp':
                    self.compile(block)
                elif block.kind != 'text':
                    self.fail(f'{block.where()}: unknown kind of example "{block.kind}"')
            last_kind = block.kind
        return blocks

    def compile(self, block):
        r = subprocess.run([CXX, '-std=c++20', '-fsyntax-only', '-Wall', '-Wextra', '-I', ROOT,
                            '-x', 'c++', '-'], input=block.text, capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, f'{block.where()}: {r.stderr}')

    def check_screenshot(self, path, colour, block):
        self.assertTrue(os.path.exists(path), f'{block.where()}: no {path}')
        width, height, rows = png_pixels(path)
        hits = [(x, y) for y in range(height) for x in range(width)
                if all(abs(p - c) <= 24 for p, c in zip(rows[y][x], colour))]
        # Glyphs of a line of text: many pixels, in one band, not a flood.
        self.assertGreater(len(hits), 100, f'{block.where()}: {path} lacks {colour}')
        self.assertLess(len(hits), width * height // 4, f'{block.where()}: {path}')

    def test_readme(self):
        blocks = self.run_document(os.path.join(ROOT, 'README.md'))
        kinds = {b.kind for b in blocks}
        self.assertTrue({'sh', 'output', 'json', 'tf'} <= kinds, kinds)

    def test_docs(self):
        docs = sorted(glob.glob(os.path.join(ROOT, 'docs', '*.md')))
        self.assertIn(os.path.join(ROOT, 'docs', 'config-store.md'), docs)
        for doc in docs:
            with self.subTest(os.path.basename(doc)):
                self.run_document(doc)


if __name__ == '__main__':
    BUILD = sys.argv.pop(1)
    CXX = sys.argv.pop(1)
    unittest.main()
