"""Captures as a user's desktop shows them: new windows in view and active, one picture pixel
on one screen pixel at a scale factor of 2, and memory given back when windows close."""

import os
import unittest

import harness
from harness import noise_picture

MIB = 1024 * 1024


class DesktopTest(harness.E2ETestCase):

    def test_new_windows_open_in_view_and_the_newest_takes_the_keyboard(self):
        self.start_program()  # the default frame, smaller than a capture window
        pictures = [noise_picture(160, 100, seed=20 + n) for n in (1, 2, 3)]
        for n, picture in enumerate(pictures, start=1):
            self.wait_taken(self.put_picture(picture, f"capture{n}.png"))
            # The top-left of its picture shows, whole, right after it opens.
            at = self.wait_for_picture(picture.crop((0, 0, 96, 64)), f"window {n} to show")
        # Typing goes to the newest window's file name, so it saves under the typed name.
        self.run_tool("xdotool", "windowfocus", "--sync", str(self.frame))
        self.run_tool("xdotool", "type", "--delay", "20", "_newest")
        self.assert_same_pixels(self.save(at, "vornal3_newest.bmp"), pictures[2],
                                "the newest window's picture")

        # The program's own icon: the window manager gets it at every size, and the capture
        # windows' title bars show it.
        icons = self.window_icons(self.frame)
        self.assertTrue({16, 32, 48, 256} <= set(icons), f"icon sizes {sorted(icons)}")
        self.assertIn((0x2b, 0x34, 0x40, 255), set(icons[32].getdata()), "the icon's frame")
        # The title bar blends the icon in; its sun still shows yellow, left of the caption.
        title = self.screenshot().crop((at[0] - 16, at[1] - 48, at[0] + 16, at[1] - 20))
        self.assertTrue(any(r > 220 and g > 180 and b < 120 for r, g, b in title.getdata()),
                        "the sun of the program's icon in the capture window's title bar")
        self.keys(self.frame, "alt+h", "a")
        about = self.wait_for(lambda: self.visible_windows(r"^About Vornal3$"), "About to open")
        self.assertEqual(self.window_icons(about[0])[16].tobytes(), icons[16].tobytes())
        self.keys(about[0], "Escape")

    def test_at_scale_factor_2_a_capture_keeps_its_pixels_on_screen_and_in_the_file(self):
        self.scale, self.env["QT_SCALE_FACTOR"] = 2, "2"
        self.roomy_frame(1000, 740)
        self.start_program()
        source = noise_picture(200, 150, seed=31)
        self.wait_taken(self.put_picture(source, "capture.png"))
        at = self.wait_for_picture(source, "the capture to show pixel for pixel")

        # A selection over 100 x 60 screen pixels, dragged up and to the left. The X11 platform
        # reports the pointer in whole widget pixels, 2 x 2 screen pixels here.
        self.drag((at[0] + 138, at[1] + 82), (at[0] + 38, at[1] + 22), button=3)
        expected = source.crop((38, 22, 138, 82))
        self.wait_for_picture(expected, "the crop to show at the viewport's corner")
        self.type_name(at, "scaled")
        self.assert_same_pixels(self.save(at, "scaled.bmp"), expected, "scaled.bmp")

    def test_closed_windows_give_their_memory_back(self):
        if os.environ.get("VORNAL_SANITIZED") == "1":
            self.skipTest("a sanitizer's allocator keeps freed memory on purpose")
        self.roomy_frame()
        program = self.start_program()
        picture = noise_picture(1920, 1080, seed=41)
        corner = picture.crop((0, 0, 64, 32))
        # Each capture differs from the others in its last pixel: the same picture again at
        # once would be a repeat, which opens no window.
        paths = []
        for n in range(20):
            picture.putpixel((1919, 1079), (n, n, n))
            paths.append(os.path.join(self.tmp, f"screen{n}.bmp"))
            picture.save(paths[-1])
        start = self.resident(program)
        for round_ in (1, 2, 3):
            for path in paths:
                self.wait_taken(self.offer_file(path, "image/bmp"))
            self.wait_for_picture(corner, f"the captures of round {round_} to show")
            self.close_all_capture_windows(20, corner)
            # Closed windows go with the next events; their memory must follow them.
            over = [0]

            def within():
                over[0] = self.resident(program) - start
                return over[0] < 20 * MIB
            self.wait_for(within, lambda: f"resident memory within 20 MiB of the start after "
                                          f"round {round_} ({over[0] // MIB} MiB over)")

    # ----- helpers -----

    @staticmethod
    def resident(program):
        with open(f"/proc/{program.pid}/statm") as f:
            return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")

    def close_all_capture_windows(self, count, corner):
        """Closes the active capture window count times; all of them showed `corner`."""
        for _ in range(count):
            self.keys(self.frame, "ctrl+F4")
        row = corner.crop((0, 0, corner.width, 1)).tobytes()
        self.wait_for(lambda: row not in self.screenshot().tobytes(),
                      "every capture window to close")


if __name__ == "__main__":
    unittest.main()
