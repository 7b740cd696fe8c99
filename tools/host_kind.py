#!/usr/bin/env python3
# tools/host_kind.py: tells whether this host runs 32-bit Windows programs under Wine, by running one.
"""Usage: tools/host_kind.py [--kernel]

Prints one line saying which kind of host this is. Exit status:
  0  32-bit Windows programs run here natively: the kernel runs 32-bit programs, and Wine's 32-bit loader
     (Debian's wine32) starts a 32-bit Windows program in a throw-away 32-bit prefix;
  3  they run through emulation: Wine's 32-bit loader under qemu-i386 (tools/emulated_wine.py) starts a 32-bit
     Windows program in a throw-away 64-bit prefix; the line says why not natively;
  1  they do not run, and the line says why (the kernel, wine32, what emulation lacks);
  2  HOST_RUNS_32BIT asks for a kind of host this is not: the line names what is missing.

Some kernels refuse every 32-bit program (WSL 1, x86-64-only emulation, some virtual machines), and a package
mirror caught mid-sync can leave wine32 uninstallable for days. The kernel check runs a tiny static 32-bit
program written here, so it needs no 32-bit package; --kernel stops after it (the set-up asks only that,
before it installs wine32 or what emulation needs). A binfmt_misc handler registered for i386 programs makes
that check pass on a kernel that cannot run them, so such a host goes straight to emulation.

HOST_RUNS_32BIT=0 answers "none" without trying, HOST_RUNS_32BIT=emulated tries emulation only, so either
path can be tried anywhere; HOST_RUNS_32BIT=1 asks for the native kind and turns every other answer into a
failure.
"""

import contextlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile

import emulated_wine

_BASE = 0x08048000
_HEADERS = 52 + 32  # ELF header and one program header
_EXIT_STATUS = 32
# mov ebx, 32; mov eax, 1 (exit); int 0x80
_CODE = bytes([0xBB, _EXIT_STATUS, 0, 0, 0, 0xB8, 1, 0, 0, 0, 0xCD, 0x80])

_WINE_TIMEOUT = 180  # a first prefix boot on a loaded machine
_EMULATED_BOOT_TIMEOUT = 120  # a 64-bit prefix boots in about 20 s through emulation
_EMULATED_START_TIMEOUT = 30  # an emulated 32-bit program starts in about 1 s
BINFMT_FOLDER = "/proc/sys/fs/binfmt_misc"


def i386_program():
    """A static 32-bit x86 Linux program that exits with status 32."""
    size = _HEADERS + len(_CODE)
    elf_header = struct.pack("<4sBBBB8xHHIIIIIHHHHHH", b"\x7fELF", 1, 1, 1, 0,  # 32-bit, little-endian
                             2, 3, 1, _BASE + _HEADERS, 52, 0, 0,  # executable, i386, entry, program headers
                             52, 32, 1, 0, 0, 0)
    program_header = struct.pack("<8I", 1, 0, _BASE, _BASE, size, size, 5, 0x1000)  # one loadable R+X segment
    return elf_header + program_header + _CODE


def kernel_problem():
    """Why the kernel runs no 32-bit program, or None when it runs one."""
    with tempfile.TemporaryDirectory(prefix="host-kind-") as folder:
        path = os.path.join(folder, "i386-exit")
        with open(path, "wb") as f:
            f.write(i386_program())
        os.chmod(path, 0o755)
        try:
            status = subprocess.run([path], stdin=subprocess.DEVNULL, timeout=30).returncode
        except OSError as e:
            return "the kernel runs no 32-bit program: " + (os.strerror(e.errno) if e.errno else str(e))
    if status != _EXIT_STATUS:
        return "the kernel's 32-bit test program ended with status %d instead of %d" % (status, _EXIT_STATUS)
    return None


def binfmt_i386_handler(folder=BINFMT_FOLDER):
    """The interpreter of an enabled binfmt_misc entry that takes i386 programs, or None."""
    try:
        with open(os.path.join(folder, "status")) as f:
            if f.read().strip() != "enabled":
                return None
        names = sorted(set(os.listdir(folder)) - {"status", "register"})
    except OSError:
        return None
    program = i386_program()
    for name in names:
        try:
            with open(os.path.join(folder, name)) as f:
                fields = dict((line.split(" ", 1) + [""])[:2] for line in f.read().splitlines())
        except OSError:
            continue
        if "enabled" not in fields or "magic" not in fields:
            continue  # disabled, or matched by file name extension
        magic = bytes.fromhex(fields["magic"].strip())
        mask = bytes.fromhex(fields.get("mask", "ff" * len(magic)).strip())
        start = int(fields.get("offset", "0"))
        header = program[start:start + len(magic)]
        if len(header) == len(magic) and all(h & m == g & m for h, g, m in zip(header, magic, mask)):
            return fields.get("interpreter", name).strip()
    return None


