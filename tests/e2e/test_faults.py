# tests/e2e/test_faults.py: faults around the launcher: a skin held open, a removal program that never idles, a read-only medium.
import os
import subprocess
import sys
import time
import unittest

import harness
import launcher_checks as lc

SESSION = None
MEDIUM = None
HELD_SKIN = "Cannot open file Autorun\\English\\ZoBack_Eng.bmp."
OPTION_POINTS = {"RadioButton1": (60, 72), "RadioButton3": (60, 101)}  # dialog client coordinates
ZORVA = ("HKCU", "SOFTWARE\\ZORVA\\SETUP")
BUSY_SECONDS = 40  # longer than the platform's wait for a started program to become idle
UNRESPONSIVE_WATCH = 8.0  # seconds the menu is watched for a highlight that must not come during the wait


def setUpModule():
    global SESSION, MEDIUM
    SESSION, MEDIUM = harness.module_session()


def listing(root):
    """Every file and folder below root with its size, mtime and mode."""
    entries = {}
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            info = os.lstat(path)
            entries[os.path.relpath(path, root)] = (info.st_size, info.st_mtime_ns, info.st_mode)
    return entries


def chmod_tree(root, writable):
    subprocess.run(["chmod", "-R", "u+w" if writable else "a-w", root], check=True, timeout=30)


