"""The main frame's placement survives a File/Exit and the next start."""

import configparser
import unittest

import harness
from harness import TWIPS_PER_PIXEL


class PlacementTest(harness.E2ETestCase):

    def exit_by_menu(self, program):
        self.keys(self.frame, "alt+f", "x")
        self.wait_for(lambda: program.poll() is not None, "the program to end")
        self.assertEqual(program.returncode, 0, "exit status of vornal3")

    def test_a_bad_value_is_reported_and_exit_stores_the_placement_for_the_next_start(self):
        # A fraction is no error; the value after it is, and is reported.
        self.write_settings(MainLeft=1500.4, MainTop=750, MainWidth="12x34", MainHeight=7500)
        program = self.start_program(wait_for_frame=False)
        self.answer_message_box("a message box about the bad value")
        self.assertIn("12x34", self.stderr())
        self.wait_for_frame()
        placement = self.geometry()
        self.assertEqual(placement[:2], (100, 50), "the values before the bad one apply")

        # Exit stores where the frame is, in whole twips, over the values read.
        self.exit_by_menu(program)
        stored = configparser.ConfigParser()
        stored.optionxform = str
        stored.read(self.ini_path, encoding="utf-8")
        self.assertEqual(dict(stored["Settings"]), {
            "MainLeft": "1500", "MainTop": "750",
            "MainWidth": str(placement[2] * TWIPS_PER_PIXEL),
            "MainHeight": str(placement[3] * TWIPS_PER_PIXEL)})

        self.start_program()
        self.assertEqual(self.geometry(), placement, "placement on the next start")
        self.exit_by_menu(self.programs[-1][0])


if __name__ == "__main__":
    unittest.main()
