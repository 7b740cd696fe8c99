#!/usr/bin/env python3
# tools/host_kind.py: tells whether this host runs 32-bit Windows programs under Wine, by running one.
"""Usage: tools/host_kind.py [--kernel]

Prints one line saying which kind of host this is. Exit status:
  0  32-bit Windows programs run here: the kernel runs 32-bit programs, and Wine's 32-bit loader (Debian's
     wine32) is installed and starts a 32-bit Windows program in a throw-away 32-bit prefix;
  1  they do not, and the line says why (the kernel, or wine32);
  2  HOST_RUNS_32BIT=1 asks for them and they do not run: the line names what is missing.

Some kernels refuse every 32-bit program (WSL 1, x86-64-only emulation, some virtual machines), and a package
mirror caught mid-sync can leave wine32 uninstallable for days. The kernel check runs a tiny static 32-bit
program written here, so it needs no 32-bit package; --kernel stops after it (the set-up asks only that,
before it installs wine32).

HOST_RUNS_32BIT=0 in the environment answers "none" without trying, so the other path can be tried anywhere;
HOST_RUNS_32BIT=1 turns every "none" into a failure.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile

_BASE = 0x08048000
_HEADERS = 52 + 32  # ELF header and one program header
_EXIT_STATUS = 32
# mov ebx, 32; mov eax, 1 (exit); int 0x80
_CODE = bytes([0xBB, _EXIT_STATUS, 0, 0, 0, 0xB8, 1, 0, 0, 0, 0xCD, 0x80])

WINE32_LOADER = "/usr/lib/wine/wine"
_WINE_TIMEOUT = 180  # a first prefix boot on a loaded machine


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


def wine32_problem():
    """Why Wine's 32-bit loader starts no 32-bit Windows program, or None when it starts one."""
    if not os.access(WINE32_LOADER, os.X_OK):
        return "wine32 is not installed (%s, Wine's 32-bit loader, is missing)" % WINE32_LOADER
    with tempfile.TemporaryDirectory(prefix="host-kind-wine32-") as prefix:
        env = dict(os.environ, WINEPREFIX=prefix, WINEARCH="win32", WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=", DISPLAY="")
        env.pop("WINELOADER", None)
        log_path = os.path.join(prefix, "check.log")
        # Wine's helper processes inherit output: a log file, never a pipe.
        with open(log_path, "wb") as log:
            try:
                status = subprocess.run([WINE32_LOADER, "cmd.exe", "/c", "exit", str(_EXIT_STATUS)], env=env,
                                        stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                        timeout=_WINE_TIMEOUT).returncode
            except subprocess.TimeoutExpired:
                status = None
            except OSError as e:
                return "wine32 does not start: " + str(e)
            finally:
                wineserver = shutil.which("wineserver") or "/usr/lib/wine/wineserver32"
                subprocess.run([wineserver, "-k"], env=env, stdout=log, stderr=log, check=False)
        with open(log_path, "rb") as f:
            last = f.read().decode("utf-8", "replace").strip().splitlines()[-1:] or [""]
    if status == _EXIT_STATUS:
        return None
    how = "did not end within %d s" % _WINE_TIMEOUT if status is None else "ended with status %d" % status
    return "wine32 is installed but a 32-bit Windows program %s%s" % (how, ": " + last[0] if last[0] else "")


def main():
    asked = os.environ.get("HOST_RUNS_32BIT")
    if asked == "0":
        print("This host is taken for one that runs no 32-bit Windows program (HOST_RUNS_32BIT=0 is set).")
        return 1
    kernel_only = sys.argv[1:] == ["--kernel"]
    problem = kernel_problem()
    if problem is None and not kernel_only:
        problem = wine32_problem()
    if problem is None:
        print("This host runs 32-bit programs." if kernel_only else "This host runs 32-bit Windows programs under Wine.")
        return 0
    if asked == "1":
        print("error: HOST_RUNS_32BIT=1 asks for the 32-bit launcher under Wine, but " + problem + ".")
        return 2
    print("This host runs no 32-bit Windows program: " + problem + ".")
    return 1


if __name__ == "__main__":
    sys.exit(main())
