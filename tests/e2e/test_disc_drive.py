# tests/e2e/test_disc_drive.py: the benchmarks' simulated optical drive mounts a medium; the launcher starts from it.
import os
import sys
import unittest

import harness
import launcher_checks as lc

sys.path.insert(0, os.path.join(harness.SOURCE_DIR, "tools", "bench"))
import disc_drive  # noqa: E402

SESSION = None
MEDIUM = None
INSTANT = {"rate_kib": 1 << 30, "seek_ms": 0}  # the drive's model without its delays


def setUpModule():
    global SESSION, MEDIUM
    SESSION, MEDIUM = harness.module_session()


class DiscDriveTest(unittest.TestCase):
    def test_launcher_starts_from_the_drive_and_shows_its_skin(self):
        SESSION.park_pointer()
        mountpoint = os.path.join(SESSION.dir, "disc")
        with disc_drive.Drive(MEDIUM, mountpoint, os.path.join(SESSION.dir, "disc.log"), **INSTANT) as drive:
            launcher = SESSION.start_launcher(mountpoint)
            try:
                menu = lc.menu_window(SESSION, launcher)
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
        for name in ("ZoBack_Eng.bmp", "ZoFore_Eng.bmp"):
            path = "Autorun/English/" + name
            self.assertEqual(fetched[path].bytes, os.path.getsize(os.path.join(MEDIUM, path)), path)


if __name__ == "__main__":
    unittest.main()
