# tests/e2e/test_startup.py: start-up, skins, title, placement, show states and shutdown of the real launcher.
import os
import shutil
import tempfile
import unittest

import harness
from harness import IDOK, WELCOME  # noqa: F401

SESSION = None
MEDIUM = None  # a complete medium, laid out once; tests copy or alter their own
SC_RESTORE = 0xF120
WM_SYSCOMMAND = 0x0112


def setUpModule():
    global SESSION, MEDIUM
    SESSION, MEDIUM = harness.module_session()


class LauncherTest(unittest.TestCase):
    def setUp(self):
        SESSION.park_pointer()  # a pointer left over a menu entry would highlight it

    def medium(self, without_skins=False, exe="Launch.exe"):
        """A private copy of the medium, optionally without its Autorun folder or with the launcher renamed."""
        path = tempfile.mkdtemp(prefix="medium-", dir=SESSION.dir)
        shutil.rmtree(path)
        shutil.copytree(MEDIUM, path)
        if without_skins:
            shutil.rmtree(os.path.join(path, "Autorun"))
        if exe != "Launch.exe":
            os.rename(os.path.join(path, "Launch.exe"), os.path.join(path, exe))
        return path

    def start(self, medium, env_extra=None, exe="Launch.exe"):
        launcher = SESSION.start_launcher(medium, env_extra=env_extra, exe=exe)
        self.addCleanup(launcher.kill)
        return launcher

    def menu_window(self, launcher, **criteria):
        return SESSION.wait_window(pid=launcher.pid, cls="TInstallForm", **criteria)

    def shown_menu(self, launcher):
        return self.menu_window(launcher, caption=WELCOME, visible=True)

    def assert_client_shows(self, window, bmp_path):
        client = window["client"]
        expected = harness.read_bmp(bmp_path)
        shot = SESSION.shot((client["left"], client["top"], expected.width, expected.height))
        difference = harness.first_difference(shot, expected)
        if difference:
            png = SESSION.save_png(client, self.id())
            self.fail("%s: %s (screenshot %s)" % (os.path.basename(bmp_path), difference, png))

    def assert_second_start_brings_forward(self, medium, front, covered=True):
        """A second start from medium ends with status 0 and leaves the window front in the foreground, in
        front of another program's window that covered it when covered is set."""
        if covered:
            cover = SESSION.start_with_show("notepad.exe", "C:\\", 1)
            self.addCleanup(cover.kill)
            harness.wait_for(lambda: SESSION.foreground()["pid"] == cover.pid, 20, what="the cover in front")
        self.assertEqual(SESSION.run_launcher(medium, 20), 0)
        harness.wait_for(lambda: SESSION.foreground()["hwnd"] == front, 10, what="the running launcher in front")
        self.assertEqual(len(SESSION.find_window(cls="TInstallForm")), 1)
        if covered:
            cover.kill()

    def close_and_wait(self, launcher, window):
        SESSION.probe("close", window["hwnd"])
        status = launcher.wait(15)  # None when the probe started it: no exit status to read then
        if status is not None:
            self.assertEqual(status, 0)


class SkinFailureTest(LauncherTest):
    CASES = [
        ("no Autorun folder", None, "Cannot open file Autorun\\English\\ZoBack_Eng.bmp."),
        ("10-byte back image", b"BM" + bytes(8), "Stream read error."),
        # The system's message ends the text, without its trailing line break.
        ("back image the platform refuses", open(os.path.join(harness.SOURCE_DIR, "tests", "data", "bmpsuite", "b",
                                                               "rletopdown.bmp"), "rb").read(),
         "System Error.  Code: 87.\r\nInvalid parameter."),
    ]

    def test_one_error_box_then_built_in_picture(self):
        for name, back_bytes, text in self.CASES:
            with self.subTest(name):
                medium = self.medium(without_skins=back_bytes is None)
                if back_bytes is not None:
                    with open(os.path.join(medium, "Autorun", "English", "ZoBack_Eng.bmp"), "wb") as f:
                        f.write(back_bytes)
                launcher = self.start(medium)
                boxes = SESSION.wait_message_box(launcher.pid)
                self.assertEqual(len(boxes), 1, boxes)
                box = boxes[0]
                self.assertEqual(box["text"], text)
                self.assertEqual(box["caption"], "Launch")
                self.assertEqual([(b["id"], b["text"]) for b in box["buttons"]], [(IDOK, "OK")])
                self.assertTrue(box["icon"])
                hidden = self.menu_window(launcher)
                self.assertFalse(hidden["visible"])
                self.assertEqual(hidden["caption"], "InstallForm")

                SESSION.probe("click-button", box["hwnd"], IDOK)
                menu = self.shown_menu(launcher)
                self.assertEqual(SESSION.message_boxes(launcher.pid), [])
                self.assert_client_shows(menu, os.path.join(SESSION.winbuilddir, "art", "builtin.bmp"))
                self.close_and_wait(launcher, menu)


class SecondStartTest(LauncherTest):
    def test_a_second_start_brings_the_running_launcher_forward(self):
        medium = self.medium(without_skins=True)
        launcher = self.start(medium)
        box = SESSION.wait_message_box(launcher.pid)[0]
        self.assert_second_start_brings_forward(medium, box["hwnd"])
        SESSION.probe("click-button", box["hwnd"], IDOK)
        menu = self.shown_menu(launcher)
        for name, source in [("same medium", medium), ("copy in another folder", self.medium())]:
            with self.subTest(name):
                self.assert_second_start_brings_forward(source, menu["hwnd"])
        self.close_and_wait(launcher, menu)


