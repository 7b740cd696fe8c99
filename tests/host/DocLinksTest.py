#!/usr/bin/env python3
# tests/host/DocLinksTest.py: every relative link in README.md and docs/*.md names a file git tracks.
import glob
import os
import re
import subprocess
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
# [text](target "title"), ![alt](target) and reference definitions "[name]: target".
INLINE = re.compile(r"!?\[[^\]]*\]\(\s*<?([^)\s>]+)")
REFERENCE = re.compile(r"^\s*\[[^\]]+\]:\s*<?(\S+?)>?(?:\s|$)")


def links(path):
    """The link targets of a Markdown file, outside fenced code blocks."""
    fenced = False
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.lstrip().startswith("```"):
                fenced = not fenced
            elif not fenced:
                yield from INLINE.findall(line)
                yield from REFERENCE.findall(line)


def dead_links(root, tracked):
    for doc in [os.path.join(root, "README.md")] + sorted(glob.glob(os.path.join(root, "docs", "*.md"))):
        for target in links(doc):
            if re.match(r"^[a-z][a-z0-9+.-]*:", target, re.I) or target.startswith("#"):
                continue
            name = os.path.relpath(os.path.normpath(os.path.join(os.path.dirname(doc), target.split("#")[0])), root)
            if name not in tracked and not any(t.startswith(name + os.sep) for t in tracked):
                yield "%s: %s" % (os.path.relpath(doc, root), target)


def main():
    files = subprocess.run(["git", "-C", ROOT, "ls-files"], check=True, capture_output=True, text=True).stdout
    dead = list(dead_links(ROOT, set(files.split("\n"))))
    for line in dead:
        print("dead link in " + line)
    return 1 if dead else 0


if __name__ == "__main__":
    sys.exit(main())
