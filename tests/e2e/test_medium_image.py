# tests/e2e/test_medium_image.py: the ISO image of the medium holds every path the launcher opens, and runs read-only.
import os
import shutil
import stat
import struct
import subprocess
import sys
import unittest

import harness
from harness import WELCOME  # noqa: F401

sys.path.insert(0, os.path.join(harness.SOURCE_DIR, "tools"))
import make_iso  # noqa: E402

# Every path the launcher opens or starts, with the case it asks for.
LAUNCHER_PATHS = [
    "Autorun/English/ZoBack_Eng.bmp", "Autorun/English/ZoFore_Eng.bmp",
    "Autorun/Korean/ZoBack_Kor.bmp", "Autorun/Korean/ZoFore_Kor.bmp",
    "Autorun/Sound/DOWN.WAV", "Autorun/Sound/NoDOWN.WAV",
    "Setup/Setup.exe", "Driver/CardRemover.exe", "Driver/TunerSetup.exe",
    "Launch.exe", "autorun.inf",
]
INSTALL_PIECE = (20, 52, 200, 25)  # x, y, width, height of the install zone's highlight
SECTOR = 2048

SESSION = None
ISO = None
TREE = None  # the image extracted and made read-only


def joliet_files(iso_path):
    """The file paths of the image's Joliet tree, which is what Windows reads, with ';1' versions dropped."""
    with open(iso_path, "rb") as f:
        data = f.read()
    root = None
    for sector in range(16, len(data) // SECTOR):
        descriptor = data[sector * SECTOR:(sector + 1) * SECTOR]
        if descriptor[0] == 255:
            break
        if descriptor[0] == 2 and descriptor[88:91] in (b"%/@", b"%/C", b"%/E"):
            root = descriptor[156:156 + 34]
    if root is None:
        raise AssertionError("no Joliet volume descriptor in " + iso_path)

    files = []

    def walk(record, prefix):
        extent, length = struct.unpack_from("<I", record, 2)[0], struct.unpack_from("<I", record, 10)[0]
        at, end = extent * SECTOR, extent * SECTOR + length
        while at < end:
            size = data[at]
            if size == 0:  # records never cross a sector: the rest of this one is padding
                at = (at // SECTOR + 1) * SECTOR
                continue
            entry = data[at:at + size]
            name = entry[33:33 + entry[32]]
            if name not in (b"\0", b"\1"):
                name = name.decode("utf-16-be").split(";")[0]
                if entry[25] & 2:
                    walk(entry, prefix + name + "/")
                else:
                    files.append(prefix + name)
            at += size

    walk(root, "")
    return files


def setUpModule():
    global SESSION, ISO, TREE
    SESSION = harness.WineSession().__enter__()
    ISO = make_iso.make_iso(os.path.join(SESSION.dir, "medium.iso"), SESSION.winbuilddir)
    TREE = os.path.join(SESSION.dir, "cdrom")
    with open(os.path.join(SESSION.dir, "osirrox.log"), "wb") as log:
        subprocess.run(["osirrox", "-indev", ISO, "-extract", "/", TREE], stdin=subprocess.DEVNULL, stdout=log,
                       stderr=subprocess.STDOUT, timeout=60, check=True)
    subprocess.run(["chmod", "-R", "a-w", TREE], check=True, timeout=30)


def tearDownModule():
    if SESSION is not None:
        if TREE and os.path.isdir(TREE):
            subprocess.run(["chmod", "-R", "u+w", TREE], timeout=30)  # lets the session remove it
        SESSION.__exit__(None, None, None)


class MediumImageTest(unittest.TestCase):
    def test_image_names_keep_their_case(self):
        joliet = joliet_files(ISO)
        listing = os.path.join(SESSION.dir, "lsdl.txt")
        with open(listing, "wb") as out:
            subprocess.run(["xorriso", "-indev", ISO, "-find", "/", "-exec", "lsdl"], stdin=subprocess.DEVNULL,
                           stdout=out, stderr=subprocess.DEVNULL, timeout=60, check=True)
        with open(listing, encoding="utf-8", errors="replace") as f:
            rock_ridge = [line.rsplit("'/", 1)[1].rstrip("'\n") for line in f if line.startswith("-")]
        for path in LAUNCHER_PATHS:
            with self.subTest(path):
                self.assertIn(path, joliet)
                self.assertIn(path, rock_ridge)
                self.assertTrue(os.path.isfile(os.path.join(TREE, path)))
        with open(os.path.join(TREE, "autorun.inf"), "rb") as f:
            self.assertEqual(f.read(), b"[autorun]\r\nopen=Launch.exe\r\nicon=Launch.exe\r\nlabel=Veltrana\r\n")
        self.assertFalse(os.stat(os.path.join(TREE, "Launch.exe")).st_mode & (stat.S_IWUSR | stat.S_IWGRP | stat.S_IWOTH))

    def test_launcher_runs_from_the_read_only_medium(self):
        cases = [
            ("started in the extracted folder", lambda: SESSION.start_launcher(TREE)),
            ("started from drive D:", self.start_from_drive),
        ]
        for name, start in cases:
            with self.subTest(name):
                SESSION.park_pointer()
                before = len(SESSION.standin_entries())
                launcher = start()
                self.addCleanup(launcher.kill)
                menu = SESSION.wait_window(pid=launcher.pid, cls="TInstallForm", caption=WELCOME, visible=True)
                self.assertEqual(SESSION.message_boxes(launcher.pid), [])
                client = menu["client"]
                back = harness.read_bmp(os.path.join(TREE, "Autorun", "English", "ZoBack_Eng.bmp"))
                fore = harness.read_bmp(os.path.join(TREE, "Autorun", "English", "ZoFore_Eng.bmp"))
                self.assert_shows(client, (0, 0, back.width, back.height), back)

                SESSION.move(client["left"] + 100, client["top"] + 60)
                self.assert_shows(client, INSTALL_PIECE, fore.crop(*INSTALL_PIECE))

                SESSION.click(1)
                entries = harness.wait_for(lambda: SESSION.standin_entries()[before:], 30,
                                           what="the stand-in installer's log line")
                self.assertEqual(entries[0][0], "Setup")
                self.assertEqual(entries[0][1], "Setup\\Setup.exe")
                SESSION.probe("close", menu["hwnd"])
                launcher.wait(15)

    def start_from_drive(self):
        drive = os.path.join(SESSION.prefix, "dosdevices", "d:")
        if not os.path.lexists(drive):
            os.symlink(TREE, drive)
        return SESSION.start_with_show("D:\\Launch.exe", "D:\\", 1)

    def assert_shows(self, client, piece, expected):
        x, y, width, height = piece
        rect = (client["left"] + x, client["top"] + y, width, height)
        try:
            harness.wait_for(lambda: harness.first_difference(SESSION.shot(rect), expected) is None, 10,
                             what="the screen to show the expected pixels")
        except AssertionError:
            png = SESSION.save_png(client, os.path.join(SESSION.dir, "..", "e2e-medium-image-%s.png" % self.id()))
            self.fail("%s (screenshot %s)" % (harness.first_difference(SESSION.shot(rect), expected), png))


if __name__ == "__main__":
    unittest.main()
