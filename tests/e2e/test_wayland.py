"""In a Wayland session every picture is taken once, whichever window has the focus, and the
clipboard is emptied: through the compositor's data control, with the windows on XWayland or
native. Where data control is turned off, XWayland is the way in, and the picture that the
compositor's bridge offers again whenever the focus comes back opens no second window. In
GNOME's compositor, which offers no data control, a Wayland program's picture reaches the
program on XWayland at once, while a native window has the focus, and is gone from both
clipboards once taken."""

import unittest

import wayland_harness
from harness import noise_picture
from wayland_harness import FRAME_TITLE, OTHER_TITLE, png

TEXT = "kept text: Grüße 1, 2, 3"
ROUND_TRIPS = 3


class WaylandTest(wayland_harness.WaylandTestCase):

    def copy_picture(self, img, name):
        return self.wl_copy(png(img), "image/png", name)

    def focus_round_trips(self):
        for _ in range(ROUND_TRIPS):
            self.focus(FRAME_TITLE)
            self.focus(OTHER_TITLE)

    def assert_shown_once(self, img, at, what):
        self.assertEqual(self.places_shown(img), [at], f"{what} shows in one window only")

    def test_pictures_are_taken_with_and_without_the_focus_and_text_stays_on_the_clipboard(self):
        self.roomy_frame()
        self.start_program()
        self.focus(FRAME_TITLE)
        focused, other = noise_picture(300, 200, seed=31), noise_picture(260, 180, seed=32)

        copier = self.copy_picture(focused, "focused.png")
        self.wait_emptied(copier, "the picture copied with the focus to be taken")
        self.wait_for_picture(focused, "window 1 to show the picture")

        self.start_other_program()
        text_owner = self.wl_copy(TEXT.encode(), "text/plain;charset=utf-8", "text.txt")
        self.wait_for(lambda: self.run_tool("wl-paste", "--no-newline", check=False).stdout
                      == TEXT, "the text to be on the clipboard")
        # Still there after the compositor has answered another question...
        self.assertIn("text/plain;charset=utf-8", self.wl_types() or [])
        self.assertIsNone(text_owner.poll(), "the text's owner still owns the clipboard")
        # ...and the program had seen it by the time it takes a later picture: it sees changes
        # in the order they are made, and would have emptied the text before.
        copier = self.copy_picture(other, "other.png")
        self.wait_emptied(copier, "the picture copied without the focus to be taken")
        at = self.wait_for_picture(other, "window 2 to show the picture")
        self.wait_for(lambda: text_owner.poll() is not None, "the picture to replace the text")
        self.assertEqual(text_owner.returncode, 0)

        # The compositor offers nothing again, and nothing opens again.
        self.focus_round_trips()
        self.focus(FRAME_TITLE)
        self.assertIsNone(self.wl_types())
        self.assert_shown_once(other, at, "the picture")
        self.assertEqual(self.read("other-program.log").strip(), "shown")

    def test_a_picture_from_an_x11_program_opens_one_window_whichever_window_has_the_focus(self):
        self.roomy_frame()
        self.start_program()
        self.start_other_program()
        # With the focus in a native window the compositor leaves an X11 program's picture on
        # the X11 side; with it in an X11 window, as in the program the user copies in, it passes
        # the picture on to Wayland too. Either way it is taken once, and gone from both sides.
        pictures = [noise_picture(200, 150, seed=34 + n) for n in range(2)]
        for n, (picture, focus) in enumerate(zip(pictures, (OTHER_TITLE, FRAME_TITLE))):
            self.focus(focus)
            xclip = self.offer_file(self.picture_file(picture, f"x11-{n}.png"), "image/png")
            at = self.wait_for_picture(picture, f"a window for the picture copied in {focus}")
            self.wait_for(lambda: xclip.poll() is not None and not self.pictures_offered(),
                          "both clipboards to be emptied")
        self.focus_round_trips()
        self.assert_kept(*pictures)
        self.assert_shown_once(pictures[1], at, "the last picture")

    def test_natively_pictures_are_taken_without_the_focus_and_the_placement_kept(self):
        # A position from an X11 session and a size.
        self.write_settings(MainLeft=3000, MainTop=1500, MainWidth=9000, MainHeight=7500)
        program = self.start_native_program()
        self.start_other_program()
        picture = noise_picture(150, 100, seed=35)
        copier = self.copy_picture(picture, "native.png")
        self.wait_emptied(copier, "the native program to take the picture")
        self.wait_for_picture(picture, "window 1 of the native program to show the picture")
        # The size is restored; the position is the compositor's.
        rect = next(rect for title, _, rect in self.windows() if title == FRAME_TITLE)
        self.assertEqual((rect["width"], rect["height"]), (600, 500))

        program.terminate()
        self.assertEqual(self.wait_for_end(program), 0)
        # The position from X11 is kept, not replaced by what the toolkit reports here.
        self.assertEqual(self.stored_settings(), {"MainLeft": "3000", "MainTop": "1500",
                                                  "MainWidth": "9000", "MainHeight": "7500"})
        self.assertNotIn("keyboard focus", self.stderr())

        # Without data control, the focus it needs is said.
        program = self.start_native_program(VORNAL3_DATA_CONTROL="off")
        self.wait_for(lambda: "keyboard focus" in self.stderr(), "the hint about the focus")
        self.assertIn("VORNAL3_DATA_CONTROL=off", self.stderr())
        program.terminate()
        self.wait_for_end(program)

    def test_the_compositor_gone_ends_the_program_as_a_lost_display_does(self):
        for native in (False, True):
            with self.subTest(native=native):
                if native:
                    self.start_sway()  # the first is gone
                    program = self.start_native_program()
                else:
                    self.roomy_frame()
                    program = self.start_program()
                picture = noise_picture(90, 60, seed=37 + native)
                copier = self.copy_picture(picture, f"last-{native}.png")
                self.wait_emptied(copier, "the picture to be taken")
                self.wait_for_picture(picture, "the capture window")
                self.compositor.kill()  # as a crash would; its XWayland goes with it
                status = self.wait_for_end(program)
                # A negative status is a signal, such as SIGSEGV; Qt itself ends with 1.
                self.assertIn(status, range(1, 128), "exit status once the compositor is gone")

    def test_through_xwayland_alone_a_picture_is_taken_once_and_emptied_on_both_sides(self):
        self.env["VORNAL3_DATA_CONTROL"] = "off"
        self.roomy_frame()
        self.start_program()
        self.start_other_program()
        self.focus(FRAME_TITLE)
        picture = noise_picture(220, 140, seed=36)
        copier = self.copy_picture(picture, "xwayland.png")
        at = self.wait_for_picture(picture, "window 1 to show the picture")
        # The X11 clipboard's emptying reaches the Wayland one through the compositor's bridge:
        # nothing is left to be offered again when the focus comes back.
        self.wait_emptied(copier, "the Wayland clipboard to be emptied through XWayland")
        self.focus_round_trips()
        self.assert_shown_once(picture, at, "the picture")


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
