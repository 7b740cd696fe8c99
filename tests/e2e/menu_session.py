# tests/e2e/menu_session.py: one Wine session per module and the menu window's zones, pointer moves and pixel checks.
import functools
import os
import shutil
import tempfile
import time
import unittest

import harness
from harness import IDOK, OUTSIDE, WELCOME, ZONES, centre, piece  # noqa: F401
import sound_sink

CLIENT = (0, 0, 600, 400)  # the picture, at the client origin
SKIN = os.path.join("Autorun", "English")
SETTLE = 1.0  # how long something that must not happen is watched for

SESSION = None
MEDIUM = None  # a complete medium, laid out once; tests copy it


def setUpModule():
    global SESSION, MEDIUM
    SESSION, MEDIUM = harness.module_session()
    # The shipped fore skin equals the back outside the pieces; here it is the back inverted there, so a
    # piece drawn one column or row beyond its zone changes the screen.
    back, fore = skin_image("Back"), skin_image("Fore")
    image = harness.inverted(back)
    for zone in ZONES:
        image = harness.lit(image, fore, zone)
    harness.write_bmp(skin_path("Fore"), image)


def session():
    return SESSION


def skin_path(kind):
    return os.path.join(MEDIUM, SKIN, "Zo%s_Eng.bmp" % kind)


def skin_image(kind):
    return harness.read_bmp(skin_path(kind))


@functools.lru_cache(maxsize=None)
def expected_client(zone=None):
    """The back image, with the fore image over exactly the piece of zone when one is given; built once."""
    back = skin_image("Back")
    return back if zone is None else harness.lit(back, skin_image("Fore"), zone)


def medium(*removed):
    """A private copy of the medium without the given relative paths (files or folders)."""
    path = tempfile.mkdtemp(prefix="medium-", dir=SESSION.dir)
    shutil.rmtree(path)
    shutil.copytree(MEDIUM, path)
    for relative in removed:
        target = os.path.join(path, relative)
        (shutil.rmtree if os.path.isdir(target) else os.remove)(target)
    return path


