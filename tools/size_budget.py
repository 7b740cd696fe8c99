#!/usr/bin/env python3
# tools/size_budget.py: fails when an executable outgrows its byte budget, naming the biggest parts of it.
"""Usage: size_budget.py EXE MAP BUDGET

EXE is read whole from the medium at every start, so its size is checked against BUDGET (bytes). MAP is the
GNU ld link map of EXE (-Map): the bytes each input placed in the image are summed per object file or archive
member, and the biggest are listed, so a change that pulls a large piece of a runtime back in is named the day
it lands. Code optimised across files at link time (LTO) counts as the program's own code.
"""
import collections
import os
import re
import sys

# " .text  0x00401000  0x1f4 path/libstdc++.a(string-inst.o)": an input section placed at an address.
PLACED = re.compile(r"^ (?:\.\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")
SHOWN = 10


def part_name(path):
    name = os.path.basename(path)
    if ".ltrans" in name:
        return "the program's own code (link-time optimised)"
    if name.endswith(".res)"):
        return "resources: the built-in picture, the icon, the version record and the manifest"
    return name


def parts(map_text):
    """Bytes placed per input, biggest first."""
    sizes = collections.Counter()
    placed = False
    for line in map_text.splitlines():
        if line.startswith("Linker script and memory map"):
            placed = True
        match = PLACED.match(line) if placed else None
        if match and int(match.group(1), 16):
            sizes[part_name(match.group(3))] += int(match.group(2), 16)
    return sizes.most_common()


def main(argv):
    if len(argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    exe, map_path, budget = argv[1], argv[2], int(argv[3])
    size = os.path.getsize(exe)
    with open(map_path, errors="replace") as f:
        biggest = parts(f.read())
    if not biggest:
        print("no placed input found in %s" % map_path)
        return 1
    verdict = "within" if size <= budget else "OVER"
    print("%s: %d bytes, %s its budget of %d bytes (%.1f KiB of %.1f KiB)" % (
        os.path.basename(exe), size, verdict, budget, size / 1024.0, budget / 1024.0))
    print("Biggest parts, in bytes placed in the image:")
    for name, count in biggest[:SHOWN]:
        print("  %7d  %s" % (count, name))
    return 0 if size <= budget else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
