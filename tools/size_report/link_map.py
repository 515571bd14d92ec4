#!/usr/bin/env python3
"""Prints where the bytes of a PE image come from, read from GNU ld's link map (-Map).

usage: link_map.py MAP [--objects N]

Every input section kept in a loaded output section is counted against its input file, and the
input files are grouped by library: the project's own objects, each static library (libstdc++,
mingwex, zlib, ...), the resource object and the linker's own (import tables, relocations). The
sizes are those of the input sections, before the output sections are padded to file alignment,
so they add up to a little less than the file.
"""
import argparse
import collections
import os
import re
import sys

# Output sections that take no room in the file, or hold only debug data stripped from a release.
SKIPPED = re.compile(r"^\.(bss|debug|zdebug|stab|comment|gnu)")
SECTION = re.compile(r"^(\.\S+)\s+0x[0-9a-f]+\s+0x[0-9a-f]+")
INPUT = re.compile(r"^ (\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")


def parse(lines):
    """Yields (output section, input file, size) for every input section of the memory map."""
    in_map = False
    output = None
    pending = None  # an input section name whose address and size are on the next line
    for line in lines:
        line = line.rstrip("\n")
        if not in_map:
            in_map = line.startswith("Linker script and memory map")
            continue
        match = SECTION.match(line)
        if match or (line.startswith(".") and " " not in line.strip()):
            output = line.split()[0]
            pending = None
            continue
        if output is None or SKIPPED.match(output):
            continue
        if pending is None and re.match(r"^ \.\S+$", line):
            pending = line.strip()
            continue
        if pending is not None:
            line = " " + pending + line
            pending = None
        match = INPUT.match(line)
        if not match or match.group(1) in ("*fill*", "*(", None) or match.group(4).startswith("*"):
            continue
        size = int(match.group(3), 16)
        if size:
            yield output, match.group(4).strip(), size


def library_of(input_file):
    """The group an input file counts for: a static library's name, or "own objects"."""
    archive = re.match(r"^(.*\.a)\((.*)\)$", input_file)
    if archive:
        return os.path.basename(archive.group(1)), archive.group(2)
    name = os.path.basename(input_file)
    if name.endswith(".lto.o"):
        # Link-time optimisation compiles every object of the project (and the templates they
        # instantiate) into one temporary object.
        return "own objects (link-time optimised)", "all project objects"
    if name == "dll stuff":
        return "linker: relocations", "base relocations"
    if name.endswith((".res", ".rc.res")):
        return "resources", name
    if "CMakeFiles" in input_file:
        return "own objects", re.sub(r"^.*?CMakeFiles/[^/]+\.dir/", "", input_file)
    return "linker and start-up files", name


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("map")
    parser.add_argument("--objects", type=int, default=25, help="how many of the largest input files to list")
    args = parser.parse_args()
    with open(args.map, encoding="utf-8", errors="replace") as f:
        entries = list(parse(f))
    if not entries:
        sys.exit("link_map.py: no input sections found in " + args.map)
    by_library = collections.Counter()
    by_section = collections.defaultdict(collections.Counter)
    by_object = collections.Counter()
    for output, input_file, size in entries:
        library, member = library_of(input_file)
        by_library[library] += size
        by_section[library][output] += size
        by_object[(library, member)] += size
    total = sum(by_library.values())
    print("input sections: %d bytes = %.1f KiB" % (total, total / 1024))
    print("by library:")
    for library, size in by_library.most_common():
        parts = ", ".join("%s %.1f" % (name, value / 1024) for name, value in by_section[library].most_common(4))
        print("  %-34s %8.1f KiB  (%s)" % (library, size / 1024, parts))
    print("largest input files:")
    for (library, member), size in by_object.most_common(args.objects):
        print("  %8.1f KiB  %-34s %s" % (size / 1024, library, member))


if __name__ == "__main__":
    main()
