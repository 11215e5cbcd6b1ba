"""Pictures put on the clipboard by other programs become numbered capture windows."""

import os
import unittest

import harness
from harness import noise_picture


class PictureIntakeTest(harness.E2ETestCase):

    def test_each_picture_opens_the_next_numbered_window_and_empties_the_clipboard(self):
        self.roomy_frame()
        self.start_program()
        first, second = noise_picture(300, 200, seed=1), noise_picture(260, 180, seed=2)

        xclip = self.put_picture(first, "first.png")
        self.wait_clipboard_taken(xclip)
        first_at = self.wait_for_picture(first, "window 1 to show the first picture")

        xclip = self.put_picture(second, "second.png")
        self.wait_clipboard_taken(xclip)
        second_at = self.wait_for_picture(second, "window 2 to show the second picture")
        self.assertNotEqual(first_at, second_at, "the second picture has a window of its own")

        # The window in front is number 2: its file-name box reads vornal2.
        saved = self.save_and_read(second_at, "vornal2.bmp")
        self.assert_same_pixels(saved, second, "vornal2.bmp")
        self.assertFalse(os.path.exists(self.saved_file("vornal1.bmp")))

        # Window 1 still holds the first picture and saves it under its own number.
        self.click(first_at[0] + 5, first_at[1] + first.height - 5)  # brings it to the front
        self.wait_for_picture(first, "window 1 to come to the front")
        saved = self.save_and_read(first_at, "vornal1.bmp")
        self.assert_same_pixels(saved, first, "vornal1.bmp")

    def test_picture_already_on_the_clipboard_at_start_opens_window_1(self):
        self.roomy_frame()
        picture = noise_picture(120, 90, seed=3)
        xclip = self.put_picture(picture, "early.png")
        self.start_program()
        self.wait_clipboard_taken(xclip)
        at = self.wait_for_picture(picture, "window 1 to show the picture")
        self.assert_same_pixels(self.save_and_read(at, "vornal1.bmp"), picture, "vornal1.bmp")

    def test_image_bytes_that_do_not_decode_open_nothing_and_stay_on_the_clipboard(self):
        self.roomy_frame()
        self.start_program()
        garbage = os.path.join(self.tmp, "garbage.png")
        with open(garbage, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + bytes(range(256)) * 8)
        bad = self.put_on_clipboard(garbage, "image/png")
        self.wait_for(lambda: self.xclip_requests_served(bad) >= 1,
                      "the program to fetch the bytes")
        self.event_loop_round_trip()
        self.assertIsNone(bad.poll(), "the bytes' owner still holds the clipboard")
        self.assertIn("image/png", self.clipboard_targets() or [])

        # The next real picture opens window 1: the bad bytes used up no number.
        picture = noise_picture(100, 80, seed=4)
        good = self.put_picture(picture, "good.png")
        self.wait_clipboard_taken(good)
        at = self.wait_for_picture(picture, "window 1 to show the picture")
        self.assert_same_pixels(self.save_and_read(at, "vornal1.bmp"), picture, "vornal1.bmp")


if __name__ == "__main__":
    unittest.main()
