"""Pictures are taken in the cheapest format their owner offers: a toolkit program is asked
for one uncompressed format, once, where fresh memory is cheap, and for PNG, once, where it is
dear; an owner offering PNG alone is asked for PNG."""

import os
import unittest

from PIL import Image

import harness
from harness import noise_picture

UNCOMPRESSED = {"image/x-portable-pixmap", "image/ppm", "image/bmp", "image/x-bmp"}


class ClipboardFormatsTest(harness.E2ETestCase):

    def test_toolkit_owner_is_asked_once_for_an_uncompressed_format_and_png_alone_is_read(self):
        self.roomy_frame()
        self.start_program()

        # A toolkit program offers every format it can write and encodes one when asked. The
        # picture is big enough to arrive in parts; its top-left corner is noise.
        first = noise_picture(320, 200, seed=11)
        whole = Image.new("RGB", (2400, 2400), (200, 180, 40))
        whole.paste(first, (0, 0))
        path = os.path.join(self.tmp, "toolkit.png")
        whole.save(path)
        owner = self.start_owner([harness.QT_OWNER, "--picture", path], "owner.log", "offered")
        self.wait_taken(owner)
        self.wait_for_picture(first, "window 1 to show the toolkit owner's picture")
        asked = self.owner_requests("owner.log")
        self.assertEqual(len(asked), 2, f"one list of formats and one format: {asked}")
        self.assertEqual(asked[0], "TARGETS")
        self.assertIn(asked[1], UNCOMPRESSED)

        # An owner with PNG alone.
        second = noise_picture(240, 160, seed=12)
        xclip = self.put_picture(second, "second.png")
        self.wait_taken(xclip)
        self.wait_for_picture(second, "window 2 to show the PNG")
        self.assertNotIn("left there", self.stderr())

    def test_toolkit_owner_is_asked_once_for_png_where_fresh_memory_is_dear(self):
        self.env["VORNAL3_FRESH_PAGE_US"] = "20"
        self.roomy_frame()
        self.start_program()
        picture = noise_picture(320, 200, seed=13)
        path = os.path.join(self.tmp, "toolkit.png")
        picture.save(path)
        owner = self.start_owner([harness.QT_OWNER, "--picture", path], "owner.log", "offered")
        self.wait_taken(owner)
        self.wait_for_picture(picture, "window 1 to show the toolkit owner's picture")
        self.assertEqual(self.owner_requests("owner.log"), ["TARGETS", "image/png"])


if __name__ == "__main__":
    unittest.main()
