#!/usr/bin/env python3
"""Checks that every #include "..." under src/ follows the layer order of docs/ARCHITECTURE.md.

The order is the ```layers block of that file: one line per layer, lowest first, the folders of
a layer separated by blanks. A file may include files of its own folder and of folders on lower
lines; folders on the same line are peers and may not include each other. Every folder of src/
must have a place in the order, and an include without a folder may only name a generated file
(one that is not in src/).

    check_layers.py [ROOT]        checks ROOT (default: the repository holding this script)
    check_layers.py --self-test   shows on a made-up tree that each kind of fault is reported

Exit code 0 when every include is allowed; otherwise 1, with one "file:line: reason" per fault.
"""

import os
import re
import sys
import tempfile

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
SOURCE_SUFFIXES = (".h", ".cpp", ".inc")


def read_layers(architecture_path):
    """The layer of each folder (0 = lowest), from the ```layers block."""
    with open(architecture_path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    try:
        start = next(i for i, line in enumerate(lines) if line.strip() == "```layers")
    except StopIteration:
        raise SystemExit(f"{architecture_path}: no ```layers block")
    rank = {}
    level = 0
    for line in lines[start + 1:]:
        if line.strip() == "```":
            break
        folders = line.split()
        if not folders:
            continue
        for folder in folders:
            if folder in rank:
                raise SystemExit(f"{architecture_path}: folder {folder} appears twice in the layer order")
            rank[folder] = level
        level += 1
    if not rank:
        raise SystemExit(f"{architecture_path}: the ```layers block is empty")
    return rank


def check(root):
    """The faults found under root/src, as "path:line: reason" texts."""
    rank = read_layers(os.path.join(root, "docs", "ARCHITECTURE.md"))
    src = os.path.join(root, "src")
    faults = []
    folders = sorted(d for d in os.listdir(src) if os.path.isdir(os.path.join(src, d)))
    for folder in folders:
        if folder not in rank:
            faults.append(f"src/{folder}: folder has no place in the layer order of docs/ARCHITECTURE.md")
    names_in_src = set()
    for folder in folders:
        for name in os.listdir(os.path.join(src, folder)):
            names_in_src.add(name)
    for folder in folders:
        folder_path = os.path.join(src, folder)
        for dirpath, _, filenames in os.walk(folder_path):
            for name in sorted(filenames):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(dirpath, name)
                shown = os.path.relpath(path, root).replace(os.sep, "/")
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        fault = judge(folder, match.group(1), rank, names_in_src)
                        if fault:
                            faults.append(f"{shown}:{number}: {fault}")
    return faults


def judge(folder, included, rank, names_in_src):
    """Why folder may not include the path, or None when it may."""
    if "/" not in included:
        if included in names_in_src:
            return f'"{included}" is a file of src/: name it with its folder'
        return None  # a generated file of the build tree
    target = included.split("/", 1)[0]
    if target == folder:
        return None
    if target not in rank:
        return f'"{included}": folder {target} has no place in the layer order'
    if folder not in rank:
        return None  # reported once for the folder itself
    if rank[target] > rank[folder]:
        return f'"{included}": {folder} may not include {target}, a higher layer'
    if rank[target] == rank[folder]:
        return f'"{included}": {folder} may not include {target}, a peer on the same layer'
    return None


def self_test():
    """A made-up tree with one fault of each kind: each must be reported at its file and line."""
    with tempfile.TemporaryDirectory() as root:
        os.makedirs(os.path.join(root, "docs"))
        with open(os.path.join(root, "docs", "ARCHITECTURE.md"), "w") as f:
            f.write("Text.\n\n```layers\nlow\nleft right\nhigh\n```\n")
        files = {
            "low/a.h": '#pragma once\n#include "low/b.h"\n',
            "low/b.h": '#pragma once\n',
            "low/c.cpp": '#include "low/a.h"\n\n#include "high/x.h"\n',
            "left/l.cpp": '#include "low/a.h"\n#include "right/r.h"\n',
            "right/r.h": '#pragma once\n#include "keys.inc"\n#include "b.h"\n',
            "high/x.h": '#include "left/l.h"\n#include "right/r.h"\n#include "other/o.h"\n',
            "stray/s.h": '#include "low/a.h"\n',
        }
        for name, text in files.items():
            path = os.path.join(root, "src", name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(text)
        got = check(root)
        expected = [
            "src/stray: folder has no place in the layer order of docs/ARCHITECTURE.md",
            'src/high/x.h:3: "other/o.h": folder other has no place in the layer order',
            'src/left/l.cpp:2: "right/r.h": left may not include right, a peer on the same layer',
            'src/low/c.cpp:3: "high/x.h": low may not include high, a higher layer',
            'src/right/r.h:3: "b.h" is a file of src/: name it with its folder',
        ]
        if sorted(got) != sorted(expected):
            print("self-test failed; reported:", *got, "expected:", *expected, sep="\n  ")
            return 1
        print(f"self-test: all {len(expected)} faults reported")
        return 0


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    root = argv[1] if len(argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    faults = check(root)
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) against the layer order of docs/ARCHITECTURE.md")
        return 1
    print("every include follows the layer order")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
