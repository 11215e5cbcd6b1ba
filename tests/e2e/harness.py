"""Runs the real vornal3 on a private Xvfb display and drives it from outside.

Every test gets its own X server, its own settings folder and its own copy of the program
(captures are saved next to the executable), and everything it started is stopped again
however the test ends. Waiting is always for a condition, with a bound.
"""

import configparser
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
ARTIFACTS = os.environ.get("VORNAL_E2E_ARTIFACTS", "")

# Bounds for waits. They are generous because the same suite runs against a sanitizer
# build; a passing run never waits for them.
START_TIMEOUT = 30.0
STEP_TIMEOUT = 20.0
POLL_INTERVAL = 0.02

TWIPS_PER_PIXEL = 15  # the display runs at 96 DPI
SCREEN = (1024, 768)

# Where the document window's controls sit, in twips from its client area's top-left.
TEXT1 = (1320, 0, 1215, 285)
SAVE_IT = (2520, 50, 855, 255)
RESET = (6480, 50, 1095, 255)
PICCONT_ORIGIN = (100, 300)
PICCONT_BORDER_PX = 2

# stderr lines that mean the program misused Qt or memory, whatever the test did.
SUSPICIOUS_STDERR = re.compile(
    r"QObject::|QPainter::|QWidget::|QLayout|QBackingStore|QPixmap::|QImage::|QFont::|"
    r"QMetaObject|QCoreApplication::|QGuiApplication::|QApplication::|QSocketNotifier|"
    r"QTimer|QThread|QClipboard|QXcb|Cannot set X11 selection owner|"
    r"AddressSanitizer|LeakSanitizer|runtime error:|Segmentation fault|Aborted")

REQUIRED_TOOLS = ("Xvfb", "xclip", "xdotool", "xprop")


def px(twips):
    return round(twips / TWIPS_PER_PIXEL)


def noise_picture(width, height, seed):
    """A picture in which every small block of pixels is unique: gradients plus noise."""
    rng = random.Random(seed)
    img = Image.new("RGB", (width, height))
    img.putdata([((x * 3 + rng.randrange(64)) % 256,
                  (y * 5 + rng.randrange(64)) % 256,
                  rng.randrange(256))
                 for y in range(height) for x in range(width)])
    return img


class Program:
    """One running vornal3 process and where its output goes."""

    def __init__(self, proc, stderr_path):
        self.proc = proc
        self.stderr_path = stderr_path

    def stderr(self):
        with open(self.stderr_path, encoding="utf-8", errors="replace") as f:
            return f.read()


