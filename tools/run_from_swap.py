#!/usr/bin/env python3
# tools/run_from_swap.py: marks a Windows executable to be run from the swap file when started from removable media.
"""Sets IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP in the file header of a PE image, in place.

With the flag, Windows copies the whole image to the page file before it runs, so a disc taken out while the
program runs cannot fault one of its pages in (STATUS_IN_PAGE_ERROR). GNU ld has no option for it. The image
must not be signed yet: the header is part of what a signature covers.
"""

import struct
import sys

REMOVABLE_RUN_FROM_SWAP = 0x0400


def pe_checksum(image, checksum_at):
    """The image's PE checksum, as the linker and imagehlp compute it: 16-bit words added with their carries
    folded back in, the checksum field itself counted as 0, plus the file's length."""
    data = bytes(image[:checksum_at]) + bytes(4) + bytes(image[checksum_at + 4:])
    if len(data) % 2:
        data += b"\0"
    total = sum(struct.unpack("<%dH" % (len(data) // 2), data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(image)


def mark(path):
    with open(path, "r+b") as f:
        image = bytearray(f.read())
        if image[:2] != b"MZ" or len(image) < 0x40:
            raise ValueError("%s is not an executable" % path)
        pe = struct.unpack_from("<I", image, 0x3C)[0]
        if image[pe:pe + 4] != b"PE\0\0":
            raise ValueError("%s has no PE header" % path)
        characteristics_at = pe + 4 + 18  # after the signature, in the file header
        characteristics = struct.unpack_from("<H", image, characteristics_at)[0]
        struct.pack_into("<H", image, characteristics_at, characteristics | REMOVABLE_RUN_FROM_SWAP)
        checksum_at = pe + 4 + 20 + 64  # in the optional header
        if struct.unpack_from("<I", image, checksum_at)[0] != 0:
            struct.pack_into("<I", image, checksum_at, pe_checksum(image, checksum_at))
        f.seek(0)
        f.write(image)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: run_from_swap.py IMAGE.exe")
    try:
        mark(sys.argv[1])
    except (OSError, ValueError) as e:
        sys.exit("run_from_swap.py: %s" % e)
