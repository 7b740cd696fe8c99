# tests/e2e/launcher_checks.py: shared steps of the soak, locale and fault tests: media, menu start, pieces, figures.
import os
import shutil
import tempfile
import time

import harness
from harness import DIALOG, IDOK, OUTSIDE, WELCOME, ZONES, centre, piece  # noqa: F401

ENGLISH_SKIN = os.path.join("Autorun", "English")
KOREAN_SKIN = os.path.join("Autorun", "Korean")


def copy_medium(session, source, parent=None, name=None):
    """A private copy of the medium at source, under parent (default the session folder)."""
    parent = parent or session.dir
    if name is None:
        path = tempfile.mkdtemp(prefix="medium-", dir=parent)
        shutil.rmtree(path)
    else:
        path = os.path.join(parent, name)
    shutil.copytree(source, path)
    return path


def skin(medium, kind, korean=False):
    """The back or fore skin image of a medium."""
    folder, suffix = (KOREAN_SKIN, "Kor") if korean else (ENGLISH_SKIN, "Eng")
    return harness.read_bmp(os.path.join(medium, folder, "Zo%s_%s.bmp" % (kind, suffix)))


def menu_window(session, launcher, timeout=30):
    return session.wait_window(pid=launcher.pid, cls="TInstallForm", caption=WELCOME, visible=True,
                               timeout=timeout)


def dialog_window(session, launcher):
    return session.wait_window(pid=launcher.pid, caption=DIALOG)


def client_shot(session, menu, rect):
    x, y, width, height = rect
    return session.shot((menu["client"]["left"] + x, menu["client"]["top"] + y, width, height))


def screenshot_note(session, menu, name):
    """Saves the menu's client area as PNG for a failure message."""
    try:
        client = menu["client"]
        return session.save_png((client["left"], client["top"], 600, 400), name)
    except Exception as e:  # a screenshot is only an aid
        return "no screenshot: %s" % e


def wait_piece(session, menu, zone, expected, timeout=10):
    """Waits until the zone's piece on screen equals that piece of expected; gives None or the last difference."""
    rect = piece(zone)
    want = expected.crop(*rect)
    last = [None]

    def equal():
        last[0] = harness.first_difference(client_shot(session, menu, rect), want)
        return last[0] is None

    try:
        harness.wait_for(equal, timeout, interval=0.1, what="%s piece" % zone)
        return None
    except AssertionError:
        return last[0]


def wait_client(session, menu, expected, timeout=10):
    """Waits until the whole 600x400 picture equals expected; gives None or the last difference."""
    last = [None]

    def equal():
        last[0] = harness.first_difference(client_shot(session, menu, (0, 0, 600, 400)), expected)
        return last[0] is None

    try:
        harness.wait_for(equal, timeout, interval=0.2, what="client pixels")
        return None
    except AssertionError:
        return last[0]


def steady_client(session, menu, expected, seconds=1.0):
    """Watches the whole picture for seconds; gives the first difference from expected, or None."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        difference = harness.first_difference(client_shot(session, menu, (0, 0, 600, 400)), expected)
        if difference:
            return difference
    return None


def point(session, menu, x, y):
    session.move(menu["client"]["left"] + x, menu["client"]["top"] + y)


def figures(session, launcher):
    """(live GDI objects, private bytes) of the launcher as Wine reports them.

    Wine answers PrivateUsage 0 for another process; its PagefileUsage is the private figure it keeps."""
    gdi = session.probe("gdi-count", launcher.pid, *launcher.address_offsets())["objects"]
    memory = session.probe("memory", launcher.pid)
    return gdi, memory["private"] or memory["pagefile"]


def elapsed(start):
    return time.monotonic() - start


def standin_entries(session, encoding):
    """The stand-in log lines as (name, command line, current directory, show state), decoded from the given
    code page."""
    if not os.path.exists(session.standin_log):
        return []
    with open(session.standin_log, "rb") as f:
        text = f.read().decode(encoding, errors="replace")
    return [tuple(line.split("\t")) for line in text.split("\r\n") if line]
