"""Big screenshots are taken whole: pictures far beyond the image reader's usual allocation
limit, up to two 8K screens side by side, open like any other."""

import sys
import time
import unittest

from PIL import Image

import harness
from harness import noise_picture

SIZES = ((8000, 6000), (15360, 4320))


class BigPicturesTest(harness.E2ETestCase):

    def test_big_pngs_are_taken_and_shown(self):
        self.roomy_frame()
        self.start_program()
        for number, (width, height) in enumerate(SIZES, start=1):
            # A band of noise along the top (megabytes that arrive in parts) marks the
            # top-left corner; the rest is one colour, so that only decoding is big.
            band = noise_picture(width, 100, seed=30 + number)
            corner = band.crop((0, 0, 160, 100))
            picture = Image.new("RGB", (width, height), (40, 90, 150))
            picture.paste(band, (0, 0))
            path = f"{self.tmp}/big{number}.png"
            picture.save(path, compress_level=1)
            del picture

            started = time.monotonic()
            xclip = self.offer_file(path, "image/png")
            self.wait_taken(xclip)
            took = time.monotonic() - started
            self.wait_for_picture(corner, f"window {number} to show the top-left of the picture")
            sys.stderr.write(f"\n{width} x {height}: xclip start to clipboard emptied "
                             f"{took * 1000:.0f} ms\n")
        self.assertNotIn("left there", self.stderr())


if __name__ == "__main__":
    unittest.main()
