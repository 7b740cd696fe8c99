#!/usr/bin/env python3
# tools/medium_sums.py: the medium's SHA256SUMS, and the check of an image against it and the launcher's signature.
"""SHA256SUMS lists every other file of the medium in sha256sum's format, with '/' between folders, so
`sha256sum -c SHA256SUMS` checks a mounted medium too.
"""
import hashlib
import os
import shutil
import subprocess
import tempfile

import authenticode

SUMS = "SHA256SUMS"
LAUNCHER = "Launch.exe"


class ImageError(Exception):
    pass


def medium_files(tree):
    """The files under tree as sorted relative paths with '/' separators."""
    found = []
    for folder, _dirs, files in os.walk(tree):
        prefix = os.path.relpath(folder, tree).replace(os.sep, "/") + "/"
        found += [name if prefix == "./" else prefix + name for name in files]
    return sorted(found)


def file_sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def write_sums(tree):
    """Writes tree/SHA256SUMS for every other file under tree."""
    lines = ["%s  %s\n" % (file_sha256(os.path.join(tree, path)), path)
             for path in medium_files(tree) if path != SUMS]
    with open(os.path.join(tree, SUMS), "w", encoding="utf-8", newline="") as f:
        f.writelines(lines)


def read_sums(tree):
    """{path: digest} from tree/SHA256SUMS; raises OSError or ValueError when it is missing or malformed."""
    listed = {}
    with open(os.path.join(tree, SUMS), encoding="utf-8") as f:
        for line in f:
            digest, path = line.rstrip("\n").split("  ", 1)
            listed[path] = digest
    return listed


def check_sums(tree):
    """The problems found comparing the files under tree with its SHA256SUMS."""
    try:
        listed = read_sums(tree)
    except (OSError, ValueError) as e:
        return ["%s is missing or malformed: %s" % (SUMS, e)]
    present = [path for path in medium_files(tree) if path != SUMS]
    problems = ["missing: " + path for path in sorted(set(listed) - set(present))]
    problems += ["not in %s: %s" % (SUMS, path) for path in present if path not in listed]
    problems += ["changed: " + path for path in present
                 if path in listed and file_sha256(os.path.join(tree, path)) != listed[path]]
    return problems


def extract(iso, tree):
    if not os.path.isfile(iso):
        raise ImageError("no image at %s" % iso)  # osirrox would take it for a blank medium
    result = subprocess.run(["osirrox", "-indev", iso, "-extract", "/", tree], stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if result.returncode != 0:
        raise ImageError("osirrox cannot read %s:\n%s" % (iso, result.stdout.decode(errors="replace")))


def remove_tree(path):
    """Removes a tree extracted from an image, whose folders are read-only."""
    for folder, _dirs, _files in os.walk(path):
        os.chmod(folder, 0o755)
    shutil.rmtree(path, ignore_errors=True)


def verify_image(iso, ca_file=None):
    """Checks every file of the image against its SHA256SUMS, and the launcher's signature against ca_file
    (default: the system's trusted CAs); prints what it finds and returns the list of problems."""
    scratch = tempfile.mkdtemp(prefix="medium-verify-")
    try:
        tree = os.path.join(scratch, "tree")
        extract(iso, tree)
        problems = check_sums(tree)
        if not problems:
            print("%s: all %d files match" % (SUMS, len(medium_files(tree)) - 1))
        try:
            signer = authenticode.verify(os.path.join(tree, LAUNCHER), ca_file)
            print("%s: signature verified, signed by %s" % (LAUNCHER, signer))
        except authenticode.SigningError as e:
            problems.append(str(e))
    finally:
        remove_tree(scratch)
    for problem in problems:
        print("FAILED: " + problem)
    return problems
