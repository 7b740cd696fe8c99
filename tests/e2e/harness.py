# tests/e2e/harness.py: runs the launcher on its own Xvfb display and Wine prefix, and inspects it through the probe.
"""End-to-end harness.

One `WineSession` per test module: a private X display, a throw-away copy of the template prefix (whose
registry makes every `wine X` join one 1024x768 virtual desktop with a taskbar), and one idle process that
keeps that desktop alive. Everything a session starts it stops again, by PID or with its own WINEPREFIX.

Wine's helper processes inherit the standard streams of whoever starts them, so no Wine process ever writes
to a pipe here: every output goes to a file.

A session that sees a failure (a test's, reported through `failure_seen`, or an exception leaving it) takes
a screenshot of its whole screen at that moment and keeps its folder when it closes: Wine's and the
launcher's output, the probe's journal of answers, the stand-in log, the sounds and media; of the prefix only
the registry. It moves to E2E_FAILURES when that is set and names it on stderr; a session without a failure
removes its folder, unless E2E_KEEP is set.

Environment: WINBUILDDIR (the Windows build folder, required), E2E_WINEARCH (the run: win32 or win64 for
the 32-bit build in a prefix of that architecture, x64 for the x86-64 build in a 64-bit prefix, started by
Wine's 64-bit loader; default win64), E2E_WINE_LOADER (the run's Wine loader: Debian's wine script, or a
64-bit loader that is then WINELOADER too; defaults to Wine's 64-bit loader for x64 and the script
otherwise), E2E_TEMPLATE_PREFIX (defaults to WINBUILDDIR/e2e/template-prefix-ARCH), E2E_PROBE (defaults to
WINBUILDDIR/tools/probe/probe.exe), E2E_EMULATED (1 where the run's 32-bit Windows programs go through
qemu-user), E2E_FAILURES (where failed sessions' folders go), E2E_KEEP (keep every session's folder where
it is).

Run `python3 harness.py make-template DIR PROBE.exe ARCH` to build a template prefix.
"""

import importlib
import json
import os
import select
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest

SCREEN_WIDTH = 1024
SCREEN_HEIGHT = 768
# Wine's error messages only, into each process's output file, for the failure reports.
WINE_ENV = {"WINEDEBUG": "-all,err+all", "WINEDLLOVERRIDES": "mscoree,mshtml="}
ENGLISH_LOCALE = {"LANG": "en_US.UTF-8", "LC_ALL": "en_US.UTF-8"}
PROBE_TIMEOUT = 30
EXPLORER_START = 15  # seconds after which a desktop without explorer's process is taken for lost
JOURNAL_ANSWER = 2000  # characters of each probe answer the journal keeps
LOG_TAIL = 8  # lines of each output file a failed probe call's report quotes
SERVER_FOLDER_FILE = "wineserver"  # in a prefix: the name of its wineserver's folder in the temporary folder
REQUIRED_PROGRAMS = ("wineserver", "Xvfb", "xdotool")
# Each run's prefix architecture; x64 is the x86-64 build in a 64-bit prefix.
ARCHES = {"win32": "win32", "win64": "win64", "x64": "win64"}
# Called directly for x64: Debian's wine script picks the 32-bit loader whenever wine32 is installed, and that
# one starts no program on a host whose kernel runs no 32-bit program.
WINE64_LOADER = "/usr/lib/wine/wine64"
# Debian's Wine has no preloader to keep free the addresses a Windows process needs. With the address space
# randomised, the loader's heap, placed anywhere in the gigabyte above the loader, now and then covers the
# shared user data at 0x7ffe0000, and the program ends at once with status 1 ("failed to map the shared user
# data"): a probe call without an answer, or an installer the launcher started that never ran. Unrandomised,
# the heap lies right after the loader every time. Programs a Wine process starts inherit the setting.
NO_RANDOMISATION = ("setarch", "--addr-no-randomize")
EMULATED = os.environ.get("E2E_EMULATED") == "1"


# What the launcher shows, as the tests look for it.
WELCOME = "Welcome to Veltrana Setup"
DIALOG = "Uninstall Driver"
IDOK = 1
# Inclusive hit-test bounds (left, top, right, bottom); a highlight piece covers right - left by bottom - top.
ZONES = {
    "install": (20, 52, 220, 77),
    "browse": (20, 120, 145, 145),
    "uninstall": (20, 87, 220, 112),
    "exit": (20, 155, 145, 180),
}
OUTSIDE = (300, 300)  # on the picture, in no zone


def centre(zone):
    left, top, right, bottom = ZONES[zone]
    return (left + right) // 2, (top + bottom) // 2


