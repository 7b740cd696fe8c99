# tests/e2e/test_uninstall.py: uninstall options clicked on screen clear their records, start removers, hide the dialog.
import unittest

from uninstall_flow import (CARD_REMOVER, DIFX, DIFX64, NOMAD, OPTIONS, QUILL, TUNER_SETUP, ZORVA, UninstallTest,
                            below)


AWAY = (150, 200)  # a drag of the dialog that keeps it on the screen and off the menu's entries


class OptionTest(UninstallTest):
    # Each case differs from the option selected before it, so each click selects and runs one handler.
    CASES = [
        ("Quill on its text", "RadioButton1", None, DIFX, CARD_REMOVER),
        ("Onyx where it overlaps Quill", "RadioButton2", (20, 58), DIFX, CARD_REMOVER),
        ("Brio/Nomad on its text", "RadioButton3", None, ZORVA, TUNER_SETUP),
        ("Onyx on its text", "RadioButton2", None, DIFX, CARD_REMOVER),
    ]

    def test_each_option_clears_its_records_starts_its_program_and_hides_the_dialog(self):
        for name, option, point, key, program in self.CASES:
            with self.subTest(name):
                if key is DIFX:
                    self.seed_difx(DIFX64)
                    # On 64-bit Windows the 64-bit view holds records of its own; on 32-bit Windows it is the one view.
                    self.assertEqual(self.query((DIFX[0], below(DIFX[1], QUILL)))["exists"],
                                     self.session.arch == "win32")
                    self.seed_difx(DIFX)
                else:
                    self.seed_tree(key)
                dialog = self.open_dialog()
                mark = self.log_mark()
                self.click_option(option, point)
                if program is TUNER_SETUP:
                    box = self.verdict_box("Uninstallation.")
                    self.assertEqual(box["text"], "The driver was uninstalled.")
                    self.press_ok(box)
                self.wait_dialog(False)
                self.assert_started(mark, program)
                self.assert_selected(dialog, option)
                if key is ZORVA:  # the tree is gone; only the stand-in's fresh verdict is there again
                    tree = self.query(key)
                    self.assertEqual((tree["values"], tree["subkeys"]), ([], ["NOMAD"]))
                    self.assertEqual(self.query(NOMAD)["values"], [{"name": "Welcome", "type": "REG_DWORD", "data": 1}])
                else:  # this product's records are gone from both views; every other vendor's is as it was
                    self.assert_difx(DIFX, own=False)
                    self.assert_difx(DIFX64, own=False)

    def test_reopened_dialog_keeps_the_choice_and_its_place_and_a_click_on_it_runs_nothing(self):
        self.open_dialog()
        moved = self.drag_dialog(*AWAY)
        self.click_option("RadioButton1")
        self.wait_dialog(False)
        self.seed_difx(DIFX)
        dialog = self.open_dialog()
        self.assertEqual(dialog["rect"], moved["rect"])
        self.assert_selected(dialog, "RadioButton1")
        mark = self.log_mark()
        self.click_option("RadioButton1")
        self.menu_reacts()  # the launcher has handled the click before this pointer move
        self.assertEqual(self.session.standin_entries()[mark:], [])
        self.assertTrue(self.dialog()["visible"])
        self.assert_selected(dialog, "RadioButton1")
        self.assert_difx(DIFX, own=True)

    def test_close_box_hides_the_dialog_and_runs_nothing_and_it_comes_back_where_it_was(self):
        self.seed_difx(DIFX)
        self.seed_tree(ZORVA)
        self.open_dialog()
        dialog = self.drag_dialog(*AWAY)
        mark = self.log_mark()
        rect = dialog["rect"]
        # The close box is the rightmost caption button: the frame, then a button as high as the caption.
        frame = dialog["client"]["left"] - rect["left"]
        caption_height = dialog["client"]["top"] - rect["top"] - frame
        self.session.move(rect["right"] - frame - caption_height // 2 - 1, rect["top"] + frame + caption_height // 2)
        self.session.click()
        self.wait_dialog(False)
        self.assertEqual(self.session.standin_entries()[mark:], [])
        self.assertEqual(self.checks(dialog), {n: 0 for n in OPTIONS})
        self.assert_difx(DIFX, own=True)
        self.assert_seeded(ZORVA)
        self.assertEqual(self.open_dialog()["rect"], dialog["rect"])

    def test_verdict_box_has_no_owner_and_leaves_menu_and_dialog_working(self):
        self.open_dialog()
        self.click_option("RadioButton3")
        box = self.verdict_box("Uninstallation.")
        self.assertEqual((box["text"], box["owner"], box["icon"]), ("The driver was uninstalled.", 0, False))
        self.assertTrue(self.dialog()["visible"])
        self.menu_reacts()
        mark = self.log_mark()
        self.click_option("RadioButton1", self.point_beside(box, "RadioButton1"))
        self.wait_dialog(False)
        self.assert_started(mark, CARD_REMOVER)
        self.assertEqual(self.session.message_boxes(self.launcher.pid)[0]["hwnd"], box["hwnd"])
        self.press_ok(box, by_pointer=False)  # the menu may lie over the box now
        self.assertFalse(self.dialog()["visible"])

    def point_beside(self, box, option):
        """A point of the option's row, in dialog client coordinates, that the box does not cover."""
        client = self.dialog()["client"]
        (_, y), r = OPTIONS[option][0], box["rect"]
        for x in range(20, 340, 10):
            sx, sy = client["left"] + x, client["top"] + y
            if not (r["left"] <= sx < r["right"] and r["top"] <= sy < r["bottom"]):
                return x, y
        self.fail("the verdict box covers the whole row of %s" % option)


if __name__ == "__main__":
    unittest.main()
