"""Pictures put on the clipboard by other programs become numbered capture windows;
text on the clipboard belongs to the user and stays there."""

import os
import unittest

import harness
from harness import noise_picture

TEXT = "kept text: Grüße 1, 2, 3"


class IntakeTest(harness.E2ETestCase):

    def test_pictures_open_numbered_windows_and_text_stays_on_the_clipboard(self):
        self.roomy_frame()
        first, second = noise_picture(300, 200, seed=1), noise_picture(260, 180, seed=2)

        # A picture already on the clipboard at start opens window 1 and is taken off it.
        xclip = self.put_picture(first, "first.png")
        self.start_program()
        self.wait_taken(xclip)
        self.wait_for_picture(first, "window 1 to show the first picture")

        # Text is left alone. Key presses wait behind the ticks already due, so once the
        # About window they ask for has come and gone, the program has looked at the text.
        text_path = os.path.join(self.tmp, "text.txt")
        with open(text_path, "w", encoding="utf-8") as f:
            f.write(TEXT)
        text_owner = self.put_on_clipboard(text_path, "UTF8_STRING")
        self.keys(self.frame, "alt+h", "a")
        about = self.wait_for(lambda: self.visible_windows(r"^About Vornal3$"), "About to open")
        self.keys(about[0], "Escape")
        self.wait_for(lambda: not self.visible_windows(r"^About Vornal3$"), "About to close")
        self.assertIsNone(text_owner.poll(), "the text's owner still owns the clipboard")
        self.assertEqual(self.run_tool("xclip", "-o", "-selection", "clipboard").stdout, TEXT)

        # The next picture opens window 2 (so the text opened none): it saves as vornal2.
        xclip = self.put_picture(second, "second.png")
        self.wait_taken(xclip)
        at = self.wait_for_picture(second, "window 2 to show the second picture")
        self.assert_same_pixels(self.save(at, "vornal2.bmp"), second, "vornal2.bmp")
        self.assertEqual(sorted(os.listdir(self.app_dir)), ["vornal2.bmp", "vornal3"])


if __name__ == "__main__":
    unittest.main()
