"""Runs the real vornal3 in a Wayland session: a headless sway of its own, with its XWayland.

What the program runs on is the compositor's XWayland (as in a user's Wayland session) or,
with start_native_program, the compositor itself. Other programs are those of a Wayland
desktop: wl-copy and wl-paste put pictures on the clipboard and read it, a plain native window
takes the keyboard focus, swaymsg gives it back. Screenshots are the compositor's own (grim),
so they show native and X11 windows alike.

sway will not run as root: where the tests run as root, it runs as the unprivileged `nobody`,
in a private runtime folder of its own, and the test's user is admitted to its XWayland. Every
wait is for a condition, with a bound; cleanups stop every process, however the test ends.
"""

import io
import json
import os
import pwd
import shutil
import signal
import subprocess
import tempfile

from PIL import Image

import harness
from harness import TIMEOUT

FOCUS_WINDOW = os.environ.get("VORNAL_FOCUS_WINDOW", "")
TOOLS = ("sway", "swaymsg", "Xwayland", "wl-copy", "wl-paste", "grim", "xhost", "setpriv")
FRAME_TITLE = "Vornal 3.1"
OTHER_TITLE = "another program"

# The frame floats at the size it asks for, above the tiled windows of other programs, so that
# its size is its own and its captures show whoever has the focus.
SWAY_CONFIG = f"""
xwayland enable
for_window [title="^{FRAME_TITLE.replace('.', '[.]')}$"] floating enable
"""


