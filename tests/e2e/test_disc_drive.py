# tests/e2e/test_disc_drive.py: the benchmarks' simulated optical drive mounts a medium; the launcher starts from it,
# reports a skin it cannot read off a scratched disc, and lives on when the disc is taken out.
import os
import sys
import unittest

import harness
import launcher_checks as lc
import uninstall_flow

sys.path.insert(0, os.path.join(harness.SOURCE_DIR, "tools", "bench"))
import disc_drive  # noqa: E402

SESSION = None
MEDIUM = None
INSTANT = {"rate_kib": 1 << 30, "seek_ms": 0}  # the drive's model without its delays


def setUpModule():
    global SESSION, MEDIUM
    SESSION, MEDIUM = harness.module_session()


class DiscDriveTest(unittest.TestCase):
    def test_launcher_started_twice_from_the_drive_shows_one_menu_with_its_skin(self):
        SESSION.park_pointer()
        mountpoint = os.path.join(SESSION.dir, "disc")
        # Slow enough (7 s for the skins) that the first start still reads them when the second comes, as when
        # a user starts the CD again while it spins up; the second finds the first's executable in the cache.
        with disc_drive.Drive(MEDIUM, mountpoint, os.path.join(SESSION.dir, "disc.log"), rate_kib=200,
                              seek_ms=0) as drive:
            launcher = SESSION.start_launcher(mountpoint)
            try:
                self.assertEqual(SESSION.run_launcher(mountpoint, 30), 0)
                menu = lc.menu_window(SESSION, launcher)
                self.assertEqual(len(SESSION.find_window(cls="TInstallForm")), 1)
                harness.wait_for(lambda: SESSION.foreground()["hwnd"] == menu["hwnd"], 10, what="the menu in front")
                difference = lc.wait_client(SESSION, menu, lc.skin(MEDIUM, "Back"))
                self.assertIsNone(difference, "back skin: %s (%s)" % (
                    difference, lc.screenshot_note(SESSION, menu, self.id())))
                SESSION.probe("close", menu["hwnd"])
                self.assertEqual(launcher.wait(15), 0)
            finally:
                launcher.kill()
        self.assertFalse(os.path.ismount(mountpoint))
        fetched = disc_drive.per_file(drive.reads)
        self.assertIn("Launch.exe", fetched)
        # Read once, by the first start: the second reads no skin.
        for name in ("ZoBack_Eng.bmp", "ZoFore_Eng.bmp"):
            path = "Autorun/English/" + name
            self.assertEqual(fetched[path].bytes, os.path.getsize(os.path.join(MEDIUM, path)), path)

    def test_back_skin_header_unreadable_keeps_the_built_in_picture(self):
        menu = self.start_scratched("back", ("Autorun/English/ZoBack_Eng.bmp", 0, 14))
        self.assert_hover_draws_nothing(menu, harness.read_bmp(os.path.join(SESSION.winbuilddir, "art",
                                                                            "builtin.bmp")))

    def test_fore_skin_pixels_unreadable_leave_the_back_skin_unlit(self):
        menu = self.start_scratched("fore", ("Autorun/English/ZoFore_Eng.bmp", 360000, 364096))
        self.assert_hover_draws_nothing(menu, lc.skin(MEDIUM, "Back"))

    def start_scratched(self, name, unreadable):
        """Starts the launcher from a drive with the unreadable stretch; expects one read error box and
        presses OK; gives the menu."""
        SESSION.park_pointer()
        drive = disc_drive.Drive(MEDIUM, os.path.join(SESSION.dir, "scratched-" + name),
                                 os.path.join(SESSION.dir, "scratched-%s.log" % name), unreadable=unreadable, **INSTANT)
        drive.__enter__()
        self.addCleanup(drive.__exit__, None, None, None)
        launcher = SESSION.start_launcher(drive.mountpoint)
        self.addCleanup(launcher.kill)
        boxes = SESSION.wait_message_box(launcher.pid)
        self.assertEqual([(b["caption"], b["text"]) for b in boxes], [("Launch", "Stream read error.")])
        SESSION.probe("click-button", boxes[0]["hwnd"], lc.IDOK)
        return lc.menu_window(SESSION, launcher)

    def assert_hover_draws_nothing(self, menu, picture):
        """picture stays on screen while the pointer lights the install entry."""
        difference = lc.wait_client(SESSION, menu, picture)
        self.assertIsNone(difference, "before the hover: %s (%s)" % (
            difference, lc.screenshot_note(SESSION, menu, self.id() + "-before")))
        lc.point(SESSION, menu, *lc.centre("install"))
        harness.wait_for(lambda: SESSION.probe("accessible", menu["hwnd"])["focus"] == 1, 10,
                         what="the install entry to be lit")
        difference = lc.steady_client(SESSION, menu, picture)
        self.assertIsNone(difference, "install lit: %s (%s)" % (
            difference, lc.screenshot_note(SESSION, menu, self.id())))
        self.assertEqual(SESSION.message_boxes(), [])


