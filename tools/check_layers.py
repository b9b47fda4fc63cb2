#!/usr/bin/env python3
"""The engine's layers, checked from its #include lines.

    check_layers.py ROOT              checks the tree at ROOT
    check_layers.py --self-test ROOT  checks that planted faults in a copy
                                      of it are each found

Rules: each folder of engine/ includes only itself and the folders below
it (text < files < geodesy < jobs); services.hpp includes nothing of the
engine; from outside the engine, only the operating-system interface
(platform/os/os.hpp), which includes nothing of the engine itself. No
include cycle, between files or between the parts a header and the
sources that implement it make (a source's first include is its own
header). No system header or call of one system in engine/: that goes
through os.hpp. No engine file over 650 lines.
"""
import os
import re
import shutil
import sys
import tempfile

LAYERS = ["text", "files", "geodesy", "jobs"]
SYSTEM = re.compile(r"unistd.h|fcntl.h|sys/stat.h|signal.h|pread|O_TMPFILE|lstat|windows.h|<io.h>|CreateFileW")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)
MAX_LINES = 650


def sources(folder):
    for base, _, names in os.walk(folder):
        for name in sorted(names):
            if name.endswith((".hpp", ".cpp")):
                path = os.path.join(base, name)
                yield os.path.relpath(path, folder).replace(os.sep, "/"), path


def find_cycle(graph):
    """A cycle of `graph` (node -> set of nodes) as a list, or None."""
    state = {}
    for start in sorted(graph):
        if start in state:
            continue
        stack = [(start, iter(sorted(graph[start])))]
        trail = [start]
        state[start] = "open"
        while stack:
            node, rest = stack[-1]
            nxt = next(rest, None)
            if nxt is None:
                state[node] = "done"
                stack.pop()
                trail.pop()
            elif state.get(nxt) == "open":
                return trail[trail.index(nxt):] + [nxt]
            elif nxt not in state and nxt in graph:
                state[nxt] = "open"
                stack.append((nxt, iter(sorted(graph[nxt]))))
                trail.append(nxt)
    return None


def check(root):
    faults = []
    engine = os.path.join(root, "engine")
    files = {}
    for rel, path in sources(engine):
        with open(path, encoding="utf-8") as f:
            files[rel] = f.read()

    def layer(rel):
        folder = rel.split("/")[0]
        return LAYERS.index(folder) if folder in LAYERS else -1

    includes = {rel: INCLUDE.findall(text) for rel, text in files.items()}
    for rel, text in files.items():
        lines = text.count("\n")
        if lines > MAX_LINES:
            faults.append(f"engine/{rel}: {lines} lines, more than {MAX_LINES}")
        for number, line in enumerate(text.splitlines(), 1):
            if SYSTEM.search(line):
                faults.append(f"engine/{rel}:{number}: the system's own call or header: {line.strip()}")
        for inc in includes[rel]:
            if inc == "os.hpp":
                continue
            if inc not in files:
                faults.append(f"engine/{rel}: includes \"{inc}\", which is neither the engine's nor os.hpp")
            elif rel == "services.hpp" or layer(inc) > layer(rel):
                faults.append(f"engine/{rel}: includes \"{inc}\", a layer above it")

    graph = {rel: {inc for inc in incs if inc in files} for rel, incs in includes.items()}
    cycle = find_cycle(graph)
    if cycle:
        faults.append("include cycle: " + " -> ".join(cycle))

    def part(rel):
        if rel.endswith(".cpp") and includes[rel] and includes[rel][0] in files:
            return includes[rel][0][:-4]
        return rel.rsplit(".", 1)[0]

    parts = {}
    for rel, incs in graph.items():
        parts.setdefault(part(rel), set()).update(part(inc) for inc in incs if part(inc) != part(rel))
    cycle = find_cycle(parts)
    if cycle:
        faults.append("cycle between parts (a header and its sources): " + " -> ".join(cycle))

    # The interface and each system's own headers beside it.
    interface = os.path.join(root, "platform", "os")
    for rel, path in sources(interface):
        with open(path, encoding="utf-8") as f:
            for inc in INCLUDE.findall(f.read()):
                if inc != "os.hpp" and not os.path.isfile(os.path.join(interface, inc)):
                    faults.append(f"platform/os/{rel}: includes \"{inc}\"; the interface stands below the engine")
    return faults


def plant(root, rel, change):
    path = os.path.join(root, rel)
    with open(path, encoding="utf-8") as f:
        text = f.read()
    with open(path, "w", encoding="utf-8") as f:
        f.write(change(text))


def self_test(root):
    def include(header):
        # After the first line: a source's own header, or a header's comment.
        return lambda text: text.replace("\n", f'\n#include "{header}"\n', 1)

    plants = [
        ("an upward include", "engine/text/errors.hpp", include("jobs/job.hpp"), "a layer above it"),
        ("services.hpp including the engine", "engine/services.hpp", include("text/errors.hpp"), "a layer above it"),
        ("a front end's header", "engine/files/reader.hpp", include("signals.hpp"), "neither the engine"),
        ("an include cycle", "engine/files/bytes.hpp", include("files/reader.hpp"), "include cycle"),
        ("sources needing each other", "engine/files/dialect.cpp", include("files/reader.hpp"), "cycle between parts"),
        ("a system header", "engine/files/chunks.cpp", lambda t: "#include <unistd.h>\n" + t, "system's own"),
        ("a Windows header", "engine/files/reader.cpp", lambda t: "#include <windows.h>\n" + t, "system's own"),
        ("a long file", "engine/text/numtext.cpp", lambda t: t + "\n" * MAX_LINES, "more than"),
        ("the interface on the engine", "platform/os/paths.cpp", lambda t: '#include "services.hpp"\n' + t,
         "below the engine"),
    ]
    failed = False
    with tempfile.TemporaryDirectory() as scratch:
        for name, rel, change, expected in [(None, None, None, None)] + plants:
            copy = os.path.join(scratch, "tree")
            shutil.rmtree(copy, ignore_errors=True)
            for part in ("engine", "platform/os"):
                shutil.copytree(os.path.join(root, part), os.path.join(copy, part))
            if change is not None:
                plant(copy, rel, change)
            faults = check(copy)
            if name is None and faults:
                print("the tree itself fails:", *faults, sep="\n  ")
                failed = True
            elif name is not None and not any(expected in fault for fault in faults):
                print(f"not found: {name} ({rel}); faults: {faults}")
                failed = True
    return not failed


def main():
    args = sys.argv[1:]
    if args and args[0] == "--self-test":
        return 0 if self_test(args[1]) else 1
    faults = check(args[0])
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
