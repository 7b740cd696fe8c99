# tests/e2e/test_uninstall_verdicts.py: the Brio/Nomad option reports its remover's verdict, or an error box.
import os
import unittest

import harness
from uninstall_flow import CARD_REMOVER, NOMAD, TUNER_SETUP, ZORVA, UninstallTest

FAILED = "Uninstall of driver is failed"
NO_DATA = "Failed to get data for 'Welcome'"


class VerdictTest(UninstallTest):
    def run_brio(self, first):
        """Opens the dialog and selects the third option; unless this is the first run, the first option is
        chosen before, since a click on the selected option runs nothing. Answers the log mark before the click."""
        if not first:
            self.open_dialog()
            self.click_option("RadioButton1")
            self.wait_dialog(False)
        self.seed_tree(ZORVA)
        self.open_dialog()
        mark = self.log_mark()
        self.click_option("RadioButton3")
        return mark

    def test_verdict_message_then_the_dialog_hides(self):
        for index, (verdict, text) in enumerate([("1", "The driver was uninstalled."), ("0", FAILED), ("2", FAILED)]):
            with self.subTest(verdict=verdict):
                self.set_verdict(verdict)
                mark = self.run_brio(index == 0)
                box = self.verdict_box("Uninstallation.")
                self.assertEqual((box["text"], box["owner"], box["icon"]), (text, 0, False))
                self.assertTrue(self.dialog()["visible"], "the dialog hid before the box was closed")
                self.press_ok(box)
                self.wait_dialog(False)
                self.assert_started(mark, TUNER_SETUP)
                tree = self.query(ZORVA)
                self.assertEqual((tree["values"], tree["subkeys"]), ([], ["NOMAD"]))
                self.assertEqual(self.query(NOMAD)["values"],
                                 [{"name": "Welcome", "type": "REG_DWORD", "data": int(verdict)}])

    def test_unreadable_verdict_shows_the_error_box_and_keeps_the_dialog(self):
        cases = [("sz:ab", "Invalid data type for 'Welcome'"), ("sz:a much longer text", NO_DATA),
                 ("program missing", NO_DATA)]
        for index, (verdict, text) in enumerate(cases):
            with self.subTest(verdict=verdict):
                if verdict == "program missing":
                    os.remove(os.path.join(self.medium, "Driver", "TunerSetup.exe"))
                else:
                    self.set_verdict(verdict)
                mark = self.run_brio(index == 0)
                box = self.verdict_box("Launch")
                self.assertEqual((box["text"], box["icon"]), (text, True))
                self.press_ok(box)
                dialog = self.dialog()
                self.assertTrue(dialog["visible"])
                self.assert_selected(dialog, "RadioButton3")
                if verdict == "program missing":
                    self.assertEqual(self.session.standin_entries()[mark:], [])
                    self.assertEqual(self.query(NOMAD), {"exists": True, "values": [], "subkeys": []})
                    self.assertEqual(self.query(ZORVA)["subkeys"], ["NOMAD"])
                else:
                    self.assert_started(mark, TUNER_SETUP)

    def test_error_box_is_owned_by_the_application_and_disables_menu_and_dialog(self):
        self.set_verdict("sz:ab")
        self.run_brio(True)
        box = self.verdict_box("Launch")
        application = self.session.wait_window(pid=self.launcher.pid, cls="TApplication")
        self.assertEqual(box["owner"], application["hwnd"])
        windows = {w["hwnd"]: w for w in self.session.windows()}
        dialog = self.dialog()
        self.assertEqual([windows[w["hwnd"]]["enabled"] for w in (self.menu, dialog)], [False, False])
        self.press_ok(box)
        harness.wait_for(lambda: all(w["enabled"] for w in self.session.windows()
                                     if w["hwnd"] in (self.menu["hwnd"], dialog["hwnd"])), 15,
                         what="the menu and the dialog to be enabled again")
        mark = self.log_mark()
        self.click_option("RadioButton1")  # the dialog takes clicks again
        self.wait_dialog(False)
        self.assert_started(mark, CARD_REMOVER)


if __name__ == "__main__":
    unittest.main()
