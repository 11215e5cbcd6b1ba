"""Starting on a bare virtual display, as `xvfb-run -a` gives one: a fresh server that no other
program holds and that resets itself whenever its last client leaves. Whatever looks for the
frame (here xdotool, as a script or a desktop's helper would) connects and leaves again and
again while the program starts, and each leaving resets the server."""

import itertools
import os
import unittest

import harness
from harness import stop

STARTS = 15
FRAME = r"^Vornal 3\.1$"


class StartupTest(harness.E2ETestCase):

    def test_the_frame_shows_at_every_start_on_a_fresh_bare_display(self):
        for start in range(1, STARTS + 1):
            self.display = self.env["DISPLAY"] = self.start_xvfb(resets=True)
            program = self.start_program(wait_for_frame=False)
            self.wait_for(lambda: program.poll() is not None or self.visible_windows(FRAME),
                          "the frame to show or the program to end")
            self.assertIsNone(program.poll(),
                              f"start {start} of {STARTS} on {self.display} ended with status "
                              f"{program.returncode} before its frame showed: {self.stderr()}")
            stop(program)
            stop(self.xvfb)

    def test_a_display_that_is_not_there_is_said_in_one_line(self):
        # Servers take the lowest free numbers, so one this high is free.
        number = next(n for n in itertools.count(50000)
                      if not any(os.path.exists(p) for p in (f"/tmp/.X{n}-lock",
                                                             f"/tmp/.X11-unix/X{n}")))
        self.display = self.env["DISPLAY"] = f":{number}"
        program = self.start_program(wait_for_frame=False)
        self.assertEqual(self.wait_for_end(program), 1, "exit status")
        self.assertEqual(self.stderr(), f"vornal3: cannot open the display {self.display}\n")


if __name__ == "__main__":
    unittest.main()
