# tests/e2e/test_menu_actions.py: click sounds and the four menu actions, driven by real pointer presses.
import math
import os
import shutil
import struct
import unittest
import wave

import harness
from harness import DIALOG, WELCOME  # noqa: F401
from menu_session import (OUTSIDE, ZONES, MenuTest, SoundTest, centre, expected_client, medium,  # noqa: F401
                          piece, session, setUpModule)

WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON = 0x0201, 0x0202, 0x0001
ROLE_PUSHBUTTON = 43
STATE_FOCUSED, STATE_HOTTRACKED, STATE_FOCUSABLE = 0x4, 0x80, 0x100000
SCREEN_ORDER = ("install", "uninstall", "browse", "exit")  # the accessible children 1 to 4
# The sink's null device takes samples at once, so Wine plays into it about four times faster than real time:
# some 30 s there, far longer than the checks made while it plays, also on a loaded machine.
LONG_CLICK_SECONDS = 120


def setup_runs(test, count, before):
    """The stand-in log lines of the next `count` installer starts after the first `before` lines."""
    harness.wait_for(lambda: len(session().standin_entries()) >= before + count, 20,
                     what="%d installer start(s)" % count)
    test.assert_no_message_box("after the installer started")
    return session().standin_entries()[before:]


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


    def test_sounds_installer_and_left_exit(self):
        self.assertNotEqual(self.sounds["DOWN"], self.sounds["NoDOWN"])
        # Started by its relative path from the medium's root, shown with SW_SHOW (5).
        setup = ("Setup", "Setup\\Setup.exe", harness.windows_path(self.medium), "5")
        before = len(session().standin_entries())
        self.hover("install", 30, 60)
        session().click(1)
        self.assertEqual(self.played(), ["DOWN"])
        self.assertEqual(setup_runs(self, 1, before), [setup])

        self.leave()
        session().click(1)
        self.assertEqual(self.played(), ["NoDOWN"])
        self.assertEqual(len(session().standin_entries()), before + 1)

        # A press on the install entry while nothing is lit (posted, so the pointer stays outside): the
        # sound follows the hover state, the action the pressed position.
        self.post_press(*centre("install"))
        self.assertEqual(self.played(), ["NoDOWN"])
        self.assertEqual(setup_runs(self, 1, before + 1), [setup])

        self.hover("install", 30, 60)
        session().xdotool("click", "--repeat", 2, "--delay", 80, 1)
        self.assertEqual(setup_runs(self, 2, before + 2), [setup, setup])
        self.assert_exit(1)


