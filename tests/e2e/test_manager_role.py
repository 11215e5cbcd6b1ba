"""With no clipboard manager running, the program holds the clipboard manager's role: a program
that copies and ends hands its clipboard over, so that a screenshot tool's picture still opens
one window and a GTK program's text stays pasteable. A manager that came first keeps the role."""

import ctypes
import glob
import os
import re
import shutil
import time
import unittest

from PIL import Image

import harness
from harness import noise_picture

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
TEXT = "".join(f"line {n}: Grüße, €, 日本語\n" for n in range(12000))


def x_atom_and_owner(display, name, only_if_exists):
    """An atom (0 where it does not exist and only_if_exists), and the owner of the selection
    it names (0 for none), asked through Xlib."""
    xlib = ctypes.CDLL("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XGetSelectionOwner.restype = ctypes.c_ulong
    xlib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    connection = xlib.XOpenDisplay(display.encode())
    if not connection:
        raise RuntimeError(f"cannot open display {display}")
    try:
        atom = xlib.XInternAtom(connection, name.encode(), int(only_if_exists))
        return atom, (xlib.XGetSelectionOwner(connection, atom) if atom else 0)
    finally:
        xlib.XCloseDisplay(connection)


class ManagerRoleTest(harness.E2ETestCase):

    def setUp(self):
        super().setUp()
        missing = [t for t in ("xfce4-screenshooter", "xfce4-clipman", "dbus-run-session")
                   if not shutil.which(t)]
        if missing:
            self.fail("missing programs: " + ", ".join(missing) +
                      " (install them with scripts/install-deps.sh --test)")
        self.env["NO_AT_BRIDGE"] = "1"  # GTK programs without the accessibility bus
        self.roomy_frame()

    def manager(self):
        return x_atom_and_owner(self.display, "CLIPBOARD_MANAGER", False)[1]

    def copy_text_and_end(self):
        """Runs the GTK program that copies TEXT; the seconds from its copy to its end."""
        path = os.path.join(self.tmp, "copied.txt")
        with open(path, "w", encoding="utf-8") as f:
            f.write(TEXT)
        copier = self.spawn(["/usr/bin/python3", "-c", GTK_COPIER, path], "gtk.log")
        self.wait_for(lambda: "copied" in self.read("gtk.log") or copier.poll() is not None,
                      "the GTK program to copy")
        copied = time.monotonic()
        self.wait_for(lambda: copier.poll() is not None, "the GTK program to end")
        self.assertEqual(copier.returncode, 0, self.read("gtk.log"))
        return time.monotonic() - copied

    def pasted(self):
        return self.run_tool("xclip", "-o", "-selection", "clipboard").stdout

    def test_a_screenshot_copied_by_a_tool_that_ends_opens_one_window_of_the_whole_screen(self):
        self.start_program()
        self.wait_for(self.manager, "the program to take the clipboard manager's role")
        shooter = self.spawn(["xfce4-screenshooter", "-f", "-c"], "screenshooter.log")
        kept = os.path.join(self.tmp, ".local", "state", "Vornal3", "*", "*.bmp")
        (capture,) = self.wait_for(lambda: glob.glob(kept), "the screenshot's window")
        self.wait_for(lambda: shooter.poll() is not None, "xfce4-screenshooter to end")
        self.wait_for(lambda: self.clipboard_targets() is None, "the clipboard to be emptied")
        with Image.open(capture) as picture:
            self.assertEqual(picture.size, self.screenshot().size, "the whole screen")

        # The next picture opens window 2: the screenshot opened one window.
        probe = noise_picture(180, 120, seed=7)
        self.wait_taken(self.put_picture(probe, "probe.png"))
        at = self.wait_for_picture(probe, "the probe picture's window")
        self.click(*self.control_centre(at, harness.SAVE_IT))
        saved = self.wait_for(lambda: [n for n in os.listdir(self.app_dir)
                                       if re.fullmatch(r"vornal\d+\.bmp", n)],
                              "the probe picture to be saved")
        self.assertEqual(saved, ["vornal2.bmp"])

    def test_text_copied_by_a_gtk_program_that_ends_stays_pasteable(self):
        self.start_program()
        self.wait_for(self.manager, "the program to take the clipboard manager's role")
        self.assertLess(self.copy_text_and_end(), GTK_ENDS_WITHIN, "the program answered GTK")
        self.assertEqual(self.pasted(), TEXT)
        self.assertEqual(self.pasted(), TEXT, "text stays on the clipboard when pasted")

    def test_a_clipboard_manager_started_first_keeps_the_role(self):
        self.spawn(["dbus-run-session", "--", "xfce4-clipman"], "clipman.log")
        clipman = self.wait_for(self.manager, "xfce4-clipman to take the clipboard manager's role")
        self.start_program()
        # The program's own atoms show that it has looked for a clipboard manager.
        self.wait_for(lambda: x_atom_and_owner(self.display, "VORNAL3_SAVING_0", True)[0],
                      "the program to look for a clipboard manager")
        self.copy_text_and_end()
        self.assertEqual(self.manager(), clipman, "xfce4-clipman still holds the role")
        self.assertEqual(self.pasted(), TEXT)


if __name__ == "__main__":
    unittest.main()
