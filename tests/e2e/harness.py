"""Runs the real vornal3 on a private Xvfb display and drives it with xclip and xdotool.

Every test gets its own X server, settings folder and copy of the program (captures are
saved next to the executable); cleanups stop every process it started, however it ends.
Every wait is for a condition, with a bound.
"""

import configparser
import glob
import os
import random
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from PIL import Image, ImageGrab

VORNAL3 = os.environ.get("VORNAL3_EXE", "")
QT_OWNER = os.environ.get("VORNAL_QT_OWNER", "")
HOSTILE_OWNER = os.environ.get("VORNAL_HOSTILE_OWNER", "")
CLIPBOARD_WATCHER = os.environ.get("VORNAL_CLIPBOARD_WATCHER", "")
ARTIFACTS = os.environ.get("VORNAL_E2E_ARTIFACTS", "")
TIMEOUT = 30.0  # generous for sanitizer builds; a passing run never waits for it
TWIPS_PER_PIXEL = 15  # the display runs at 96 DPI

# The document window's controls, in twips from its client area: left, top, width, height.
TEXT1 = (1320, 0, 1215, 285)
SAVE_IT = (2520, 50, 855, 255)
PICCONT_ORIGIN = (100, 300)
PICCONT_BORDER_PX = 2

# stderr lines that mean the program misused Qt or memory, whatever the test did.
SUSPICIOUS_STDERR = re.compile(
    r"QObject::|QPainter::|QWidget::|QLayout|QBackingStore|QPixmap::|QImage::|QFont::|"
    r"QMetaObject|QCoreApplication::|QGuiApplication::|QApplication::|QSocketNotifier|"
    r"QTimer|QThread|QClipboard|QXcb|Cannot set X11 selection owner|"
    r"AddressSanitizer|LeakSanitizer|runtime error:|Segmentation fault|Aborted")


def px(twips, scale=1):
    """Twips to screen pixels at a scale factor."""
    return round(twips * scale / TWIPS_PER_PIXEL)


def noise_picture(width, height, seed):
    """Random pixels: any row of it shows in one place only."""
    data = random.Random(seed).randbytes(width * height * 3)
    return Image.frombytes("RGB", (width, height), data)