class MenuTest(unittest.TestCase):
    """Drives one launcher's menu window: self.launcher and self.menu are set by start()."""

    @classmethod
    def start(cls, medium_dir, env_extra=None, dismiss=None):
        """Starts the launcher; with dismiss, first expects one error box of that text and presses OK."""
        SESSION.park_pointer()  # a pointer left over a menu entry would highlight it
        for window in SESSION.find_window(cls="ExplorerWClass", visible=True):
            SESSION.probe("close", window["hwnd"])  # a file browser left by a failed test would cover the menu
        cls.launcher = SESSION.start_launcher(medium_dir, env_extra=env_extra)
        cls.adopt(cls.launcher, dismiss)

    @classmethod
    def adopt(cls, launcher, dismiss=None):
        cls.launcher = launcher
        if dismiss is not None:
            boxes = SESSION.wait_message_box(launcher.pid)
            assert [b["text"] for b in boxes] == [dismiss], boxes
            SESSION.probe("click-button", boxes[0]["hwnd"], IDOK)
        cls.menu = SESSION.wait_window(pid=launcher.pid, cls="TInstallForm", caption=WELCOME, visible=True)

    @classmethod
    def tearDownClass(cls):
        if getattr(cls, "launcher", None):
            cls.launcher.kill()

    def point(self, x, y):
        """Moves the pointer to (x, y) of the menu's client area."""
        SESSION.move(self.menu["client"]["left"] + x, self.menu["client"]["top"] + y)

    def shot(self, rect=CLIENT):
        x, y, width, height = rect
        return SESSION.shot((self.menu["client"]["left"] + x, self.menu["client"]["top"] + y, width, height))

    def difference(self, expected, rect):
        return harness.first_difference(self.shot(rect), expected.crop(*rect))

    def failure(self, what, difference, rect):
        x, y, width, height = rect
        png = SESSION.save_png((self.menu["client"]["left"] + x, self.menu["client"]["top"] + y, width, height),
                               self.id())
        self.fail("%s: %s (screenshot %s)" % (what, difference, png))

    def wait_shows(self, expected, what, rect=CLIENT, timeout=10):
        """Waits until the client pixels in rect equal expected's."""
        last = [None]

        def equal():
            last[0] = self.difference(expected, rect)
            return last[0] is None

        try:
            harness.wait_for(equal, timeout, what=what)
        except AssertionError:
            self.failure(what, last[0], rect)

    def assert_keeps_showing(self, expected, what, rect=CLIENT):
        """Checks that the client pixels in rect equal expected's for SETTLE seconds."""
        deadline = time.monotonic() + SETTLE
        while time.monotonic() < deadline:
            difference = self.difference(expected, rect)
            if difference:
                self.failure(what, difference, rect)

    def hover(self, zone, x=None, y=None, piece_only=False):
        """Moves into zone (its centre unless x, y) and waits for its highlight in the whole client area, or
        with piece_only in the zone's piece alone (when another window may cover part of the menu)."""
        x, y = (x, y) if x is not None else centre(zone)
        self.point(x, y)
        left, top, right, bottom = ZONES[zone]
        rect = (left, top, right - left, bottom - top) if piece_only else CLIENT
        self.wait_shows(expected_client(zone), "%s highlighted after a move to (%d, %d)" % (zone, x, y), rect)

    def leave(self):
        """Moves to OUTSIDE and waits for the back image."""
        self.point(*OUTSIDE)
        self.wait_shows(expected_client(), "no highlight at %s" % (OUTSIDE,))

    def unlight(self):
        """Leaves through a point beside OUTSIDE, so a highlight a key made is undone even when the pointer
        is at OUTSIDE already (a pointer that does not move sends no move)."""
        self.point(OUTSIDE[0] + 1, OUTSIDE[1])
        self.leave()

    def assert_no_message_box(self, what):
        deadline = time.monotonic() + SETTLE
        while time.monotonic() < deadline:
            self.assertEqual(SESSION.message_boxes(), [], what)

    def new_windows(self, before, cls_name, timeout=20):
        """Waits for top-level windows of class cls_name whose handles are not in before; gives them."""
        return harness.wait_for(lambda: [w for w in SESSION.find_window(cls=cls_name, visible=True)
                                         if w["hwnd"] not in before], timeout,
                                what="a new %s window" % cls_name)

    def close_windows(self, windows):
        for window in windows:
            SESSION.probe("close", window["hwnd"])
        handles = {w["hwnd"] for w in windows}
        harness.wait_for(lambda: not [w for w in SESSION.windows() if w["hwnd"] in handles and w["visible"]], 20,
                         what="the windows to close")

    def assert_exit(self, button):
        """Presses the exit entry with button; the launcher must end, with status 0 where it can be read."""
        self.point(*centre("exit"))
        SESSION.click(button)
        status = self.launcher.wait(20)
        if status is not None:
            self.assertEqual(status, 0)


class SoundTest(MenuTest):
    """A menu test whose launcher's sounds are captured: start_with_sound sets self.sink and self.sounds."""

    @classmethod
    def start_with_sound(cls, medium_dir, folder, env_extra=None):
        """Starts the launcher with its sounds going to a sink in the session's folder/."""
        cls.sink = sound_sink.SoundSink(os.path.join(SESSION.dir, folder))
        cls.start(medium_dir, env_extra=dict(cls.sink.env, **(env_extra or {})))
        cls.sounds = {name: sound_sink.wav_data(os.path.join(medium_dir, "Autorun", "Sound", name + ".WAV"))
                      for name in ("DOWN", "NoDOWN")}

    def played(self):
        """The sounds played since the last call, named by the file whose samples they are."""
        names = {data: name for name, data in self.sounds.items()}
        return [names.get(data, "%d unknown bytes" % len(data)) for data in self.sink.new_streams(1)]