class DiscTakenOutTest(uninstall_flow.UninstallTest):
    """The launcher started from the drive, whose disc is taken out while the menu is open."""

    @classmethod
    def setUpClass(cls):
        cls.session = SESSION
        cls.drive = disc_drive.Drive(MEDIUM, os.path.join(SESSION.dir, "disc-out"),
                                     os.path.join(SESSION.dir, "disc-out.log"), **INSTANT)
        cls.medium = cls.drive.__enter__().mountpoint

    @classmethod
    def tearDownClass(cls):
        cls.drive.__exit__(None, None, None)

    def press(self, zone):
        self.click_client(self.menu, *lc.centre(zone))

    def assert_nothing_shown(self, windows, what):
        """No message box anywhere, and no top-level window that is not in windows (handles) or the dialog."""
        self.assertEqual(self.session.message_boxes(), [], what)
        new = [w for w in self.session.windows() if w["visible"] and w["hwnd"] not in windows
               and w["caption"] != lc.DIALOG]
        self.assertEqual(new, [], what)

    def test_every_entry_and_option_after_the_disc_is_taken_out(self):
        back = lc.skin(MEDIUM, "Back")
        self.assertIsNone(lc.wait_client(self.session, self.menu, back))
        self.drive.eject()
        windows = {w["hwnd"] for w in self.session.windows() if w["visible"]}
        mark = self.log_mark()
        self.press("install")
        self.open_dialog()  # the install press has been handled once the dialog shows
        self.assert_nothing_shown(windows, "after Install")
        for option in ("RadioButton1", "RadioButton2"):
            self.click_option(option)
            self.wait_dialog(False)
            self.assert_nothing_shown(windows, "after %s" % option)
            self.open_dialog()
        self.click_option("RadioButton3")
        box = self.verdict_box("Launch")
        self.assertEqual(box["text"], "Failed to get data for 'Welcome'")
        self.press_ok(box)
        self.assertEqual(self.session.standin_entries()[mark:], [])
        self.session.probe("close", self.dialog()["hwnd"])
        self.wait_dialog(False)
        self.press("browse")  # the file browser opens a window on the empty drive; closed again
        browser = harness.wait_for(lambda: self.session.find_window(cls="ExplorerWClass", visible=True), 30,
                                   what="the file browser")
        self.session.probe("close", browser[0]["hwnd"])
        harness.wait_for(lambda: not self.session.find_window(cls="ExplorerWClass", visible=True), 20,
                         what="the file browser to close")
        lc.point(self.session, self.menu, *lc.centre("install"))
        # A repaint draws the back skin over the highlight, from the images in memory.
        self.assertIsNone(lc.wait_piece(self.session, self.menu, "install", lc.skin(MEDIUM, "Fore")))
        self.session.probe("redraw", self.menu["hwnd"])
        difference = lc.wait_client(self.session, self.menu, back)
        self.assertIsNone(difference, "%s (%s)" % (difference, lc.screenshot_note(self.session, self.menu, self.id())))
        self.assertTrue(self.launcher.alive())
        self.press("exit")
        self.assertEqual(self.launcher.wait(20), 0)


if __name__ == "__main__":
    unittest.main()
