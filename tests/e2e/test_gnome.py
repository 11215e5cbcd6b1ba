"""In GNOME's compositor, which offers no data control, a Wayland program's picture reaches the
program on XWayland at once, while a native window has the focus: it opens one window and is
gone from the Wayland clipboard as well as from the X11 one."""

import unittest

import wayland_harness
from harness import noise_picture
from wayland_harness import png


class GnomeTest(wayland_harness.MutterTestCase):

    def test_a_wayland_picture_opens_one_window_and_is_taken_off_both_clipboards(self):
        self.roomy_frame()
        self.start_program()
        self.start_other_program()
        picture = noise_picture(240, 160, seed=61)
        copier = self.wl_copy(png(picture), "image/png", "picture.png")
        self.assert_kept(picture)
        self.wait_for(lambda: copier.poll() is not None and not self.pictures_offered(),
                      lambda: "the picture to be taken off both clipboards (offered: "
                      f"{self.pictures_offered()}, by Wayland: {self.wl_types()})")
        self.assertEqual(len(self.kept()), 1, "one window")


if __name__ == "__main__":
    unittest.main()
