#!/usr/bin/env python3
# tools/host_kind.py: tells whether this host runs 32-bit x86 programs, by running one.
"""Usage: tools/host_kind.py

Prints one line saying which kind of host this is, and exits 0 where it runs 32-bit programs, 1 where it runs
none. Some kernels refuse every 32-bit program (WSL 1, x86-64-only emulation, some virtual machines); Wine's
32-bit loader, and so every 32-bit Windows program, fails there with "Exec format error". The check runs a
tiny static 32-bit program written here, so it needs no 32-bit package installed.

HOST_RUNS_32BIT=0 in the environment answers "none" without trying, so the other path can be tried anywhere.
"""

import os
import struct
import subprocess
import sys
import tempfile

_BASE = 0x08048000
_HEADERS = 52 + 32  # ELF header and one program header
_EXIT_STATUS = 32
# mov ebx, 32; mov eax, 1 (exit); int 0x80
_CODE = bytes([0xBB, _EXIT_STATUS, 0, 0, 0, 0xB8, 1, 0, 0, 0, 0xCD, 0x80])


def i386_program():
    """A static 32-bit x86 Linux program that exits with status 32."""
    size = _HEADERS + len(_CODE)
    elf_header = struct.pack("<4sBBBB8xHHIIIIIHHHHHH", b"\x7fELF", 1, 1, 1, 0,  # 32-bit, little-endian
                             2, 3, 1, _BASE + _HEADERS, 52, 0, 0,  # executable, i386, entry, program headers
                             52, 32, 1, 0, 0, 0)
    program_header = struct.pack("<8I", 1, 0, _BASE, _BASE, size, size, 5, 0x1000)  # one loadable R+X segment
    return elf_header + program_header + _CODE


def runs_32bit():
    """(answer, reason) for this host."""
    if os.environ.get("HOST_RUNS_32BIT") == "0":
        return False, "HOST_RUNS_32BIT=0 is set"
    with tempfile.TemporaryDirectory(prefix="host-kind-") as folder:
        path = os.path.join(folder, "i386-exit")
        with open(path, "wb") as f:
            f.write(i386_program())
        os.chmod(path, 0o755)
        try:
            status = subprocess.run([path], stdin=subprocess.DEVNULL, timeout=30).returncode
        except OSError as e:
            return False, "the kernel refuses it: " + (os.strerror(e.errno) if e.errno else str(e))
    if status != _EXIT_STATUS:
        return False, "it ended with status %d instead of %d" % (status, _EXIT_STATUS)
    return True, ""


def main():
    runs, reason = runs_32bit()
    if runs:
        print("This host runs 32-bit programs.")
        return 0
    print("This host runs no 32-bit program (%s)." % reason)
    return 1


if __name__ == "__main__":
    sys.exit(main())