class E2ETestCase(unittest.TestCase):
    """Base class: a fresh X server, settings folder and program folder per test."""

    maxDiff = 4000

    def setUp(self):
        missing = [t for t in REQUIRED_TOOLS if shutil.which(t) is None]
        if missing:
            self.fail("missing tools for the end-to-end tests: " + ", ".join(missing) +
                      " (install them with scripts/install-deps.sh --test)")
        if not VORNAL3 or not os.access(VORNAL3, os.X_OK):
            self.fail(f"VORNAL3_EXE does not name the built vornal3 program: {VORNAL3!r}")

        self.tmp = tempfile.mkdtemp(prefix="vornal3-e2e-")
        self.addCleanup(shutil.rmtree, self.tmp, ignore_errors=True)
        self.app_dir = os.path.join(self.tmp, "app")
        self.config_home = os.path.join(self.tmp, "config")
        runtime_dir = os.path.join(self.tmp, "runtime")
        for d in (self.app_dir, self.config_home, runtime_dir):
            os.mkdir(d)
        os.chmod(runtime_dir, 0o700)
        self.exe = os.path.join(self.app_dir, "vornal3")
        shutil.copy2(VORNAL3, self.exe)
        self.ini_path = os.path.join(self.config_home, "Vornal3", "Vornal3.ini")

        self.display = self._start_xvfb()
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(("QT_", "WAYLAND_", "XDG_"))}
        self.env.update(DISPLAY=self.display, XDG_RUNTIME_DIR=runtime_dir,
                        XDG_CONFIG_HOME=self.config_home, HOME=self.tmp,
                        QT_QPA_PLATFORM="xcb")
        self.programs = []

    # ----- X server -----

    def _start_xvfb(self):
        read_fd, write_fd = os.pipe()
        log = open(os.path.join(self.tmp, "xvfb.log"), "wb")
        self.addCleanup(log.close)
        proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
             f"{SCREEN[0]}x{SCREEN[1]}x24", "-dpi", "96", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=log, stderr=subprocess.STDOUT,
            start_new_session=True)
        os.close(write_fd)
        self.addCleanup(self._stop_process, proc)
        number = b""
        deadline = time.monotonic() + START_TIMEOUT
        try:
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or proc.poll() is not None:
                    self.fail("Xvfb did not report a display: " + self._read(log.name))
                ready, _, _ = select.select([read_fd], [], [], left)
                if ready:
                    chunk = os.read(read_fd, 64)
                    if not chunk:
                        self.fail("Xvfb closed its display pipe: " + self._read(log.name))
                    number += chunk
        finally:
            os.close(read_fd)
        return ":" + number.decode().strip()

    @staticmethod
    def _read(path):
        try:
            with open(path, encoding="utf-8", errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    @staticmethod
    def _stop_process(proc):
        if proc.poll() is None:
            try:
                os.killpg(proc.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait(timeout=5)

    def run_tool(self, *args, check=True):
        result = subprocess.run(list(args), env=self.env, capture_output=True, text=True,
                                timeout=STEP_TIMEOUT)
        if check and result.returncode != 0:
            self.fail(f"{' '.join(args)} failed ({result.returncode}): {result.stderr}")
        return result

    # ----- waiting -----

    def wait_for(self, condition, what, timeout=STEP_TIMEOUT):
        """Polls condition() until it gives a true value and returns that value."""
        deadline = time.monotonic() + timeout
        while True:
            value = condition()
            if value:
                return value
            if time.monotonic() > deadline:
                self._save_artifacts(what)
                self.fail(f"timed out after {timeout:g} s waiting for {what}" +
                          self._program_report())
            time.sleep(POLL_INTERVAL)

    def _program_report(self):
        parts = []
        for p in self.programs:
            state = "running" if p.proc.poll() is None else f"exited with {p.proc.returncode}"
            parts.append(f"\nvornal3 {state}; its stderr:\n{p.stderr()}")
        return "".join(parts)

    def _save_artifacts(self, what):
        if not ARTIFACTS:
            return
        try:
            os.makedirs(ARTIFACTS, exist_ok=True)
            name = re.sub(r"[^A-Za-z0-9_.-]+", "_", f"{self.id()}-{what}")[:150]
            self.screenshot().save(os.path.join(ARTIFACTS, name + ".png"))
        except Exception:  # a failing screenshot must not hide the real failure
            pass

    # ----- the program -----

    def write_settings(self, **values):
        os.makedirs(os.path.dirname(self.ini_path), exist_ok=True)
        with open(self.ini_path, "w", encoding="utf-8") as f:
            f.write("[Settings]\n")
            for key, value in values.items():
                f.write(f"{key}={value}\n")

    def read_settings(self):
        parser = configparser.ConfigParser()
        parser.optionxform = str
        parser.read(self.ini_path, encoding="utf-8")
        return dict(parser["Settings"]) if parser.has_section("Settings") else {}

    def roomy_frame(self):
        """Stores a frame placement large enough for a whole document window."""
        self.write_settings(MainLeft=0, MainTop=0, MainWidth=900 * TWIPS_PER_PIXEL,
                            MainHeight=700 * TWIPS_PER_PIXEL)

    def start_program(self, wait_for_frame=True):
        stderr_path = os.path.join(self.tmp, f"vornal3-{len(self.programs) + 1}.stderr")
        with open(stderr_path, "wb") as err:
            proc = subprocess.Popen([self.exe], cwd=self.tmp, env=self.env,
                                    stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                    stderr=err, start_new_session=True)
        program = Program(proc, stderr_path)
        self.programs.append(program)
        self.addCleanup(self._stop_process, proc)
        if wait_for_frame:
            self.frame = self.wait_for_frame()
        return program

    def visible_windows(self, name_regex):
        result = self.run_tool("xdotool", "search", "--onlyvisible", "--name", name_regex,
                               check=False)
        return [int(w) for w in result.stdout.split()]

    def wait_for_frame(self):
        windows = self.wait_for(lambda: self.visible_windows(r"^Vornal 3\.1$"),
                                "the main frame to show", timeout=START_TIMEOUT)
        self.assertEqual(len(windows), 1, "exactly one main frame")
        return windows[0]

    def geometry(self, window):
        out = self.run_tool("xdotool", "getwindowgeometry", "--shell", str(window)).stdout
        values = dict(line.split("=", 1) for line in out.split())
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def wait_for_exit(self, program, what="the program to end"):
        self.wait_for(lambda: program.proc.poll() is not None, what)
        return program.proc.returncode

    def assert_clean_stderr(self, program, allowed=()):
        """The program must not have printed warnings that point at misuse of Qt."""
        bad = [line for line in program.stderr().splitlines()
               if SUSPICIOUS_STDERR.search(line) and not any(a in line for a in allowed)]
        self.assertEqual(bad, [], "vornal3 printed warnings that indicate a fault")

    def tearDown(self):
        # Runs before the cleanups stop anything, so a crash shows here as a crash.
        for program in self.programs:
            text = program.stderr()
            if text:
                sys.stderr.write(f"\n--- vornal3 stderr ({self.id()}):\n{text}")
            self.assert_clean_stderr(program, getattr(self, "allowed_stderr", ()))

    # ----- keyboard and mouse -----

    def focus(self, window):
        self.run_tool("xdotool", "windowfocus", "--sync", str(window))

    def keys(self, window, *keys):
        self.focus(window)
        self.run_tool("xdotool", "key", "--delay", "30", *keys)

    def click(self, x, y, button=1):
        self.run_tool("xdotool", "mousemove", "--sync", str(x), str(y), "click", str(button))

    def drag(self, start, end, button):
        """Presses a button at start, moves in steps to end and releases it there."""
        args = ["xdotool", "mousemove", "--sync", str(start[0]), str(start[1]),
                "mousedown", str(button)]
        for step in (1, 2, 3):
            x = start[0] + (end[0] - start[0]) * step // 4
            y = start[1] + (end[1] - start[1]) * step // 4
            args += ["mousemove", "--sync", str(x), str(y)]
        args += ["mousemove", "--sync", str(end[0]), str(end[1]), "mouseup", str(button)]
        self.run_tool(*args)

    # ----- clipboard -----

    def put_on_clipboard(self, path, mime):
        """Offers a file on the clipboard from an xclip process that stays until replaced."""
        log_path = os.path.join(self.tmp, f"xclip-{os.path.basename(path)}.log")
        with open(log_path, "wb") as log:
            proc = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-t", mime,
                                     "-i", path], env=self.env, stdin=subprocess.DEVNULL,
                                    stdout=log, stderr=log, start_new_session=True)
        proc.log_path = log_path
        self.addCleanup(self._stop_process, proc)
        # xclip owns the clipboard once it answers a request for its targets.
        self.wait_for(lambda: proc.poll() is not None or
                      mime in (self.clipboard_targets() or ()),
                      "xclip to own the clipboard")
        return proc

    def put_picture(self, img, name):
        path = os.path.join(self.tmp, name)
        img.save(path)
        return self.put_on_clipboard(path, "image/png")

    def xclip_requests_served(self, xclip):
        """How many data requests an xclip started by put_on_clipboard has answered."""
        served = re.findall(r"selection request number (\d+)", self._read(xclip.log_path))
        return int(served[-1]) - 1 if served else 0

    def clipboard_targets(self):
        """The clipboard's targets, or None when nothing is on it."""
        result = self.run_tool("xclip", "-o", "-selection", "clipboard", "-t", "TARGETS",
                               check=False)
        return result.stdout.split() if result.returncode == 0 else None

    def clipboard_text(self):
        result = self.run_tool("xclip", "-o", "-selection", "clipboard", check=False)
        return result.stdout if result.returncode == 0 else None

    def wait_clipboard_taken(self, xclip):
        """The program took the picture: its owner lost the clipboard and nothing is left."""
        self.wait_for(lambda: xclip.poll() is not None,
                      "the program to take the picture off the clipboard")
        self.assertIsNone(self.clipboard_targets(), "the clipboard is empty afterwards")

    # ----- the screen -----

    def screenshot(self):
        return ImageGrab.grab(xdisplay=self.display).convert("RGB")

    @staticmethod
    def find(screen, img):
        """Top-left corner of the one place where img's top-left 24x24 block shows, or None."""
        block = min(24, img.width), min(24, img.height)
        row0 = img.crop((0, 0, block[0], 1)).tobytes()
        data = screen.tobytes()
        stride = screen.width * 3
        found = []
        start = data.find(row0)
        while start != -1:
            if start % 3 == 0:
                x, y = (start % stride) // 3, start // stride
                if x + block[0] <= screen.width and y + block[1] <= screen.height and \
                        screen.crop((x, y, x + block[0], y + block[1])).tobytes() == \
                        img.crop((0, 0) + block).tobytes():
                    found.append((x, y))
            start = data.find(row0, start + 1)
        return found[0] if len(found) == 1 else None

    def wait_for_picture(self, img, what):
        """Waits until img is shown whole and pixel-exact; returns its top-left on screen."""
        def shown():
            screen = self.screenshot()
            at = self.find(screen, img)
            if at is None:
                return None
            region = screen.crop((at[0], at[1], at[0] + img.width, at[1] + img.height))
            return at if region.tobytes() == img.tobytes() else None
        return self.wait_for(shown, what)

    def wait_for_picture_at(self, img, at, what):
        """Waits until img shows pixel-exact with its top-left at the screen point `at`."""
        box = (at[0], at[1], at[0] + img.width, at[1] + img.height)
        self.wait_for(lambda: self.screenshot().crop(box).tobytes() == img.tobytes(), what)

    # ----- message boxes -----

    def message_boxes(self):
        """Visible modal windows captioned with the program's title."""
        return [w for w in self.visible_windows(r"^Vornal3$")
                if "_NET_WM_STATE_MODAL" in self.run_tool(
                    "xprop", "-id", str(w), "_NET_WM_STATE", check=False).stdout]

    def answer_message_box(self, what):
        """Waits for the message box, presses Enter in it and waits until it has gone."""
        boxes = self.wait_for(self.message_boxes, what)
        self.assertEqual(len(boxes), 1, "one message box")
        self.keys(boxes[0], "Return")
        self.wait_for(lambda: not self.message_boxes(), "the message box to close")

    # ----- the About window -----

    def open_about(self):
        """Help / About, by keyboard; returns the About window once it shows."""
        self.keys(self.frame, "alt+h", "a")
        windows = self.wait_for(lambda: self.visible_windows(r"^About Vornal3$"),
                                "the About window to show")
        self.assertEqual(len(windows), 1)
        return windows[0]

    def close_about(self, about):
        self.keys(about, "Escape")
        self.wait_for(lambda: not self.visible_windows(r"^About Vornal3$"),
                      "the About window to close")

    def event_loop_round_trip(self):
        """Returns once the program has finished whatever handler it was running.

        Key presses wait in the queue until the running handler returns, so once the About
        window they ask for has come and gone, every tick that started before has ended.
        """
        self.close_about(self.open_about())

    # ----- document windows -----

    @staticmethod
    def control_centre(picture_at, control):
        """Screen point in the middle of a control of the window whose picture is at home."""
        client_x = picture_at[0] - px(PICCONT_ORIGIN[0]) - PICCONT_BORDER_PX
        client_y = picture_at[1] - px(PICCONT_ORIGIN[1]) - PICCONT_BORDER_PX
        left, top, width, height = control
        return client_x + px(left + width / 2), client_y + px(top + height / 2)

    def saved_file(self, name):
        return os.path.join(self.app_dir, name)

    @staticmethod
    def file_signature(path):
        try:
            st = os.stat(path)
        except FileNotFoundError:
            return None
        return st.st_ino, st.st_size, st.st_mtime_ns

    def save_and_read(self, picture_at, name):
        """Clicks "Save it" and returns the picture written as name, once written anew."""
        path = self.saved_file(name)
        before = self.file_signature(path)
        self.click(*self.control_centre(picture_at, SAVE_IT))
        self.wait_for(lambda: self.file_signature(path) not in (None, before),
                      f"{name} to be written")
        with Image.open(path) as saved:
            self.assertEqual(saved.format, "BMP")
            return saved.convert("RGB")

    def assert_same_pixels(self, actual, expected, what):
        self.assertEqual(actual.size, expected.size, f"size of {what}")
        if actual.tobytes() != expected.tobytes():
            diff = [(x, y) for y in range(expected.height) for x in range(expected.width)
                    if actual.getpixel((x, y)) != expected.getpixel((x, y))]
            self.fail(f"{what}: {len(diff)} pixels differ, first at {diff[:5]}")
