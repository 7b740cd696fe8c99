#!/usr/bin/env python3
# tests/host/HostKindTest.py: host_kind finds an i386 binfmt_misc handler in entries as the kernel lists them.
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import host_kind  # noqa: E402

# As /proc/sys/fs/binfmt_misc shows them: qemu's usual i386 and ARM entries, and one matched by extension.
I386 = ("interpreter /usr/bin/qemu-i386-static\nflags: F\noffset 0\n"
        "magic 7f454c4601010100000000000000000002000300\nmask fffffffffffefe00fffffffffffffffffeffffff\n")
ARM = ("enabled\ninterpreter /usr/libexec/qemu-binfmt/arm-binfmt-P\nflags: POCF\noffset 0\n"
       "magic 7f454c4601010100000000000000000002002800\nmask ffffffffffffff00fffffffffffffffffeffffff\n")
JAR = "enabled\ninterpreter /usr/bin/jexec\nflags: \nextension .jar\n"


class BinfmtHandlerTest(unittest.TestCase):
    def handler(self, status, entries):
        with tempfile.TemporaryDirectory() as folder:
            for name, text in dict(entries, status=status + "\n", register="").items():
                with open(os.path.join(folder, name), "w") as f:
                    f.write(text)
            return host_kind.binfmt_i386_handler(folder)

    def test_enabled_i386_entry_is_found(self):
        self.assertEqual(self.handler("enabled", {"jar": JAR, "qemu-arm": ARM, "qemu-i386": "enabled\n" + I386}),
                         "/usr/bin/qemu-i386-static")

    def test_other_machines_and_disabled_entries_are_not(self):
        self.assertIsNone(self.handler("enabled", {"jar": JAR, "qemu-arm": ARM, "qemu-i386": "disabled\n" + I386}))
        self.assertIsNone(self.handler("disabled", {"qemu-i386": "enabled\n" + I386}))


if __name__ == "__main__":
    unittest.main()