@contextlib.contextmanager
def _throwaway_prefix(name, **entries):
    """The environment of a new prefix and its log file; Wine's helper processes inherit output, so a file,
    never a pipe. The prefix's wineserver is killed and the prefix removed at the end."""
    with tempfile.TemporaryDirectory(prefix="host-kind-%s-" % name) as prefix:
        env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", DISPLAY="",
                   **entries)
        if "WINELOADER" not in entries:
            env.pop("WINELOADER", None)
        log_path = os.path.join(prefix, "check.log")
        with open(log_path, "wb") as log:
            try:
                yield env, log, log_path
            finally:
                wineserver = shutil.which("wineserver") or "/usr/lib/wine/wineserver32"
                subprocess.run([wineserver, "-k"], env=env, stdout=log, stderr=log, check=False)


def _wine_status(args, env, log, timeout):
    """The exit status of a Wine program, or None when it did not end within timeout seconds."""
    try:
        return subprocess.run(args, env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                              timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return None


def _last_line(log_path):
    with open(log_path, "rb") as f:
        last = f.read().decode("utf-8", "replace").strip().splitlines()[-1:]
    return ": " + last[0] if last else ""


def wine32_problem():
    """Why Wine's 32-bit loader starts no 32-bit Windows program, or None when it starts one."""
    missing = emulated_wine.wine32_missing()
    if missing:
        return missing
    with _throwaway_prefix("wine32", WINEARCH="win32") as (env, log, log_path):
        try:
            status = _wine_status([emulated_wine.WINE32_LOADER, "cmd.exe", "/c", "exit", str(_EXIT_STATUS)], env, log,
                                  _WINE_TIMEOUT)
        except OSError as e:
            return "wine32 does not start: " + str(e)
        if status == _EXIT_STATUS:
            return None
        how = "did not end within %d s" % _WINE_TIMEOUT if status is None else "ended with status %d" % status
        return "wine32 is installed but a 32-bit Windows program %s%s" % (how, _last_line(log_path))


def emulated_problem():
    """Why Wine's 32-bit loader under qemu-i386 starts no 32-bit Windows program in a 64-bit prefix, or None
    when it starts one."""
    try:
        wine64 = emulated_wine.lay_out()
    except (emulated_wine.Unavailable, OSError) as e:
        return str(e)
    with _throwaway_prefix("emulated", WINEARCH="win64", WINELOADER=wine64) as (env, log, log_path):
        wine = ["setarch", "--addr-no-randomize", wine64]
        status = _wine_status(wine + ["wineboot", "-i"], env, log, _EMULATED_BOOT_TIMEOUT)
        if status is None:
            return "a 64-bit prefix did not boot through the emulated Wine within %d s" % _EMULATED_BOOT_TIMEOUT
        cmd = os.path.join(env["WINEPREFIX"], "drive_c", "windows", "syswow64", "cmd.exe")
        status = _wine_status(wine + [cmd, "/c", "exit", str(_EXIT_STATUS)], env, log, _EMULATED_START_TIMEOUT)
        if status == _EXIT_STATUS:
            return None
        if status is None:
            return "a 32-bit program did not start under emulation within %d s" % _EMULATED_START_TIMEOUT
        return "a 32-bit program under emulation ended with status %d%s" % (status, _last_line(log_path))


def emulated(why_not_native):
    print("This host runs 32-bit Windows programs under Wine through emulation (qemu-i386): %s." % why_not_native)
    return 3


def main():
    asked = os.environ.get("HOST_RUNS_32BIT")
    if asked == "0":
        print("This host is taken for one that runs no 32-bit Windows program (HOST_RUNS_32BIT=0 is set).")
        return 1
    if asked == "emulated":
        problem = emulated_problem()
        if problem is None:
            return emulated("HOST_RUNS_32BIT=emulated is set")
        print("error: HOST_RUNS_32BIT=emulated asks for the 32-bit launcher under Wine through emulation, but "
              + problem + ".")
        return 2
    kernel_only = sys.argv[1:] == ["--kernel"]
    handler = binfmt_i386_handler()
    problem = "the kernel hands 32-bit programs to %s (binfmt_misc)" % handler if handler else kernel_problem()
    if problem is None and not kernel_only:
        problem = wine32_problem()
    if problem is None:
        print("This host runs 32-bit programs." if kernel_only else "This host runs 32-bit Windows programs under Wine.")
        return 0
    if asked == "1":
        print("error: HOST_RUNS_32BIT=1 asks for the 32-bit launcher under Wine, but " + problem + ".")
        return 2
    if not kernel_only:
        emulation = emulated_problem()
        if emulation is None:
            return emulated(problem)
        if emulation != problem:
            problem += "; nor through emulation: " + emulation
    print("This host runs no 32-bit Windows program: " + problem + ".")
    return 1


if __name__ == "__main__":
    sys.exit(main())