class FaultTest(unittest.TestCase):
    def setUp(self):
        SESSION.park_pointer()

    def start(self, medium):
        launcher = SESSION.start_launcher(medium)
        self.addCleanup(launcher.kill)
        return launcher

    def piece_fails(self, menu, zone, expected, timeout=10):
        return lc.wait_piece(SESSION, menu, zone, expected, timeout=timeout)

    def open_dialog(self, launcher, menu):
        lc.point(SESSION, menu, *lc.centre("uninstall"))
        SESSION.click()
        return harness.wait_for(lambda: (lambda d: d if d["visible"] else None)(lc.dialog_window(SESSION, launcher)),
                                20, what="the uninstall dialog")

    def click_option(self, dialog, name):
        x, y = OPTION_POINTS[name]
        SESSION.move(dialog["client"]["left"] + x, dialog["client"]["top"] + y)
        SESSION.click()

    def test_skin_held_open_for_writing_by_another_process(self):
        medium = lc.copy_medium(SESSION, MEDIUM)
        skin = os.path.join(medium, lc.ENGLISH_SKIN, "ZoBack_Eng.bmp")
        ready = os.path.join(SESSION.dir, "held.ready")
        with open(os.path.join(SESSION.dir, "holder.out"), "ab") as out:
            holder = subprocess.Popen(SESSION.wine + [SESSION.probe_exe, harness.windows_path(ready + ".json"), "hold-open",
                                       harness.windows_path(skin), "120", harness.windows_path(ready)],
                                      env=SESSION.env, stdin=subprocess.DEVNULL, stdout=out, stderr=out)
        self.addCleanup(lambda: (holder.poll() is None and holder.kill(), holder.wait(10)))
        harness.wait_for(lambda: os.path.exists(ready) or holder.poll() is not None, 30, what="the skin to be held")
        self.assertTrue(os.path.exists(ready), "the holder could not open the skin")

        launcher = self.start(medium)
        boxes = SESSION.wait_message_box(launcher.pid)
        self.assertEqual([(b["caption"], b["text"]) for b in boxes], [("Launch", HELD_SKIN)])
        SESSION.probe("click-button", boxes[0]["hwnd"], lc.IDOK)
        menu = lc.menu_window(SESSION, launcher)
        builtin = harness.read_bmp(os.path.join(SESSION.winbuilddir, "art", "builtin.bmp"))
        difference = lc.wait_client(SESSION, menu, builtin)
        self.assertIsNone(difference, "built-in picture: %s (%s)" % (
            difference, lc.screenshot_note(SESSION, menu, self.id())))
        # Without fore and back images the menu goes on without a highlight.
        lc.point(SESSION, menu, *lc.centre("install"))
        lc.point(SESSION, menu, *lc.OUTSIDE)
        self.assertIsNone(lc.wait_client(SESSION, menu, builtin, timeout=3))
        self.assertEqual(SESSION.message_boxes(launcher.pid), [])
        self.assertTrue(launcher.alive())

    def test_removal_program_that_never_waits_for_input(self):
        medium = lc.copy_medium(SESSION, MEDIUM)
        with open(os.path.join(medium, "Driver", "TunerSetup.verdict"), "w") as f:
            f.write("busy:%d" % BUSY_SECONDS)
        SESSION.probe("reg-delete-tree", *ZORVA)
        launcher = self.start(medium)
        menu = lc.menu_window(SESSION, launcher)
        back, fore = lc.skin(medium, "Back"), lc.skin(medium, "Fore")
        dialog = self.open_dialog(launcher, menu)
        mark = len(SESSION.standin_entries())

        self.click_option(dialog, "RadioButton3")
        clicked = time.monotonic()
        self.addCleanup(self.kill_tuner_setup)
        harness.wait_for(lambda: SESSION.standin_entries()[mark:], 20, what="TunerSetup to start")
        # During the wait the launcher handles nothing: a move into the install entry lights nothing up.
        lc.point(SESSION, menu, *lc.centre("install"))
        watch_end = time.monotonic() + UNRESPONSIVE_WATCH
        while time.monotonic() < watch_end:
            self.assertIsNone(self.piece_fails(menu, "install", back, timeout=1),
                              "the menu reacted %.1f s into the wait" % lc.elapsed(clicked))
            self.assertEqual(SESSION.message_boxes(launcher.pid), [])

        boxes = SESSION.wait_message_box(launcher.pid, timeout=60)
        waited = lc.elapsed(clicked)
        sys.stderr.write("faults: WinExec returned %.1f s after option 3 was clicked\n" % waited)
        self.assertEqual([(b["caption"], b["text"]) for b in boxes],
                         [("Uninstallation.", "The driver was uninstalled.")])
        # WinExec gave up waiting for the program to go idle (30 s in Wine), not for its end.
        self.assertTrue(self.tuner_setup_pids(), "the launcher waited for TunerSetup to end")
        # Responsive again: the queued move, or a new one, lights the install entry up.
        x, y = lc.centre("install")
        lc.point(SESSION, menu, x + 3, y)
        difference = self.piece_fails(menu, "install", fore)
        self.assertIsNone(difference, "no highlight after the wait: %s (%s)" % (
            difference, lc.screenshot_note(SESSION, menu, self.id())))
        SESSION.probe("click-button", boxes[0]["hwnd"], lc.IDOK)
        harness.wait_for(lambda: not lc.dialog_window(SESSION, launcher)["visible"], 20,
                         what="the dialog to hide")

    def tuner_setup_pids(self):
        return [p["pid"] for p in SESSION.probe("processes")["processes"] if p["exe"].lower() == "tunersetup.exe"]

    def kill_tuner_setup(self):
        for pid in self.tuner_setup_pids():
            try:
                SESSION.probe("kill", pid)
            except harness.HarnessError:
                pass

    def test_read_only_medium_runs_and_is_not_written(self):
        medium = lc.copy_medium(SESSION, MEDIUM)
        before = listing(medium)
        chmod_tree(medium, writable=False)
        self.addCleanup(chmod_tree, medium, True)
        self.assertFalse(os.stat(os.path.join(medium, "Launch.exe")).st_mode & 0o222)

        mark = len(SESSION.standin_entries())
        launcher = self.start(medium)
        menu = lc.menu_window(SESSION, launcher)
        self.assertEqual(SESSION.message_boxes(launcher.pid), [])
        back, fore = lc.skin(medium, "Back"), lc.skin(medium, "Fore")
        self.assertIsNone(lc.wait_client(SESSION, menu, back))
        lc.point(SESSION, menu, *lc.centre("install"))
        self.assertIsNone(self.piece_fails(menu, "install", fore))
        SESSION.click()
        harness.wait_for(lambda: len(SESSION.standin_entries()) > mark, 20, what="the installer to start")
        dialog = self.open_dialog(launcher, menu)
        self.click_option(dialog, "RadioButton1")
        harness.wait_for(lambda: not lc.dialog_window(SESSION, launcher)["visible"], 20, what="the dialog to hide")
        entries = harness.wait_for(lambda: (lambda e: e if len(e) >= 2 else None)(SESSION.standin_entries()[mark:]),
                                   20, what="CardRemover to start")
        self.assertEqual([e[0] for e in entries], ["Setup", "CardRemover"])
        self.assertEqual(SESSION.message_boxes(launcher.pid), [])
        SESSION.probe("close", menu["hwnd"])
        launcher.wait(20)
        # Every program started from the medium has ended too (each stand-in idles about 1 s).
        harness.wait_for(lambda: not [p for p in SESSION.probe("processes")["processes"]
                                      if p["exe"].lower() in ("setup.exe", "cardremover.exe")], 20,
                         what="the stand-ins to end")
        after = listing(medium)
        self.assertEqual({k: v[:2] for k, v in after.items()}, {k: v[:2] for k, v in before.items()})


if __name__ == "__main__":
    unittest.main()
