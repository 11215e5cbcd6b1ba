"""Cropping with the right mouse button, saving with "Save it", and Reset."""

import os
import unittest

import harness
from harness import RESET, SAVE_IT, TEXT1, noise_picture


class CropSaveTest(harness.E2ETestCase):

    def open_capture(self, picture):
        self.roomy_frame()
        self.start_program()
        xclip = self.put_picture(picture, "capture.png")
        self.wait_clipboard_taken(xclip)
        return self.wait_for_picture(picture, "window 1 to show the capture")

    def crop(self, at, start, end):
        """Right-drags from start to end, in pixels of the picture shown at `at`."""
        self.drag((at[0] + start[0], at[1] + start[1]), (at[0] + end[0], at[1] + end[1]),
                  button=3)

    def test_save_writes_the_whole_capture_under_the_typed_name_and_replaces_it(self):
        source = noise_picture(300, 200, seed=11)
        at = self.open_capture(source)
        self.assert_same_pixels(self.save_and_read(at, "vornal1.bmp"), source, "vornal1.bmp")

        # A name with a space, typed over the proposed one.
        self.click(*self.control_centre(at, TEXT1))
        self.run_tool("xdotool", "key", "ctrl+a")
        self.run_tool("xdotool", "type", "--delay", "20", "my shot")
        self.assert_same_pixels(self.save_and_read(at, "my shot.bmp"), source, "my shot.bmp")

        # Saving again after a crop replaces the file with just the selection.
        self.crop(at, (10, 10), (60, 40))
        self.assert_same_pixels(self.save_and_read(at, "my shot.bmp"),
                                source.crop((10, 10, 60, 40)), "my shot.bmp after a crop")
        leftovers = sorted(set(os.listdir(self.app_dir)) -
                           {"vornal3", "vornal1.bmp", "my shot.bmp"})
        self.assertEqual(leftovers, [], "files left next to the program")

    def test_a_save_that_fails_is_reported_and_leaves_no_file(self):
        source = noise_picture(300, 200, seed=15)
        at = self.open_capture(source)
        self.allowed_stderr = ("no/such/folder/shot.bmp",)
        self.click(*self.control_centre(at, TEXT1))
        self.run_tool("xdotool", "key", "ctrl+a")
        self.run_tool("xdotool", "type", "--delay", "20", "no/such/folder/shot")
        self.click(*self.control_centre(at, SAVE_IT))

        program = self.programs[0]
        self.wait_for(lambda: "no/such/folder/shot.bmp" in program.stderr(),
                      "the failed save to be reported")
        self.answer_message_box("a message box about the failed save")
        self.assertEqual(sorted(os.listdir(self.app_dir)), ["vornal3"], "files written")

        # The window goes on working: the next save under a sound name succeeds.
        self.click(*self.control_centre(at, TEXT1))
        self.run_tool("xdotool", "key", "ctrl+a")
        self.run_tool("xdotool", "type", "--delay", "20", "after")
        self.assert_same_pixels(self.save_and_read(at, "after.bmp"), source, "after.bmp")

    def test_crop_keeps_exactly_the_selected_pixels(self):
        source = noise_picture(300, 200, seed=12)
        at = self.open_capture(source)

        # Dragged from bottom-right to top-left: the selection is the same rectangle.
        self.crop(at, (210, 150), (50, 40))
        expected = source.crop((50, 40, 210, 150))
        self.assert_same_pixels(self.save_and_read(at, "vornal1.bmp"), expected,
                                "vornal1.bmp after the crop")
        # The window shows the selection at the viewport's top-left, without the outline.
        self.wait_for_picture_at(expected, at, "the cropped picture to show at home")

        # A second crop works inside the cropped picture, in its own coordinates.
        self.crop(at, (20, 30), (120, 90))
        self.assert_same_pixels(self.save_and_read(at, "vornal1.bmp"),
                                source.crop((70, 70, 170, 130)),
                                "vornal1.bmp after a crop of the crop")

        # A right click without a drag must not destroy the capture.
        self.click(at[0] + 40, at[1] + 40, button=3)
        self.assert_same_pixels(self.save_and_read(at, "vornal1.bmp"),
                                source.crop((70, 70, 170, 130)), "vornal1.bmp after a right click")

    def test_left_drag_pans_up_and_left_only_and_changes_no_pixel(self):
        source = noise_picture(300, 200, seed=14)
        at = self.open_capture(source)

        # Right and down from home the picture stays put; were it moved, the drag below
        # would leave it 30 and 20 pixels short.
        self.drag((at[0] + 100, at[1] + 100), (at[0] + 130, at[1] + 120), button=1)
        self.drag((at[0] + 150, at[1] + 150), (at[0] + 110, at[1] + 120), button=1)
        self.wait_for_picture_at(source.crop((40, 30, 300, 200)), at,
                                 "the picture to follow the pointer")

        self.assert_same_pixels(self.save_and_read(at, "vornal1.bmp"), source,
                                "vornal1.bmp after panning")

    def test_reset_brings_back_the_whole_capture(self):
        source = noise_picture(300, 200, seed=13)
        at = self.open_capture(source)
        self.crop(at, (30, 20), (130, 90))
        self.crop(at, (5, 5), (50, 50))
        self.click(*self.control_centre(at, RESET))
        self.wait_for_picture(source, "the whole capture to show again")
        self.assert_same_pixels(self.save_and_read(at, "vornal1.bmp"), source,
                                "vornal1.bmp after Reset")


if __name__ == "__main__":
    unittest.main()
