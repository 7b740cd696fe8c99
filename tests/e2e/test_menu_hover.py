# tests/e2e/test_menu_hover.py: the menu's hover highlight under real pointer input, checked pixel by pixel.
import os

import unittest

import harness
from menu_session import (OUTSIDE, SKIN, ZONES, MenuTest, centre, expected_client, medium, session,  # noqa: F401
                          setUpModule)


class HighlightTest(MenuTest):
    @classmethod
    def setUpClass(cls):
        cls.start(medium())

    def setUp(self):
        self.leave()

    def test_each_zone_shows_its_fore_piece_until_the_pointer_leaves(self):
        for zone in ZONES:
            with self.subTest(zone):
                self.hover(zone)
                self.leave()

    def test_one_move_from_zone_to_zone_or_to_the_gap(self):
        self.hover("install", 100, 60)
        self.hover("uninstall", 100, 95)  # the whole client compared: install is restored too
        self.hover("install", 100, 60)
        self.point(100, 82)
        self.wait_shows(expected_client(), "no highlight at (100, 82), between install and uninstall")

    def test_zone_bounds_are_inclusive(self):
        cases = [((220, 77), "install"), ((20, 52), "install"), ((145, 145), "browse"),
                 ((221, 77), None), ((220, 78), None), ((19, 52), None), ((20, 51), None), ((146, 130), None)]
        for (x, y), zone in cases:
            with self.subTest(point=(x, y)):
                self.leave()
                if zone:
                    self.hover(zone, x, y)
                else:
                    self.point(x, y)
                    self.assert_keeps_showing(expected_client(), "no highlight at (%d, %d)" % (x, y))

    def test_dragging_out_of_the_window_with_the_left_button_undoes_the_highlight(self):
        self.hover("install", 100, 60)
        session().press(1)  # also starts the installer stand-in
        try:
            self.point(-5, 60)
            self.wait_shows(expected_client(), "no highlight after a drag to (-5, 60)")
        finally:
            session().release(1)

    def test_leaving_the_window_without_a_button_keeps_the_highlight(self):
        self.hover("install", 100, 60)
        client = self.menu["client"]
        session().move(client["right"] + 30, client["top"] + 60)
        self.assert_keeps_showing(expected_client("install"), "install still highlighted outside the window")


class KeyboardTest(MenuTest):
    """The keys light the entries with the pointer's highlight: the same pixels, one entry at a time, and
    whichever of pointer and keys moved last decides."""

    @classmethod
    def setUpClass(cls):
        cls.start(medium())

    def setUp(self):
        self.unlight()
        session().click(1)  # on the picture, beside the entries: the menu is the active window

    def keyed(self, key, zone):
        session().key(key)
        self.wait_shows(expected_client(zone), "%s highlighted after %s" % (zone, key))

    def test_keys_step_through_the_entries_in_screen_order_and_wrap(self):
        for key, zone in (("Tab", "install"), ("Down", "uninstall"), ("Tab", "browse"), ("Down", "exit"),
                          ("Tab", "install"), ("shift+Tab", "exit"), ("Up", "browse"), ("Home", "install"),
                          ("End", "exit")):
            self.keyed(key, zone)
        session().key("Escape")
        self.assert_keeps_showing(expected_client("exit"), "Escape changes nothing")
        # With nothing lit, forward keys start at the top and backward keys at the bottom.
        for key, zone in (("Down", "install"), ("Up", "exit"), ("shift+Tab", "exit"), ("Tab", "install")):
            with self.subTest(key):
                self.unlight()
                self.keyed(key, zone)

    def test_pointer_and_keys_take_over_from_each_other(self):
        x, y = centre("browse")
        self.hover("browse", x, y)
        self.keyed("Down", "exit")  # goes on from the entry the pointer lit
        self.hover("browse", x + 1, y)  # a pointer move takes the highlight back
        self.keyed("Up", "uninstall")
        self.point(*OUTSIDE)
        self.wait_shows(expected_client(), "no highlight once the pointer moves beside the entries")

    def test_focus_moves_to_the_entry_a_key_lights(self):
        events = session().probe_started("focus-events", self.launcher.pid, 4, harness.windows_path(
            os.path.join(session().dir, "focus-events.ready")))
        harness.wait_for(lambda: os.path.exists(os.path.join(session().dir, "focus-events.ready")), 20,
                         what="the probe to listen to focus events")
        self.keyed("Tab", "install")
        self.keyed("End", "exit")
        self.point(*centre("browse"))  # the pointer lights without moving the focus
        OBJID_CLIENT = -4
        self.assertEqual([(e["hwnd"], e["object"], e["child"]) for e in events()["events"]],
                         [(self.menu["hwnd"], OBJID_CLIENT, 1), (self.menu["hwnd"], OBJID_CLIENT, 4)])


class BrokenSkinTest(MenuTest):
    CASES = [  # what is removed from the medium, the file the error box names
        (os.path.join(SKIN, "ZoFore_Eng.bmp"), "ZoFore_Eng.bmp"),
        (SKIN, "ZoBack_Eng.bmp"),
    ]

    def test_moves_and_presses_neither_fail_nor_crash(self):
        for removed, missing in self.CASES:
            with self.subTest(removed=removed):
                self.start(medium(removed), dismiss="Cannot open file Autorun\\English\\%s." % missing)
                explorers = {w["hwnd"] for w in session().find_window(cls="ExplorerWClass")}
                for zone in ("install", "browse", "uninstall"):
                    self.point(*centre(zone))
                    session().click(3)
                    if zone == "browse":  # its window could come up over the next entry
                        self.close_windows(self.new_windows(explorers, "ExplorerWClass", timeout=45))
                self.point(*centre("exit"))
                self.assert_no_message_box("after moves over and presses on the entries")
                self.assertTrue(self.launcher.alive())
                session().wait_window(pid=self.launcher.pid, caption="Uninstall Driver", visible=True)
                self.assert_exit(1)


if __name__ == "__main__":
    unittest.main()
