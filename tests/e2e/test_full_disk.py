"""Saving onto a full disk is reported with the system's reason; the disk is left as it was."""

import os
import unittest

import harness
from harness import SAVE_IT, VORNAL3, noise_picture


class FullDiskTest(harness.E2ETestCase):

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