def write_steady_tone(path, seconds, rate=22050):
    """A 441 Hz tone of 16-bit mono samples, as long as asked, with no silence anywhere."""
    period = b"".join(struct.pack("<h", int(8000 * math.sin(2 * math.pi * (n + 0.5) / 50))) for n in range(50))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(period * (rate * seconds // 50))


class LongClickTest(SoundTest):
    def test_the_installer_starts_and_the_menu_answers_while_a_long_click_plays(self):
        path = medium()
        write_steady_tone(os.path.join(path, "Autorun", "Sound", "DOWN.WAV"), LONG_CLICK_SECONDS)
        self.start_with_sound(path, "long-click")
        setup = ("Setup", "Setup\\Setup.exe", harness.windows_path(path), "5")
        before = len(session().standin_entries())
        self.hover("install")
        session().click(1)
        self.assertEqual(setup_runs(self, 1, before), [setup])
        self.assertTrue(self.sink.playing(), "the installer started only once the click sound had ended")
        self.leave()
        self.assertTrue(self.sink.playing(), "the menu drew the move only once the click sound had ended")
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
        harness.wait_for(lambda: session().foreground()["hwnd"] == dialog["hwnd"], 10, what="the dialog in front")
        self.assertEqual(len(session().find_window(caption=DIALOG, visible=True)), 1)
        self.assert_exit(3)

    def test_browse_at_a_drive_root(self):
        root = medium()
        os.symlink(root, os.path.join(session().prefix, "dosdevices", "d:"))
        self.adopt(session().start_with_show("D:\\Launch.exe", "D:\\", 1))
        self.browse(" (D:)")  # how Wine's browser names a drive root
        self.assert_exit(1)

    def leave_to_menu(self):
        """Presses the menu outside every zone, which brings it in front of the dialog."""
        self.point(*OUTSIDE)
        session().click(1)
        harness.wait_for(lambda: session().foreground()["hwnd"] == self.menu["hwnd"], 10, what="the menu in front")

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


class KeyboardAndScreenReaderTest(SoundTest):
    """Enter, Space and a screen reader's default action press the entries as the pointer does."""

    @classmethod
    def setUpClass(cls):
        cls.medium = medium()
        cls.start_with_sound(cls.medium, "keyboard-sound")
        cls.setup = ("Setup", "Setup\\Setup.exe", harness.windows_path(cls.medium), "5")

    def setUp(self):
        self.unlight()
        session().click(1)  # beside the entries: the menu is active, and nothing is lit
        self.assertEqual(self.played(), ["NoDOWN"])

    def test_enter_and_space_press_the_lit_entry_and_the_dialog_keeps_its_keys(self):
        before = len(session().standin_entries())
        session().key("Return")
        self.assertEqual(self.sink.new_streams(0), [], "Enter with nothing lit")
        session().key("Tab", "Return")
        self.assertEqual(self.played(), ["DOWN"])
        self.assertEqual(setup_runs(self, 1, before), [self.setup])
        session().key("space")
        self.assertEqual(self.played(), ["DOWN"])
        self.assertEqual(setup_runs(self, 2, before), [self.setup] * 2)

        session().key("Down", "Return")
        self.assertEqual(self.played(), ["DOWN"])
        dialog = session().wait_window(pid=self.launcher.pid, caption=DIALOG, visible=True)
        self.addCleanup(session().probe, "close", dialog["hwnd"])
        harness.wait_for(lambda: session().probe("focus")["active"]["hwnd"] == dialog["hwnd"], 10,
                         what="the dialog to be active")
        # The dialog's own key, not the menu's: it moves the focus to the first option, which, as on Windows,
        # where a radio button taking the focus unselected reports a click, is selected and runs.
        before = len(session().standin_entries())
        session().key("Down")
        harness.wait_for(lambda: len(session().standin_entries()) > before, 20, what="the card remover to start")
        self.assertEqual([entry[0] for entry in session().standin_entries()[before:]], ["CardRemover"])
        self.wait_shows(expected_client("uninstall"), "uninstall still lit", rect=piece("uninstall"))
        self.leave_to_menu()
        session().key("Down")  # the menu's key: it lights install and leaves the dialog's focus alone
        self.wait_shows(expected_client("install"), "install lit", rect=piece("install"))
        # Brought to the front again by the keys, the dialog's focus is still on the option its own key chose.
        session().key("Down", "Return")
        self.assertEqual(self.played(), ["DOWN"])
        harness.wait_for(lambda: session().probe("focus")["focus"]["text"] == "Veltrana Quill / Dual Quill", 10,
                         what="the focus back on the option the dialog's key chose")

    def test_screen_reader_finds_four_placed_push_buttons_and_presses_one(self):
        client = self.menu["client"]
        tree = session().probe("accessible", self.menu["hwnd"], client["left"] + OUTSIDE[0],
                               client["top"] + OUTSIDE[1])
        self.assertEqual((tree["name"], tree["child_count"], tree["first_child"], tree["last_child"], tree["hit"]),
                         (WELCOME, 4, 1, 4, 0))
        names = ["Install", "Uninstall Driver", "Browse CD", "Exit"]
        for child, zone, name in zip(tree["children"], SCREEN_ORDER, names):
            with self.subTest(zone):
                left, top, right, bottom = ZONES[zone]
                self.assertEqual(child["location"], [client["left"] + left, client["top"] + top,
                                                     right - left + 1, bottom - top + 1])
                expected = {"name": name, "role": ROLE_PUSHBUTTON, "state": STATE_FOCUSABLE,
                            "default_action": "Press", "hit_at_centre": child["id"],
                            "next": child["id"] + 1 if child["id"] < 4 else None,
                            "previous": child["id"] - 1 if child["id"] > 1 else None}
                self.assertEqual({k: child[k] for k in expected}, expected)

        before = len(session().standin_entries())
        session().probe("acc-default", self.menu["hwnd"], 1)
        self.assertEqual(self.played(), ["DOWN"])
        self.assertEqual(setup_runs(self, 1, before), [self.setup])
        self.wait_shows(expected_client("install"), "install lit by the default action")
        tree = session().probe("accessible", self.menu["hwnd"])
        self.assertEqual(tree["focus"], 1)
        self.assertEqual([c["state"] for c in tree["children"]],
                         [STATE_FOCUSABLE | STATE_FOCUSED | STATE_HOTTRACKED] + [STATE_FOCUSABLE] * 3)

    def leave_to_menu(self):
        """Presses the menu beside the entries, below the dialog, which brings the menu to the front."""
        self.point(OUTSIDE[0] + 1, OUTSIDE[1])
        self.point(*OUTSIDE)
        session().click(1)
        self.assertEqual(self.played(), ["NoDOWN"])
        harness.wait_for(lambda: session().probe("focus")["active"]["hwnd"] == self.menu["hwnd"], 10,
                         what="the menu to be active")
        self.wait_shows(expected_client(), "the whole menu in front, nothing lit")


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
        tree = session().probe("accessible", self.menu["hwnd"])  # a planted oleacc would give no tree
        self.assertEqual([c["name"] for c in tree["children"]], ["Install", "Uninstall Driver", "Browse CD", "Exit"])
        self.assertFalse(os.path.exists(marker), "loaded from beside the launcher: %s" % (
            open(marker).read() if os.path.exists(marker) else ""))
        session().key("alt+F4")  # ends the run as the close box does
        self.assertEqual(self.launcher.wait(20), 0)


if __name__ == "__main__":
    unittest.main()
