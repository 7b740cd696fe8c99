#!/usr/bin/env python3
# tests/host/EmulatedWineTest.py: the preload is built with the fixes of the installed qemu's version, and built
# again when another qemu asks for others.
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import emulated_wine  # noqa: E402


class QemuFixesTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.folder)

    def fake_qemu(self, first_line):
        path = os.path.join(self.folder, "qemu-i386-static")
        with open(path, "w") as f:
            f.write("#!/bin/sh\necho '%s'\necho 'Copyright (c) 2003-2025 Fabrice Bellard'\n" % first_line)
        os.chmod(path, 0o755)
        return path

    def test_version_line_picks_the_fixes(self):
        debian_12 = self.fake_qemu("qemu-i386 version 7.2.22 (Debian 1:7.2+dfsg-7+deb12u18+b3)")
        self.assertEqual(emulated_wine.fix_switches(emulated_wine.qemu_version(debian_12)),
                         ["-DFIX_NOREPLACE", "-DFIX_TRAP", "-DFIX_THREAD_SEGMENTS"])
        debian_13 = self.fake_qemu("qemu-i386 version 10.0.13 (Debian 1:10.0.13+ds-0+deb13u1)")
        self.assertEqual(emulated_wine.fix_switches(emulated_wine.qemu_version(debian_13)), ["-DFIX_TRAP"])
        with self.assertRaises(emulated_wine.Unavailable):
            emulated_wine.qemu_version(self.fake_qemu("qemu-i386: unknown option"))

    @unittest.skipIf(shutil.which("gcc") is None, "needs gcc")
    def test_library_is_built_again_only_when_its_switches_change(self):
        source = os.path.join(self.folder, "fixes.c")
        with open(source, "w") as f:
            f.write("#ifdef FIX_A\nint fix_a;\n#endif\nint always;\n")
        out = os.path.join(self.folder, "fixes.so")
        builds = []
        for flags in (["-DFIX_A"], ["-DFIX_A"], []):
            emulated_wine._compile(source, out, flags)
            builds.append(os.stat(out).st_ino)  # each build moves a new file into place
            with open(out, "rb") as f:
                self.assertEqual(b"fix_a" in f.read(), flags == ["-DFIX_A"])
        self.assertEqual(builds[0], builds[1])
        self.assertNotEqual(builds[1], builds[2])


if __name__ == "__main__":
    unittest.main()
