#!/usr/bin/env python3
"""Which suite catches which fault: applies one-line faults to a copy of the
tree, one at a time, builds the test preset, runs the suites and records
which of them failed.

    python3 tools/mutation_sample.py [--only ID,ID...] [--copy FOLDER] [--table FILE]

The faults are listed in tools/mutations.tsv, one a line:

    id <TAB> kind <TAB> file <TAB> text <TAB> replacement

`text` must occur exactly once in `file` (\\n stands for a line break, \\t
for a tab); it is replaced for that run and put back after. --check only
says whether each fault still applies to this tree. The copy (build/mutation/tree
unless --copy says otherwise; --copy . works in the repository itself,
putting each file back even when interrupted) is made from the files git
knows, built once and then rebuilt incrementally for each fault, so a run costs an
incremental build and a test run per fault. A fault that does not build
is recorded as such; a fault that no suite notices survives. The table
printed at the end (and written to --table) has one row per fault.

Not part of the test command: it runs for hours on a small machine.
"""
import argparse
import csv
import os
import re
import shutil
import subprocess
import sys
import time

ROOT = os.path.realpath(os.path.join(os.path.dirname(__file__), ".."))
LIST = os.path.join(ROOT, "tools", "mutations.tsv")
FAILED = re.compile(r"^\s*\d+ - (\S+) \(")


def decode(field):
    return field.replace("\\n", "\n").replace("\\t", "\t")


def load(only):
    faults = []
    with open(LIST, encoding="utf-8") as f:
        for number, row in enumerate(csv.reader(f, delimiter="\t", quoting=csv.QUOTE_NONE), 1):
            if not row or row[0].startswith("#"):
                continue
            if len(row) != 5:
                sys.exit(f"{LIST}:{number}: five fields expected, {len(row)} found")
            ident, kind, path, text, replacement = row
            if only and ident not in only:
                continue
            faults.append({"id": ident, "kind": kind, "file": path, "text": decode(text),
                           "replacement": decode(replacement)})
    return faults


def sh(args, cwd, log, timeout=None, env=None):
    with open(log, "a", encoding="utf-8") as out:
        out.write(f"\n$ {' '.join(args)}\n")
        out.flush()
        try:
            return subprocess.run(args, cwd=cwd, stdout=out, stderr=subprocess.STDOUT,
                                  timeout=timeout, env=env).returncode
        except subprocess.TimeoutExpired:
            return -1


def make_copy(copy, log):
    if copy == ROOT:
        return
    files = subprocess.check_output(["git", "ls-files", "-z"], cwd=ROOT).decode().split("\0")
    for name in filter(None, files):
        source, target = os.path.join(ROOT, name), os.path.join(copy, name)
        if not os.path.isfile(source):
            continue
        os.makedirs(os.path.dirname(target), exist_ok=True)
        if not os.path.exists(target) or open(source, "rb").read() != open(target, "rb").read():
            # The copy takes the time of copying: with the source's older
            # time kept, the build would not see a file put back after a run
            # that was cut short while its fault was in place.
            shutil.copy(source, target)
    if sh(["cmake", "--preset", "tests"], copy, log) != 0:
        sys.exit(f"the copy does not configure; see {log}")


def build(copy, log):
    return sh(["cmake", "--build", "--preset", "tests"], copy, log) == 0


def suites_failing(copy, log):
    """The names of the suites that failed; None when the run did not end."""
    env = dict(os.environ, WINEPREFIX=os.path.join(copy, "build", "tests", "wineprefix"))
    sh(["scripts/wine-prefix.sh", env["WINEPREFIX"]], copy, log, env=env)
    output = os.path.join(copy, "build", "mutation-ctest.txt")
    with open(output, "w"):
        pass
    code = sh(["bash", "-c", "scripts/with-display.sh ctest --preset tests --parallel 2 "
               f"--timeout 900 > {output} 2>&1"], copy, log, timeout=3600, env=env)
    if code == -1:
        return None
    with open(output, encoding="utf-8", errors="replace") as f:
        return sorted({m.group(1) for line in f if (m := FAILED.match(line))})


def apply(copy, fault):
    path = os.path.join(copy, fault["file"])
    with open(path, encoding="utf-8") as f:
        original = f.read()
    count = original.count(fault["text"])
    if count != 1:
        return None, f"the text occurs {count} times"
    with open(path, "w", encoding="utf-8") as f:
        f.write(original.replace(fault["text"], fault["replacement"]))
    return original, None


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--only", default="", help="comma-separated fault ids")
    parser.add_argument("--copy", default=os.path.join(ROOT, "build", "mutation", "tree"))
    parser.add_argument("--table", help="also write the table to this file")
    parser.add_argument("--check", action="store_true", help="only check that each applies")
    args = parser.parse_args()
    faults = load(set(filter(None, args.only.split(","))))
    if args.check:
        bad = 0
        for fault in faults:
            with open(os.path.join(ROOT, fault["file"]), encoding="utf-8") as f:
                count = f.read().count(fault["text"])
            if count != 1:
                bad += 1
                print(f"{fault['id']}: the text occurs {count} times in {fault['file']}")
        print(f"{len(faults) - bad} of {len(faults)} faults apply")
        return 1 if bad else 0
    copy = os.path.realpath(args.copy)
    if copy == ROOT:
        log = os.path.join(ROOT, "build", "mutation.log")
        os.makedirs(os.path.dirname(log), exist_ok=True)
    else:
        os.makedirs(copy, exist_ok=True)
        log = os.path.join(os.path.dirname(copy), "mutation.log")
    make_copy(copy, log)
    if not build(copy, log):
        sys.exit(f"the copy does not build; see {log}")
    baseline = suites_failing(copy, log)
    if baseline != []:
        sys.exit(f"the suites fail without a fault ({baseline}); see {log}")

    rows = []
    for fault in faults:
        started = time.time()
        original, problem = apply(copy, fault)
        try:
            if problem:
                caught = f"not applied: {problem}"
            elif not build(copy, log):
                caught = "does not build"
            else:
                failing = suites_failing(copy, log)
                caught = "no end" if failing is None else (", ".join(failing) or "SURVIVED")
        finally:
            if original is not None:
                with open(os.path.join(copy, fault["file"]), "w", encoding="utf-8") as f:
                    f.write(original)
        rows.append((fault["id"], fault["kind"], fault["file"], caught))
        print(f"{fault['id']}: {caught} ({time.time() - started:.0f} s)", flush=True)
    build(copy, log)

    table = ["| fault | kind | file | caught by |", "|---|---|---|---|"]
    table += [f"| {i} | {k} | `{f}` | {c} |" for i, k, f, c in rows]
    print("\n".join(table))
    if args.table:
        with open(args.table, "w", encoding="utf-8") as f:
            f.write("\n".join(table) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