def stop(proc):
    """Ends a process started in a session of its own, with everything in its group."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        if proc.poll() is not None:
            return
        try:
            os.killpg(proc.pid, sig)
            proc.wait(timeout=5)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            pass


class E2ETestCase(unittest.TestCase):

    def setUp(self):
        self.require_tools("Xvfb", "xclip", "xdotool", "xprop")
        if not VORNAL3 or not os.access(VORNAL3, os.X_OK):
            self.fail(f"VORNAL3_EXE does not name the built vornal3 program: {VORNAL3!r}")
        self.tmp = tempfile.mkdtemp(prefix="vornal3-e2e-")
        self.addCleanup(shutil.rmtree, self.tmp, ignore_errors=True)
        self.app_dir, config, runtime = (os.path.join(self.tmp, d)
                                         for d in ("app", "config", "runtime"))
        for d in (self.app_dir, config, runtime):
            os.mkdir(d, 0o700)
        self.exe = shutil.copy2(VORNAL3, os.path.join(self.app_dir, "vornal3"))
        self.ini_path = os.path.join(config, "Vornal3", "Vornal3.ini")
        self.state = os.path.join(self.tmp, ".local", "state", "Vornal3")
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(("QT_", "WAYLAND_", "XDG_", "DISPLAY"))}
        # Which format the program asks for first depends on what fresh memory costs on the
        # machine; the tests pin it to cheap, whatever machine they run on.
        self.env.update(XDG_RUNTIME_DIR=runtime, XDG_CONFIG_HOME=config, HOME=self.tmp,
                        QT_QPA_PLATFORM="xcb", VORNAL3_FRESH_PAGE_US="0")
        self.programs = []
        self.logs = []
        self.scale = 1
        self.display = self.env["DISPLAY"] = self.start_xvfb()

    def require_tools(self, *tools):
        missing = [t for t in tools if not shutil.which(t)]
        if missing:
            self.fail("missing tools: " + ", ".join(missing) +
                      " (install them with scripts/install-deps.sh --test)")

    def spawn(self, args, log_name, stdin=subprocess.DEVNULL, env_update=None, **kwargs):
        """Starts a process in a session of its own, with a few more variables where given,
        output to a log; stopped at cleanup."""
        self.logs.append(log_name)
        with open(os.path.join(self.tmp, log_name), "wb") as log:
            proc = subprocess.Popen(args, env={**self.env, **(env_update or {})}, cwd=self.tmp,
                                    stdin=stdin, stdout=log, stderr=log, start_new_session=True,
                                    **kwargs)
        self.addCleanup(stop, proc)
        return proc

    def read(self, log_name):
        with open(os.path.join(self.tmp, log_name), encoding="utf-8", errors="replace") as f:
            return f.read()

    def start_xvfb(self, resets=False):
        """A private display: Xvfb picks a free number and writes it to a pipe once it takes
        clients. With `resets`, the server resets itself whenever its last client leaves, as
        the one xvfb-run starts does."""
        read_fd, write_fd = os.pipe()
        self.xvfb = self.spawn(["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                                "1024x768x24", "-dpi", "96", "-nolisten", "tcp"] +
                               ([] if resets else ["-noreset"]),
                               "xvfb.log", pass_fds=(write_fd,))
        os.close(write_fd)
        number = b""
        try:
            while not number.endswith(b"\n"):
                ready = select.select([read_fd], [], [], TIMEOUT)[0]
                chunk = os.read(read_fd, 16) if ready else b""
                if not chunk:
                    self.fail("Xvfb reported no display: " + self.read("xvfb.log"))
                number += chunk
        finally:
            os.close(read_fd)
        return ":" + number.decode().strip()

    def run_tool(self, *args, check=True):
        result = subprocess.run(args, env=self.env, capture_output=True, text=True,
                                timeout=TIMEOUT)
        if check and result.returncode != 0:
            self.fail(f"{' '.join(args)} failed ({result.returncode}): {result.stderr}")
        return result

    def wait_for(self, condition, what):
        """Polls condition() until it gives a true value, and returns that value. `what` names
        the wait; it may be a function, asked only when the wait times out."""
        deadline = time.monotonic() + TIMEOUT
        while not (value := condition()):
            if time.monotonic() > deadline:
                what = what() if callable(what) else what
                self.save_screenshot(what)
                # Every log of the test, so that a rare failure explains itself.
                self.fail(f"timed out waiting for {what}" + "".join(
                    f"\n{log}:\n{self.read(log)[-4000:]}" for log in dict.fromkeys(self.logs)))
            time.sleep(0.02)
        return value

    def save_screenshot(self, what):
        if ARTIFACTS:
            try:
                os.makedirs(ARTIFACTS, exist_ok=True)
                name = re.sub(r"[^A-Za-z0-9_.-]+", "_", f"{self.id()}-{what}")[:150]
                self.screenshot().save(os.path.join(ARTIFACTS, name + ".png"))
            except Exception:  # a failing screenshot must not hide the real failure
                pass

    def tearDown(self):
        # Runs before the cleanups stop anything, so a crash shows here as a crash.
        for _, log in self.programs:
            text = self.read(log)
            if text:
                sys.stderr.write(f"\n--- {log} ({self.id()}):\n{text}")
            bad = [line for line in text.splitlines() if SUSPICIOUS_STDERR.search(line)]
            self.assertEqual(bad, [], "vornal3 printed warnings that indicate a fault")

    # ----- the program -----

    def write_settings(self, **values):
        os.makedirs(os.path.dirname(self.ini_path), exist_ok=True)
        with open(self.ini_path, "w", encoding="utf-8") as f:
            f.write("[Settings]\n" + "".join(f"{k}={v}\n" for k, v in values.items()))

    def roomy_frame(self, width=900, height=700):
        """A frame placement large enough for a whole document window, in screen pixels."""
        self.write_settings(MainLeft=0, MainTop=0,
                            MainWidth=round(width * TWIPS_PER_PIXEL / self.scale),
                            MainHeight=round(height * TWIPS_PER_PIXEL / self.scale))

    def start_program(self, wait_for_frame=True, prefix=(), **env_update):
        """Starts the program, after the command prefix given, with a few more variables."""
        log = f"vornal3-{len(self.programs) + 1}.stderr"
        proc = self.spawn([*prefix, self.exe], log, env_update=env_update)
        self.programs.append((proc, log))
        if wait_for_frame:
            self.wait_for_frame()
        return proc

    def stderr(self):
        return self.read(self.programs[-1][1])

    def visible_windows(self, name_regex):
        result = self.run_tool("xdotool", "search", "--onlyvisible", "--name", name_regex,
                               check=False)
        return [int(w) for w in result.stdout.split()]

    def wait_for_frame(self):
        windows = self.wait_for(lambda: self.visible_windows(r"^Vornal 3\.1$"),
                                "the main frame to show")
        self.assertEqual(len(windows), 1, "exactly one main frame")
        self.frame = windows[0]

    def geometry(self):
        out = self.run_tool("xdotool", "getwindowgeometry", "--shell", str(self.frame)).stdout
        values = dict(line.split("=", 1) for line in out.split())
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def answer_message_box(self, what):
        """Waits for the one modal box captioned Vornal3, presses Enter, waits till it goes."""
        def boxes():
            return [w for w in self.visible_windows(r"^Vornal3$")
                    if "_NET_WM_STATE_MODAL" in self.run_tool(
                        "xprop", "-id", str(w), "_NET_WM_STATE", check=False).stdout]
        found = self.wait_for(boxes, what)
        self.assertEqual(len(found), 1, "one message box")
        self.keys(found[0], "Return")
        self.wait_for(lambda: not boxes(), "the message box to close")

    # ----- ending -----

    def kill_display(self):
        """Ends the private X server at once, as a crash of the server or a lost link would."""
        self.xvfb.kill()
        self.xvfb.wait(timeout=TIMEOUT)

    def wait_for_end(self, program):
        """Waits for the program to end by itself and returns its exit status."""
        self.wait_for(lambda: program.poll() is not None, "the program to end")
        return program.returncode

    def stored_settings(self):
        """The [Settings] section of the settings file, or None while there is no file."""
        if not os.path.exists(self.ini_path):
            return None
        stored = configparser.ConfigParser()
        stored.optionxform = str
        stored.read(self.ini_path, encoding="utf-8")
        return dict(stored["Settings"]) if stored.has_section("Settings") else {}

    # ----- file systems that refuse writes -----

    def own_mounts_command(self):
        """The command prefix that runs a program with mounts of its own (as root, or as root
        of a user namespace otherwise), or None where the system allows neither."""
        command = ["unshare", "--mount", "--propagation", "private"]
        if os.geteuid() != 0:
            command.insert(1, "--map-root-user")
        probe = subprocess.run(command + ["mount", "-t", "tmpfs", "tmpfs", self.tmp],
                               capture_output=True, timeout=TIMEOUT, check=False)
        return command if probe.returncode == 0 else None

    def start_program_with_mounts(self, command, mounts, wait_for_frame=True):
        """Starts the program in a mount namespace of its own once the shell commands in
        mounts have run there; its files are seen through program_path()."""
        return self.start_program(wait_for_frame, [*command, "sh", "-ec", mounts + '\nexec "$0"'])

    def program_path(self, proc, path):
        """A path as the running program sees it, mounts of its own included."""
        return f"/proc/{proc.pid}/root{path}"

    # ----- keyboard and mouse -----

    def keys(self, window, *keys):
        self.run_tool("xdotool", "windowfocus", "--sync", str(window))
        self.run_tool("xdotool", "key", "--delay", "30", *keys)

    def click(self, x, y, button=1):
        self.run_tool("xdotool", "mousemove", "--sync", str(x), str(y), "click", str(button))

    def drag(self, start, end, button):
        """Presses a button at start, moves in steps to end and releases it there."""
        args = ["mousemove", "--sync", *map(str, start), "mousedown", str(button)]
        for step in (1, 2, 3, 4):
            args += ["mousemove", "--sync", str(start[0] + (end[0] - start[0]) * step // 4),
                     str(start[1] + (end[1] - start[1]) * step // 4)]
        self.run_tool("xdotool", *args, "mouseup", str(button))

    # ----- clipboard -----

    def put_on_clipboard(self, path, target):
        """Offers a file from an xclip that stays until another client owns the clipboard,
        and waits until it does."""
        proc = self.offer_file(path, target)
        self.wait_for(lambda: proc.poll() is not None or
                      target in (self.clipboard_targets() or ()), "xclip to own the clipboard")
        return proc

    def offer_file(self, path, target):
        """Starts an xclip that offers a file until another client owns the clipboard,
        without asking it anything meanwhile: xclip serves one reader at a time, and a
        question while it sends a large file in parts can stall both."""
        return self.spawn(["xclip", "-quiet", "-selection", "clipboard", "-t", target,
                           "-i", path], f"xclip-{os.path.basename(path)}.log")

    def picture_file(self, picture, name, **save_options):
        path = os.path.join(self.tmp, name)
        picture.save(path, **save_options)
        return path

    def put_picture(self, img, name):
        return self.put_on_clipboard(self.picture_file(img, name), "image/png")

    def start_owner(self, args, log_name, ready):
        """Starts a clipboard owner (or watcher) from the test tree and waits until it prints
        ready."""
        if not args[0] or not os.access(args[0], os.X_OK):
            self.fail(f"the clipboard owner program is not built: {args[0]!r}")
        proc = self.spawn(args, log_name)
        self.wait_for(lambda: ready in self.read(log_name) or proc.poll() is not None,
                      f"{os.path.basename(args[0])} to say {ready}")
        # It may already have lost the clipboard to the program again.
        self.assertIn(ready, self.read(log_name), "the owner did not start")
        return proc

    def owner_requests(self, log_name):
        """The targets a test owner was asked for, in order."""
        return [line.split(" ", 1)[1] for line in self.read(log_name).splitlines()
                if line.startswith("asked ")]

    def clipboard_targets(self):
        """The clipboard's targets, or None when nothing is on it."""
        result = self.run_tool("xclip", "-o", "-selection", "clipboard", "-t", "TARGETS",
                               check=False)
        return result.stdout.split() if result.returncode == 0 else None

    def wait_taken(self, xclip):
        """The program took the picture: its owner lost the clipboard and nothing is left."""
        self.wait_for(lambda: xclip.poll() is not None,
                      "the program to take the picture off the clipboard")
        self.assertIsNone(self.clipboard_targets(), "the clipboard is empty afterwards")

    def open_file_menu(self):
        """Clicks File and returns the seconds until its menu showed; closes it again."""
        x, y, _, _ = self.geometry()
        clicked = time.monotonic()
        self.click(x + 15, y + 8)
        self.wait_for(self.popups, "the File menu to open")
        took = time.monotonic() - clicked
        self.run_tool("xdotool", "key", "Escape")
        self.wait_for(lambda: not self.popups(), "the File menu to close")
        # Away, so that the next click's move is a real one (xdotool waits for it).
        self.run_tool("xdotool", "mousemove", "--sync", str(x + 200), str(y + 200))
        return took

    def window_icons(self, window):
        """The icons a window gives the window manager, as RGBA pictures by size."""
        out = self.run_tool("xprop", "-len", "4000000", "-id", str(window), "-f",
                            "_NET_WM_ICON", "32c", "=$0+", "_NET_WM_ICON").stdout
        self.assertIn("=", out, f"window {window} has no icon")
        values = [int(v) for v in out.split("=", 1)[1].replace(",", " ").split()]
        icons = {}
        while len(values) >= 2:
            width, height = values[0], values[1]
            argb = values[2:2 + width * height]
            values = values[2 + width * height:]
            pixels = bytes(b for v in argb for b in ((v >> 16) & 255, (v >> 8) & 255, v & 255,
                                                     v >> 24))
            icons[width] = Image.frombytes("RGBA", (width, height), pixels)
        return icons

    def popups(self):
        """The program's visible windows other than its frame (menus, message boxes)."""
        result = self.run_tool("xdotool", "search", "--onlyvisible", "--class", "vornal3",
                               check=False)
        return [int(w) for w in result.stdout.split() if int(w) != self.frame]

    # ----- the screen and capture windows -----

    def screenshot(self):
        return ImageGrab.grab(xdisplay=self.display).convert("RGB")

    def places_shown(self, img):
        """Every place where img shows whole and pixel-exact."""
        screen = self.screenshot()
        row = img.crop((0, 0, img.width, 1)).tobytes()
        data, stride = screen.tobytes(), screen.width * 3
        places = []
        start = data.find(row)
        while start != -1:
            if start % 3 == 0:
                x, y = start % stride // 3, start // stride
                if screen.crop((x, y, x + img.width, y + img.height)).tobytes() == img.tobytes():
                    places.append((x, y))
            start = data.find(row, start + 1)
        return places

    def wait_for_picture(self, img, what):
        """Waits until img shows whole and pixel-exact; returns its top-left on the screen."""
        return self.wait_for(lambda: next(iter(self.places_shown(img)), None), what)

    def control_centre(self, picture_at, control):
        """Screen point in the middle of a control of the window whose picture is at home."""
        left, top, width, height = control
        s, border = self.scale, PICCONT_BORDER_PX * self.scale
        return (picture_at[0] - px(PICCONT_ORIGIN[0], s) - border + px(left + width / 2, s),
                picture_at[1] - px(PICCONT_ORIGIN[1], s) - border + px(top + height / 2, s))

    def type_name(self, picture_at, name):
        self.click(*self.control_centre(picture_at, TEXT1))
        self.run_tool("xdotool", "key", "ctrl+a")
        self.run_tool("xdotool", "type", "--delay", "20", name)

    def save(self, picture_at, name):
        """Clicks "Save it" and returns the picture written as name, once written anew."""
        path = os.path.join(self.app_dir, name)

        def signature():
            try:
                st = os.stat(path)
                return st.st_ino, st.st_size, st.st_mtime_ns
            except FileNotFoundError:
                return None
        before = signature()
        self.click(*self.control_centre(picture_at, SAVE_IT))
        self.wait_for(lambda: signature() not in (None, before), f"{name} to be written")
        with Image.open(path) as saved:
            self.assertEqual(saved.format, "BMP")
            return saved.convert("RGB")

    def kept(self):
        """The captures kept on disk: one for each capture window open."""
        return sorted(glob.glob(os.path.join(self.state, "*", "*.bmp")))

    def wait_kept(self, count):
        """Waits until `count` captures are kept on disk; returns their pictures, oldest first."""
        (paths,) = self.wait_for(lambda: (k,) if len(k := self.kept()) == count else None,
                                 lambda: f"{count} captures kept on disk, not {len(self.kept())}")
        pictures = []
        for path in paths:
            with Image.open(path) as kept:
                pictures.append(kept.convert("RGB"))
        return pictures

    def assert_kept(self, *pictures):
        """The captures kept on disk are these pictures, pixel for pixel: one window each."""
        for number, (kept, picture) in enumerate(zip(self.wait_kept(len(pictures)), pictures), 1):
            self.assert_same_pixels(kept, picture, f"capture {number}")

    def assert_same_pixels(self, actual, expected, what):
        self.assertEqual(actual.size, expected.size, f"size of {what}")
        if actual.tobytes() != expected.tobytes():
            diff = [(x, y) for y in range(expected.height) for x in range(expected.width)
                    if actual.getpixel((x, y)) != expected.getpixel((x, y))]
            self.fail(f"{what}: {len(diff)} pixels differ, first at {diff[:5]}")
