# tests/e2e/test_menu_actions.py: click sounds and the four menu actions, driven by real pointer presses.
import os
import shutil
import unittest

import harness
from harness import DIALOG  # noqa: F401
from menu_session import (OUTSIDE, MenuTest, SoundTest, centre, medium, session, setUpModule)  # noqa: F401

WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON = 0x0201, 0x0202, 0x0001


class SoundAndInstallerTest(SoundTest):
    @classmethod
    def setUpClass(cls):
        cls.medium = medium()
        cls.start_with_sound(cls.medium, "sound")

    def post_press(self, x, y):
        """Posts a left press and release at (x, y) of the picture to the menu window, moving no pointer."""
        position = (y << 16) | x
        session().probe("post", self.menu["hwnd"], WM_LBUTTONDOWN, MK_LBUTTON, position)
        session().probe("post", self.menu["hwnd"], WM_LBUTTONUP, 0, position)

    def setup_runs(self, count, before):
        harness.wait_for(lambda: len(session().standin_entries()) >= before + count, 20,
                         what="%d installer start(s)" % count)
        self.assert_no_message_box("after the installer started")
        return session().standin_entries()[before:]

    def test_sounds_installer_and_left_exit(self):
        self.assertNotEqual(self.sounds["DOWN"], self.sounds["NoDOWN"])
        # Started by its relative path from the medium's root, shown with SW_SHOW (5).
        setup = ("Setup", "Setup\\Setup.exe", harness.windows_path(self.medium), "5")
        before = len(session().standin_entries())
        self.hover("install", 30, 60)
        session().click(1)
        self.assertEqual(self.played(), ["DOWN"])
        self.assertEqual(self.setup_runs(1, before), [setup])

        self.leave()
        session().click(1)
        self.assertEqual(self.played(), ["NoDOWN"])
        self.assertEqual(len(session().standin_entries()), before + 1)

        # A press on the install entry while nothing is lit (posted, so the pointer stays outside): the
        # sound follows the hover state, the action the pressed position.
        self.post_press(*centre("install"))
        self.assertEqual(self.played(), ["NoDOWN"])
        self.assertEqual(self.setup_runs(1, before + 1), [setup])

        self.hover("install", 30, 60)
        session().xdotool("click", "--repeat", 2, "--delay", 80, 1)
        self.assertEqual(self.setup_runs(2, before + 2), [setup, setup])
        self.assert_exit(1)


class EntriesTest(MenuTest):
    def test_missing_installer_browse_uninstall_twice_and_right_exit(self):
        path = medium(os.path.join("Setup", "Setup.exe"))
        self.start(path)
        before = len(session().standin_entries())
        self.hover("install")
        session().click(1)
        self.assert_no_message_box("after pressing install without an installer")
        self.assertEqual(len(session().standin_entries()), before)

        self.browse(os.path.basename(path))

        self.hover("uninstall", piece_only=True)
        session().click(1)
        dialog = session().wait_window(pid=self.launcher.pid, caption=DIALOG, visible=True)
        self.leave_to_menu()
        self.hover("uninstall", piece_only=True)
        session().click(1)
        harness.wait_for(lambda: self.foreground() == dialog["hwnd"], 10, what="the dialog in front")
        self.assertEqual(len(session().find_window(caption=DIALOG, visible=True)), 1)
        self.assert_exit(3)

    def test_browse_at_a_drive_root(self):
        root = medium()
        os.symlink(root, os.path.join(session().prefix, "dosdevices", "d:"))
        self.adopt(session().start_with_show("D:\\Launch.exe", "D:\\", 1))
        self.browse(" (D:)")  # how Wine's browser names a drive root
        self.assert_exit(1)

    def foreground(self):
        window = session().probe("focus")["foreground"]
        return window and window["hwnd"]

    def leave_to_menu(self):
        """Presses the menu outside every zone, which brings it in front of the dialog."""
        self.point(*OUTSIDE)
        session().click(1)
        harness.wait_for(lambda: self.foreground() == self.menu["hwnd"], 10, what="the menu in front")

    def browse(self, caption):
        """Presses browse: one file browser window must open and settle on caption, with no message box."""
        before = {w["hwnd"] for w in session().find_window(cls="ExplorerWClass")}
        self.hover("browse", piece_only=True)
        session().click(1)

        def captions():
            return [w["caption"] for w in self.new_windows(before, "ExplorerWClass")]

        try:  # the browser sets its caption more than once while it opens the folder
            harness.wait_for(lambda: captions() == [caption], 10, what="the browser's caption")
        except AssertionError:
            self.assertEqual(captions(), [caption])
        self.assert_no_message_box("after opening the file browser")
        self.close_windows(self.new_windows(before, "ExplorerWClass"))


class PlantedLibraryTest(SoundTest):
    """Libraries named like the system libraries the launcher loads, planted beside it on a copied medium,
    with Wine told to prefer such a file, as Windows does for every library that is not a known DLL."""

    PLANTED = ("winmm", "oleacc")

    def test_planted_libraries_are_never_loaded(self):
        path = medium()
        for name in self.PLANTED:
            shutil.copy(os.path.join(session().winbuilddir, "tests", "e2e", "planted", name + ".dll"), path)
        marker = os.path.join(session().dir, "planted-marker.txt")
        self.start_with_sound(path, "planted-sound", {
            "WINEDLLOVERRIDES": harness.WINE_ENV["WINEDLLOVERRIDES"] + ";%s=n,b" % ",".join(self.PLANTED),
            "PLANTED_MARKER": harness.windows_path(marker)})
        self.hover("install")
        session().click(1)
        self.assertEqual(self.played(), ["DOWN"])  # a planted winmm would play nothing
        self.assertFalse(os.path.exists(marker), "loaded from beside the launcher: %s" % (
            open(marker).read() if os.path.exists(marker) else ""))
        self.assert_exit(1)


if __name__ == "__main__":
    unittest.main()
