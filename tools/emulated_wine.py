#!/usr/bin/env python3
# tools/emulated_wine.py: lays out a private copy of Wine's loader folder whose 32-bit loader runs under qemu-i386.
"""Usage: tools/emulated_wine.py

Lays out build/emulated-wine/ under the source root and prints the path of its wine64, or prints one line
naming what is missing and exits with status 1.

Wine's 64-bit loader starts a 32-bit program by executing the file named `wine` in its own folder, and finds
its libraries relative to that folder. Here `wine` is a script that runs the real 32-bit loader under
qemu-i386-static, with tools/emulation/wine_i386_fixes.c preloaded into the emulated process, built with the
fixes that qemu's version needs (QEMU_FIXES). The preload's `$PLATFORM` is left to the dynamic loader: i686 in
the emulated process, x86_64 in the native programs that inherit the variable, which get an empty library. Run
programs with WINELOADER set to the printed wine64 and WINEARCH=win64: only the 32-bit processes are emulated;
wineserver, services and explorer stay native.

Idempotent: the loaders are copied again when the system ones changed (a symlink would not do: the real path
decides the folder), the library is built again when its source is newer or its fixes change.
"""

import filecmp
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FIXES = "wine_i386_fixes"
SYSTEM_WINE = "/usr/lib/wine"
WINE32_LOADER = SYSTEM_WINE + "/wine"
# (path in the tree, what it points at). Wine 10 spawns the `wineserver` of its loader's folder first, and under
# qemu, which runs the spawn as a plain fork, a failed exec there looks like a started server: Wine never tries
# WINESERVER and ends with the child's status 127. So both loaders find the native 64-bit server beside them.
LINKS = (("lib/wine/wineserver64", SYSTEM_WINE + "/wineserver64"),
         ("lib/wine/wineserver", SYSTEM_WINE + "/wineserver64"),
         ("lib/x86_64-linux-gnu", "/usr/lib/x86_64-linux-gnu"),
         ("lib/i386-linux-gnu", "/usr/lib/i386-linux-gnu"),
         ("share/wine", "/usr/share/wine"))


# The fixes of tools/emulation/wine_i386_fixes.c by switch, each with the first qemu-i386 version measured not
# to need it (None: every version measured needs it). Only 7.2 and 10.0 were measured: a version between them
# gets every fix 7.2 needs.
QEMU_FIXES = (("FIX_NOREPLACE", (10, 0)), ("FIX_TRAP", None), ("FIX_THREAD_SEGMENTS", (10, 0)))


class Unavailable(Exception):
    """What the emulated Wine needs and this host lacks, in one line."""


def wine32_missing():
    """Why Wine's 32-bit loader is missing, or None when it is there."""
    if os.access(WINE32_LOADER, os.X_OK):
        return None
    return "wine32 is not installed (%s, Wine's 32-bit loader, is missing)" % WINE32_LOADER


