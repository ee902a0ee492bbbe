"""The editor grammar in tools/editor on sample scripts and on the default
profile's scripts, through a small TextMate tokenizer.

    python3 tests/tools/editor_grammar_test.py
"""

import glob
import json
import os
import re
import unittest

ROOT = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", ".."))
EDITOR = os.path.join(ROOT, "tools", "editor")
GRAMMAR = os.path.join(EDITOR, "vesk-script.tmLanguage.json")
PROFILE_SCRIPTS = os.path.join(ROOT, "profiles", "default", "scripts", "*.tf")
# The built-in editor's own cases: script, then one letter per character.
LEXER_CASES = os.path.join(ROOT, "tests", "editor", "data", "lexer-classes.tsv")
# Sample scripts, and the class each part of them must take.
GRAMMAR_CASES = os.path.join(ROOT, "tests", "tools", "data", "grammar-cases.tsv")
LETTERS = {"b": "base", "f": "func", "v": "var", "c": "comment", "s": "symbol", "q": "quot",
           "p": "pare"}
SUFFIX = ".vesk-script"


class GrammarError(Exception):
    pass


def load_json(path):
    try:
        with open(path, encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError) as e:
        raise GrammarError(f"{path}: {e}") from None


class Tokenizer:
    """The part of a TextMate engine the grammar uses: top-level patterns,
    repository includes, match rules with captures, begin/end rules with
    captures and nested patterns, and a rule stack carried from line to line.
    """

    def __init__(self, grammar):
        self.scope = grammar["scopeName"]
        self.top = grammar["patterns"]
        self.repository = grammar.get("repository", {})
        self.compiled = {}

    def regex(self, source):
        if source not in self.compiled:
            try:
                self.compiled[source] = re.compile(source)
            except re.error as e:
                raise GrammarError(f"regex {source!r}: {e}") from None
        return self.compiled[source]

    def rules(self, patterns, including=()):
        """The match and begin rules of `patterns`, includes expanded in order."""
        for p in patterns:
            if "include" not in p:
                yield p
                continue
            ref = p["include"]
            if not ref.startswith("#") or ref[1:] not in self.repository:
                raise GrammarError(f"include {ref!r} names nothing in the repository")
            if ref in including:
                raise GrammarError(f"include {ref!r} includes itself")
            entry = self.repository[ref[1:]]
            inner = [entry] if "match" in entry or "begin" in entry else entry.get("patterns", [])
            yield from self.rules(inner, including + (ref,))

    def tokenize(self, text):
        """Per line, the scope stack of each character."""
        stack = [(None, (self.scope,))]
        return [self._line(line, stack) for line in text.splitlines()]

    def _line(self, line, stack):
        out = [None] * len(line)

        def paint(start, end, scopes):
            out[start:end] = [scopes] * (end - start)

        def paint_match(m, scopes, captures):
            paint(m.start(), m.end(), scopes)
            for key in sorted(captures or {}, key=int):
                group = int(key)
                if group > m.re.groups:
                    raise GrammarError(f"capture {group} of {m.re.pattern!r} does not exist")
                if m.start(group) >= 0:
                    paint(m.start(group), m.end(group), scopes + names(captures[key]))

        pos = 0
        while pos < len(line):
            rule, here = stack[-1]
            # The end pattern first, so that it wins a tie, then the rules in order.
            candidates = [("end", rule, rule["end"])] if rule else []
            for r in self.rules(rule.get("patterns", []) if rule else self.top):
                kind = "match" if "match" in r else "begin"
                candidates.append((kind, r, r[kind]))
            best = None
            for kind, r, source in candidates:
                m = self.regex(source).search(line, pos)
                if m and (best is None or m.start() < best[2].start()):
                    best = (kind, r, m)
            if best is None:
                paint(pos, len(line), here)
                break
            kind, r, m = best
            if m.end() == m.start():
                raise GrammarError(f"{m.re.pattern!r} matches nothing at column {pos} of {line!r}")
            paint(pos, m.start(), here)
            if kind == "end":
                paint_match(m, here, r.get("endCaptures"))
                stack.pop()
            elif kind == "match":
                paint_match(m, here + names(r), r.get("captures"))
            else:
                inner = here + names(r)
                paint_match(m, inner, r.get("beginCaptures"))
                stack.append((r, inner))
            pos = m.end()
        return out


