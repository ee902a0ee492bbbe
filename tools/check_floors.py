#!/usr/bin/env python3
"""Guards the floors of src/ and corvina500/: no two folders may depend on
each other, directly or through others.

Reads every `#include "folder/..."` line of the two trees (each tree on its
own: a folder of one is not a folder of the other), builds the graph of
folders and prints every include between two folders of one loop, with its
file and line. Exits 1 when there is one.

    python3 tools/check_floors.py [ROOT]
"""
import os
import re
import sys

# "folder/..." or, from the repository's root, "tree/folder/...".
INCLUDE = re.compile(r'\s*#\s*include\s*"(?:(?:src|corvina500)/)?([^/"]+)/')
TREES = ("src", "corvina500")


def includes(tree):
    """Yields (folder, included folder, file, line) for each include between
    two folders of `tree`."""
    folders = {d for d in os.listdir(tree) if os.path.isdir(os.path.join(tree, d))}
    for folder in sorted(folders):
        for path, _, files in os.walk(os.path.join(tree, folder)):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                file = os.path.join(path, name)
                with open(file, encoding="utf-8", errors="replace") as f:
                    for number, text in enumerate(f, 1):
                        m = INCLUDE.match(text)
                        if m and m.group(1) in folders and m.group(1) != folder:
                            yield folder, m.group(1), file, number


def loops(edges):
    """The strongly connected groups of more than one folder (Tarjan)."""
    graph = {}
    for a, b in edges:
        graph.setdefault(a, set()).add(b)
        graph.setdefault(b, set())
    index, low, stack, on_stack, groups = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on_stack.add(v)
        for w in sorted(graph[v]):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = set()
            while True:
                w = stack.pop()
                on_stack.discard(w)
                group.add(w)
                if w == v:
                    break
            if len(group) > 1:
                groups.append(group)

    for v in sorted(graph):
        if v not in index:
            visit(v)
    return groups


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    failed = False
    for tree in TREES:
        found = list(includes(os.path.join(root, tree)))
        for group in loops((a, b) for a, b, _, _ in found):
            failed = True
            print(f"{tree}: folders in one loop: {', '.join(sorted(group))}")
            for a, b, file, number in found:
                if a in group and b in group:
                    print(f"  {os.path.relpath(file, root)}:{number}: {a} includes {b}")
    if failed:
        return 1
    print("floors: no loop between the folders of " + " or ".join(TREES))
    return 0


if __name__ == "__main__":
    sys.exit(main())
