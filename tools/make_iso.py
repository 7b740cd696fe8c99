#!/usr/bin/env python3
# tools/make_iso.py: builds the installation medium as an ISO 9660 image with Joliet names, ready to burn.
"""Usage: make_iso.py OUT.iso --bin WINBUILDDIR [--real DIR] [--art DIR [--skincheck PATH]] [--tree DIR]

Lays out the medium with tools/make_medium.py (launcher, autorun.inf, skins, sounds, stand-in programs) and
writes it with xorriso. --real DIR takes the real installer and driver removal programs from DIR, which must
hold Setup\\Setup.exe, Driver\\CardRemover.exe and Driver\\TunerSetup.exe (either separator, any case).
--art DIR takes the Autorun tree (skins and sounds) from DIR/Autorun instead of the demo artwork; the image
is written only when skincheck (default build/host/tools/skincheck/skincheck) passes on the medium.
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
DEFAULT_SKINCHECK = os.path.join(os.path.dirname(HERE), "build", "host", "tools", "skincheck", "skincheck")
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


def copy_artwork(art_dir, tree, skincheck):
    """Replaces the demo Autorun tree with art_dir/Autorun and refuses artwork that skincheck rejects."""
    source = find_case_insensitive(art_dir, ["Autorun"])
    if source is None or not os.path.isdir(source):
        raise MediumError("%s has no Autorun folder" % art_dir)
    if not os.access(skincheck, os.X_OK):
        raise MediumError("skincheck not found at %s (build the host side, or pass --skincheck)" % skincheck)
    target = os.path.join(tree, "Autorun")
    shutil.rmtree(target)
    shutil.copytree(source, target)
    result = subprocess.run([skincheck, "--medium", tree], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT)
    if result.returncode != 0:
        raise MediumError("the artwork fails skincheck:\n" + result.stdout.decode(errors="replace"))


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


def make_iso(out_iso, bindir, real_dir=None, tree=None, art_dir=None, skincheck=DEFAULT_SKINCHECK):
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
        if art_dir:
            copy_artwork(art_dir, tree, skincheck)
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
    parser.add_argument("--art", help="folder with the Autorun tree (skins and sounds) to ship")
    parser.add_argument("--skincheck", default=DEFAULT_SKINCHECK, help="the skincheck command used with --art")
    parser.add_argument("--tree", help="keep the laid-out medium tree in this folder")
    args = parser.parse_args(argv[1:])
    try:
        make_iso(args.out_iso, args.bin, args.real, args.tree, args.art, args.skincheck)
    except MediumError as e:
        sys.stderr.write("make_iso: %s\n" % e)
        return 1
    print(args.out_iso)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
