# tests/e2e/test_locales.py: double-byte locales, non-ASCII and long paths: title, StartDir, skin and browsing.
"""File names reach Wine as UTF-8 on disk; the launcher sees them in its ANSI code page (949 or 932)."""
import os
import shutil
import unittest

import harness
import launcher_checks as lc

SESSION = None
MEDIUM = None
EXPLORER = "ExplorerWClass"
LONG_PATH = 242  # characters of the medium folder's Windows path: >= 240, and Launch.exe still fits 255


def setUpModule():
    global SESSION, MEDIUM
    SESSION, MEDIUM = harness.module_session()


class LocaleTest(unittest.TestCase):
    def setUp(self):
        SESSION.park_pointer()

    def start(self, medium, env, exe="Launch.exe"):
        launcher = SESSION.start_launcher(medium, env_extra=env, exe=exe)
        self.addCleanup(launcher.kill)
        return launcher

    def application_caption(self, launcher):
        return [w["caption"] for w in SESSION.find_window(pid=launcher.pid, cls="TApplication")]

    def explorer_windows(self):
        return {w["hwnd"] for w in SESSION.find_window(cls=EXPLORER)}

    def browse(self, menu, before):
        """Presses the browse entry; gives the new explorer window."""
        lc.point(SESSION, menu, *lc.centre("browse"))
        SESSION.click()
        windows = harness.wait_for(lambda: [w for w in SESSION.find_window(cls=EXPLORER, visible=True)
                                            if w["hwnd"] not in before], 30, what="a new explorer window")
        for window in windows:
            self.addCleanup(self.close_quietly, window)
        return windows

    def close_quietly(self, window):
        try:
            SESSION.probe("close", window["hwnd"])
        except harness.HarnessError:
            pass

    def assert_shows(self, menu, bmp_path):
        difference = lc.wait_client(SESSION, menu, harness.read_bmp(bmp_path))
        if difference:
            self.fail("%s: %s (screenshot %s)" % (os.path.basename(bmp_path), difference,
                                                 lc.screenshot_note(SESSION, menu, self.id())))

    def test_korean_path_and_executable_name(self):
        folder = os.path.join(SESSION.dir, "한국 경로")
        os.makedirs(folder)
        medium = lc.copy_medium(SESSION, MEDIUM, folder, "설치 미디어 CD")
        os.rename(os.path.join(medium, "Launch.exe"), os.path.join(medium, "설치.exe"))
        mark = len(lc.standin_entries(SESSION, "cp949"))
        before = self.explorer_windows()

        launcher = self.start(medium, harness.korean_locale_env(), exe="설치.exe")
        menu = lc.menu_window(SESSION, launcher)
        self.assertEqual(SESSION.message_boxes(launcher.pid), [])
        self.assertEqual(self.application_caption(launcher), ["설치"])
        self.assert_shows(menu, os.path.join(medium, lc.KOREAN_SKIN, "ZoBack_Kor.bmp"))
        # A screen reader hears the entries in the skin's language, top to bottom.
        self.assertEqual([c["name"] for c in SESSION.probe("accessible", menu["hwnd"])["children"]],
                         ["설치", "드라이버 제거", "CD 찾아보기", "종료"])

        # The installer inherits the launcher's current directory, which StartDir was taken from.
        lc.point(SESSION, menu, *lc.centre("install"))
        SESSION.click()
        entries = harness.wait_for(lambda: lc.standin_entries(SESSION, "cp949")[mark:], 30,
                                   what="the installer's log line")
        self.assertEqual([(e[0], e[2]) for e in entries], [("Setup", harness.windows_path(medium))])
        # The explorer window may come up over the menu: browsing comes last.
        windows = self.browse(menu, before)
        self.assertEqual([w["caption"] for w in windows], ["설치 미디어 CD"])
        self.assertEqual(SESSION.message_boxes(launcher.pid), [])

    def test_title_search_skips_trail_bytes_0x5c(self):
        # Each name holds a character whose code page 932 trail byte is 0x5C, a backslash when read alone.
        cases = [("表示.exe", "表示"), ("ソフト.Setup.exe", "ソフト")]
        for exe, title in cases:
            with self.subTest(exe):
                self.assertIn(b"\\", exe.encode("cp932")[:-4])
                medium = lc.copy_medium(SESSION, MEDIUM)
                shutil.rmtree(os.path.join(medium, "Autorun"))
                os.rename(os.path.join(medium, "Launch.exe"), os.path.join(medium, exe))
                launcher = self.start(medium, harness.locale_env("ja_JP"), exe=exe)
                boxes = SESSION.wait_message_box(launcher.pid)
                self.assertEqual([(b["caption"], b["text"]) for b in boxes],
                                 [(title, "Cannot open file Autorun\\English\\ZoBack_Eng.bmp.")])
                self.assertEqual(self.application_caption(launcher), [title])
                SESSION.probe("click-button", boxes[0]["hwnd"], lc.IDOK)
                menu = lc.menu_window(SESSION, launcher)
                SESSION.probe("close", menu["hwnd"])
                launcher.wait(20)

    def test_browsing_from_a_start_dir_of_240_characters(self):
        parent = SESSION.dir
        index = 0
        while len(harness.windows_path(parent)) + 1 + 40 < LONG_PATH:
            index += 1
            parent = os.path.join(parent, "nested-folder-%02d" % index)
        last = "m" * (LONG_PATH - len(harness.windows_path(parent)) - 1)
        os.makedirs(parent)
        medium = lc.copy_medium(SESSION, MEDIUM, parent, last)
        self.assertEqual(len(harness.windows_path(medium)), LONG_PATH)
        before = self.explorer_windows()

        launcher = self.start(medium, harness.ENGLISH_LOCALE)
        menu = lc.menu_window(SESSION, launcher)
        self.assertEqual(SESSION.message_boxes(launcher.pid), [])
        windows = self.browse(menu, before)
        self.assertEqual([w["caption"] for w in windows], [last])
        self.assertEqual(SESSION.message_boxes(), [])
        self.assertTrue(launcher.alive())


if __name__ == "__main__":
    unittest.main()
