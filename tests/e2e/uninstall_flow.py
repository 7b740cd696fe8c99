# tests/e2e/uninstall_flow.py: drives the uninstall dialog with real clicks; seeds and reads its key trees.
import os
import shutil
import tempfile
import unittest

import harness
from harness import DIALOG, IDOK  # noqa: F401

MENU_UNINSTALL = (100, 95)  # a point of the menu's uninstall entry, in menu client coordinates
INSTALL_ZONE = (20, 52, 201, 26)  # the install entry's piece: x, y, width, height in menu client coordinates
# A point on each option's text, in dialog client coordinates, and its caption.
OPTIONS = {
    "RadioButton2": ((60, 43), "Veltrana Onyx"),
    "RadioButton1": ((60, 72), "Veltrana Quill / Dual Quill"),
    "RadioButton3": ((60, 101), "Veltrana Brio/ Nomad/ Brio Max"),
}
# The DIFx key in the 32-bit registry view, where a 32-bit installer writes, and in the 64-bit one, where a
# 64-bit installer writes; on 32-bit Windows both are the one view.
DIFX = ("HKLM32", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\DIFx")
DIFX64 = ("HKLM64", DIFX[1])
# DIFx records below DIFX in either view, as driver installers leave them: each key's values as (name, type,
# data as reg-query reads it). This product's packages name the maker in a text value or in an item of
# DependentInstallerName; another vendor's package shares the filter service with one of them.
QUILL = "DriverStore\\vtquill_5e0c2a91d7b34f68a1c09e2d4b7f3a6c8e1d5b90"
DIFX_RECORDS = {
    "": [("Version", "REG_DWORD", 2)],
    "DriverStore": [],
    QUILL: [
        ("ManufacturerName", "REG_SZ", "VELTRANA Co., Ltd."), ("INF", "REG_SZ", "oem7.inf"),
        ("Services", "REG_MULTI_SZ", ["vtquill", "vtfilter"])],
    "DriverStore\\vtonyx.inf_amd64_3f9d0b6e2c71a845": [
        ("ProductName", "REG_SZ", "Onyx"), ("DependentInstallerName", "REG_MULTI_SZ", ["Card Setup", "veltrana"]),
        ("Services", "REG_SZ", "vtonyx")],
    "DriverStore\\acmetv.inf_amd64_82b4c07e19d3f560": [
        ("ManufacturerName", "REG_SZ", "Acme"), ("DisplayName", "REG_SZ", "Acme TV for Veltran cards"),
        ("Services", "REG_MULTI_SZ", ["acmetv", "vtfilter"])],
    "DriverStore\\oddshape": [("DisplayName", "REG_BINARY", "Veltrana".encode().hex())],
    "Services": [],
    "Services\\vtquill": [("Start", "REG_DWORD", 3)],
    "Services\\vtonyx": [("Start", "REG_DWORD", 3)],
    "Services\\vtfilter": [("Start", "REG_DWORD", 3)],
    "Services\\acmetv": [("Start", "REG_DWORD", 3)],
}
OWN_RECORDS = {QUILL, "DriverStore\\vtonyx.inf_amd64_3f9d0b6e2c71a845", "Services\\vtquill", "Services\\vtonyx"}
SETTERS = {"REG_SZ": "reg-set-sz", "REG_MULTI_SZ": "reg-set-multi-sz", "REG_DWORD": "reg-set-dword",
           "REG_BINARY": "reg-set-binary"}
ZORVA = ("HKCU", "SOFTWARE\\ZORVA\\SETUP")
NOMAD = ("HKCU", "SOFTWARE\\ZORVA\\SETUP\\NOMAD")
CARD_REMOVER = ("CardRemover", "Driver\\CardRemover.exe", "")
TUNER_SETUP = ("TunerSetup", "Driver\\TunerSetup.exe", "/r")
SS_ICON = 3


def below(base, path):
    return "\\".join(filter(None, (base, path)))


def children(paths, path):
    """Names of the keys directly below path among paths ("" being the top)."""
    prefix = path + "\\" if path else ""
    return sorted({p[len(prefix):].split("\\")[0] for p in paths if p.startswith(prefix) and p != path})


def split_command_line(line):
    """(program, arguments) of a command line whose program name may be quoted."""
    if line.startswith('"'):
        end = line.index('"', 1)
        return line[1:end], line[end + 1:].strip()
    program, _, rest = line.partition(" ")
    return program, rest.strip()


class UninstallTest(unittest.TestCase):
    """One session and medium per module; every test starts its own launcher on that medium."""

    session = None
    medium = None

    @classmethod
    def setUpClass(cls):
        cls.session = harness.WineSession().__enter__()
        cls.medium = harness.lay_out_medium(tempfile.mkdtemp(prefix="medium-", dir=cls.session.dir),
                                            cls.session.winbuilddir)

    @classmethod
    def tearDownClass(cls):
        cls.session.__exit__(None, None, None)

    def setUp(self):
        self.session.park_pointer()
        self.set_verdict(None)
        for root, path in (DIFX, DIFX64, ZORVA):
            self.session.probe("reg-delete-tree", root, path)
        self.launcher = self.session.start_launcher(self.medium)
        self.addCleanup(self.launcher.kill)
        self.menu = self.session.wait_window(pid=self.launcher.pid, cls="TInstallForm", visible=True)

    # --- medium and registry ------------------------------------------------------------------------------
    def set_verdict(self, verdict):
        """Writes Driver\\TunerSetup.verdict (None: no file, which means DWORD 1) and restores TunerSetup.exe."""
        path = os.path.join(self.medium, "Driver", "TunerSetup.verdict")
        if verdict is None:
            if os.path.exists(path):
                os.remove(path)
        else:
            with open(path, "w", newline="") as f:
                f.write(verdict)
        exe = os.path.join(self.medium, "Driver", "TunerSetup.exe")
        if not os.path.exists(exe):
            shutil.copy2(os.path.join(self.session.winbuilddir, "tools", "standins", "TunerSetup.exe"), exe)

    def seed_tree(self, key):
        """Creates key with a value, a subkey two levels deep with a value, and an empty subkey."""
        root, path = key
        self.session.probe("reg-set-dword", root, path, "Stale", 7)
        self.session.probe("reg-set-sz", root, path + "\\Package\\Driver", "Inf", "veltrana.inf")
        self.session.probe("reg-create", root, path + "\\Empty")

    def seed_difx(self, key):
        """Writes DIFX_RECORDS below key."""
        root, base = key
        for path, values in DIFX_RECORDS.items():
            if not values:
                self.session.probe("reg-create", root, below(base, path))
            for name, kind, data in values:
                self.session.probe(SETTERS[kind], root, below(base, path), name,
                                   *(data if isinstance(data, list) else [data]))

    def assert_difx(self, key, own):
        """Below key are exactly the keys, values and subkeys of DIFX_RECORDS; this product's only if own."""
        root, base = key
        kept = {path: values for path, values in DIFX_RECORDS.items() if own or path not in OWN_RECORDS}
        by_name = lambda value: value["name"]  # noqa: E731
        for path, values in kept.items():
            answer = self.query((root, below(base, path)))
            self.assertEqual((sorted(answer["values"], key=by_name), sorted(answer["subkeys"])),
                             (sorted(({"name": n, "type": t, "data": d} for n, t, d in values), key=by_name),
                              children(kept, path)), (key, path))

    def query(self, key):
        return self.session.probe("reg-query", *key)

    def assert_seeded(self, key):
        answer = self.query(key)
        self.assertTrue(answer["exists"], key)
        self.assertEqual(sorted(answer["subkeys"]), ["Empty", "Package"])
        self.assertEqual(self.query((key[0], key[1] + "\\Package\\Driver"))["values"],
                         [{"name": "Inf", "type": "REG_SZ", "data": "veltrana.inf"}])

    # --- stand-in log -------------------------------------------------------------------------------------
    def log_mark(self):
        return len(self.session.standin_entries())

    def assert_started(self, mark, *programs):
        """The stand-in log got exactly these programs (name, program, arguments) since mark."""
        entries = harness.wait_for(lambda: (lambda e: e if len(e) >= len(programs) else None)(
            self.session.standin_entries()[mark:]), 20, what="%d stand-in log line(s)" % len(programs))
        self.assertEqual(len(entries), len(programs), entries)
        for (name, line, cwd, show), (want_name, want_program, want_args) in zip(entries, programs):
            program, args = split_command_line(line)
            self.assertEqual((name, program.lower(), args), (want_name, want_program.lower(), want_args), line)
            self.assertEqual(show, "5", "%s started with show state %s, not SW_SHOW" % (name, show))
            self.assertEqual(cwd.rstrip("\\").lower(), harness.windows_path(self.medium).lower())

    # --- windows ------------------------------------------------------------------------------------------
    def dialog(self):
        return self.session.wait_window(pid=self.launcher.pid, caption=DIALOG)

    def wait_dialog(self, visible, timeout=20):
        return harness.wait_for(lambda: (lambda d: d if d["visible"] == visible else None)(self.dialog()), timeout,
                                what="the dialog to be %s" % ("visible" if visible else "hidden"))

    def click_client(self, window, x, y):
        client = window["client"]
        self.session.move(client["left"] + x, client["top"] + y)
        self.session.click()

    def open_dialog(self):
        self.click_client(self.menu, *MENU_UNINSTALL)
        return self.wait_dialog(True)

    def drag_dialog(self, dx, dy):
        """Drags the dialog by its caption by (dx, dy) with the pointer; gives the dialog at its new place."""
        dialog = self.dialog()
        rect = dialog["rect"]
        x, y = (rect["left"] + rect["right"]) // 2, (rect["top"] + dialog["client"]["top"]) // 2
        self.session.drag(x, y, x + dx, y + dy)
        moved = dict(rect, left=rect["left"] + dx, right=rect["right"] + dx, top=rect["top"] + dy,
                     bottom=rect["bottom"] + dy)
        return harness.wait_for(lambda: (lambda d: d if d["rect"] == moved else None)(self.dialog()), 10,
                                what="the dialog at %s" % moved)

    def click_option(self, name, point=None):
        dialog = self.dialog()
        self.click_client(dialog, *(point or OPTIONS[name][0]))
        return dialog

    def checks(self, dialog):
        """{option name: check state} of the dialog's three options, found by caption."""
        names = {caption: name for name, (_, caption) in OPTIONS.items()}
        return {names[c["text"]]: c["checked"] for c in self.session.children(dialog["hwnd"])["children"]
                if c["text"] in names}

    def assert_selected(self, dialog, name):
        self.assertEqual(self.checks(dialog), {n: int(n == name) for n in OPTIONS})

    def menu_reacts(self):
        """Moves the pointer into the install entry and waits until its piece lights up (pixels change)."""
        client = self.menu["client"]
        x, y, width, height = INSTALL_ZONE
        rect = (client["left"] + x, client["top"] + y, width, height)
        before = self.session.shot(rect)
        self.session.move(rect[0] + width // 2, rect[1] + height // 2)
        harness.wait_for(lambda: harness.first_difference(self.session.shot(rect), before), 15,
                         what="the install entry to light up")
        self.session.park_pointer()

    def verdict_box(self, caption):
        boxes = [b for b in self.session.wait_message_box(self.launcher.pid) if b["visible"]]
        self.assertEqual([b["caption"] for b in boxes], [caption], boxes)
        self.assertEqual([(k["id"], k["text"]) for k in boxes[0]["buttons"] if k["visible"]], [(IDOK, "OK")])
        return boxes[0]

    def press_ok(self, box, by_pointer=True):
        """Closes the box with its OK button: a real click, or a posted button click when the box may be covered."""
        if by_pointer:
            button = next(c for c in self.session.children(box["hwnd"])["children"] if c["id"] == IDOK)
            x, y, width, height = harness.rect_tuple(button["rect"])
            self.assertEqual(self.session.probe("window-at", x + width // 2, y + height // 2)["window"]["hwnd"],
                             button["hwnd"], "the OK button is covered")
            self.session.move(x + width // 2, y + height // 2)
            self.session.click()
        else:
            self.session.probe("click-button", box["hwnd"], IDOK)
        harness.wait_for(lambda: not self.session.message_boxes(self.launcher.pid), 15, what="the box to close")