def names(rule):
    return tuple(rule.get("name", "").split())


# What a theme would colour a character as: the innermost scope that has one
# of these prefixes decides.
CLASSES = (
    ("comment.", "comment"),
    ("string.", "string"),
    ("constant.character.escape.", "escape"),
    ("variable.other.field.", "field"),
    ("support.function.", "function"),
    ("keyword.control.directive.", "directive"),
    ("entity.name.function.", "name"),
    ("constant.other.macro.", "macro"),
    ("meta.brace.", "bracket"),
    ("punctuation.separator.", "separator"),
    ("invalid.illegal.", "invalid"),
)


def class_of(scopes):
    for scope in reversed(scopes):
        for prefix, cls in CLASSES:
            if scope.startswith(prefix):
                return cls
    return None


def classes(tokenizer, text):
    """One class per character of `text`, None for each line break."""
    flat = []
    for line in tokenizer.tokenize(text):
        flat += [class_of(s) for s in line] + [None]
    return flat


def lexer_colours(lines):
    """The built-in editor's colour for each character, as its lexer walks
    the text: a state carried across lines, where only a comment ends at the
    line's end."""
    mode, colour = "normal", "base"
    for line in lines:
        out = []
        for i, c in enumerate(line):
            if mode == "comment":
                out.append("comment")
                continue
            if c == "'":
                mode, colour = ("normal" if mode == "quote" else "quote"), "quot"
            elif mode == "quote":
                pass
            elif c in "()[]":
                mode, colour = "normal", "pare"
            elif c == ",":
                mode, colour = "normal", "symbol"
            elif c == "$":
                mode, colour = "function", "func"
            elif c == "%":
                mode, colour = ("normal" if mode == "variable" else "variable"), "var"
            elif c == "/" and line[i + 1:i + 2] == "/":
                mode, colour = "comment", "comment"
            elif mode == "normal":
                colour = "base"
            out.append(colour)
        if mode == "comment":
            mode, colour = "normal", "base"
        yield out


# The built-in editor has no colour for directives and macros (they stay
# plain text there); an escape keeps the colour of the sign it doubles.
# Everything else must agree with it, so an invalid character, which it
# cannot show, fails.
LEXER_OF = {"comment": "comment", "string": "quot", "field": "var", "function": "func",
            "bracket": "pare", "separator": "symbol", "directive": "base", "name": "base",
            "macro": "base", None: "base"}
ESCAPED = {"%": "var", "$": "func", "'": "quot"}


def read_table(path):
    """The rows of a case table: tab-separated fields, "\\t", "\\n", "\\r" and
    "\\" followed by any other sign standing for that sign, '#' lines left out."""
    unescape = {"r": "\r", "n": "\n", "t": "\t"}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if line and not line.startswith("#"):
                yield [re.sub(r"\\(.)", lambda m: unescape.get(m.group(1), m.group(1)), field)
                       for field in line.split("\t")]



