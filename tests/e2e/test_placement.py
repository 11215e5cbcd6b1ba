"""The main frame's placement survives a File/Exit and the next start."""

import unittest

import harness
from harness import px

KEYS = ("MainLeft", "MainTop", "MainWidth", "MainHeight")


class PlacementTest(harness.E2ETestCase):

    def exit_by_menu(self, program):
        """File / Exit by its access keys; the program must end on its own, successfully."""
        self.keys(self.frame, "alt+f", "x")
        self.assertEqual(self.wait_for_exit(program), 0, "exit status of vornal3")

    def assert_stored(self, geometry):
        """The stored values are whole twips that give back the frame's placement."""
        stored = self.read_settings()
        self.assertEqual(sorted(stored), sorted(KEYS), "the keys stored under [Settings]")
        for key, value in zip(KEYS, geometry):
            self.assertRegex(stored[key], r"^-?\d+$", f"{key} is whole decimal text")
            self.assertEqual(px(int(stored[key])), value, f"{key}={stored[key]} twips")

    def test_first_run_opens_at_the_defaults_and_the_next_run_where_it_was_left(self):
        program = self.start_program()
        first = self.geometry(self.frame)
        self.assertEqual(first, (px(1000), px(1000), px(6500), px(6500)))
        self.exit_by_menu(program)
        self.assert_stored(first)

        program = self.start_program()
        self.assertEqual(self.geometry(self.frame), first)
        self.exit_by_menu(program)
        self.assert_stored(first)

    def test_stored_placement_is_applied_and_stored_back(self):
        # A fraction is no error; a frame partly off the screen is not pulled back.
        self.write_settings(MainLeft=1500.4, MainTop=-600, MainWidth=9000, MainHeight=7500)
        program = self.start_program()
        self.assertEqual(self.geometry(self.frame), (100, -40, 600, 500))
        self.exit_by_menu(program)
        self.assert_stored((100, -40, 600, 500))
        self.assertEqual(self.read_settings()["MainLeft"], "1500")

        program = self.start_program()
        self.assertEqual(self.geometry(self.frame), (100, -40, 600, 500))

    def test_a_width_that_is_no_number_is_reported_and_the_frame_still_opens(self):
        self.write_settings(MainLeft=1500, MainTop=750, MainWidth="12x34", MainHeight=7500)
        self.allowed_stderr = ("12x34",)
        program = self.start_program(wait_for_frame=False)
        self.wait_for(lambda: "12x34" in program.stderr(), "the failure to be reported")

        # The report also shows a message box; start-up goes on once it is answered.
        self.answer_message_box("a message box about the bad value")
        self.frame = self.wait_for_frame()
        left, top, _, _ = self.geometry(self.frame)
        self.assertEqual((left, top), (100, 50), "the values before the bad one are applied")

        # Exit stores a sound placement over the bad value.
        geometry = self.geometry(self.frame)
        self.exit_by_menu(program)
        self.assert_stored(geometry)


if __name__ == "__main__":
    unittest.main()
