"""Clipboard managers beside the program: a picture that a manager keeps, or the text that it
puts back once the clipboard is emptied, opens one window at most, and no loop of taking and
emptying follows."""

import os
import re
import time
import unittest

import harness

TEXT = "kept by the manager"
SETTLE = 5.0  # seconds in which nothing more may open once the manager is done
MOST_CHANGES = 5  # changes of the clipboard's owner allowed in them


class ClipboardManagersTest(harness.E2ETestCase):

    def setUp(self):
        super().setUp()
        self.require_tools("xfce4-clipman", "xfce4-screenshooter", "parcellite", "dbus-run-session")
        self.roomy_frame()

    def watch(self, selection):
        """Starts a watcher of the selection; returns a function that gives its owners so far,
        the first being the owner when it started."""
        log = f"watcher-{selection}.log"
        self.start_owner([harness.CLIPBOARD_WATCHER, selection], log, "watching")
        return lambda: re.findall(r"^owner (0x[0-9a-f]+)$", self.read(log), re.MULTILINE)

    def assert_settled(self, owners):
        """For SETTLE seconds from now no window opens, and the clipboard changes hands at
        most MOST_CHANGES times: nothing takes and empties it over and over."""
        kept, changes = len(self.kept()), len(owners())
        ends = time.monotonic() + SETTLE
        while time.monotonic() < ends:
            self.assertEqual(len(self.kept()), kept, "windows opened once the manager was done")
            self.assertLessEqual(len(owners()) - changes, MOST_CHANGES,
                                 "changes of the clipboard's owner once the manager was done")
            time.sleep(0.1)

    def screenshot_kept_by_clipman(self, program_first):
        """Xfce's own pair: xfce4-screenshooter copies the whole screen and ends, handing its
        picture to xfce4-clipman as it goes. Each needs a session bus."""
        self.spawn(["dbus-run-session", "--", "xfce4-clipman"], "xfce4-clipman.log")
        role = self.watch("CLIPBOARD_MANAGER")
        self.wait_for(lambda: (role() or ["0x0"])[-1] != "0x0",
                      "xfce4-clipman to take the manager's role")
        owners = self.watch("CLIPBOARD")
        if program_first:
            self.start_program()
        shooter = self.spawn(["dbus-run-session", "--", "xfce4-screenshooter", "-f", "-c"],
                             "xfce4-screenshooter.log")
        self.wait_for(lambda: shooter.poll() is not None, "the screenshooter to end")
        if not program_first:
            self.wait_for(lambda: "image/png" in (self.clipboard_targets() or ()),
                          "xfce4-clipman to keep the screenshot")
            self.start_program()
            self.wait_for(lambda: self.kept() and "image/png" in (self.clipboard_targets() or ()),
                          "xfce4-clipman to put the screenshot back once it was taken")
        (capture,) = self.wait_kept(1)
        self.assertEqual(capture.size, self.screenshot().size, "the whole screen")
        self.assert_settled(owners)

    def test_a_screenshot_taken_while_the_program_runs_opens_one_window(self):
        self.screenshot_kept_by_clipman(program_first=True)

    def test_a_screenshot_that_clipman_kept_opens_one_window_when_the_program_starts(self):
        self.screenshot_kept_by_clipman(program_first=False)

    def test_text_that_parcellite_puts_back_after_a_picture_starts_no_loop(self):
        self.spawn(["parcellite"], "parcellite.log")
        owners = self.watch("CLIPBOARD")
        self.start_program()
        # Once it has read the text, it puts it back whenever the clipboard is emptied.
        text = os.path.join(self.tmp, "text.txt")
        with open(text, "w", encoding="utf-8") as f:
            f.write(TEXT)
        self.start_owner([harness.HOSTILE_OWNER, "--serve", text, "--type", "UTF8_STRING"],
                         "text-owner.log", "owner")
        self.wait_for(lambda: "UTF8_STRING" in self.owner_requests("text-owner.log"),
                      "parcellite to read the text")
        picture = harness.noise_picture(200, 150, seed=71)
        self.put_picture(picture, "picture.png")
        self.wait_for(lambda: "UTF8_STRING" in (self.clipboard_targets() or ()),
                      "parcellite to put the text back")
        self.assertEqual(self.run_tool("xclip", "-o", "-selection", "clipboard").stdout, TEXT)
        (capture,) = self.wait_kept(1)
        self.assert_same_pixels(capture, picture, "the capture")
        self.assert_settled(owners)


if __name__ == "__main__":
    unittest.main()