def piece(zone):
    """(x, y, width, height) of a zone's highlight piece in skin coordinates."""
    left, top, right, bottom = ZONES[zone]
    return left, top, right - left, bottom - top


class HarnessError(Exception):
    """A failure of the test machinery itself (not of the launcher)."""


def wine_loader(arch):
    """The loader of a run: E2E_WINE_LOADER, else Wine's 64-bit loader for x64 and Debian's wine script for the
    others."""
    return os.environ.get("E2E_WINE_LOADER") or (WINE64_LOADER if arch == "x64" else "wine")


def wine_command(arch):
    """The command that starts a Windows program in the given run."""
    return list(NO_RANDOMISATION) + [wine_loader(arch)]


def wine_env(arch):
    """The environment entries of a run: its prefix's architecture, and the loader Wine starts programs with."""
    env = {"WINEARCH": ARCHES[arch]}
    if wine_loader(arch) != "wine":
        env["WINELOADER"] = wine_loader(arch)
    return env


def require_programs(arch):
    missing = [p for p in REQUIRED_PROGRAMS + (NO_RANDOMISATION[0], wine_loader(arch)) if shutil.which(p) is None]
    if missing:
        raise HarnessError("missing programs: " + ", ".join(missing))


def windows_path(unix_path):
    """The path of a unix file as Wine sees it through drive Z:."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def wait_for(predicate, timeout, interval=0.2, what="condition"):
    """Polls predicate until it returns a true value, which is returned; raises AssertionError on time-out."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise AssertionError("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def _run_logged(args, env, log_path, timeout, cwd=None):
    with open(log_path, "ab") as log:
        return subprocess.run(args, env=env, cwd=cwd, stdin=subprocess.DEVNULL, stdout=log,
                              stderr=subprocess.STDOUT, timeout=timeout).returncode


def wine_arch():
    """The Wine run the tests run in: E2E_WINEARCH, else win64."""
    arch = os.environ.get("E2E_WINEARCH", "win64")
    if arch not in ARCHES:
        raise HarnessError("E2E_WINEARCH must be one of %s, not %r" % (", ".join(ARCHES), arch))
    return arch


def prefix_arch(prefix):
    """The architecture of a prefix: only a 64-bit one has a folder for 32-bit system files."""
    return "win64" if os.path.isdir(os.path.join(prefix, "drive_c", "windows", "syswow64")) else "win32"


def make_template(dest, probe_exe, arch, timeout=180):
    """Builds a template prefix for the given run: wineboot, the shared shell desktop and the ALSA audio
    driver."""
    require_programs(arch)
    if os.path.exists(dest):
        shutil.rmtree(dest)
    os.makedirs(os.path.dirname(os.path.abspath(dest)), exist_ok=True)
    env = dict(os.environ, WINEPREFIX=os.path.abspath(dest), **wine_env(arch), **WINE_ENV)
    env.pop("DISPLAY", None)
    log = os.path.abspath(dest) + ".log"
    if os.path.exists(log):
        os.remove(log)
    if _run_logged(wine_command(arch) + ["wineboot", "-i"], env, log, timeout) != 0:
        raise HarnessError("wineboot -i failed, see " + log)
    # The window frame's glyphs come from Marlett, which Debian's Wine finds only in the prefix's Fonts folder.
    shutil.copy("/usr/share/wine/fonts/marlett.ttf", os.path.join(dest, "drive_c", "windows", "Fonts"))
    out = os.path.abspath(dest) + ".json"
    for path, name, value in (("Software\\Wine\\Explorer", "Desktop", "shell"),
                              ("Software\\Wine\\Explorer\\Desktops", "shell",
                               "%dx%d" % (SCREEN_WIDTH, SCREEN_HEIGHT)),
                              ("Software\\Wine\\Drivers", "Audio", "alsa")):
        args = wine_command(arch) + [probe_exe, windows_path(out), "reg-set-sz", "HKCU", path, name, value]
        if _run_logged(args, env, log, PROBE_TIMEOUT) != 0:
            raise HarnessError("setting %s\\%s failed, see %s" % (path, name, log))
    # The registry reaches the disk only when the wineserver exits; copies taken earlier miss it.
    _run_logged(["wineserver", "-w"], env, log, timeout)
    remove_server_folder(dest)
    if prefix_arch(dest) != ARCHES[arch]:
        raise HarnessError("%s is a %s prefix, not %s" % (dest, prefix_arch(dest), ARCHES[arch]))
    print("template prefix %s: %s" % (dest, arch))


