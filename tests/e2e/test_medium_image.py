# tests/e2e/test_medium_image.py: the signed ISO image of the medium holds every path the launcher opens, runs
# read-only, verifies against its signing CA, and is the same bytes when built again in another folder.
import os
import stat
import subprocess
import sys
import time
import unittest

import harness
from harness import WELCOME  # noqa: F401

sys.path.insert(0, os.path.join(harness.SOURCE_DIR, "tools"))
import make_iso  # noqa: E402
import make_medium  # noqa: E402
from medium_sums import file_sha256  # noqa: E402

# Every path the launcher opens or starts, with the case it asks for.
LAUNCHER_PATHS = [
    "Autorun/English/ZoBack_Eng.bmp", "Autorun/English/ZoFore_Eng.bmp",
    "Autorun/Korean/ZoBack_Kor.bmp", "Autorun/Korean/ZoFore_Kor.bmp",
    "Autorun/Sound/DOWN.WAV", "Autorun/Sound/NoDOWN.WAV",
    "Setup/Setup.exe", "Driver/CardRemover.exe", "Driver/TunerSetup.exe",
    "Launch.exe", "autorun.inf",
]
INSTALL_PIECE = (20, 52, 200, 25)  # x, y, width, height of the install zone's highlight
MAKE_ISO = os.path.join(harness.SOURCE_DIR, "tools", "make_iso.py")
MEDIUM_TARGETS = ["Launch", "Setup", "CardRemover", "TunerSetup"]

SESSION = None
PKI = None  # the throw-away certificates of make_certificates
SIGNING_TIME = None
RELEASE_BUILD = None  # a clean Release build of the medium's programs: the 32-bit build the medium ships
ISO = None  # the release image, signed with PKI's code-signing certificate
TREE = None  # the image extracted and made read-only
RUN_TREE = None  # the read-only medium the launcher is started from: TREE, unless the host runs the x86-64 build


def joliet_files(iso_path):
    """The file paths of the image's Joliet tree, which is what Windows reads, as xorriso loads that tree."""
    listing = subprocess.run(["xorriso", "-rockridge", "off", "-joliet", "on", "-indev", iso_path,
                              "-find", "/", "-type", "f"], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, timeout=60, check=True).stdout
    return [line.strip("'")[1:] for line in listing.decode("utf-8").splitlines()]


def make_certificates(folder):
    """A throw-away CA (ca.pem) that issued a code-signing certificate (signer.p12) and a server-only one
    (server.p12), both locked with the password in password.txt; and an unrelated CA (other-ca.pem)."""
    def openssl(*args):
        subprocess.run(("openssl",) + args, cwd=folder, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60, check=True)

    os.makedirs(folder)
    with open(os.path.join(folder, "password.txt"), "w") as f:
        f.write("test password\n")
    for ca in ("ca", "other-ca"):
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", ca + ".key", "-out", ca + ".pem",
                "-days", "2", "-subj", "/CN=Veltrana test " + ca, "-addext", "basicConstraints=critical,CA:TRUE",
                "-addext", "keyUsage=critical,keyCertSign")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "leaf.key", "-out", "leaf.csr",
            "-subj", "/CN=Veltrana test signer")
    for name, usage in (("signer", "codeSigning"), ("server", "serverAuth")):
        with open(os.path.join(folder, name + ".ext"), "w") as f:
            f.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=%s\n" % usage)
        openssl("x509", "-req", "-in", "leaf.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
                "-days", "1", "-extfile", name + ".ext", "-out", name + ".pem")
        openssl("pkcs12", "-export", "-inkey", "leaf.key", "-in", name + ".pem", "-certfile", "ca.pem",
                "-passout", "file:password.txt", "-out", name + ".p12")
    return folder


def signing_args(pkcs12="signer.p12", password="password.txt", ca="ca.pem"):
    """make_iso.py's options for signing at the module's fixed time with PKI's files."""
    return ["--sign-pkcs12", os.path.join(PKI, pkcs12), "--sign-password-file", os.path.join(PKI, password),
            "--ca", os.path.join(PKI, ca), "--signing-time", str(SIGNING_TIME)]


