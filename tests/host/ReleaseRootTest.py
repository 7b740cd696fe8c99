#!/usr/bin/env python3
# tests/host/ReleaseRootTest.py: release_root.sh names a root it cannot make and keeps none of it, and an
# interrupted run leaves no process, mount or folder behind.
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "release_root.sh")
PROGRAMS = ("/usr/bin/env", "/usr/bin/bash", "/usr/bin/sleep")


def mounts_under(folder):
    with open("/proc/self/mountinfo") as f:
        return [line.split()[4] for line in f if line.split()[4].startswith(folder + "/")]


def processes_rooted_in(folder):
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if os.readlink("/proc/%s/root" % pid).startswith(folder + "/"):
                found.append(pid)
        except OSError:
            pass
    return found


def small_root(folder):
    """A root that holds just enough to run bash and sleep: the programs and the libraries they load."""
    files = set(PROGRAMS)
    for program in PROGRAMS:
        libraries = subprocess.run(["ldd", program], capture_output=True, text=True, check=True).stdout
        files.update(word for word in libraries.split() if word.startswith("/"))
    for path in files:
        os.makedirs(os.path.dirname(folder + path), exist_ok=True)
        shutil.copy2(path, folder + path)
    for mount_point in ("proc", "sys", "dev", "etc", "root"):
        os.makedirs(os.path.join(folder, mount_point), exist_ok=True)


@unittest.skipUnless(os.geteuid() == 0 and shutil.which("unshare") and shutil.which("mmdebstrap"),
                     "needs root, unshare and mmdebstrap (tools/setup.sh installs it)")
class ReleaseRootTest(unittest.TestCase):
    def setUp(self):
        self.cache = os.path.realpath(tempfile.mkdtemp(prefix="release-roots."))
        self.addCleanup(shutil.rmtree, self.cache, True)
        self.env = dict(os.environ, RELEASE_ROOT_CACHE=self.cache)

    def test_a_root_that_cannot_be_made_is_named_in_one_line_and_removed(self):
        # No network in the namespace: the mirror cannot answer.
        result = subprocess.run(["unshare", "-n", SCRIPT, "bookworm", "true"], env=self.env,
                                capture_output=True, text=True, timeout=300)
        self.assertEqual(result.returncode, 1)
        errors = result.stderr.strip().splitlines()
        self.assertEqual(len(errors), 1, result.stderr)
        self.assertRegex(errors[0], r"^error: cannot make a Debian bookworm root: E: ")
        self.assertEqual(os.listdir(self.cache), [])

    def test_an_interrupted_run_ends_its_processes_and_undoes_its_mounts(self):
        small_root(os.path.join(self.cache, "bookworm"))
        run = subprocess.Popen([SCRIPT, "bookworm", "bash", "-c", "sleep 300 & sleep 300"], env=self.env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(run.kill)
        deadline = time.monotonic() + 120
        while len(processes_rooted_in(self.cache)) < 3 and time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertGreaterEqual(len(processes_rooted_in(self.cache)), 3, "the command never started in the root")
        self.assertTrue(mounts_under(self.cache))
        run.send_signal(signal.SIGTERM)
        self.assertEqual(run.wait(60), 128 + signal.SIGTERM)
        self.assertEqual(processes_rooted_in(self.cache), [])
        self.assertEqual(mounts_under(self.cache), [])
        self.assertEqual(sorted(os.listdir(self.cache)), ["bookworm"])


if __name__ == "__main__":
    unittest.main()