def _replace(path, write):
    """Writes a file through write(temporary path) and moves it into place, so no reader sees half of it."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    fd, temporary = tempfile.mkstemp(dir=os.path.dirname(path), prefix="." + os.path.basename(path))
    os.close(fd)
    try:
        write(temporary)
        os.replace(temporary, path)
    finally:
        if os.path.exists(temporary):
            os.remove(temporary)


def _copy(source, dest):
    if not os.path.exists(dest) or not filecmp.cmp(source, dest, shallow=False):
        _replace(dest, lambda temporary: shutil.copy2(source, temporary))


def _write(path, text):
    def write(temporary):
        with open(temporary, "w") as f:
            f.write(text)
        os.chmod(temporary, 0o755)
    try:
        with open(path) as f:
            if f.read() == text:
                return
    except OSError:
        pass
    _replace(path, write)


def _link(path, target):
    if os.path.islink(path) and os.readlink(path) == target:
        return
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if os.path.lexists(path):
        os.remove(path)
    os.symlink(target, path)


def _read(path):
    try:
        with open(path) as f:
            return f.read()
    except OSError:
        return None


def _compile(source, out, flags, libs=()):
    """Builds out from source with gcc and flags, again when the source is newer or the flags changed."""
    stamp = out + ".flags"
    if (os.path.exists(out) and os.path.getmtime(out) >= os.path.getmtime(source)
            and _read(stamp) == " ".join(flags)):
        return
    if shutil.which("gcc") is None:
        raise Unavailable("gcc is missing, which builds the preloaded library (package gcc)")
    if "-m32" in flags:
        libc = subprocess.run(["gcc", "-m32", "-print-file-name=libc.so"], stdout=subprocess.PIPE, text=True).stdout
        if not os.path.isabs(libc.strip()):
            raise Unavailable("gcc -m32 finds no 32-bit C library (package gcc-multilib)")

    def build(temporary):
        result = subprocess.run(["gcc"] + flags + ["-O2", "-shared", "-fPIC", "-o", temporary, source] + list(libs),
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if result.returncode != 0:
            errors = [line for line in result.stdout.splitlines() if "error" in line] or result.stdout.splitlines()
            raise Unavailable("building %s with gcc %s failed: %s" % (
                os.path.relpath(source, SOURCE_DIR), " ".join(flags + ["-shared"]),
                errors[0] if errors else "status %d" % result.returncode))
        os.chmod(temporary, 0o755)
    _replace(out, build)
    _write(stamp, " ".join(flags))


def qemu_version(qemu):
    """(major, minor) from the first line of `qemu-i386-static --version`."""
    try:
        first = subprocess.run([qemu, "--version"], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True).stdout.partition("\n")[0]
    except OSError as e:
        raise Unavailable("%s does not start: %s" % (qemu, e))
    match = re.search(r"version (\d+)\.(\d+)", first)
    if match is None:
        raise Unavailable("%s --version names no version: %r" % (qemu, first))
    return int(match.group(1)), int(match.group(2))


def fix_switches(version):
    """The -D switches of the fixes that qemu-i386 of this (major, minor) version needs."""
    return ["-D" + name for name, fixed_in in QEMU_FIXES if fixed_in is None or version < fixed_in]


def lay_out(root=None):
    """Lays out the tree under root (default build/emulated-wine in the sources); returns its wine64's path."""
    root = os.path.abspath(root or os.path.join(SOURCE_DIR, "build", "emulated-wine"))
    missing = wine32_missing()
    if missing:
        raise Unavailable(missing)
    if not os.access(SYSTEM_WINE + "/wine64", os.X_OK):
        raise Unavailable("wine64 is not installed (%s/wine64, Wine's 64-bit loader, is missing)" % SYSTEM_WINE)
    qemu = shutil.which("qemu-i386-static")
    if qemu is None:
        raise Unavailable("qemu-i386-static is missing (package qemu-user-static)")
    source = os.path.join(SOURCE_DIR, "tools", "emulation", FIXES + ".c")
    preload = os.path.join(root, "preload")
    _compile(source, os.path.join(preload, "i686", FIXES + ".so"), ["-m32"] + fix_switches(qemu_version(qemu)),
             ["-ldl"])
    _compile(source, os.path.join(preload, "x86_64", FIXES + ".so"), [])
    wine = os.path.join(root, "lib", "wine")
    _copy(SYSTEM_WINE + "/wine64", os.path.join(wine, "wine64"))
    _copy(WINE32_LOADER, os.path.join(wine, "wine.i386"))
    for path, target in LINKS:
        _link(os.path.join(root, path), target)
    _write(os.path.join(wine, "wine"), _loader_script(qemu, preload, wine))
    return os.path.join(wine, "wine64")


def _loader_script(qemu, preload, wine):
    """The `wine` of the tree: the real 32-bit loader under qemu-i386, the library preloaded into it only.
    -0 gives the loader the script's path as its own, so a 32-bit program it starts comes back here."""
    words = [qemu, "-E", "LD_PRELOAD=%s/$PLATFORM/%s.so" % (preload, FIXES), "-0", os.path.join(wine, "wine"),
             os.path.join(wine, "wine.i386")]
    return "#!/bin/sh\n# Wine's 32-bit loader under qemu-i386, with tools/emulation/%s.c preloaded.\nexec %s \"$@\"\n" % (
        FIXES, " ".join(shlex.quote(word) for word in words))


def main():
    try:
        print(lay_out())
    except (Unavailable, OSError) as e:
        print("error: the emulated Wine cannot be laid out: %s" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
