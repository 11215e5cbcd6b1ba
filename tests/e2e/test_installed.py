"""The program as an install puts it in place, started from a read-only install folder: it
answers on the command line without a display, opens with its icon and the window class its
desktop entry names, saves into the user's pictures folder, and runs once per display."""

import configparser
import os
import re
import shutil
import subprocess
import unittest

import harness
from harness import SAVE_IT, TIMEOUT, noise_picture

BUILD_DIR = os.environ.get("VORNAL_BUILD_DIR", "")
CMAKE = os.environ.get("VORNAL_CMAKE", "cmake")
DESKTOP_ID = os.environ.get("VORNAL_DESKTOP_ID", "")


class InstalledTest(harness.E2ETestCase):

    def setUp(self):
        super().setUp()
        if not BUILD_DIR or not DESKTOP_ID:
            self.fail("VORNAL_BUILD_DIR and VORNAL_DESKTOP_ID must name the build and its id")
        self.prefix = os.path.join(self.tmp, "prefix")
        result = subprocess.run([CMAKE, "--install", BUILD_DIR, "--prefix", self.prefix],
                                capture_output=True, text=True, timeout=TIMEOUT, check=False)
        if result.returncode != 0:
            self.fail(f"cmake --install failed: {result.stdout}{result.stderr}")
        self.exe = os.path.join(self.prefix, "bin", "vornal3")
        # The desktop names the user's pictures folder in user-dirs.dirs.
        self.pictures = os.path.join(self.tmp, "My Pictures")
        with open(os.path.join(self.env["XDG_CONFIG_HOME"], "user-dirs.dirs"), "w",
                  encoding="utf-8") as f:
            f.write(f'XDG_PICTURES_DIR="{self.pictures}"\n')
        self.mounts = None

    def start_installed(self, wait_for_frame=True):
        """Starts the installed program with its install folder mounted read-only."""
        if self.mounts is None:
            self.mounts = self.own_mounts_command()
            if self.mounts is None:
                self.skipTest("this system allows no private mounts, so the install folder "
                              "cannot be made read-only (permission bits do not stop root)")
        return self.start_program_with_mounts(self.mounts, (
            f"mount --bind '{self.prefix}' '{self.prefix}'\n"
            f"mount -o remount,bind,ro '{self.prefix}'"), wait_for_frame)

    def run_installed(self, *args, display=True):
        env = dict(self.env)
        if not display:
            del env["DISPLAY"]
        return subprocess.run([self.exe, *args], env=env, capture_output=True, text=True,
                              timeout=TIMEOUT, check=False)

    def start_window_manager(self):
        """A window manager, which minimizes windows and gives the keyboard on request."""
        if not shutil.which("openbox"):
            self.fail("missing tool: openbox (install it with scripts/install-deps.sh --test)")
        self.spawn(["openbox", "--sm-disable"], "openbox.log")
        self.wait_for(lambda: "window id" in self.run_tool(
            "xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False).stdout,
            "the window manager to run")

    def wm_state(self, window):
        out = self.run_tool("xprop", "-id", str(window), "WM_STATE", check=False).stdout
        match = re.search(r"window state: (\w+)", out)
        return match.group(1) if match else None

    def window_pid(self, window):
        out = self.run_tool("xprop", "-id", str(window), "_NET_WM_PID").stdout
        return int(out.split("=", 1)[1]) if "=" in out else None

    def active_window(self):
        result = self.run_tool("xdotool", "getactivewindow", check=False)
        return int(result.stdout) if result.returncode == 0 and result.stdout.strip() else None

    # ----- tests -----

    def test_help_and_version_need_no_display_and_an_unknown_option_ends_with_status_2(self):
        for display in (False, True):
            with self.subTest(display=display):
                version = self.run_installed("--version", display=display)
                self.assertEqual((version.returncode, version.stdout, version.stderr),
                                 (0, "Vornal3 3.1.0\n", ""))
                helped = self.run_installed("--help", display=display)
                self.assertEqual(helped.returncode, 0)
                self.assertTrue(helped.stdout.startswith("Usage: vornal3 [options]\n"),
                                helped.stdout)
                wrong = self.run_installed("--no-such-option", display=display)
                self.assertEqual((wrong.returncode, wrong.stdout), (2, ""))
                self.assertTrue(wrong.stderr.startswith(
                    "vornal3: Unknown option 'no-such-option'.\n\nUsage: vornal3 [options]\n"),
                    wrong.stderr)
        self.assertEqual(self.visible_windows("Vornal"), [], "no window opened")

    def test_from_a_read_only_install_it_opens_with_its_icon_and_saves_in_the_pictures(self):
        self.roomy_frame()
        program = self.start_installed()
        # The program really sees its folder read-only.
        with self.assertRaises(OSError):
            open(self.program_path(program, os.path.join(self.prefix, "bin", "probe")), "wb")

        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(os.path.join(self.prefix, "share", "applications", DESKTOP_ID + ".desktop"),
                   encoding="utf-8")
        wm_class = self.run_tool("xprop", "-id", str(self.frame), "WM_CLASS").stdout
        self.assertEqual(re.findall(r'"([^"]*)"', wm_class)[-1],
                         entry["Desktop Entry"]["StartupWMClass"], "the window class")
        self.assertIn(16, self.window_icons(self.frame), "the frame's icon")

        capture = noise_picture(160, 120, seed=15)
        self.wait_taken(self.put_picture(capture, "capture.png"))
        at = self.wait_for_picture(capture, "the capture window")
        self.click(*self.control_centre(at, SAVE_IT))
        # Made at once: the file appears only when complete.
        saved = os.path.join(self.pictures, "Vornal3", "vornal1.bmp")
        self.wait_for(lambda: os.path.exists(saved), f"{saved} to be written")
        with harness.Image.open(saved) as image:
            self.assert_same_pixels(image.convert("RGB"), capture, saved)
        self.assertEqual(os.listdir(os.path.join(self.prefix, "bin")), ["vornal3"],
                         "nothing is written into the install folder")

    def test_a_second_start_brings_the_first_to_the_front_and_a_killed_one_stops_no_start(self):
        self.start_window_manager()
        first = self.start_installed()
        frame = self.frame
        self.run_tool("xdotool", "windowminimize", "--sync", str(frame))
        self.assertEqual(self.wm_state(frame), "Iconic")

        second = self.start_installed(wait_for_frame=False)
        self.assertEqual(self.wait_for_end(second), 0, "exit status of the second start")
        self.assertEqual(self.stderr(), f"vornal3: Vornal3 already runs on display "
                                        f"{self.display}; its window is brought to the front\n")
        self.wait_for(lambda: self.wm_state(frame) == "Normal" and self.active_window() == frame,
                      "the first frame to be shown again, with the keyboard")
        self.assertEqual(self.visible_windows(r"^Vornal 3\.1$"), [frame], "one frame")

        # Killed, it leaves its socket behind; the next start replaces it.
        socket = os.path.join(self.env["XDG_RUNTIME_DIR"], "vornal3-x11-" + self.display)
        self.assertTrue(os.path.exists(socket), socket)
        first.kill()
        first.wait(timeout=TIMEOUT)
        again = self.start_installed()
        self.assertEqual(self.window_pid(self.frame), again.pid, "the new program's frame")
        self.assertEqual(self.stderr(), "", "the start after the killed one says nothing")


if __name__ == "__main__":
    unittest.main()
