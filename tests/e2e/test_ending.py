"""Starting and ending. The frame shows at every start on a bare virtual display, as `xvfb-run
-a` gives one: a fresh server that resets itself whenever its last client leaves, while
whatever looks for the frame (here xdotool) connects and leaves again and again. A display that
is not there is said in one line. The frame's placement survives File/Exit and the next start.
Every way the program ends is orderly: the display going away under it; a termination signal,
which closes the frame as its close box does; and closing when the settings cannot be written."""

import itertools
import os
import signal
import unittest

import harness
from harness import TWIPS_PER_PIXEL, noise_picture, stop

STARTS = 15
FRAME = r"^Vornal 3\.1$"


class StartingAndEndingTest(harness.E2ETestCase):

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
        for start in (1, 2):
            self.keys(self.frame, "alt+f", "x")
            self.assertEqual(self.wait_for_end(program), 0, "exit status of vornal3")
            self.assertEqual(self.stored_settings(), {
                "MainLeft": "1500", "MainTop": "750",
                "MainWidth": str(placement[2] * TWIPS_PER_PIXEL),
                "MainHeight": str(placement[3] * TWIPS_PER_PIXEL)}, f"after start {start}")
            if start == 1:
                program = self.start_program()
                self.assertEqual(self.geometry(), placement, "placement on the next start")

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

    def test_a_termination_signal_stores_the_placement_and_ends_with_status_0(self):
        for number, sig in enumerate((signal.SIGTERM, signal.SIGINT, signal.SIGHUP)):
            with self.subTest(signal=sig.name):
                # Each run opens somewhere else; the file is gone before the signal, so what
                # is found afterwards was written by closing.
                self.write_settings(MainLeft=(20 + 40 * number) * TWIPS_PER_PIXEL,
                                    MainTop=30 * TWIPS_PER_PIXEL, MainWidth=7500,
                                    MainHeight=6000 + 600 * number)
                program = self.start_program()
                placement = dict(zip(("MainLeft", "MainTop", "MainWidth", "MainHeight"),
                                     (str(v * TWIPS_PER_PIXEL) for v in self.geometry())))
                os.remove(self.ini_path)
                program.send_signal(sig)
                self.assertEqual(self.wait_for_end(program), 0, "exit status")
                self.assertEqual(self.stored_settings(), placement)

    def test_a_settings_store_that_cannot_be_written_is_reported_and_the_program_still_ends(self):
        # The settings folder, with a file in it, on a read-only mount. (A folder that cannot
        # be made is tried by shell_tests.)
        mounts = self.own_mounts_command()
        if mounts is None:
            self.skipTest("this system allows no private mounts")
        self.write_settings(MainLeft=1500, MainTop=1500, MainWidth=7500, MainHeight=6000)
        folder = os.path.dirname(self.ini_path)
        program = self.start_program_with_mounts(mounts, (
            f"mount --bind '{folder}' '{folder}'\n"
            f"mount -o remount,bind,ro '{folder}'"))
        self.keys(self.frame, "alt+f", "x")
        self.answer_message_box("a message box about the settings")
        self.assertIn(f"Cannot write the settings file {self.ini_path}: Read-only file system",
                      self.stderr())
        # Gone, not left running without a window.
        self.assertEqual(self.wait_for_end(program), 1, "exit status")


if __name__ == "__main__":
    unittest.main()
