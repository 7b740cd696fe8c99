#!/usr/bin/env python3
# tools/make_iso.py: builds the installation medium as an ISO 9660 image with Joliet names, ready to burn.
"""Usage: make_iso.py OUT.iso --bin WINBUILDDIR [--real DIR] [--tree DIR]

Lays out the medium with tools/make_medium.py (launcher, autorun.inf, skins, sounds, stand-in programs) and
writes it with xorriso. --real DIR takes the real installer and driver removal programs from DIR, which must
hold Setup\\Setup.exe, Driver\\CardRemover.exe and Driver\\TunerSetup.exe (either separator, any case).
--tree keeps the laid-out tree in DIR instead of a temporary folder.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import make_medium  # noqa: E402

VOLUME_ID = "VELTRANA"
REAL_PROGRAMS = [("Setup", "Setup.exe"), ("Driver", "CardRemover.exe"), ("Driver", "TunerSetup.exe")]


class MediumError(Exception):
    pass


def find_case_insensitive(root, parts):
    """The path under root whose components equal parts ignoring case, as a Windows medium would resolve it."""
    path = root
    for part in parts:
        try:
            names = os.listdir(path)
        except OSError:
            return None
        match = next((n for n in names if n.lower() == part.lower()), None)
        if match is None:
            return None
        path = os.path.join(path, match)
    return path


def copy_real_programs(real_dir, tree):
    """Replaces the stand-ins with the programs of real_dir, stored under the names the launcher starts."""
    missing = []
    found = []
    for folder, name in REAL_PROGRAMS:
        source = find_case_insensitive(real_dir, [folder, name])
        if source is None or not os.path.isfile(source):
            missing.append(folder + "\\" + name)
        else:
            found.append((source, os.path.join(tree, folder, name)))
    if missing:
        raise MediumError("%s lacks %s" % (real_dir, ", ".join(missing)))
    for source, target in found:
        shutil.copy2(source, target)
    # The stand-in's verdict file means nothing to a real removal program.
    verdict = os.path.join(tree, "Driver", "TunerSetup.verdict")
    if os.path.exists(verdict):
        os.remove(verdict)


def write_iso(tree, out_iso, log):
    xorriso = shutil.which("xorriso")
    if xorriso is None:
        raise MediumError("xorriso is missing (Debian package xorriso)")
    if os.path.exists(out_iso):
        os.remove(out_iso)
    # -J -joliet-long: Windows reads the Joliet names, which keep case and length ("CardRemover.exe");
    # -r: Rock Ridge for Unix readers, with sane permissions.
    args = [xorriso, "-as", "mkisofs", "-J", "-joliet-long", "-r", "-V", VOLUME_ID, "-o", out_iso, tree]
    with open(log, "wb") as f:
        status = subprocess.run(args, stdin=subprocess.DEVNULL, stdout=f, stderr=subprocess.STDOUT).returncode
    if status != 0:
        with open(log, errors="replace") as f:
            raise MediumError("xorriso failed (%d):\n%s" % (status, f.read()))


def make_iso(out_iso, bindir, real_dir=None, tree=None):
    """Lays out the medium (in tree, or a temporary folder) and writes out_iso; returns out_iso."""
    out_iso = os.path.abspath(out_iso)
    scratch = None
    if tree is None:
        scratch = tempfile.mkdtemp(prefix="medium-tree-", dir=os.path.dirname(out_iso))
        tree = os.path.join(scratch, "tree")
    elif os.path.exists(tree):
        shutil.rmtree(tree)
    try:
        make_medium.make_medium(tree, bindir)
        if real_dir:
            copy_real_programs(real_dir, tree)
        write_iso(tree, out_iso, out_iso + ".log")
    finally:
        if scratch:
            shutil.rmtree(scratch, ignore_errors=True)
    return out_iso


def main(argv):
    parser = argparse.ArgumentParser(description="Build the installation medium as an ISO 9660 + Joliet image.")
    parser.add_argument("out_iso")
    parser.add_argument("--bin", required=True, help="Windows build folder (Launch.exe, tools/standins)")
    parser.add_argument("--real", help="folder with Setup\\Setup.exe, Driver\\CardRemover.exe, Driver\\TunerSetup.exe")
    parser.add_argument("--tree", help="keep the laid-out medium tree in this folder")
    args = parser.parse_args(argv[1:])
    try:
        make_iso(args.out_iso, args.bin, args.real, args.tree)
    except MediumError as e:
        sys.stderr.write("make_iso: %s\n" % e)
        return 1
    print(args.out_iso)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
