#!/usr/bin/python3
# tools/bench/disc_drive.py: a simulated optical drive: a read-only FUSE view of a medium that charges and logs every read.
"""Usage (as root): disc_drive.py SOURCE MOUNTPOINT LOG [--rate KIB_PER_S] [--seek MS] [--unreadable PATH:START:END]

The drive has one head. A read that does not begin where the previous read ended waits one seek first;
every read then waits for its bytes at the fixed rate (3,600 KiB/s and 100 ms by default: a 24x drive).
Reads are served one at a time, in the order they arrive. Every read is logged as a line
"PATH<TAB>OFFSET<TAB>SIZE<TAB>SEEK" (PATH relative to SOURCE, SEEK 1 or 0). Names and attributes cost
nothing. SIGUSR1 takes the disc out: from then on every operation fails with ENOMEDIUM, as on an empty
drive. --unreadable scratches bytes START to END (exclusive) of the file PATH (relative to SOURCE): every read
that touches them fails with EIO, as a read of a bad sector does, and costs and logs nothing. The program
serves until the mount point is unmounted.

Other programs use `Drive`, which mounts a fresh drive in a child process (so that nothing is cached from an
earlier mount) and unmounts it again; the FUSE side runs under Debian's own interpreter, where
python3-pyfuse3 is installed.
"""
import argparse
import collections
import os
import signal
import subprocess
import sys
import time

DEBIAN_PYTHON = "/usr/bin/python3"
SPEEDS = {"24x": (3600, 100), "4x": (600, 150)}  # KiB/s, ms per seek
Read = collections.namedtuple("Read", "path offset size seek")
FileFigures = collections.namedtuple("FileFigures", "bytes reads seeks")


class Drive:
    """`with Drive(source, mountpoint, log) as drive:` serves source at mountpoint for the block; afterwards
    `drive.reads` holds the reads it served, in order, as `Read` records. unreadable=(path, start, end)
    scratches that stretch of one file."""

    def __init__(self, source, mountpoint, log, rate_kib=3600, seek_ms=100, unreadable=None):
        self.args = [DEBIAN_PYTHON, "-B", os.path.abspath(__file__), source, mountpoint, log,
                     "--rate", str(rate_kib), "--seek", str(seek_ms)]
        if unreadable:
            self.args += ["--unreadable", "%s:%d:%d" % unreadable]
        self.source = source
        self.mountpoint = mountpoint
        self.log = log
        self.process = None
        self.reads = []

    def __enter__(self):
        os.makedirs(self.mountpoint, exist_ok=True)
        with open(self.log + ".out", "ab") as out:
            self.process = subprocess.Popen(self.args, stdin=subprocess.DEVNULL, stdout=out, stderr=out)
        deadline = time.monotonic() + 15
        while not os.path.ismount(self.mountpoint):
            if self.process.poll() is not None or time.monotonic() > deadline:
                self.__exit__(None, None, None)
                raise RuntimeError("the drive did not mount at %s, see %s.out" % (self.mountpoint, self.log))
            time.sleep(0.02)
        return self

    def __exit__(self, *exc):
        # A process that has only just ended may still hold a file: try a while, then detach.
        for _ in range(100):
            if not os.path.ismount(self.mountpoint) or self._unmount() == 0:
                break
            time.sleep(0.1)
        else:
            self._unmount("-z")
        try:
            self.process.wait(15)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait(10)
        self.reads = read_log(self.log)
        return False

    def eject(self):
        """Takes the disc out; returns once no name on the medium can be looked up any more."""
        self.process.send_signal(signal.SIGUSR1)
        names = [os.path.relpath(os.path.join(folder, name), self.source)
                 for folder, folders, files in os.walk(self.source) for name in folders + files]

        def empty():
            for name in names:
                try:
                    os.lstat(os.path.join(self.mountpoint, name))
                    return False
                except OSError:
                    pass
            return True

        deadline = time.monotonic() + 15
        while not empty():
            if time.monotonic() > deadline:
                raise RuntimeError("the drive at %s still shows its disc" % self.mountpoint)
            time.sleep(0.02)

    def _unmount(self, *flags):
        return subprocess.run(["fusermount3", "-u", *flags, self.mountpoint], stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30).returncode


def read_log(path):
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        return [Read(p, int(o), int(s), s2 == "1") for p, o, s, s2 in (line.rstrip("\n").split("\t") for line in f)]


def per_file(reads):
    """{path: FileFigures} of a list of reads."""
    figures = {}
    for r in reads:
        old = figures.get(r.path, FileFigures(0, 0, 0))
        figures[r.path] = FileFigures(old.bytes + r.size, old.reads + 1, old.seeks + int(r.seek))
    return figures


def stretch(text):
    """(path, start, end) of "PATH:START:END"."""
    path, start, end = text.rsplit(":", 2)
    return os.path.normpath(path), int(start), int(end)