def _server_root(prefix):
    """The folder Debian's Wine made for the prefix's wineserver folder, once the prefix names it, else None."""
    try:
        with open(os.path.join(prefix, SERVER_FOLDER_FILE)) as f:
            name = f.read().strip()
    except OSError:
        return None
    return os.path.join(tempfile.gettempdir(), name) if name.startswith("wine-") and os.sep not in name else None


def server_listening(prefix):
    """Whether the prefix's wineserver has made its socket."""
    root = _server_root(prefix)
    info = os.stat(prefix)
    return root is not None and os.path.exists(os.path.join(root, "server-%x-%x" % (info.st_dev, info.st_ino),
                                                            "socket"))


def remove_server_folder(prefix):
    """Removes the folder in which the prefix's wineserver, now ended, kept its socket."""
    root = _server_root(prefix)
    if root is not None:
        shutil.rmtree(root, ignore_errors=True)


_locale_dirs = {}


def locale_env(locale):
    """Environment entries that give a Wine process a user locale such as "ko_KR" (0x0412, code page 949) or
    "ja_JP" (0x0411, code page 932), generated once per machine where glibc lacks it."""
    name = locale + ".UTF-8"
    if locale not in _locale_dirs:
        base = os.path.join(tempfile.gettempdir(), "e2e-locales-%s-%d" % (locale, os.getuid()))
        if not os.path.isdir(os.path.join(base, name)):
            staging = tempfile.mkdtemp(prefix="e2e-locales-")
            subprocess.run(["localedef", "-i", locale, "-f", "UTF-8", os.path.join(staging, name)],
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=120)
            if not os.path.isdir(os.path.join(staging, name)):
                raise HarnessError("localedef %s failed" % name)
            try:
                os.rename(staging, base)
            except OSError:
                shutil.rmtree(staging, ignore_errors=True)  # another session made it first
        _locale_dirs[locale] = base
    return {"LOCPATH": _locale_dirs[locale], "LANG": name, "LC_ALL": name}


def korean_locale_env():
    return locale_env("ko_KR")


SOURCE_DIR = os.environ.get("E2E_SOURCE_DIR") or os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__))))


def _tool(name, folder="tools"):
    """A Python module of the source tree's tools."""
    sys.path.insert(0, os.path.join(SOURCE_DIR, folder))
    try:
        return importlib.import_module(name)
    finally:
        sys.path.pop(0)


def lay_out_medium(outdir, bindir, verdict=None):
    """Lays out a test medium in outdir with tools/make_medium.py: launcher, stand-ins, skins and sounds."""
    _tool("make_medium").make_medium(outdir, bindir, verdict=verdict)
    return outdir


