# tests/e2e/test_soak.py: long run of real pointer moves and dialog cycles; the launcher's GDI objects and memory stay flat.
"""Zone entries and exits by real pointer moves (xdotool) and uninstall dialog open/close cycles, in rounds.
After every round the launcher's live GDI objects (read from Wine's GDI handle table by the probe) and its
private memory (GetProcessMemoryInfo) are taken in the same state (no zone highlighted, dialog hidden).

Counts come from the environment: SOAK_ENTRIES (default 1000) and SOAK_DIALOG_CYCLES (default 50);
tools/soak.sh runs the full 10,000 and 200. The figures are printed to stderr and, with SOAK_REPORT set,
written to that file as JSON.
"""
import json
import os
import sys
import time
import unittest

import harness
import launcher_checks as lc

ENTRIES = int(os.environ.get("SOAK_ENTRIES", "1000"))
DIALOG_CYCLES = int(os.environ.get("SOAK_DIALOG_CYCLES", "50"))
ROUNDS = 10
BATCH = 100  # entries per xdotool run; the last entry of a batch is checked on screen
PACE = 0.01  # seconds between two pointer moves, far more than one move's handling takes
ZONE_ORDER = ("install", "uninstall", "browse", "exit")
MEMORY_GROWTH_LIMIT = 4 << 20  # bytes of private memory the run may add (Wine swings by about 1 MB)
GDI_SLACK = 0  # live GDI objects may not differ at all between checkpoints taken in the same state

SESSION = None
MEDIUM = None


def setUpModule():
    global SESSION, MEDIUM
    SESSION, MEDIUM = harness.module_session()


