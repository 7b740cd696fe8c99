#!/usr/bin/env python3
# tools/make_medium.py: lays out an installation medium: the launcher, the stand-in programs, skins, sounds, autorun.inf.
"""Usage: make_medium.py OUTDIR --bin WINBUILDDIR [--verdict V]

WINBUILDDIR is the Windows build folder (Launch.exe, tools/standins/*.exe).
--verdict writes OUTDIR/Driver/TunerSetup.verdict: 1, 0, 2, sz:TEXT or none.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
MAKE_ART = os.path.join(HERE, "art", "make_art.py")
ART_CACHE = "art-medium"
STAMP = ".complete"

PROGRAMS = [
    ("Launch.exe", "Launch.exe"),
    (os.path.join("tools", "standins", "Setup.exe"), os.path.join("Setup", "Setup.exe")),
    (os.path.join("tools", "standins", "CardRemover.exe"), os.path.join("Driver", "CardRemover.exe")),
    (os.path.join("tools", "standins", "TunerSetup.exe"), os.path.join("Driver", "TunerSetup.exe")),
]

AUTORUN_INF = "[autorun]\r\nopen=Launch.exe\r\nicon=Launch.exe\r\nlabel=Veltrana\r\n"


def art_tree(bindir):
    """The generated Autorun tree, cached in the build folder until make_art.py changes."""
    cache = os.path.join(bindir, ART_CACHE)
    stamp = os.path.join(cache, STAMP)
    if os.path.exists(stamp) and os.path.getmtime(stamp) >= os.path.getmtime(MAKE_ART):
        return cache
    # Built aside and renamed into place, so parallel callers never see half a tree.
    scratch = tempfile.mkdtemp(prefix=ART_CACHE + ".", dir=bindir)
    os.chmod(scratch, 0o755)
    try:
        subprocess.run([sys.executable, MAKE_ART, "medium", scratch], check=True)
        open(os.path.join(scratch, STAMP), "w").close()
        if os.path.exists(cache):
            shutil.rmtree(cache, ignore_errors=True)
        try:
            os.rename(scratch, cache)
        except OSError:
            # Another caller put a fresh tree there first.
            if not os.path.exists(stamp):
                raise
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    return cache


def make_medium(outdir, bindir, verdict=None):
    """Lays out a complete medium in outdir from the Windows build in bindir; returns outdir."""
    os.makedirs(outdir, exist_ok=True)
    for source, target in PROGRAMS:
        path = os.path.join(outdir, target)
        os.makedirs(os.path.dirname(path) or outdir, exist_ok=True)
        shutil.copy2(os.path.join(bindir, source), path)
    autorun = os.path.join(outdir, "Autorun")
    if os.path.exists(autorun):
        shutil.rmtree(autorun)
    shutil.copytree(os.path.join(art_tree(bindir), "Autorun"), autorun)
    verdict_file = os.path.join(outdir, "Driver", "TunerSetup.verdict")
    if verdict is None:
        if os.path.exists(verdict_file):
            os.remove(verdict_file)
    else:
        with open(verdict_file, "w", newline="") as f:
            f.write(str(verdict))
    with open(os.path.join(outdir, "autorun.inf"), "w", newline="") as f:
        f.write(AUTORUN_INF)
    return outdir


def main(argv):
    parser = argparse.ArgumentParser(description="Lay out an installation medium.")
    parser.add_argument("outdir")
    parser.add_argument("--bin", required=True, help="Windows build folder")
    parser.add_argument("--verdict", help="TunerSetup verdict: 1, 0, 2, sz:TEXT or none")
    args = parser.parse_args(argv[1:])
    make_medium(args.outdir, args.bin, args.verdict)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
