#!/usr/bin/env python3
# tools/make_iso.py: builds the installation medium as an ISO 9660 image with Joliet names, ready to burn.
"""Usage: make_iso.py OUT.iso --bin WINBUILDDIR [--real DIR] [--art DIR [--skincheck PATH]] [--tree DIR]
                   [--sign-pkcs12 FILE --sign-password-file FILE [--ca FILE] [--timestamp URL]
                    [--signing-time UNIX_SECONDS] [--sign-all]]
       make_iso.py --verify IMAGE [--ca FILE]

Lays out the medium with tools/make_medium.py (launcher, autorun.inf, skins, sounds, stand-in programs) and
writes it with xorriso. --real DIR takes the real installer and driver removal programs from DIR, which must
hold Setup\\Setup.exe, Driver\\CardRemover.exe and Driver\\TunerSetup.exe (either separator, any case).
--art DIR takes the Autorun tree (skins and sounds) from DIR/Autorun instead of the demo artwork; the image
is written only when skincheck (default build/host/tools/skincheck/skincheck) passes on the medium.
--tree keeps the laid-out tree in DIR instead of a temporary folder.

The image is reproducible: every date in it is SOURCE_DATE_EPOCH when set, else the time of the checked-out
commit, and owners and modes are fixed. --sign-pkcs12 signs Launch.exe with Authenticode before the image is
written (--sign-all also the other three programs where they carry no signature yet) and verifies each
signature against --ca (default: the system's trusted CAs); a failure leaves neither image nor tree. The image
carries SHA256SUMS of every other file; --verify checks an image against it and the launcher's signature.
"""
import argparse
import collections
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import authenticode  # noqa: E402
import make_medium  # noqa: E402
import medium_sums  # noqa: E402
from authenticode import SigningError  # noqa: E402

VOLUME_ID = "VELTRANA"
DEFAULT_SKINCHECK = os.path.join(os.path.dirname(HERE), "build", "host", "tools", "skincheck", "skincheck")
REAL_PROGRAMS = [("Setup", "Setup.exe"), ("Driver", "CardRemover.exe"), ("Driver", "TunerSetup.exe")]
LAUNCHER = medium_sums.LAUNCHER
LAUNCHER_DESCRIPTION = "Veltrana TV Card Installation"  # the program name an elevation prompt shows

# pkcs12 and password_file name files; signing_time is seconds since 1970 or None for now.
Signing = collections.namedtuple("Signing", "pkcs12 password_file ca timestamp_url signing_time sign_all",
                                 defaults=(None, None, None, False))


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


