"""A clipboard owner that never answers keeps no window waiting: it is asked once, and the
menus open at once all the while; once it is gone, pictures are taken again."""

import time
import unittest

import harness
from harness import noise_picture

MENU_WITHIN = 1.5  # seconds from the click to the open menu
WATCHED_FOR = 3.5  # seconds: over the first question's deadline and several new claims


class SilentOwnerTest(harness.E2ETestCase):

    def test_owner_that_never_answers_is_asked_once_and_menus_stay_quick(self):
        self.roomy_frame()
        self.start_program()
        # It takes the clipboard anew every second, for longer than the test runs.
        silent = self.start_owner([harness.HOSTILE_OWNER, "--serve", "/dev/null", "--silent",
                                   "--claims-per-second", "1", "--for", "600"], "silent.log",
                                  "owner")

        start = time.monotonic()
        delays = []
        while time.monotonic() - start < WATCHED_FOR:
            delays.append(self.open_file_menu())
        self.assertLess(max(delays), MENU_WITHIN, f"File menu delays: {delays}")
        self.assertEqual(self.owner_requests("silent.log"), ["TARGETS"])
        reasons = [line for line in self.stderr().splitlines() if "left there" in line]
        self.assertEqual(len(reasons), 1, self.stderr())
        self.assertIn("did not answer", reasons[0])

        harness.stop(silent)
        picture = noise_picture(200, 120, seed=21)
        xclip = self.put_picture(picture, "after.png")
        self.wait_taken(xclip)
        self.wait_for_picture(picture, "window 1 to show the picture put after the owner left")


if __name__ == "__main__":
    unittest.main()
