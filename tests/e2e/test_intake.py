"""Pictures put on the clipboard by other programs become numbered capture windows, asked for in
the cheapest format their owner offers: a toolkit program is asked for one uncompressed format,
once, where fresh memory is cheap, and for PNG, once, where it is dear. Text on the clipboard
belongs to the user and stays there. A crop dragged with the right mouse button is what "Save
it" writes, and a save that fails is reported and writes nothing."""

import os
import unittest

from PIL import Image

import harness
from harness import SAVE_IT, noise_picture

TEXT = "kept text: Grüße 1, 2, 3"
UNCOMPRESSED = {"image/x-portable-pixmap", "image/ppm", "image/bmp", "image/x-bmp"}


class IntakeTest(harness.E2ETestCase):

    def setUp(self):
        super().setUp()
        self.roomy_frame()

    def toolkit_owner(self, picture):
        """A toolkit program offering the picture, once it has taken the clipboard."""
        path = self.picture_file(picture, "toolkit.png")
        return self.start_owner([harness.QT_OWNER, "--picture", path], "owner.log", "offered")

    def test_pictures_open_numbered_windows_and_text_stays_on_the_clipboard(self):
        first = noise_picture(300, 200, seed=1)
        # A picture already on the clipboard at start opens window 1 and is taken off it; its
        # owner offers PNG alone.
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

        # A toolkit program offers every format it can write and encodes one when asked. The
        # picture is big enough to arrive in parts; its top-left corner is noise.
        second = noise_picture(320, 200, seed=2)
        whole = Image.new("RGB", (2400, 2400), (200, 180, 40))
        whole.paste(second, (0, 0))
        self.wait_taken(self.toolkit_owner(whole))
        at = self.wait_for_picture(second, "window 2 to show the toolkit owner's picture")
        asked = self.owner_requests("owner.log")
        self.assertEqual(len(asked), 2, f"one list of formats and one format: {asked}")
        self.assertEqual(asked[0], "TARGETS")
        self.assertIn(asked[1], UNCOMPRESSED)

        # Dragged from bottom-right to top-left: the selection is the same rectangle. It saves
        # as vornal2 (so the text opened no window).
        self.drag((at[0] + 210, at[1] + 150), (at[0] + 50, at[1] + 40), button=3)
        crop = second.crop((50, 40, 210, 150))
        self.assert_same_pixels(self.save(at, "vornal2.bmp"), crop, "vornal2.bmp")

        # A save that fails is reported, writes nothing, and the window goes on working.
        self.type_name(at, "no/such/folder/shot")
        self.click(*self.control_centre(at, SAVE_IT))
        self.answer_message_box("a message box about the failed save")
        self.assertIn("no/such/folder/shot.bmp", self.stderr())
        self.type_name(at, "shot")
        self.assert_same_pixels(self.save(at, "shot.bmp"), crop, "shot.bmp")
        self.assertEqual(sorted(os.listdir(self.app_dir)), ["shot.bmp", "vornal2.bmp", "vornal3"])
        self.assertNotIn("left there", self.stderr())

    def test_toolkit_owner_is_asked_once_for_png_where_fresh_memory_is_dear(self):
        self.env["VORNAL3_FRESH_PAGE_US"] = "20"
        self.start_program()
        picture = noise_picture(320, 200, seed=13)
        self.wait_taken(self.toolkit_owner(picture))
        self.wait_for_picture(picture, "window 1 to show the toolkit owner's picture")
        self.assertEqual(self.owner_requests("owner.log"), ["TARGETS", "image/png"])


if __name__ == "__main__":
    unittest.main()