def run_make_iso(*args, env=None):
    return subprocess.run([sys.executable, MAKE_ISO] + list(args), env=env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, universal_newlines=True, timeout=120)


def make_signed_iso(iso, bindir, env=None):
    made = run_make_iso(iso, "--bin", bindir, *signing_args(), env=env)
    if made.returncode != 0:
        raise AssertionError("make_iso.py failed:\n" + made.stderr)
    return iso


def build_medium_programs(sourcedir, builddir):
    """A clean Release build of the programs on the medium from sourcedir in builddir."""
    toolchain = os.path.join(sourcedir, "cmake", "mingw-i686.cmake")
    os.makedirs(builddir)
    log = os.path.join(builddir, "build.log")
    for args in (["cmake", "-S", sourcedir, "-B", builddir, "-DCMAKE_BUILD_TYPE=Release",
                  "-DCMAKE_TOOLCHAIN_FILE=" + toolchain],
                 ["cmake", "--build", builddir, "-j2", "--target"] + MEDIUM_TARGETS):
        with open(log, "ab") as f:
            status = subprocess.run(args, stdin=subprocess.DEVNULL, stdout=f, stderr=subprocess.STDOUT,
                                    timeout=900).returncode
        if status != 0:
            with open(log, errors="replace") as f:
                raise AssertionError("%s failed:\n%s" % (" ".join(args[:2]), f.read()[-3000:]))


def extract_read_only(iso, tree):
    with open(os.path.join(SESSION.dir, "osirrox.log"), "ab") as log:
        subprocess.run(["osirrox", "-indev", iso, "-extract", "/", tree], stdin=subprocess.DEVNULL, stdout=log,
                       stderr=subprocess.STDOUT, timeout=60, check=True)
    subprocess.run(["chmod", "-R", "a-w", tree], check=True, timeout=30)
    return tree


def setUpModule():
    global SESSION, PKI, SIGNING_TIME, RELEASE_BUILD, ISO, TREE, RUN_TREE
    SESSION = harness.WineSession().__enter__()
    PKI = make_certificates(os.path.join(SESSION.dir, "pki"))
    SIGNING_TIME = int(time.time())  # within the certificates' validity, which starts when they are made
    RELEASE_BUILD = os.path.join(SESSION.dir, "build-a")
    build_medium_programs(harness.SOURCE_DIR, RELEASE_BUILD)
    ISO = make_signed_iso(os.path.join(SESSION.dir, "medium.iso"), RELEASE_BUILD)
    TREE = extract_read_only(ISO, os.path.join(SESSION.dir, "cdrom"))
    RUN_TREE = TREE
    if SESSION.arch == "x64":  # the host cannot start the 32-bit launcher: an image of the x86-64 programs
        x64_iso = make_signed_iso(os.path.join(SESSION.dir, "medium-x64.iso"), SESSION.winbuilddir)
        RUN_TREE = extract_read_only(x64_iso, os.path.join(SESSION.dir, "cdrom-x64"))