class SkinChoiceTest(LauncherTest):
    def test_skin_follows_user_language_and_window_is_centred(self):
        cases = [
            ("English", harness.ENGLISH_LOCALE, os.path.join("Autorun", "English", "ZoBack_Eng.bmp")),
            ("Korean", harness.korean_locale_env(), os.path.join("Autorun", "Korean", "ZoBack_Kor.bmp")),
        ]
        medium = self.medium()
        for name, env, back in cases:
            with self.subTest(name):
                launcher = self.start(medium, env_extra=env)
                menu = self.shown_menu(launcher)
                self.assertEqual(SESSION.message_boxes(launcher.pid), [])
                self.assertEqual(launcher.emulated(), harness.EMULATED, "launcher under qemu-user")
                first = menu["rect"]
                menu = self.menu_window(launcher)
                rect = menu["rect"]
                self.assertEqual(first, rect, "the menu window moved after it was shown")
                client = menu["client"]
                # 607 x 425, grown only as far as a frame that leaves less than 600 x 400 inside needs.
                self.assertGreaterEqual((client["width"], client["height"]), (600, 400))
                size = (rect["width"], rect["height"])
                self.assertEqual(size, (max(607, 600 + rect["width"] - client["width"]),
                                        max(425, 400 + rect["height"] - client["height"])))
                self.assertEqual((rect["left"], rect["top"]),
                                 (max(0, (harness.SCREEN_WIDTH - size[0]) // 2),
                                  max(0, (harness.SCREEN_HEIGHT - size[1]) // 2)))
                self.assertFalse(menu["zoomed"] or menu["iconic"])
                self.assert_client_shows(menu, os.path.join(medium, back))
                self.close_and_wait(launcher, menu)


class TitleTest(LauncherTest):
    def test_title_comes_from_the_executable_name(self):
        for exe, title in [("Launch.exe", "Launch"), ("SETUPMENU.X.EXE", "Setupmenu")]:
            with self.subTest(exe):
                launcher = self.start(self.medium(without_skins=True, exe=exe), exe=exe)
                box = SESSION.wait_message_box(launcher.pid)[0]
                self.assertEqual(box["caption"], title)
                application = SESSION.find_window(pid=launcher.pid, cls="TApplication")
                self.assertEqual([w["caption"] for w in application], [title])
                SESSION.probe("click-button", box["hwnd"], IDOK)
                self.close_and_wait(launcher, self.shown_menu(launcher))


class LifetimeTest(LauncherTest):
    def uninstall_dialog(self, launcher, **criteria):
        return SESSION.wait_window(pid=launcher.pid, caption="Uninstall Driver", **criteria)

    def test_closing_the_menu_ends_the_launcher(self):
        launcher = self.start(self.medium())
        menu = self.shown_menu(launcher)
        dialog = self.uninstall_dialog(launcher)
        self.assertFalse(dialog["visible"])
        self.close_and_wait(launcher, menu)

    def test_closing_the_menu_ends_the_launcher_while_the_dialog_is_shown(self):
        launcher = self.start(self.medium())
        menu = self.shown_menu(launcher)
        client = menu["client"]
        SESSION.move(client["left"] + 100, client["top"] + 95)
        SESSION.click(1)
        self.uninstall_dialog(launcher, visible=True)
        self.close_and_wait(launcher, menu)


class ShowStateTest(LauncherTest):
    def start_shown(self, show_cmd):
        medium = self.medium()
        exe = harness.windows_path(os.path.join(medium, "Launch.exe"))
        launcher = SESSION.start_with_show('"%s"' % exe, harness.windows_path(medium), show_cmd)
        self.addCleanup(launcher.kill)
        return launcher

    def start_minimised(self):
        """A launcher started with show state 7, its application window minimised; gives it and that window."""
        launcher = self.start_shown(7)
        application = SESSION.wait_window(pid=launcher.pid, cls="TApplication", visible=True)
        harness.wait_for(lambda: SESSION.find_window(pid=launcher.pid, cls="TApplication", visible=True,
                                                     caption="Launch")[0]["iconic"], 10,
                         what="the application window to be minimised")
        self.assertFalse(self.menu_window(launcher)["visible"])
        return launcher, application

    def test_minimised_start_restores_to_normal(self):
        launcher, application = self.start_minimised()
        SESSION.probe("post", application["hwnd"], WM_SYSCOMMAND, SC_RESTORE, 0)
        menu = self.shown_menu(launcher)
        self.assertFalse(menu["iconic"] or menu["zoomed"])
        self.close_and_wait(launcher, menu)

    def test_second_start_restores_a_minimised_launcher(self):
        launcher, _ = self.start_minimised()
        menu = self.menu_window(launcher)
        self.assert_second_start_brings_forward(MEDIUM, menu["hwnd"], covered=False)
        menu = self.shown_menu(launcher)
        self.assertFalse(menu["iconic"] or menu["zoomed"])
        self.assertFalse(SESSION.find_window(pid=launcher.pid, cls="TApplication")[0]["iconic"])
        self.close_and_wait(launcher, menu)

    def test_maximised_start_zooms_the_menu(self):
        launcher = self.start_shown(3)
        menu = harness.wait_for(lambda: (lambda w: w if w["visible"] and w["zoomed"] else None)(
            self.menu_window(launcher)), 20, what="the menu window to be shown zoomed")
        self.addCleanup(self.close_and_wait, launcher, menu)
        self.assertEqual(menu["caption"], WELCOME)


if __name__ == "__main__":
    unittest.main()