def tracked_copy(source, dest):
    """Copies the files git tracks in source, as they stand in its working tree, to dest.

    Only listed files are read: a build folder of any name, a Wine prefix (whose dosdevices lead to /) or a
    stray file in the tree is never walked. Uncommitted edits are copied as they are.
    """
    listed = subprocess.run(["git", "-C", source, "ls-files", "-z"], stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
    if listed.returncode != 0:
        raise HarnessError("git ls-files in %s: %s" % (source, listed.stderr.decode(errors="replace")))
    for name in listed.stdout.decode("utf-8", errors="surrogateescape").split("\0"):
        path = os.path.join(source, name)
        if not name or not os.path.lexists(path):
            continue  # a tracked file deleted in the working tree is not part of it
        target = os.path.join(dest, name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        if os.path.islink(path):
            os.symlink(os.readlink(path), target)
        else:
            shutil.copy2(path, target)
    return dest


class Image:
    """Pixels as rows of (r, g, b), top row first."""

    def __init__(self, width, height, rows):
        self.width = width
        self.height = height
        self.rows = rows

    def pixel(self, x, y):
        return self.rows[y][x]

    def crop(self, x, y, width, height):
        return Image(width, height, [row[x:x + width] for row in self.rows[y:y + height]])


def read_bmp(path):
    """Reads an uncompressed 24- or 32-bit Windows bitmap file, bottom-up or top-down."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM" or len(data) < 54:
        raise HarnessError("not a bitmap file: " + path)
    offset = struct.unpack_from("<I", data, 10)[0]
    header_size, width, height, _planes, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    if bits not in (24, 32) or compression not in (0, 3) or header_size < 40:
        raise HarnessError("unsupported bitmap (%d bits, compression %d): %s" % (bits, compression, path))
    step = bits // 8
    stride = (width * bits + 31) // 32 * 4
    rows = []
    for y in range(abs(height)):
        start = offset + y * stride
        line = data[start:start + width * step]
        rows.append([(line[i + 2], line[i + 1], line[i]) for i in range(0, len(line), step)])
    if height > 0:
        rows.reverse()
    return Image(width, abs(height), rows)


def write_bmp(path, image):
    """Writes image as the skins are written: a 24-bit bottom-up bitmap file."""
    rgb = bytes(c for row in image.rows for pixel in row for c in pixel)
    _tool("make_art", os.path.join("tools", "art")).write_bmp(path, rgb, image.width, image.height)


def inverted(image):
    """image with every channel of every pixel inverted: no pixel keeps its colour."""
    return Image(image.width, image.height, [[tuple(255 - c for c in pixel) for pixel in row] for row in image.rows])


def lit(back, fore, zone):
    """back with fore over zone's highlight piece, exactly columns left..right-1 and rows top..bottom-1."""
    left, top, right, bottom = ZONES[zone]
    rows = [row[:] for row in back.rows]
    for y in range(top, bottom):
        rows[y][left:right] = fore.rows[y][left:right]
    return Image(back.width, back.height, rows)


def first_difference(actual, expected):
    """None when both images are equal, else a text naming the first differing pixel."""
    if (actual.width, actual.height) != (expected.width, expected.height):
        return "size %dx%d, expected %dx%d" % (actual.width, actual.height, expected.width, expected.height)
    for y, (got_row, want_row) in enumerate(zip(actual.rows, expected.rows)):
        if got_row != want_row:
            x = next(i for i, (a, b) in enumerate(zip(got_row, want_row)) if a != b)
            count = sum(a != b for r1, r2 in zip(actual.rows, expected.rows) for a, b in zip(r1, r2))
            return "first difference at (%d, %d): got %s, expected %s (%d pixels differ)" % (
                x, y, got_row[x], want_row[x], count)
    return None


def rect_tuple(rect):
    """(x, y, width, height) of a probe rectangle dict or of a 4-tuple."""
    if isinstance(rect, dict):
        return rect["left"], rect["top"], rect["right"] - rect["left"], rect["bottom"] - rect["top"]
    return tuple(rect)


class Launcher:
    """A launcher process: started through `wine` (popen set) or by the probe (Windows pid only)."""

    def __init__(self, session, pid, popen=None):
        self.session = session
        self.pid = pid  # the Windows process id, as window records report it
        self.popen = popen

    def alive(self):
        if self.popen is not None:
            return self.popen.poll() is None
        return self.session.probe("process", self.pid)["alive"]

    def wait(self, timeout):
        """Waits for the process to end; returns its exit status (None for a probe-started process)."""
        if self.popen is not None:
            try:
                return self.popen.wait(timeout)
            except subprocess.TimeoutExpired:
                raise AssertionError("launcher %d still running after %.1f s" % (self.pid, timeout))
        wait_for(lambda: not self.alive(), timeout, what="launcher %d to end" % self.pid)
        return None

    def emulated(self):
        """Whether a user-mode emulator runs the launcher."""
        return bool(self.session.emulator_processes("launch.exe"))

    def address_offsets(self):
        """Where the user-mode emulator that runs the launcher may keep its address 0: () where it runs natively.

        qemu-user reserves the guest's address space from the lowest address it maps: qemu 7.2 puts the guest's
        address 0 there, qemu 10 keeps the guest at its own addresses (offset 0) where it can. The probe takes
        the one at which the launcher's thread block lies."""
        emulators = self.session.emulator_processes("launch.exe")
        if not emulators:
            return ()
        if len(emulators) > 1:
            raise HarnessError("more than one emulated launcher: processes %s" % emulators)
        with open("/proc/%d/maps" % emulators[0]) as maps:
            return (int(maps.readline().split("-")[0], 16), 0)

    def kill(self):
        if self.alive():
            try:
                self.session.probe("kill", self.pid)
            except HarnessError:
                pass
        if self.popen is not None:
            if self.popen.poll() is None:
                self.popen.kill()
            self.popen.wait(10)


_open_sessions = []


def failure_seen(what):
    """Tells every open session that a test failed: each takes a screenshot and will keep its folder."""
    for session in _open_sessions:
        session.failed(what)


def last_lines(path, count=LOG_TAIL):
    with open(path, "rb") as f:
        return f.read().decode("utf-8", errors="replace").splitlines()[-count:]


class WineSession:
    """Xvfb, a throw-away prefix and the shared desktop for one test module."""

    def __init__(self, winbuilddir=None):
        self.winbuilddir = os.path.abspath(winbuilddir or os.environ.get("WINBUILDDIR", ""))
        if not os.environ.get("WINBUILDDIR") and winbuilddir is None:
            raise HarnessError("WINBUILDDIR is not set")
        self.arch = wine_arch()
        self.template = os.environ.get("E2E_TEMPLATE_PREFIX",
                                       os.path.join(self.winbuilddir, "e2e", "template-prefix-" + self.arch))
        self.probe_exe = os.environ.get("E2E_PROBE", os.path.join(self.winbuilddir, "tools", "probe", "probe.exe"))
        self.launchers = []
        self.xvfb = None
        self.idle = None
        self.dir = None
        self._calls = 0
        self._failures = 0
        self._desktop_lost = False

    # --- lifetime -----------------------------------------------------------------------------------------
    def __enter__(self):
        require_programs(self.arch)
        for path in (self.template, self.probe_exe):
            if not os.path.exists(path):
                raise HarnessError("missing " + path)
        if prefix_arch(self.template) != ARCHES[self.arch]:
            raise HarnessError("%s is not a %s prefix" % (self.template, ARCHES[self.arch]))
        self.dir = tempfile.mkdtemp(prefix="e2e-session-")
        _open_sessions.append(self)
        try:
            self._start_xvfb()
            self.prefix = os.path.join(self.dir, "prefix")
            self.standin_log = os.path.join(self.dir, "standin.log")
            self.env = dict(os.environ, WINEPREFIX=self.prefix, DISPLAY=self.display,
                            STANDIN_LOG=windows_path(self.standin_log), **wine_env(self.arch), **WINE_ENV,
                            **ENGLISH_LOCALE)
            self.wine = wine_command(self.arch)
            if not self._start_wine():
                # Now and then, under load while the prefix boots, Wine's explorer ends during its start and
                # leaves a desktop without taskbar or picture, and Wine never starts another explorer for it.
                # Only a new Wine brings the desktop back.
                self._note("desktop-lost", "explorer ended without the shared desktop's taskbar")
                sys.stderr.write("e2e: Wine's explorer ended without the shared desktop's taskbar; starting Wine "
                                 "again, and keeping the session folder\n")
                self._desktop_lost = True
                self._stop_wine()
                shutil.rmtree(self.prefix)
                if not self._start_wine():
                    raise AssertionError("Wine lost the shared desktop twice: explorer ended without a taskbar")
        except BaseException:
            self.__exit__(*sys.exc_info())
            raise
        return self

    def __exit__(self, exc_type, exc, traceback):
        if exc_type is not None:
            self.failed("%s: %s" % (exc_type.__name__, exc))
        if self in _open_sessions:
            _open_sessions.remove(self)
        for launcher in self.launchers:
            try:
                launcher.kill()
            except Exception:
                pass
        if getattr(self, "env", None):
            self._stop_wine()
        if self.xvfb is not None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait(10)
        if self._failures or self._desktop_lost:
            self._keep()
        elif self.dir and not os.environ.get("E2E_KEEP"):
            shutil.rmtree(self.dir, ignore_errors=True)
        return False

    def _start_wine(self):
        """Copies the template prefix, starts the idle process and waits for the desktop's taskbar; gives False
        when explorer ended without one."""
        subprocess.run(["cp", "-a", self.template, self.prefix], check=True, timeout=120)
        # Debian's Wine names the prefix's server folder in this file. Copied, it would give every session the
        # template's folder, where a new prefix that gets a removed one's inode would reach that prefix's server
        # while it still ran. Without it, Wine makes the session a folder of its own.
        if os.path.exists(os.path.join(self.prefix, SERVER_FOLDER_FILE)):
            os.remove(os.path.join(self.prefix, SERVER_FOLDER_FILE))
        self.idle = self._popen_wine([self.probe_exe, "NUL", "idle"], "idle")
        # A second program started while the first makes the server's folder can find the folder named but not
        # there yet, and ends ("chdir to ... No such file or directory").
        wait_for(lambda: server_listening(self.prefix), 60, what="the wineserver of " + self.prefix)
        started = time.monotonic()

        def ready_or_lost():
            if self._desktop_ready():
                return "ready"
            lost = time.monotonic() - started > EXPLORER_START and not any(
                "explorer.exe /desktop" in line for line in self._processes())
            return "lost" if lost else None

        return wait_for(ready_or_lost, 60, interval=0.3, what="the shared desktop's taskbar") == "ready"

    def _stop_wine(self):
        """Ends every Wine process of the prefix, its wineserver last, and removes the server's folder."""
        _run_logged(["wineserver", "-k"], self.env, os.path.join(self.dir, "wineserver.log"), 30)
        try:
            _run_logged(["wineserver", "-w"], self.env, os.path.join(self.dir, "wineserver.log"), 30)
        except subprocess.TimeoutExpired:
            sys.stderr.write("e2e: the wineserver of %s was still running 30 s after it was told to end\n"
                             % self.prefix)
        remove_server_folder(self.prefix)
        if self.idle is not None:
            if self.idle.poll() is None:
                self.idle.kill()
            self.idle.wait(10)
            self.idle = None

    def failed(self, what):
        """Takes a screenshot of the whole screen as it is now, and keeps the folder when the session closes."""
        self._failures += 1
        self._note("failure-%d" % self._failures, what)

    def _note(self, name, what):
        """Writes NAME.png, the screen as it is now, and NAME.txt: what happened and the prefix's processes."""
        note = "%s\n" % what
        try:
            # From the X server itself: it shows the screen also when Wine no longer answers.
            subprocess.run(["import", "-display", self.display, "-window", "root",
                            os.path.join(self.dir, name + ".png")], stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=30, check=True)
        except (AttributeError, OSError, subprocess.SubprocessError) as e:
            note += "no screenshot: %s\n" % e
        note += "processes of the prefix:\n" + "".join("    %s\n" % line for line in self._processes())
        with open(os.path.join(self.dir, name + ".txt"), "w") as f:
            f.write(note)

    def _prefix_processes(self):
        """(pid, command words) of each process running with this session's prefix, wineserver included."""
        mark = ("WINEPREFIX=%s" % getattr(self, "prefix", None)).encode()
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if mark not in f.read().split(b"\0"):
                        continue
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    words = f.read().decode(errors="replace").split("\0")
            except OSError:
                continue  # ended meanwhile
            yield int(pid), [w for w in words if w]

    def _processes(self):
        """The processes running with this session's prefix: pid, state and command."""
        lines = []
        for pid, words in self._prefix_processes():
            try:
                with open("/proc/%d/stat" % pid, "rb") as f:
                    state = f.read().rsplit(b")", 1)[1].split()[0].decode()
            except OSError:
                continue
            lines.append("%d %s %s" % (pid, state, " ".join(words)))
        return lines or ["(none)"]

    def emulator_processes(self, name):
        """The pids of this prefix's qemu-user processes that run a Windows program named name."""
        return [pid for pid, words in self._prefix_processes()
                if words and "qemu-" in os.path.basename(words[0])
                and any(w.lower().endswith(name.lower()) for w in words)]

    def _keep(self):
        """Moves the folder, without the prefix's drive and drive links, to E2E_FAILURES and names it."""
        prefix = os.path.join(self.dir, "prefix")
        for bulk in ("drive_c", "dosdevices"):  # dosdevices/z: leads to /
            shutil.rmtree(os.path.join(prefix, bulk), ignore_errors=True)
        kept = self.dir
        target = os.environ.get("E2E_FAILURES")
        if target:
            os.makedirs(target, exist_ok=True)
            kept = os.path.join(target, time.strftime("%Y%m%d-%H%M%S-") + os.path.basename(self.dir))
            shutil.move(self.dir, kept)
        sys.stderr.write("e2e: the session folder of the failure is kept: %s (was %s)\n" % (kept, self.dir))

    def _start_xvfb(self):
        # Xvfb picks a free display number itself and writes it to the pipe once it listens. Choosing a number
        # here instead races with the other sessions on the machine: two could take one server, and the
        # second lost its desktop when the first session ended.
        read_end, write_end = os.pipe()
        with open(os.path.join(self.dir, "xvfb.log"), "ab") as log:
            self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                                          "%dx%dx24" % (SCREEN_WIDTH, SCREEN_HEIGHT), "-nolisten", "tcp"],
                                         stdin=subprocess.DEVNULL, stdout=log, stderr=log, pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as announced:
            ready = select.select([announced], [], [], 30)[0]
            number = announced.readline().strip() if ready else ""
        if not number:
            raise HarnessError("Xvfb gave no display number, see " + os.path.join(self.dir, "xvfb.log"))
        self.display = ":" + number

    def _desktop_ready(self):
        try:
            return self.probe("taskbar")
        except HarnessError:
            return None

    def _popen_wine(self, args, name, env=None, cwd=None):
        out = open(os.path.join(self.dir, name + ".out"), "ab")
        err = open(os.path.join(self.dir, name + ".err"), "ab")
        try:
            return subprocess.Popen(self.wine + args, env=env or self.env, cwd=cwd, stdin=subprocess.DEVNULL,
                                    stdout=out, stderr=err)
        finally:
            out.close()
            err.close()

    # --- probe --------------------------------------------------------------------------------------------
    def probe(self, cmd, *args):
        """Runs one probe command and returns its parsed answer; raises HarnessError with the probe's error."""
        return self.probe_started(cmd, *args)()

    def probe_started(self, cmd, *args, timeout=PROBE_TIMEOUT):
        """Starts a probe command and gives a function that waits for it and returns its parsed answer."""
        self._calls += 1
        call = "probe-%d" % self._calls
        out = os.path.join(self.dir, call + ".json")
        output = os.path.join(self.dir, call + ".out")
        words = " ".join([cmd] + [str(a) for a in args])
        with open(output, "wb") as log:
            process = subprocess.Popen(self.wine + [self.probe_exe, windows_path(out), cmd] + [str(a) for a in args],
                                       env=self.env, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)

        def answer():
            try:
                status = process.wait(timeout)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                raise HarnessError(self._probe_failure(call, words, "did not end within %d s" % timeout))
            try:
                with open(out, encoding="utf-8") as f:
                    text = f.read()
                os.remove(out)
            except OSError:
                text = None
            self._journal("%s %s: status %d, %s" % (call, words, status, text.strip()[:JOURNAL_ANSWER]
                                                      if text is not None else "no answer"))
            try:
                parsed = json.loads(text) if text is not None else None
            except ValueError:
                parsed = None
            if not isinstance(parsed, dict):
                raise HarnessError(self._probe_failure(call, words, "ended with status %d and gave no answer" % status))
            if os.path.getsize(output) == 0:
                os.remove(output)
            if status != 0 or "error" in parsed:
                raise HarnessError("probe %s: %s" % (words, parsed.get("error")))
            return parsed

        return answer

    def _journal(self, line):
        with open(os.path.join(self.dir, "probe-journal.txt"), "a", encoding="utf-8") as f:
            f.write("%s.%03d %s\n" % (time.strftime("%H:%M:%S"), time.time() * 1000 % 1000, line))

    def _probe_failure(self, call, words, what):
        """What is known of a probe call without an answer: its own output and the last lines of Wine's."""
        def quoted(lines):
            return "".join("\n    " + line for line in lines) or " (none)"

        report = ["probe %s %s (%s)" % (words, what, call),
                  "its output:" + quoted(last_lines(os.path.join(self.dir, call + ".out")))]
        for name in sorted(os.listdir(self.dir)):
            path = os.path.join(self.dir, name)
            if name.endswith((".out", ".err", ".log")) and not name.startswith("probe-") and os.path.getsize(path):
                report.append("last lines of %s:%s" % (name, quoted(last_lines(path))))
        return "\n  ".join(report)

    def windows(self):
        return self.probe("windows")["windows"]

    def find_window(self, caption=None, cls=None, pid=None, visible=None):
        """The top-level windows matching every criterion given."""
        return [w for w in self.windows()
                if (caption is None or w["caption"] == caption) and (cls is None or w["class"] == cls)
                and (pid is None or w["pid"] == pid) and (visible is None or w["visible"] == visible)]

    def wait_window(self, timeout=20, **criteria):
        """Waits until exactly one window matches and returns it."""
        found = wait_for(lambda: (lambda ws: ws if len(ws) == 1 else None)(self.find_window(**criteria)),
                         timeout, what="one window with %s" % criteria)
        return found[0]

    def foreground(self):
        """The foreground window's record; hwnd and pid are None when no window is in front."""
        return self.probe("focus")["foreground"] or {"hwnd": None, "pid": None}

    def message_boxes(self, pid=None):
        return [b for b in self.probe("messageboxes")["messageboxes"] if pid is None or b["pid"] == pid]

    def wait_message_box(self, pid=None, timeout=20):
        """Waits for the message box(es) of pid; returns the list once one is visible and filled in.

        A box is seen visible a moment before its initialisation has set the text and removed unused buttons.
        """
        def ready(boxes):
            return any(b["visible"] and b["text"] and b["buttons"] and all(k["text"] for k in b["buttons"])
                       for b in boxes)

        return wait_for(lambda: (lambda bs: bs if ready(bs) else None)(self.message_boxes(pid)),
                        timeout, what="a message box of pid %s" % pid)

    def children(self, hwnd):
        return self.probe("children", hwnd)

    # --- launcher -----------------------------------------------------------------------------------------
    def start_launcher(self, medium_dir, env_extra=None, exe="Launch.exe"):
        """Starts `wine EXE` in medium_dir (its Windows current directory is the Z: path of it)."""
        before = {p["pid"] for p in self.probe("processes")["processes"]}
        env = dict(self.env, **(env_extra or {}))
        popen = self._popen_wine([exe], "launcher-%d" % (len(self.launchers) + 1), env=env, cwd=medium_dir)
        name = os.path.basename(exe).lower()

        def new_process():
            if popen.poll() is not None:
                raise AssertionError("%s exited at once with status %s" % (exe, popen.returncode))
            return [p["pid"] for p in self.probe("processes")["processes"]
                    if p["pid"] not in before and p["exe"].lower() == name]

        try:
            pids = wait_for(new_process, 20, what="process %s" % exe)
        except BaseException:
            # A launcher left running would take every later start of the session for a second one.
            popen.kill()
            popen.wait(10)
            raise
        launcher = Launcher(self, pids[0], popen)
        self.launchers.append(launcher)
        return launcher

    def run_launcher(self, medium_dir, timeout):
        """Runs `wine Launch.exe` in medium_dir to its end and gives its exit status; one still running after
        timeout is killed and fails the test."""
        self._calls += 1
        popen = self._popen_wine(["Launch.exe"], "run-%d" % self._calls, cwd=medium_dir)
        try:
            return popen.wait(timeout)
        except subprocess.TimeoutExpired:
            popen.kill()
            popen.wait(10)
            raise AssertionError("Launch.exe in %s still running after %.1f s" % (medium_dir, timeout))

    def start_with_show(self, command_line, cur_dir, show_cmd):
        """Starts a program through CreateProcess with the given start-up show state (STARTUPINFO)."""
        pid = self.probe("start", command_line, cur_dir, show_cmd)["pid"]
        launcher = Launcher(self, pid)
        self.launchers.append(launcher)
        return launcher

    # --- pointer and keyboard input ------------------------------------------------------------------------------------
    def xdotool(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=10, check=True)

    def move(self, x, y):
        """Moves the pointer to desktop coordinates (the X screen is exactly the desktop)."""
        # No --sync: it waits for a motion event, which never comes when the pointer is already there.
        self.xdotool("mousemove", x, y)
        time.sleep(0.2)  # lets Wine deliver the move before the next input or probe

    def park_pointer(self):
        """Moves the pointer to a corner of the desktop where no test window lies."""
        self.move(SCREEN_WIDTH - 1, 0)

    def key(self, *keys):
        """Presses and releases keys (X keysyms such as Tab, shift+Tab, Return) on the focused window."""
        self.xdotool("key", "--delay", 60, *keys)
        time.sleep(0.2)  # lets Wine deliver them before the next input or probe

    def click(self, button=1):
        self.xdotool("click", button)

    def press(self, button=1):
        self.xdotool("mousedown", button)

    def release(self, button=1):
        self.xdotool("mouseup", button)

    def drag(self, x1, y1, x2, y2, button=1):
        self.move(x1, y1)
        self.press(button)
        self.move(x2, y2)
        self.release(button)

    # --- pixels -------------------------------------------------------------------------------------------
    def shot(self, rect):
        """The screen pixels of rect (probe rectangle dict or (x, y, width, height))."""
        x, y, width, height = rect_tuple(rect)
        self._calls += 1
        path = os.path.join(self.dir, "shot-%d.bmp" % self._calls)
        self.probe("shot", x, y, width, height, windows_path(path))
        image = read_bmp(path)
        if not os.environ.get("E2E_KEEP"):
            os.remove(path)
        return image

    def save_png(self, rect, name):
        """Writes a screenshot as PNG into the session folder, which a failure keeps; gives its path."""
        x, y, width, height = rect_tuple(rect)
        bmp = os.path.join(self.dir, "save.bmp")
        png = os.path.join(self.dir, name + ".png")
        self.probe("shot", x, y, width, height, windows_path(bmp))
        subprocess.run(["/usr/bin/convert", bmp, png], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=30, check=True)
        return png

    # --- stand-in log -------------------------------------------------------------------------------------
    def standin_entries(self):
        """The (name, command line, current directory, start-up show state) lines the stand-in programs
        logged, in order."""
        if not os.path.exists(self.standin_log):
            return []
        with open(self.standin_log, "rb") as f:
            text = f.read().decode("utf-8", errors="surrogateescape")
        return [tuple(line.split("\t")) for line in text.split("\r\n") if line]


def module_session():
    """A session and a complete medium for one test module; the session closes after the module's tests."""
    session = WineSession().__enter__()
    unittest.addModuleCleanup(session.__exit__, None, None, None)
    return session, lay_out_medium(os.path.join(session.dir, "medium"), session.winbuilddir)


def main(argv):
    if len(argv) == 5 and argv[1] == "make-template" and argv[4] in ARCHES:
        make_template(argv[2], argv[3], argv[4])
        return 0
    sys.stderr.write("usage: harness.py make-template DIR PROBE.exe win32|win64|x64\n")
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