def image_time(environ=os.environ):
    """Seconds since 1970 for every date in the image: SOURCE_DATE_EPOCH, else the checked-out commit's time."""
    value = environ.get("SOURCE_DATE_EPOCH")
    if value:
        if not value.isdigit():
            raise MediumError("SOURCE_DATE_EPOCH is not a number of seconds: %r" % value)
        return int(value)
    try:
        git = subprocess.run(["git", "-C", os.path.dirname(HERE), "log", "-1", "--format=%ct"],
                             stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        commit_time = git.stdout.decode().strip() if git.returncode == 0 else ""
    except OSError:
        commit_time = ""
    if not commit_time.isdigit():
        raise MediumError("no time for the image: set SOURCE_DATE_EPOCH (seconds since 1970) "
                          "or build from a git checkout")
    return int(commit_time)


def sign_programs(tree, signing, scratch):
    """Signs the launcher, with sign_all also the other programs that carry no signature yet, and verifies
    every signature made."""
    authenticode.check_certificate(signing.pkcs12, signing.password_file)
    programs = [os.path.join(tree, LAUNCHER)]
    if signing.sign_all:
        others = [os.path.join(tree, folder, name) for folder, name in REAL_PROGRAMS]
        programs += [path for path in others if not authenticode.is_signed(path)]
    for path in programs:
        description = LAUNCHER_DESCRIPTION if path == programs[0] else None
        authenticode.sign(path, os.path.join(scratch, "signing.exe"), signing.pkcs12, signing.password_file,
                          signing.signing_time, signing.timestamp_url, description)
    for path in programs:
        authenticode.verify(path, signing.ca)


def write_iso(tree, out_iso, when):
    xorriso = shutil.which("xorriso")
    if xorriso is None:
        raise MediumError("xorriso is missing (Debian package xorriso)")
    stamp = time.strftime("%Y%m%d%H%M%S00", time.gmtime(when))
    # -no_rc: no start-up file may change the image. -J -joliet-long: Windows reads the Joliet names, which
    # keep case and length ("CardRemover.exe"); -r: Rock Ridge for Unix readers. Volume dates (and the volume
    # UUID made from them) and every file and folder date are `when`, owners and modes fixed, whatever the
    # tree on disk says; SOURCE_DATE_EPOCH also fixes the time of nodes that have no file on disk.
    args = [xorriso, "-no_rc", "-as", "mkisofs", "-J", "-joliet-long", "-r", "-V", VOLUME_ID,
            "--modification-date=" + stamp, "--set_all_file_dates", "=%d" % when,
            "-uid", "0", "-gid", "0", "-dir-mode", "0555", "-file-mode", "0444", "-o", out_iso, tree]
    log = out_iso + ".log"
    with open(log, "wb") as f:
        status = subprocess.run(args, stdin=subprocess.DEVNULL, stdout=f, stderr=subprocess.STDOUT,
                                cwd=os.path.dirname(out_iso), env=dict(os.environ, SOURCE_DATE_EPOCH=str(when)),
                                ).returncode
    if status != 0:
        with open(log, errors="replace") as f:
            raise MediumError("xorriso failed (%d):\n%s" % (status, f.read()))


def make_iso(out_iso, bindir, real_dir=None, tree=None, art_dir=None, skincheck=DEFAULT_SKINCHECK, signing=None):
    """Lays out the medium (in tree, or a temporary folder), signs it when signing is given, and writes out_iso;
    returns out_iso. After a failure there is no out_iso, nor a tree."""
    out_iso = os.path.abspath(out_iso)
    if os.path.exists(out_iso):
        os.remove(out_iso)  # an older image left there would pass for the result of a failed build
    when = image_time()
    scratch = tempfile.mkdtemp(prefix="medium-", dir=os.path.dirname(out_iso))
    kept_tree = tree
    tree = tree or os.path.join(scratch, "tree")
    if os.path.exists(tree):
        shutil.rmtree(tree)
    try:
        make_medium.make_medium(tree, bindir)
        if real_dir:
            copy_real_programs(real_dir, tree)
        if art_dir:
            copy_artwork(art_dir, tree, skincheck)
        if signing:
            sign_programs(tree, signing, scratch)
        medium_sums.write_sums(tree)
        # Written aside and renamed, so out_iso is either absent or complete.
        write_iso(tree, os.path.join(scratch, "medium.iso"), when)
        os.replace(os.path.join(scratch, "medium.iso"), out_iso)
    except BaseException:
        if kept_tree:
            shutil.rmtree(kept_tree, ignore_errors=True)
        raise
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    return out_iso


def main(argv):
    parser = argparse.ArgumentParser(description="Build the installation medium as an ISO 9660 + Joliet image.")
    parser.add_argument("out_iso", nargs="?")
    parser.add_argument("--bin", help="Windows build folder (Launch.exe, tools/standins)")
    parser.add_argument("--real", help="folder with Setup\\Setup.exe, Driver\\CardRemover.exe, Driver\\TunerSetup.exe")
    parser.add_argument("--art", help="folder with the Autorun tree (skins and sounds) to ship")
    parser.add_argument("--skincheck", default=DEFAULT_SKINCHECK, help="the skincheck command used with --art")
    parser.add_argument("--tree", help="keep the laid-out medium tree in this folder")
    parser.add_argument("--sign-pkcs12", metavar="FILE", help="sign with the certificate and key in this PKCS#12 file")
    parser.add_argument("--sign-password-file", metavar="FILE", help="file holding the PKCS#12 password")
    parser.add_argument("--timestamp", metavar="URL", help="RFC 3161 time stamp server")
    parser.add_argument("--signing-time", type=int, metavar="UNIX_SECONDS", help="fixed signing time")
    parser.add_argument("--sign-all", action="store_true", help="also sign the other programs not signed yet")
    parser.add_argument("--ca", metavar="FILE", help="trusted CA certificates (PEM) for checking signatures")
    parser.add_argument("--verify", metavar="IMAGE", help="check IMAGE against its SHA256SUMS and signature")
    args = parser.parse_args(argv[1:])
    if not args.verify and not (args.out_iso and args.bin):
        parser.error("OUT.iso and --bin are required")
    if bool(args.sign_pkcs12) != bool(args.sign_password_file):
        parser.error("--sign-pkcs12 and --sign-password-file go together")
    if not args.sign_pkcs12 and (args.timestamp or args.signing_time is not None or args.sign_all):
        parser.error("--timestamp, --signing-time and --sign-all need --sign-pkcs12")
    signing = args.sign_pkcs12 and Signing(args.sign_pkcs12, args.sign_password_file, args.ca, args.timestamp,
                                           args.signing_time, args.sign_all)
    try:
        if args.verify:
            if medium_sums.verify_image(args.verify, args.ca):
                sys.stderr.write("make_iso: %s fails verification\n" % args.verify)
                return 1
            return 0
        make_iso(args.out_iso, args.bin, args.real, args.tree, args.art, args.skincheck, signing)
    except (MediumError, SigningError, medium_sums.ImageError) as e:
        sys.stderr.write("make_iso: %s\n" % e)
        return 1
    print(args.out_iso)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
