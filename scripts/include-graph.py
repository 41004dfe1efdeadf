#!/usr/bin/env python3
"""Checks that the folders of src/ include one another without a cycle.

Every folder is a node of its own (errors and errors/window are two); an arrow runs from the
folder of a file to the folder of each header it includes with #include "folder/file.h".
Prints one line when the graph has no cycle; otherwise names each cycle and exits with 1.
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def arrows(src):
    graph = {}
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        here = path.parent.relative_to(src).as_posix()
        graph.setdefault(here, {})
        for target in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            there = pathlib.PurePosixPath(target).parent.as_posix()
            if there == ".":
                there = here  # a header beside the file
            if there != here and (src / there).is_dir():
                graph[here].setdefault(there, f"{path.relative_to(src).as_posix()} includes \"{target}\"")
                graph.setdefault(there, {})
    return graph


def cycles(graph):
    """One cycle per strongly connected group of folders (Tarjan), with the path that closes it."""
    index, low, stack, on_stack, groups = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for nxt in graph[node]:
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            group = []
            while True:
                top = stack.pop()
                on_stack.discard(top)
                group.append(top)
                if top == node:
                    break
            if len(group) > 1:
                groups.append(set(group))

    sys.setrecursionlimit(10000)
    for node in sorted(graph):
        if node not in index:
            visit(node)
    found = []
    for group in groups:
        start = min(group)
        path, seen = [start], {start}
        # Walk inside the group until the walk comes back to where it started.
        while True:
            nxt = sorted(n for n in graph[path[-1]] if n in group)
            back = start if start in nxt else next((n for n in nxt if n not in seen), nxt[0])
            path.append(back)
            if back == start or back in seen:
                break
            seen.add(back)
        if path[-1] != start:
            path = path[path.index(path[-1]):]
        found.append([(a, b, graph[a][b]) for a, b in zip(path, path[1:])])
    return found


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent / "src")
    graph = arrows(src)
    found = cycles(graph)
    if not found:
        count = sum(len(targets) for targets in graph.values())
        print(f"include graph: {len(graph)} folders, {count} arrows, no cycle")
        return 0
    for cycle in found:
        print("include cycle: " + " -> ".join([cycle[0][0]] + [b for _, b, _ in cycle]), file=sys.stderr)
        for _, _, why in cycle:
            print(f"  {why}", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