class WaylandTestCase(harness.E2ETestCase):

    def start_xvfb(self):
        """The display the program runs on: the XWayland of a compositor of its own."""
        missing = [t for t in TOOLS if not shutil.which(t)]
        if missing:
            self.fail("missing tools: " + ", ".join(missing) +
                      " (install them with scripts/install-deps.sh --test)")
        self.start_sway()
        return self.xwayland_display()

    # ----- the compositor -----

    def start_sway(self):
        """Starts a compositor; the session's programs use the last one started."""
        if not hasattr(self, "xwayland_numbers"):
            self.xwayland_numbers = []
        if os.geteuid() == 0:
            user = pwd.getpwnam("nobody")
            as_user = ["setpriv", f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}",
                       "--clear-groups"]
        else:
            user = pwd.getpwuid(os.geteuid())
            as_user = []
        self.sway_user = user
        # Its runtime folder holds its sockets: only it may use them (and root, who may
        # anything); clients name the socket by its full path.
        self.sway_dir = tempfile.mkdtemp(prefix="vornal3-sway-")
        self.addCleanup(shutil.rmtree, self.sway_dir, ignore_errors=True)
        config = os.path.join(self.sway_dir, "config")
        with open(config, "w", encoding="utf-8") as f:
            f.write(SWAY_CONFIG)
        os.chmod(config, 0o644)
        os.chown(self.sway_dir, user.pw_uid, user.pw_gid)
        os.chmod(self.sway_dir, 0o700)
        self.sway_env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": self.sway_dir, "XDG_RUNTIME_DIR": self.sway_dir,
            "WLR_BACKENDS": "headless", "WLR_LIBINPUT_NO_DEVICES": "1",
            "WLR_RENDERER": "pixman",
        }
        with open(os.path.join(self.tmp, "sway.log"), "wb") as log:
            self.sway = subprocess.Popen(as_user + ["sway", "-c", config], env=self.sway_env,
                                         cwd="/", stdin=subprocess.DEVNULL, stdout=log,
                                         stderr=log, start_new_session=True)
        self.addCleanup(self.stop_sway, self.sway)
        self.as_sway_user = as_user

        def sockets():
            if self.sway.poll() is not None:
                self.fail("sway ended at start: " + self.read("sway.log"))
            names = os.listdir(self.sway_dir)
            wayland = [n for n in names if n.startswith("wayland-") and not n.endswith(".lock")]
            ipc = [n for n in names if n.startswith("sway-ipc.")]
            return (wayland[0], ipc[0]) if wayland and ipc else None
        wayland, ipc = self.wait_for(sockets, "sway's sockets")
        self.env["WAYLAND_DISPLAY"] = os.path.join(self.sway_dir, wayland)
        self.env["SWAYSOCK"] = os.path.join(self.sway_dir, ipc)
        self.wait_for(lambda: self.sway_tree(check=False), "sway to answer")

    def xwayland_display(self):
        """The XWayland display, admitted to this test's user."""
        path = os.path.join(self.sway_dir, "display")
        self.swaymsg("exec", f'echo "$DISPLAY" > {path}')

        def said():
            try:
                with open(path, encoding="utf-8") as f:
                    return f.read().strip()
            except FileNotFoundError:
                return None
        display = self.wait_for(said, "sway to say its X display")
        self.xwayland_numbers.append(display.lstrip(":"))
        me = pwd.getpwuid(os.geteuid()).pw_name
        # Run by the compositor's user, which XWayland admits; it starts XWayland too.
        result = subprocess.run(self.as_sway_user + ["xhost", f"+si:localuser:{me}"],
                                env={**self.sway_env, "DISPLAY": display},
                                capture_output=True, text=True, timeout=TIMEOUT)
        if result.returncode != 0:
            self.fail(f"xhost failed: {result.stderr}")
        return display

    def stop_sway(self, sway):
        """Ends sway first (it takes its XWayland and the X sockets with it), then whatever
        of its session is left."""
        if sway.poll() is None:
            try:
                sway.send_signal(signal.SIGTERM)
                sway.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
        harness.stop(sway)
        # A sway that had to be killed leaves its X sockets behind.
        for number in self.xwayland_numbers:
            for leftover in (f"/tmp/.X11-unix/X{number}", f"/tmp/.X{number}-lock"):
                try:
                    if os.stat(leftover).st_uid == self.sway_user.pw_uid:
                        os.unlink(leftover)
                except OSError:
                    pass

    def kill_compositor(self):
        """Ends the compositor at once, as a crash would; its XWayland goes with it."""
        self.sway.kill()
        self.sway.wait(timeout=TIMEOUT)

    def swaymsg(self, *args, check=True):
        return self.run_tool("swaymsg", *args, check=check)

    def sway_tree(self, check=True):
        result = self.swaymsg("-t", "get_tree", check=check)
        return json.loads(result.stdout) if result.returncode == 0 else None

    def windows(self):
        """The compositor's windows, X11 and native: (title, focused, rect) each, the rect
        being the window's own, without the compositor's border and title."""
        found = []

        def walk(node):
            if node.get("pid") is not None:
                found.append((node.get("name"), node.get("focused"), node.get("window_rect")))
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)
        walk(self.sway_tree())
        return found

    def focused_title(self):
        return next((title for title, focused, _ in self.windows() if focused), None)

    def focus(self, title):
        """Gives the keyboard focus to the window of that title, as the user would."""
        criteria = title.replace("\\", "\\\\").replace('"', '\\"').replace(".", "[.]")
        # An X11 window is known to the compositor a little after it is to XWayland.
        self.wait_for(lambda: self.swaymsg(f'[title="^{criteria}$"] focus',
                                           check=False).returncode == 0,
                      f"the compositor to know {title}")
        self.wait_for(lambda: self.focused_title() == title, f"{title} to have the focus")

    def start_other_program(self):
        """A plain native window of another program, which takes the focus."""
        if not FOCUS_WINDOW or not os.access(FOCUS_WINDOW, os.X_OK):
            self.fail(f"the focus window program is not built: {FOCUS_WINDOW!r}")
        proc = self.start([FOCUS_WINDOW, OTHER_TITLE], "other-program.log",
                          QT_QPA_PLATFORM="wayland")
        self.wait_for(lambda: "shown" in self.read("other-program.log") or
                      proc.poll() is not None, "the other program's window")
        self.focus(OTHER_TITLE)
        return proc

    def start(self, args, log_name, stdin=subprocess.DEVNULL, **env_update):
        """Starts a process in a session of its own with a few more variables, output to a
        log; stopped at cleanup."""
        with open(os.path.join(self.tmp, log_name), "wb") as log:
            proc = subprocess.Popen(args, env={**self.env, **env_update}, cwd=self.tmp,
                                    stdin=stdin, stdout=log, stderr=log,
                                    start_new_session=True)
        self.addCleanup(harness.stop, proc)
        return proc

    # ----- the program natively -----

    def start_native_program(self, **env_update):
        """Starts the program as a native Wayland client (the user's own choice)."""
        log = f"vornal3-{len(self.programs) + 1}.stderr"
        proc = self.start([self.exe], log, QT_QPA_PLATFORM="wayland", **env_update)
        self.programs.append((proc, log))
        self.wait_for(lambda: any(title == FRAME_TITLE for title, _, _ in self.windows()),
                      "the native frame to show")
        return proc

    def frame_rect(self):
        return next(rect for title, _, rect in self.windows() if title == FRAME_TITLE)

    # ----- the Wayland clipboard -----

    def wl_copy(self, data, mime_type, name):
        """Copies data as a Wayland program does; the wl-copy stays until the clipboard no
        longer holds it, and then ends."""
        path = os.path.join(self.tmp, name)
        with open(path, "wb") as f:
            f.write(data)
        with open(path, "rb") as source:
            return self.start(["wl-copy", "--foreground", "--type", mime_type],
                              f"wl-copy-{name}.log", stdin=source)

    def wl_types(self):
        """The Wayland clipboard's MIME types; None when it is empty."""
        result = self.run_tool("wl-paste", "--list-types", check=False)
        return result.stdout.split() if result.returncode == 0 else None

    def wait_emptied(self, copier, what):
        """The program took what copier offered and emptied the clipboard."""
        self.wait_for(lambda: copier.poll() is not None, what)
        self.assertIsNone(self.wl_types(), "the Wayland clipboard is empty afterwards")

    # ----- the screen -----

    def screenshot(self):
        result = subprocess.run(["grim", "-t", "png", "-"], env=self.env, capture_output=True,
                                timeout=TIMEOUT)
        if result.returncode != 0:
            raise RuntimeError(f"grim failed: {result.stderr!r}")
        return Image.open(io.BytesIO(result.stdout)).convert("RGB")

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