def serve(source, mountpoint, log_path, rate_kib, seek_ms, unreadable=None):
    import errno
    import pyfuse3
    import trio

    class Medium(pyfuse3.Operations):
        def __init__(self):
            super().__init__()
            self.paths = {pyfuse3.ROOT_INODE: ""}
            self.inodes = {"": pyfuse3.ROOT_INODE}
            self.files = {}
            self.head = None  # (inode, offset) where the last read ended
            self.lock = trio.Lock()  # one head: reads are served one at a time, first come first served
            self.log = open(log_path, "w", encoding="utf-8", errors="surrogateescape")
            self.ejected = False

        def eject(self, *_):
            # The kernel keeps names and attributes for an hour: forget them, so every lookup comes here.
            self.ejected = True
            for relative in list(self.inodes):
                if relative:
                    parent, name = os.path.split(relative)
                    pyfuse3.invalidate_entry_async(self.inodes[parent], os.fsencode(name), ignore_enoent=True)

        def check(self):
            if self.ejected:
                raise pyfuse3.FUSEError(errno.ENOMEDIUM)

        def full(self, inode):
            return os.path.join(source, self.paths[inode])

        def inode(self, relative):
            if relative not in self.inodes:
                self.inodes[relative] = len(self.paths) + pyfuse3.ROOT_INODE
                self.paths[self.inodes[relative]] = relative
            return self.inodes[relative]

        def attributes(self, inode):
            try:
                st = os.lstat(self.full(inode))
            except OSError as e:
                raise pyfuse3.FUSEError(e.errno)
            entry = pyfuse3.EntryAttributes()
            for field in ("st_mode", "st_nlink", "st_uid", "st_gid", "st_size", "st_atime_ns", "st_mtime_ns",
                          "st_ctime_ns"):
                setattr(entry, field, getattr(st, field))
            entry.st_mode &= ~0o222  # read-only medium
            entry.st_ino = inode
            entry.st_blksize = 2048
            entry.st_blocks = (st.st_size + 511) // 512
            entry.entry_timeout = entry.attr_timeout = 3600
            return entry

        async def lookup(self, parent, name, ctx=None):
            self.check()
            return self.attributes(self.inode(os.path.join(self.paths[parent], os.fsdecode(name))))

        async def getattr(self, inode, ctx=None):
            if inode != pyfuse3.ROOT_INODE:  # the drive stays, and can be unmounted
                self.check()
            return self.attributes(inode)

        async def opendir(self, inode, ctx):
            self.check()
            return inode

        async def readdir(self, inode, start, token):
            self.check()
            names = sorted(os.listdir(self.full(inode)))
            for index in range(start, len(names)):
                child = self.inode(os.path.join(self.paths[inode], names[index]))
                if not pyfuse3.readdir_reply(token, os.fsencode(names[index]), self.attributes(child), index + 1):
                    break

        async def open(self, inode, flags, ctx):
            self.check()
            if flags & (os.O_WRONLY | os.O_RDWR):
                raise pyfuse3.FUSEError(errno.EROFS)
            if inode not in self.files:
                self.files[inode] = os.open(self.full(inode), os.O_RDONLY)
            return pyfuse3.FileInfo(fh=inode)

        async def read(self, inode, offset, size):
            self.check()
            if unreadable and self.paths[inode] == unreadable[0] and offset < unreadable[2] and \
                    unreadable[1] < offset + size:
                raise pyfuse3.FUSEError(errno.EIO)
            async with self.lock:
                data = os.pread(self.files[inode], size, offset)
                seek = self.head != (inode, offset)
                await trio.sleep((seek_ms / 1000.0 if seek else 0) + len(data) / (rate_kib * 1024.0))
                self.head = (inode, offset + len(data))
                self.log.write("%s\t%d\t%d\t%d\n" % (self.paths[inode], offset, len(data), seek))
                self.log.flush()
            return data

        async def release(self, inode):
            pass

        async def statfs(self, ctx):
            self.check()
            stat = pyfuse3.StatvfsData()
            stat.f_bsize = stat.f_frsize = 2048
            stat.f_namemax = 255
            return stat

    options = set(pyfuse3.default_options) | {"ro", "fsname=disc_drive"}
    medium = Medium()
    signal.signal(signal.SIGUSR1, medium.eject)
    pyfuse3.init(medium, mountpoint, options)
    try:
        trio.run(pyfuse3.main)
    finally:
        pyfuse3.close(unmount=False)


def main(argv):
    parser = argparse.ArgumentParser(description="Serve a folder as a simulated optical drive.")
    parser.add_argument("source")
    parser.add_argument("mountpoint")
    parser.add_argument("log")
    parser.add_argument("--rate", type=float, default=3600, help="KiB per second")
    parser.add_argument("--seek", type=float, default=100, help="milliseconds per seek")
    parser.add_argument("--unreadable", type=stretch, help="PATH:START:END, bytes of a file that cannot be read")
    args = parser.parse_args(argv[1:])
    serve(os.path.abspath(args.source), args.mountpoint, args.log, args.rate, args.seek, args.unreadable)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
