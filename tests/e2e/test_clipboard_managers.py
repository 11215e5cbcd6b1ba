"""Clipboard managers beside the program: a picture that a manager keeps, or the text that it
puts back once the clipboard is emptied, opens one window at most, and no loop of taking and
emptying follows. With no manager running, the program holds the clipboard manager's role: a
program that copies and ends hands its clipboard over, so that a screenshot tool's picture still
opens one window and a GTK program's text stays pasteable. A manager that came first keeps the
role."""

import os
import re
import time
import unittest

import harness

TEXT = "kept by the manager"
SETTLE = 5.0  # seconds in which nothing more may open once the manager is done
MOST_CHANGES = 5  # changes of the clipboard's owner allowed in them

# Copies a file's text and ends; on its way out GTK hands its clipboard to the clipboard manager
# and waits for the answer, 10 s at most.
GTK_COPIER = """
import sys
import gi
gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gdk, Gtk
with open(sys.argv[1], encoding="utf-8") as f:
    Gtk.Clipboard.get(Gdk.SELECTION_CLIPBOARD).set_text(f.read(), -1)
print("copied", flush=True)
GLib.idle_add(Gtk.main_quit)
Gtk.main()
"""
# Well below GTK's own 10 s: ending sooner shows that the program answered.
GTK_ENDS_WITHIN = 6.0
# Over the 256 KiB an X request carries: it reaches the program and xclip in parts.
GTK_TEXT = "".join(f"line {n}: Grüße, €, 日本語\n" for n in range(12000))


class ClipboardManagersTest(harness.E2ETestCase):

    def setUp(self):
        super().setUp()
        self.require_tools("xfce4-clipman", "xfce4-screenshooter", "parcellite", "dbus-run-session",
                           "xlsatoms")
        self.env["NO_AT_BRIDGE"] = "1"  # GTK programs without the accessibility bus
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

    def manager(self):
        """Watches the clipboard manager's role; returns a function that gives its holder now."""
        role = self.watch("CLIPBOARD_MANAGER")
        return lambda: int((role() or ["0x0"])[-1], 16)

    def copy_text_and_end(self):
        """Runs the GTK program that copies GTK_TEXT; the seconds from its copy to its end."""
        path = os.path.join(self.tmp, "copied.txt")
        with open(path, "w", encoding="utf-8") as f:
            f.write(GTK_TEXT)
        copier = self.spawn(["/usr/bin/python3", "-c", GTK_COPIER, path], "gtk.log")
        self.wait_for(lambda: "copied" in self.read("gtk.log") or copier.poll() is not None,
                      "the GTK program to copy")
        copied = time.monotonic()
        self.wait_for(lambda: copier.poll() is not None, "the GTK program to end")
        self.assertEqual(copier.returncode, 0, self.read("gtk.log"))
        return time.monotonic() - copied

    def pasted(self):
        return self.run_tool("xclip", "-o", "-selection", "clipboard").stdout

    def screenshot_kept_by_clipman(self, program_first):
        """Xfce's own pair: xfce4-screenshooter copies the whole screen and ends, handing its
        picture to xfce4-clipman as it goes. Each needs a session bus."""
        self.spawn(["dbus-run-session", "--", "xfce4-clipman"], "xfce4-clipman.log")
        self.wait_for(self.manager(), "xfce4-clipman to take the manager's role")
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


    def test_a_screenshot_copied_by_a_tool_that_ends_opens_one_window_of_the_whole_screen(self):
        manager, owners = self.manager(), self.watch("CLIPBOARD")
        self.start_program()
        self.wait_for(manager, "the program to take the clipboard manager's role")
        shooter = self.spawn(["xfce4-screenshooter", "-f", "-c"], "screenshooter.log")
        (capture,) = self.wait_kept(1)
        self.wait_for(lambda: shooter.poll() is not None, "xfce4-screenshooter to end")
        self.wait_for(lambda: self.clipboard_targets() is None, "the clipboard to be emptied")
        self.assertEqual(capture.size, self.screenshot().size, "the whole screen")
        self.assert_settled(owners)

    def test_text_copied_by_a_gtk_program_that_ends_stays_pasteable(self):
        manager = self.manager()
        self.start_program()
        self.wait_for(manager, "the program to take the clipboard manager's role")
        self.assertLess(self.copy_text_and_end(), GTK_ENDS_WITHIN, "the program answered GTK")
        self.assertEqual(self.pasted(), GTK_TEXT)
        self.assertEqual(self.pasted(), GTK_TEXT, "text stays on the clipboard when pasted")

    def test_a_clipboard_manager_started_first_keeps_the_role(self):
        self.spawn(["dbus-run-session", "--", "xfce4-clipman"], "clipman.log")
        manager = self.manager()
        clipman = self.wait_for(manager, "xfce4-clipman to take the clipboard manager's role")
        self.start_program()
        # The program's own atoms show that it has looked for a clipboard manager.
        self.wait_for(lambda: "VORNAL3_SAVING_0" in self.run_tool(
            "xlsatoms", "-name", "VORNAL3_SAVING_0", check=False).stdout,
            "the program to look for a clipboard manager")
        self.copy_text_and_end()
        self.assertEqual(manager(), clipman, "xfce4-clipman still holds the role")
        self.assertEqual(self.pasted(), GTK_TEXT)


if __name__ == "__main__":
    unittest.main()
