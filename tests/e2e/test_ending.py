"""Every way the program ends is orderly: the display going away under it; a termination signal,
which closes the frame as its close box does; and closing when the settings cannot be written."""

import os
import signal
import unittest

import harness
from harness import TWIPS_PER_PIXEL, noise_picture


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

    def test_a_termination_signal_stores_the_placement_and_ends_with_status_0(self):
        for number, sig in enumerate((signal.SIGTERM, signal.SIGINT, signal.SIGHUP)):
            with self.subTest(signal=sig.name):
                # Each run opens somewhere else; the file is gone before the signal, so what
                # is found afterwards was written by closing.
                self.write_settings(MainLeft=(20 + 40 * number) * TWIPS_PER_PIXEL,
                                    MainTop=30 * TWIPS_PER_PIXEL, MainWidth=7500,
                                    MainHeight=6000 + 600 * number)
                program = self.start_program()
                placement = self.placement_in_twips()
                os.remove(self.ini_path)
                program.send_signal(sig)
                self.assertEqual(self.wait_for_end(program), 0, "exit status")
                self.assertEqual(self.stored_settings(), placement)

    def test_a_settings_store_that_cannot_be_written_is_reported_and_the_program_still_ends(self):
        cases = [("Not a directory", self.start_with_settings_inside_a_file)]
        mounts = self.own_mounts_command()
        if mounts is not None:
            cases.append(("Read-only file system",
                          lambda: self.start_with_read_only_settings(mounts)))
        for reason, start in cases:
            with self.subTest(reason=reason):
                program, path = start()
                self.keys(self.frame, "alt+f", "x")
                self.answer_message_box("a message box about the settings")
                self.assertIn(f"Cannot write the settings file {path}: {reason}", self.stderr())
                # Gone, not left running without a window.
                self.assertEqual(self.wait_for_end(program), 1, "exit status")

    def start_with_settings_inside_a_file(self):
        """A settings folder inside a regular file: nobody can make it, root included."""
        blocker = os.path.join(self.tmp, "file")
        open(blocker, "wb").close()
        config = os.path.join(blocker, "config")
        self.env["XDG_CONFIG_HOME"] = config
        program = self.start_program()
        self.env["XDG_CONFIG_HOME"] = os.path.dirname(os.path.dirname(self.ini_path))
        return program, os.path.join(config, "Vornal3", "Vornal3.ini")

    def start_with_read_only_settings(self, mounts):
        """The settings folder, with a file in it, on a read-only mount."""
        self.write_settings(MainLeft=1500, MainTop=1500, MainWidth=7500, MainHeight=6000)
        folder = os.path.dirname(self.ini_path)
        program = self.start_program_with_mounts(mounts, (
            f"mount --bind '{folder}' '{folder}'\n"
            f"mount -o remount,bind,ro '{folder}'"))
        return program, self.ini_path


if __name__ == "__main__":
    unittest.main()
