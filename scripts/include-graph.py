#!/usr/bin/env python3
"""Checks that the folders of src/ are layers: includes run only downwards, without a cycle.

Every folder is a node of its own (core/options and core/run are two); an arrow runs from the
folder of a file to the folder of each header it includes with #include "folder/file.h". A
folder's layer is its first name: protocol and platform at the ground, then core (QtCore only),
gui, and the two front-ends, app and kezconv. Besides the cycles it refuses
  - an include from a lower layer to a higher one, or between the two front-ends;
  - in protocol and platform any Qt header, in core any header of Qt's GUI or widget modules;
  - outside platform, the operating system's own headers;
  - in tools/kezcc, anything of src/ but protocol and platform.
Prints one line when all holds; otherwise names each fault and exits with 1.
`include-graph.py --self-test` plants each fault in a tree of its own and checks it is found.
"""
import glob
import os
import pathlib
import re
import sys
import tempfile

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SYSTEM_INCLUDE = re.compile(r'^\s*#\s*include\s+<([^>]+)>', re.MULTILINE)

# What each layer may include of src/.
MAY_INCLUDE = {
    "protocol": {"protocol"},
    "platform": {"platform"},
    "core": {"core", "protocol", "platform"},
    "gui": {"gui", "core", "protocol", "platform"},
    "app": {"app", "gui", "core", "protocol", "platform"},
    "kezconv": {"kezconv", "core", "protocol", "platform"},
}
# The bundled converter stands on the ground layers alone.
TOOL_MAY_INCLUDE = {"protocol", "platform"}
OS_HEADER = re.compile(r"^(unistd|poll|fcntl|signal|pthread|dirent|dlfcn|spawn|termios|pwd|grp|"
                       r"windows|winbase|shlobj|io|direct|process)\.h$|^sys/", re.IGNORECASE)
QT_HEADER = re.compile(r"^Q[A-Za-z]|^Qt[A-Za-z]*/")


def gui_headers():
    """The header names of Qt's GUI and widget modules, as installed."""
    names = set()
    for module in ("QtGui", "QtWidgets", "QtOpenGL", "QtOpenGLWidgets"):
        for folder in glob.glob(f"/usr/include/*/qt6/{module}") + glob.glob(f"/usr/include/qt6/{module}"):
            names.update(os.listdir(folder))
            names.update(f"{module}/{name}" for name in os.listdir(folder))
    return names


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


def sources(folder):
    for path in sorted(folder.rglob("*")):
        if path.suffix in (".h", ".cpp") and path.is_file():
            yield path, path.read_text(encoding="utf-8", errors="replace")


def layer_faults(src, graph, gui_names):
    faults = []
    for here, targets in graph.items():
        layer = here.split("/")[0]
        allowed = MAY_INCLUDE.get(layer)
        for there, why in targets.items():
            if allowed is not None and there.split("/")[0] not in allowed:
                faults.append(f"{layer} may not include {there.split('/')[0]}: {why}")
    for path, text in sources(src):
        name = path.relative_to(src).as_posix()
        layer = name.split("/")[0]
        for header in SYSTEM_INCLUDE.findall(text):
            if layer in ("protocol", "platform") and QT_HEADER.match(header):
                faults.append(f"{layer} includes no Qt: {name} includes <{header}>")
            elif layer == "core" and header in gui_names:
                faults.append(f"core includes no GUI header: {name} includes <{header}>")
            if layer != "platform" and OS_HEADER.match(header):
                faults.append(f"only platform includes the system's headers: {name} includes <{header}>")
    return faults


def tool_faults(src, tool):
    faults = []
    for path, text in sources(tool):
        for target in INCLUDE.findall(text):
            first = pathlib.PurePosixPath(target).parts[0]
            if (src / first).is_dir() and first not in TOOL_MAY_INCLUDE:
                faults.append(f"{tool.name} includes only protocol and platform of src: "
                              f"{path.relative_to(tool.parent.parent).as_posix()} includes \"{target}\"")
    return faults


def check(src, tool, gui_names):
    graph = arrows(src)
    faults = []
    for cycle in cycles(graph):
        faults.append("include cycle: " + " -> ".join([cycle[0][0]] + [b for _, b, _ in cycle]) + "".join(
            f"\n  {why}" for _, _, why in cycle))
    faults += layer_faults(src, graph, gui_names)
    if tool.is_dir():
        faults += tool_faults(src, tool)
    return graph, faults


def self_test():
    """Each planted fault must be found, and the tree without them must pass."""
    plants = {
        "upward": ("src/core/a/A.h", '#include "gui/b/B.h"\n'),
        "front-ends": ("src/kezconv/K.cpp", '#include "app/M.h"\n'),
        "qt in protocol": ("src/protocol/P.h", "#include <QString>\n"),
        "gui header in core": ("src/core/a/A.cpp", "#include <QWidget>\n"),
        "os header": ("src/core/a/B.cpp", "#include <unistd.h>\n"),
        "tool": ("tools/kezcc/T.cpp", '#include "core/a/A.h"\n'),
        "cycle": ("src/core/c/C.h", '#include "core/a/A.h"\n'),
    }
    base = {"src/core/a/A.h": '#include "protocol/P.h"\n#include "core/c/C.h"\n', "src/protocol/P.h": "",
            "src/gui/b/B.h": '#include "core/a/A.h"\n', "src/app/M.h": "", "src/kezconv/K.cpp": "",
            "src/core/c/C.h": "", "src/core/a/A.cpp": "#include <QString>\n", "src/core/a/B.cpp": "",
            "tools/kezcc/T.cpp": '#include "protocol/P.h"\n'}
    failed = 0
    for fault, plant in [(None, None)] + list(plants.items()):
        with tempfile.TemporaryDirectory() as root:
            files = dict(base)
            if plant:
                files[plant[0]] = files.get(plant[0], "") + plant[1]
            for name, text in files.items():
                path = pathlib.Path(root, name)
                path.parent.mkdir(parents=True, exist_ok=True)
                path.write_text(text)
            _, faults = check(pathlib.Path(root, "src"), pathlib.Path(root, "tools/kezcc"), {"QWidget"})
            if bool(faults) != bool(plant):
                failed += 1
                print(f"include graph self-test: {fault or 'clean tree'}: {faults or 'not found'}", file=sys.stderr)
    print(f"include graph self-test: {len(plants) + 1 - failed} of {len(plants) + 1} trees judged right")
    return 1 if failed else 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    root = pathlib.Path(__file__).resolve().parent.parent
    src = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else root / "src"
    graph, faults = check(src, root / "tools" / "kezcc", gui_headers())
    if not faults:
        count = sum(len(targets) for targets in graph.values())
        print(f"include graph: {len(graph)} folders, {count} arrows, every include downwards, no cycle")
        return 0
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