def tearDownModule():
    if SESSION is not None:
        for tree in {TREE, RUN_TREE}:
            if tree and os.path.isdir(tree):
                subprocess.run(["chmod", "-R", "u+w", tree], timeout=30)  # lets the session remove it
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
            ("started in the extracted folder", lambda: SESSION.start_launcher(RUN_TREE)),
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
                back = harness.read_bmp(os.path.join(RUN_TREE, "Autorun", "English", "ZoBack_Eng.bmp"))
                fore = harness.read_bmp(os.path.join(RUN_TREE, "Autorun", "English", "ZoFore_Eng.bmp"))
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

    def test_signed_image_verifies_and_a_changed_byte_fails_it(self):
        direct = subprocess.run(["osslsigncode", "verify", "-CAfile", os.path.join(PKI, "ca.pem"),
                                 "-in", os.path.join(TREE, "Launch.exe")], stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
        self.assertEqual(direct.returncode, 0, direct.stdout.decode(errors="replace"))
        verified = run_make_iso("--verify", ISO, "--ca", os.path.join(PKI, "ca.pem"))
        self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)

        with open(ISO, "rb") as f:
            image = f.read()
        # The launcher's bytes are covered by its signature, a skin's only by SHA256SUMS.
        for path, problems in (("Launch.exe", ["changed: Launch.exe", "the signature of Launch.exe does not verify"]),
                               ("Autorun/English/ZoBack_Eng.bmp", ["changed: Autorun/English/ZoBack_Eng.bmp"])):
            with self.subTest(path):
                with open(os.path.join(TREE, path), "rb") as f:
                    content = f.read()
                at = image.find(content)
                self.assertGreaterEqual(at, 0)
                at += len(content) // 2
                changed = os.path.join(SESSION.dir, "changed.iso")
                with open(changed, "wb") as f:
                    f.write(image[:at] + bytes([image[at] ^ 1]) + image[at + 1:])
                result = run_make_iso("--verify", changed, "--ca", os.path.join(PKI, "ca.pem"))
                self.assertNotEqual(result.returncode, 0)
                for problem in problems:
                    self.assertIn(problem, result.stdout)

    def test_failed_signing_leaves_no_image_and_no_tree(self):
        wrong_password = os.path.join(SESSION.dir, "wrong-password.txt")
        with open(wrong_password, "w") as f:
            f.write("not the password\n")
        cases = [
            ("wrong password", signing_args(password=wrong_password), "wrong password"),
            ("certificate without code signing", signing_args(pkcs12="server.p12"), "not for code signing"),
            ("signature that does not verify", signing_args(ca="other-ca.pem"), "does not verify"),
        ]
        for name, args, message in cases:
            with self.subTest(name):
                out = os.path.join(SESSION.dir, "failed-" + name.replace(" ", "-"))
                os.makedirs(out)
                result = run_make_iso(os.path.join(out, "medium.iso"), "--bin", RELEASE_BUILD,
                                      "--tree", os.path.join(out, "tree"), *args)
                self.assertNotEqual(result.returncode, 0)
                self.assertIn(message, result.stderr)
                self.assertEqual(os.listdir(out), [])

    def start_from_drive(self):
        drive = os.path.join(SESSION.prefix, "dosdevices", "d:")
        if not os.path.lexists(drive):
            os.symlink(RUN_TREE, drive)
        return SESSION.start_with_show("D:\\Launch.exe", "D:\\", 1)

    def assert_shows(self, client, piece, expected):
        x, y, width, height = piece
        rect = (client["left"] + x, client["top"] + y, width, height)
        try:
            harness.wait_for(lambda: harness.first_difference(SESSION.shot(rect), expected) is None, 10,
                             what="the screen to show the expected pixels")
        except AssertionError:
            png = SESSION.save_png(client, self.id())
            self.fail("%s (screenshot %s)" % (harness.first_difference(SESSION.shot(rect), expected), png))



class ReproducibleBuildTest(unittest.TestCase):
    def test_two_clean_builds_in_two_folders_give_the_same_bytes(self):
        # Two copies of the sources in folders of different path lengths, built one after the other (the
        # first by the module's set-up); one image dated through SOURCE_DATE_EPOCH, the other through the commit.
        copy = os.path.join(SESSION.dir, "second-folder", "sources")
        harness.tracked_copy(harness.SOURCE_DIR, copy)
        env_epoch = dict(os.environ, SOURCE_DATE_EPOCH=str(make_iso.image_time({})))
        env_commit = {name: value for name, value in os.environ.items() if name != "SOURCE_DATE_EPOCH"}
        outputs = [source for source, _target in make_medium.PROGRAMS] + ["medium.iso"]
        digests = []
        second_build = os.path.join(copy, "build", "b")
        build_medium_programs(copy, second_build)
        for builddir, env in ((RELEASE_BUILD, env_epoch), (second_build, env_commit)):
            make_signed_iso(os.path.join(builddir, "medium.iso"), builddir, env)
            digests.append([file_sha256(os.path.join(builddir, path)) for path in outputs])
        for path, first, second in zip(outputs, *digests):
            with self.subTest(path):
                self.assertEqual(first, second)


if __name__ == "__main__":
    unittest.main()