class Grammar(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.grammar = load_json(GRAMMAR)
        cls.tokenizer = Tokenizer(cls.grammar)

    def all_rules(self):
        """Every rule of the grammar, nested ones included."""
        todo = list(self.grammar["patterns"]) + list(self.grammar["repository"].values())
        while todo:
            rule = todo.pop()
            yield rule
            todo += rule.get("patterns", [])

    def test_rules_are_well_formed(self):
        self.assertEqual(self.grammar["scopeName"], "source" + SUFFIX)
        self.assertEqual(self.grammar["fileTypes"], ["tf"])
        sources = 0
        for rule in self.all_rules():
            with self.subTest(rule=rule):
                if "include" in rule:
                    list(self.tokenizer.rules([rule]))
                for key in ("match", "begin", "end"):
                    if key in rule:
                        sources += 1
                        groups = self.tokenizer.regex(rule[key]).groups
                        captures = rule.get({"match": "captures", "begin": "beginCaptures",
                                             "end": "endCaptures"}[key], {})
                        for group in captures:
                            self.assertLessEqual(int(group), groups,
                                                 f"capture {group} of {rule[key]!r}")
                self.assertEqual("begin" in rule, "end" in rule)
                scopes = list(names(rule))
                for capture in ("captures", "beginCaptures", "endCaptures"):
                    for c in rule.get(capture, {}).values():
                        scopes += names(c)
                for scope in scopes:
                    self.assertTrue(scope.endswith(SUFFIX), scope)
        self.assertGreater(sources, 10)

    def test_sample_scripts(self):
        rows = 0
        for text, *expected in read_table(GRAMMAR_CASES):
            rows += 1
            with self.subTest(script=text):
                got = classes(self.tokenizer, text)
                at = 0
                for needle, cls in zip(expected[::2], expected[1::2]):
                    start = text.find(needle, at)
                    self.assertGreaterEqual(start, 0, f"{needle!r} is not in the script")
                    at = start + len(needle)
                    self.assertEqual(set(got[start:at]), {None if cls == "-" else cls},
                                     f"{needle!r} at {start}")
        self.assertGreater(rows, 40)

    def test_lexer_model_agrees_with_the_built_in_editors_cases(self):
        rows = 0
        for text, letters in read_table(LEXER_CASES):
            rows += 1
            with self.subTest(script=text):
                got = [c for part in lexer_colours(text.split("\r")) for c in part]
                want = [LETTERS[k] for k, c in zip(letters, text) if c != "\r"]
                self.assertEqual(got, want)
        self.assertGreater(rows, 5)

    def test_profile_scripts_colour_as_the_built_in_editor_does(self):
        paths = sorted(glob.glob(PROFILE_SCRIPTS))
        self.assertTrue(paths, PROFILE_SCRIPTS)
        calls = 0
        for path in paths:
            with self.subTest(script=os.path.relpath(path, ROOT)):
                with open(path, encoding="utf-8") as f:
                    lines = f.read().splitlines()
                tokens = self.tokenizer.tokenize("\n".join(lines))
                differences = []
                for number, (line, scopes, colours) in enumerate(
                        zip(lines, tokens, lexer_colours(lines)), 1):
                    got = [class_of(s) for s in scopes]
                    for col, (c, cls, colour) in enumerate(zip(line, got, colours)):
                        mine = ESCAPED[c] if cls == "escape" else LEXER_OF.get(cls, cls)
                        if c not in " \t" and mine != colour:
                            differences.append(f"{number}:{col + 1} {c!r} {cls} vs {colour}")
                    for m in re.finditer(r"\$[A-Za-z0-9_]+\(", line):
                        if colours[m.start()] in ("quot", "comment"):
                            continue
                        calls += 1
                        self.assertEqual(set(got[m.start():m.end() - 1]), {"function"},
                                         f"{number}: {m.group()}")
                self.assertEqual(differences[:10], [])
        self.assertGreater(calls, 200)

    def test_editor_package_loads_the_grammar(self):
        package = load_json(os.path.join(EDITOR, "package.json"))
        self.assertEqual(package["name"], "vesk-script")
        [language] = package["contributes"]["languages"]
        [grammar] = package["contributes"]["grammars"]
        self.assertIn(".tf", language["extensions"])
        self.assertEqual(grammar["language"], language["id"])
        self.assertEqual(grammar["scopeName"], self.grammar["scopeName"])
        self.assertEqual(os.path.realpath(os.path.join(EDITOR, grammar["path"])),
                         os.path.realpath(GRAMMAR))
        config = load_json(os.path.join(EDITOR, language["configuration"]))
        self.assertEqual(config["comments"], {"lineComment": "//"})
        self.assertEqual(config["brackets"], [["(", ")"], ["[", "]"]])


if __name__ == "__main__":
    unittest.main()
