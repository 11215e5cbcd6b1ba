"""A crop dragged with the right mouse button and saved with "Save it"."""

import os
import unittest

import harness
from harness import SAVE_IT, noise_picture


class CropSaveTest(harness.E2ETestCase):

    def test_the_saved_file_holds_exactly_the_selected_pixels(self):
        self.roomy_frame()
        self.start_program()
        source = noise_picture(300, 200, seed=11)
        self.wait_taken(self.put_picture(source, "capture.png"))
        at = self.wait_for_picture(source, "window 1 to show the capture")

        # Dragged from bottom-right to top-left: the selection is the same rectangle.
        self.drag((at[0] + 210, at[1] + 150), (at[0] + 50, at[1] + 40), button=3)
        expected = source.crop((50, 40, 210, 150))

        # A save that fails is reported, writes nothing, and the window goes on working.
        self.type_name(at, "no/such/folder/shot")
        self.click(*self.control_centre(at, SAVE_IT))
        self.answer_message_box("a message box about the failed save")
        self.assertIn("no/such/folder/shot.bmp", self.stderr())
        self.assertEqual(os.listdir(self.app_dir), ["vornal3"], "files after the failed save")

        self.type_name(at, "shot")
        self.assert_same_pixels(self.save(at, "shot.bmp"), expected, "shot.bmp")
        self.assertEqual(sorted(os.listdir(self.app_dir)), ["shot.bmp", "vornal3"])


if __name__ == "__main__":
    unittest.main()