def spread(total, parts):
    """total split into parts nearly equal shares."""
    return [total // parts + (1 if i < total % parts else 0) for i in range(parts)]


class SoakTest(unittest.TestCase):
    def setUp(self):
        SESSION.park_pointer()
        self.launcher = SESSION.start_launcher(MEDIUM)
        self.addCleanup(self.launcher.kill)
        self.menu = lc.menu_window(SESSION, self.launcher)
        self.back = lc.skin(MEDIUM, "Back")
        self.fore = lc.skin(MEDIUM, "Fore")
        self.entries = 0
        self.exits = 0
        self.cycles = 0
        self.dialog_rect = None  # where the dialog stands once shown; it stays there

    # --- pointer ------------------------------------------------------------------------------------------
    def screen(self, x, y):
        return self.menu["client"]["left"] + x, self.menu["client"]["top"] + y

    def zone_point(self, index):
        """A point of the index-th zone entry: zones in turn, the point shifted within the zone each time."""
        zone = ZONE_ORDER[index % len(ZONE_ORDER)]
        left, top, right, bottom = lc.ZONES[zone]
        step = index // len(ZONE_ORDER)
        return zone, (left + 1 + step * 7 % (right - left - 1), top + 1 + step * 3 % (bottom - top - 1))

    def outside_point(self, index):
        return lc.OUTSIDE[0] + index % 5, lc.OUTSIDE[1] + index % 3

    def moves(self, points):
        args = []
        for x, y in points:
            args += ["mousemove"] + list(self.screen(x, y)) + ["sleep", PACE]
        SESSION.xdotool(*args)

    def assert_piece(self, zone, lit, what):
        difference = lc.wait_piece(SESSION, self.menu, zone, self.fore if lit else self.back)
        if difference:
            self.fail("%s: %s piece %s: %s (screenshot %s)" % (
                what, zone, "lit" if lit else "plain", difference,
                lc.screenshot_note(SESSION, self.menu, self.id())))

    def zone_batch(self, count):
        """count entries, each followed by an exit; the last entry and exit are checked on screen."""
        points = []
        for i in range(count - 1):
            index = self.entries + i
            points += [self.zone_point(index)[1], self.outside_point(index)]
        last = self.entries + count - 1
        zone, inside = self.zone_point(last)
        points.append(inside)
        self.moves(points)
        self.assert_piece(zone, True, "after entry %d" % (last + 1))
        self.moves([self.outside_point(last)])
        self.assert_piece(zone, False, "after exit %d" % (last + 1))
        self.entries += count
        self.exits += count

    # --- dialog -------------------------------------------------------------------------------------------
    def wait_dialog(self, dialog, visible):
        answer = SESSION.probe("wait-visible", dialog["hwnd"], int(visible), 20000)
        self.assertTrue(answer["reached"], "dialog %s after cycle %d: %s" % (
            "shown" if visible else "hidden", self.cycles + 1, answer))

    def dialog_cycle(self, dialog):
        """Presses the uninstall entry, then closes the dialog: by its close box or by WM_CLOSE, in turn."""
        x, y = lc.centre("uninstall")
        self.moves([(x, y + self.cycles % 5 - 2)])
        SESSION.click()
        self.wait_dialog(dialog, True)
        if self.dialog_rect is None:
            self.dialog_rect = lc.dialog_window(SESSION, self.launcher)["rect"]
        if self.cycles % 2 == 0:
            rect = self.dialog_rect
            SESSION.move(rect["right"] - 12, rect["top"] + 10)
            SESSION.click()
        else:
            SESSION.probe("close", dialog["hwnd"])
        self.wait_dialog(dialog, False)
        self.moves([lc.OUTSIDE])
        self.cycles += 1

    # --- the run ------------------------------------------------------------------------------------------
    def checkpoint(self, log, start):
        gdi, private = lc.figures(SESSION, self.launcher)
        log.append({"entries": self.entries, "cycles": self.cycles, "gdi": gdi, "private": private,
                    "seconds": round(lc.elapsed(start), 1)})
        sys.stderr.write("soak: %(entries)d entries, %(cycles)d dialog cycles, %(gdi)d GDI objects, "
                         "%(private)d private bytes, %(seconds).1f s\n" % log[-1])
        return gdi, private

    def test_entries_and_dialog_cycles_leave_gdi_and_memory_flat(self):
        dialog = lc.dialog_window(SESSION, self.launcher)
        start = time.monotonic()
        log = []
        # Warm-up: every zone once, both ways of closing the dialog once; first-use allocations settle here.
        self.zone_batch(len(ZONE_ORDER))
        self.dialog_cycle(dialog)
        self.dialog_cycle(dialog)
        self.assert_piece("uninstall", False, "after the warm-up dialog cycles")
        self.entries = self.exits = self.cycles = 0
        base_gdi, base_private = self.checkpoint(log, start)
        run_start = time.monotonic()

        for entries, cycles in zip(spread(ENTRIES, ROUNDS), spread(DIALOG_CYCLES, ROUNDS)):
            for batch in spread(entries, max(1, -(-entries // BATCH))):
                if batch:
                    self.zone_batch(batch)
            for _ in range(cycles):
                self.dialog_cycle(dialog)
            gdi, private = self.checkpoint(log, start)
            self.assertLessEqual(abs(gdi - base_gdi), GDI_SLACK,
                                 "live GDI objects went from %d to %d: %s" % (base_gdi, gdi, log))

        seconds = lc.elapsed(run_start)
        end_gdi, end_private = log[-1]["gdi"], log[-1]["private"]
        report = {"entries": self.entries, "exits": self.exits, "dialog_cycles": self.cycles,
                  "seconds": round(seconds, 1), "gdi_before": base_gdi, "gdi_after": end_gdi,
                  "gdi_max": max(p["gdi"] for p in log), "private_before": base_private,
                  "private_after": end_private, "private_max": max(p["private"] for p in log),
                  "checkpoints": log}
        sys.stderr.write("soak: %s\n" % json.dumps({k: v for k, v in report.items() if k != "checkpoints"}))
        if os.environ.get("SOAK_REPORT"):
            with open(os.environ["SOAK_REPORT"], "w") as f:
                json.dump(report, f, indent=1)
        self.assertEqual((self.entries, self.cycles), (ENTRIES, DIALOG_CYCLES))
        self.assertEqual(end_gdi, base_gdi, log)
        self.assertLess(end_private - base_private, MEMORY_GROWTH_LIMIT, log)
        self.assertLess(report["private_max"] - base_private, MEMORY_GROWTH_LIMIT, log)
        self.assertTrue(self.launcher.alive())


if __name__ == "__main__":
    unittest.main()
