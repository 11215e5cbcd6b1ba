"""Text on the clipboard belongs to the user: the program looks at it and leaves it."""

import unittest

import harness
from harness import noise_picture
from xselection import ClipboardTextOwner

TEXT = "kept text: Grüße 1, 2, 3"


class ClipboardTextTest(harness.E2ETestCase):

    def test_text_stays_on_the_clipboard_and_opens_no_window(self):
        self.roomy_frame()
        self.start_program()
        owner = ClipboardTextOwner(self.display, TEXT)
        self.addCleanup(owner.close)

        # The program has seen the text once it asks what the clipboard holds; once the
        # About window has come and gone, the tick that asked is long over.
        self.wait_for(lambda: owner.targets_requests >= 1,
                      "the program to look at the clipboard")
        self.event_loop_round_trip()
        self.assertFalse(owner.lost, "the program took the text off the clipboard")
        self.assertEqual(self.clipboard_text(), TEXT)

        # Ticks go on while the modal About window is open: a picture put on the clipboard
        # then is taken, and it becomes window 1, so the text opened no window.
        about = self.open_about()
        picture = noise_picture(140, 100, seed=5)
        xclip = self.put_picture(picture, "during-about.png")
        self.wait_clipboard_taken(xclip)
        self.close_about(about)
        at = self.wait_for_picture(picture, "window 1 to show the picture")
        self.assert_same_pixels(self.save_and_read(at, "vornal1.bmp"), picture, "vornal1.bmp")


if __name__ == "__main__":
    unittest.main()
