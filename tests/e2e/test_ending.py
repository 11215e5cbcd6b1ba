"""Every way the program ends is orderly: the display going away under it."""

import unittest

import harness
from harness import noise_picture


class EndingTest(harness.E2ETestCase):

    def test_losing_the_display_ends_the_program_without_a_crash(self):
        for with_capture in (False, True):
            with self.subTest(with_capture=with_capture):
                if with_capture:
                    self.display = self.env["DISPLAY"] = self.start_xvfb()
                program = self.start_program()
                if with_capture:
                    picture = noise_picture(120, 90, seed=5)
                    self.wait_taken(self.put_picture(picture, "capture.png"))
                    self.wait_for_picture(picture, "the capture window")
                self.kill_display()
                status = self.wait_for_end(program)
                # A negative status is a signal, such as SIGSEGV; Qt itself ends with 1.
                self.assertIn(status, range(1, 128), "exit status once the display is gone")


if __name__ == "__main__":
    unittest.main()
