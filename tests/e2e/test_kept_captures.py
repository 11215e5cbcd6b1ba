"""Open captures are kept on disk: a run that ends without closing them (killed, crashed, its
display gone) leaves them for the next start, which opens each once, in order; closed windows
and an ordinary end leave nothing behind; a disk that refuses costs no capture. Saving onto a
full disk is reported with the system's reason, and the disk is left as it was."""

import os
import signal
import unittest

import harness
from harness import SAVE_IT, VORNAL3, noise_picture


class KeptCapturesTest(harness.E2ETestCase):

    def capture(self, picture, name):
        self.wait_taken(self.put_picture(picture, name))
        return self.wait_for_picture(picture, f"a window to show {name}")

    def test_captures_left_open_by_a_killed_or_crashed_run_open_again_once_in_order(self):
        # A crash ends a sanitized build as it ends a plain one, without a report of its own.
        self.env["ASAN_OPTIONS"] = os.environ.get("ASAN_OPTIONS", "") + ":handle_segv=0"
        self.roomy_frame()
        first, closed, last = (noise_picture(160, 100, seed=s) for s in (1, 2, 3))
        program = self.start_program()
        self.capture(first, "first.png")
        self.capture(closed, "closed.png")
        self.keys(self.frame, "ctrl+w")  # closes the active window: the second capture's
        self.capture(last, "last.png")
        self.wait_kept(2)
        self.assertTrue(all(os.stat(f).st_mode & 0o777 == 0o600 for f in self.kept()))
        self.assertEqual(os.stat(self.state).st_mode & 0o777, 0o700)

        # Killed, then crashed: each next start shows the two open captures once, in the order
        # they were taken (the last one opened last, on top of the first), and the closed one
        # never.
        for end in (signal.SIGKILL, signal.SIGSEGV):
            with self.subTest(end=end.name):
                program.send_signal(end)
                self.assertEqual(self.wait_for_end(program), -end)
                program = self.start_program()
                self.wait_for_picture(last, "the last capture again, on top")
                self.keys(self.frame, "alt+w", "v")  # Tile Vertical
                self.wait_for_picture(first, "the first capture again")
                self.wait_for(lambda: "open again" in self.stderr(), "the line that says so")
                self.assertIn("vornal3: 2 captures kept from the last run are open again\n",
                              self.stderr())
                self.assertEqual(len(self.kept()), 2, "each capture kept once")
                self.assertFalse(self.shows_a_row_of(closed), "the closed capture is gone")

        # An ordinary end deletes them: a termination signal, then File/Exit.
        program.send_signal(signal.SIGTERM)
        self.assertEqual(self.wait_for_end(program), 0)
        self.assertEqual(self.kept(), [])
        program = self.start_program()
        self.capture(noise_picture(80, 60, seed=4), "fourth.png")
        self.wait_kept(1)
        self.keys(self.frame, "alt+f", "x")
        self.assertEqual(self.wait_for_end(program), 0)
        self.assertEqual(self.kept(), [])
        self.assertNotIn("open again", self.stderr(), "nothing came back after SIGTERM")

    def shows_a_row_of(self, picture):
        return picture.crop((0, 0, picture.width, 1)).tobytes() in self.screenshot().tobytes()

    def test_captures_of_a_lost_display_open_on_the_next_one(self):
        program = self.start_program()
        picture = noise_picture(120, 90, seed=5)
        self.capture(picture, "capture.png")
        self.wait_kept(1)
        self.kill_display()
        self.assertIn(self.wait_for_end(program), range(1, 128))
        self.display = self.env["DISPLAY"] = self.start_xvfb()
        self.start_program()
        self.wait_for_picture(picture, "the capture on the new display")

    def test_a_state_folder_that_refuses_writes_costs_no_capture_and_says_why(self):
        cases = [("inside a file", self.state_inside_a_file)]
        mounts = self.own_mounts_command()
        if mounts is not None:
            cases.append(("on a full disk", lambda: self.state_on_a_full_disk(mounts)))
        for seed, (what, start) in enumerate(cases):
            with self.subTest(state_folder=what):
                program, reason = start()
                for n in range(2):
                    self.capture(noise_picture(200, 150, seed=10 * seed + n), f"c{seed}{n}.png")
                lines = [l for l in self.stderr().splitlines() if "not kept on disk" in l]
                self.assertEqual(len(lines), 1, "said once")
                self.assertRegex(lines[0], reason)
                harness.stop(program)

    def state_inside_a_file(self):
        blocker = os.path.join(self.tmp, "file")
        open(blocker, "wb").close()
        self.env["XDG_STATE_HOME"] = os.path.join(blocker, "state")
        program = self.start_program()
        del self.env["XDG_STATE_HOME"]
        return program, f"{blocker}/state/Vornal3: Not a directory"

    def state_on_a_full_disk(self, mounts):
        os.makedirs(self.state, exist_ok=True)
        program = self.start_program_with_mounts(
            mounts, f"mount -t tmpfs -o size=256k tmpfs '{self.state}'")
        return program, r"a capture of \d+ KB would take kept captures past \d+ KB, their limit"


    def test_saving_onto_a_full_disk_names_the_reason_and_keeps_the_old_file(self):
        mounts = self.own_mounts_command()
        if mounts is None:
            self.skipTest("this system allows no private mounts; the reason is tested by "
                          "document_edit_tests with a file size limit")
        old = os.path.join(self.tmp, "old.bmp")
        noise_picture(64, 48, seed=3).save(old)
        with open(old, "rb") as f:
            old_bytes = f.read()
        # The program's folder is a file system with room for the program, an earlier capture
        # and a little more, but not for a 640 x 480 capture (900 KiB as a bitmap).
        page = 4096
        size = sum(-(-os.path.getsize(f) // page) * page for f in (VORNAL3, old)) + 16 * page
        self.roomy_frame()
        program = self.start_program_with_mounts(mounts, (
            f"mount -t tmpfs -o size={size} tmpfs '{self.app_dir}'\n"
            f"cp '{VORNAL3}' '{self.exe}'\n"
            f"cp '{old}' '{self.app_dir}/vornal1.bmp'"))

        capture = noise_picture(640, 480, seed=9)
        self.wait_taken(self.put_picture(capture, "capture.png"))
        # The capture window is smaller than the capture: it shows the top-left corner.
        at = self.wait_for_picture(capture.crop((0, 0, 200, 150)), "window 1 to show the capture")
        self.click(*self.control_centre(at, SAVE_IT))
        self.answer_message_box("a message box about the failed save")
        self.assertIn(f"{self.app_dir}/vornal1.bmp: No space left on device", self.stderr())

        folder = self.program_path(program, self.app_dir)
        self.assertEqual(sorted(os.listdir(folder)), ["vornal1.bmp", "vornal3"],
                         "nothing partial is left")
        with open(os.path.join(folder, "vornal1.bmp"), "rb") as f:
            self.assertEqual(f.read(), old_bytes, "the old file is intact")



if __name__ == "__main__":
    unittest.main()
