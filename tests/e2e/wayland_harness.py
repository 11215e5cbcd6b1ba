"""Runs the real vornal3 in a Wayland session: a headless sway of its own, with its XWayland
(or, in MutterTestCase, a headless mutter, with a session bus and a virtual keyboard).

What the program runs on is the compositor's XWayland (as in a user's Wayland session) or,
with start_native_program, the compositor itself. Other programs are those of a Wayland
desktop: wl-copy and wl-paste put pictures on the clipboard and read it, a plain native window
takes the keyboard focus, swaymsg gives it back. Screenshots are the compositor's own (grim),
so they show native and X11 windows alike.

sway will not run as root: where the tests run as root, the compositor runs as the
unprivileged `nobody`, in a private runtime folder of its own, and the test's user is admitted
to its XWayland. Every wait is for a condition, with a bound; cleanups stop every process,
however the test ends.
"""

import io
import json
import os
import pwd
import re
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

MUTTER_TOOLS = ("mutter", "dbus-run-session", "Xwayland", "wl-copy", "wl-paste", "setpriv")
MUTTER = ["dbus-run-session", "--", "mutter", "--headless", "--wayland", "--virtual-monitor",
          "1400x900", "--", "/usr/bin/python3", "-c"]
# Run by mutter in its session: gives it a keyboard through its remote desktop API (without one
# no Wayland program can set the clipboard), says the session's displays, and stays, since
# mutter ends a remote desktop session when its caller goes.
MUTTER_KEYBOARD = """
import os
from gi.repository import Gio, GLib
bus = Gio.bus_get_sync(Gio.BusType.SESSION)
def call(path, interface, method, args=None, reply=None):
    return bus.call_sync("org.gnome.Mutter.RemoteDesktop", path,
                         "org.gnome.Mutter.RemoteDesktop" + interface, method, args,
                         reply and GLib.VariantType(reply), Gio.DBusCallFlags.NONE, -1, None)
(session,) = call("/org/gnome/Mutter/RemoteDesktop", "", "CreateSession", None, "(o)").unpack()
call(session, ".Session", "Start")
for pressed in (True, False):
    call(session, ".Session", "NotifyKeyboardKeycode", GLib.Variant("(ub)", (42, pressed)))
print("session", *(os.environ[k] for k in ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY")),
      flush=True)
GLib.MainLoop().run()
"""


def png(img):
    out = io.BytesIO()
    img.save(out, "PNG")
    return out.getvalue()


class WaylandTestCase(harness.E2ETestCase):

    def start_xvfb(self):
        """The display the program runs on: the XWayland of a compositor of its own."""
        self.require_tools(*TOOLS)
        self.start_sway()
        return self.xwayland_display()

    # ----- the compositor -----

    def start_compositor(self, name, command, files=(), **env):
        """Starts a compositor; the session's programs use the last one started. It runs in a
        runtime folder of its own, self.session_dir, beside the files given (name, text): the
        folder holds its sockets, which only it may use (and root, who may anything), so
        clients name them by their full paths."""
        if not hasattr(self, "xwayland_numbers"):
            self.xwayland_numbers = []
        if os.geteuid() == 0:
            user = pwd.getpwnam("nobody")
            as_user = ["setpriv", f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}",
                       "--clear-groups"]
        else:
            user = pwd.getpwuid(os.geteuid())
            as_user = []
        self.session_user, self.as_session_user = user, as_user
        self.session_dir = tempfile.mkdtemp(prefix=f"vornal3-{name}-")
        self.addCleanup(shutil.rmtree, self.session_dir, ignore_errors=True)
        for file_name, text in files:
            path = os.path.join(self.session_dir, file_name)
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
            os.chmod(path, 0o644)
        os.chown(self.session_dir, user.pw_uid, user.pw_gid)
        os.chmod(self.session_dir, 0o700)
        self.session_env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"),
                            "HOME": self.session_dir, "XDG_RUNTIME_DIR": self.session_dir, **env}
        self.compositor_log = f"{name}.log"
        with open(os.path.join(self.tmp, self.compositor_log), "wb") as log:
            self.compositor = subprocess.Popen(
                as_user + command, env=self.session_env, cwd=self.session_dir,
                stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
        self.addCleanup(self.stop_compositor, self.compositor)

    def compositor_started(self):
        """Fails when the compositor has ended."""
        if self.compositor.poll() is not None:
            self.fail("the compositor ended at start: " + self.read(self.compositor_log))

    def start_sway(self):
        self.start_compositor("sway", ["sway", "-c", "config"], [("config", SWAY_CONFIG)],
                              WLR_BACKENDS="headless", WLR_LIBINPUT_NO_DEVICES="1",
                              WLR_RENDERER="pixman")

        def sockets():
            self.compositor_started()
            names = os.listdir(self.session_dir)
            wayland = [n for n in names if n.startswith("wayland-") and not n.endswith(".lock")]
            ipc = [n for n in names if n.startswith("sway-ipc.")]
            return (wayland[0], ipc[0]) if wayland and ipc else None
        wayland, ipc = self.wait_for(sockets, "sway's sockets")
        self.env["WAYLAND_DISPLAY"] = os.path.join(self.session_dir, wayland)
        self.env["SWAYSOCK"] = os.path.join(self.session_dir, ipc)
        self.wait_for(lambda: self.sway_tree(check=False), "sway to answer")

    def xwayland_display(self):
        """The XWayland display, admitted to this test's user."""
        path = os.path.join(self.session_dir, "display")
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
        result = subprocess.run(self.as_session_user + ["xhost", f"+si:localuser:{me}"],
                                env={**self.session_env, "DISPLAY": display},
                                capture_output=True, text=True, timeout=TIMEOUT)
        if result.returncode != 0:
            self.fail(f"xhost failed: {result.stderr}")
        return display

    def stop_compositor(self, compositor):
        """Asks the compositor's session to end (the compositor takes its XWayland and the X
        sockets with it), then kills whatever of it is left."""
        if compositor.poll() is None:
            try:
                os.killpg(compositor.pid, signal.SIGTERM)
                compositor.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
        harness.stop(compositor)
        # A compositor that had to be killed leaves its X sockets behind.
        for number in self.xwayland_numbers:
            for leftover in (f"/tmp/.X11-unix/X{number}", f"/tmp/.X{number}-lock"):
                try:
                    if os.stat(leftover).st_uid == self.session_user.pw_uid:
                        os.unlink(leftover)
                except OSError:
                    pass

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

    def focus(self, title):
        """Gives the keyboard focus to the window of that title, as the user would."""
        criteria = title.replace("\\", "\\\\").replace('"', '\\"').replace(".", "[.]")
        # An X11 window is known to the compositor a little after it is to XWayland.
        self.wait_for(lambda: self.swaymsg(f'[title="^{criteria}$"] focus',
                                           check=False).returncode == 0,
                      f"the compositor to know {title}")
        self.wait_for(lambda: any(t == title and f for t, f, _ in self.windows()),
                      f"{title} to have the focus")

    def start_other_program(self):
        """A plain native window of another program, which takes the focus."""
        if not FOCUS_WINDOW or not os.access(FOCUS_WINDOW, os.X_OK):
            self.fail(f"the focus window program is not built: {FOCUS_WINDOW!r}")
        proc = self.spawn([FOCUS_WINDOW, OTHER_TITLE], "other-program.log",
                          env_update={"QT_QPA_PLATFORM": "wayland"})
        self.wait_for(lambda: "shown" in self.read("other-program.log") or
                      proc.poll() is not None, "the other program's window")
        self.focus(OTHER_TITLE)
        return proc

    # ----- the program natively -----

    def start_native_program(self, **env_update):
        """Starts the program as a native Wayland client (the user's own choice)."""
        proc = self.start_program(False, QT_QPA_PLATFORM="wayland", **env_update)
        self.wait_for(lambda: any(title == FRAME_TITLE for title, _, _ in self.windows()),
                      "the native frame to show")
        return proc

    # ----- the Wayland clipboard -----

    def wl_copy(self, data, mime_type, name):
        """Copies data as a Wayland program does; the wl-copy stays until the clipboard no
        longer holds it, and then ends."""
        path = os.path.join(self.tmp, name)
        with open(path, "wb") as f:
            f.write(data)
        with open(path, "rb") as source:
            return self.spawn(["wl-copy", "--foreground", "--type", mime_type],
                              f"wl-copy-{name}.log", stdin=source)

    def wl_types(self):
        """The Wayland clipboard's MIME types; None when it is empty."""
        result = self.run_tool("wl-paste", "--list-types", check=False)
        return result.stdout.split() if result.returncode == 0 else None

    def pictures_offered(self):
        """The picture types the Wayland and the X11 clipboards offer."""
        return [t for t in (self.wl_types() or []) + (self.clipboard_targets() or [])
                if t.startswith("image/")]

    def wait_emptied(self, copier, what):
        """The program took what copier offered and emptied the clipboard. Emptied through the
        compositor's bridge, the clipboard holds a claim of the program's for a moment first."""
        self.wait_for(lambda: copier.poll() is not None, what)
        self.wait_for(lambda: self.wl_types() is None, "the Wayland clipboard to be empty")

    # ----- the screen -----

    def screenshot(self):
        result = subprocess.run(["grim", "-t", "png", "-"], env=self.env, capture_output=True,
                                timeout=TIMEOUT)
        if result.returncode != 0:
            raise RuntimeError(f"grim failed: {result.stderr!r}")
        return Image.open(io.BytesIO(result.stdout)).convert("RGB")


class MutterTestCase(WaylandTestCase):
    """The same in a headless mutter, GNOME's compositor, which offers no data control and
    no way to move the focus: a new window takes it."""

    def start_xvfb(self):
        self.require_tools(*MUTTER_TOOLS)
        self.start_compositor("mutter", MUTTER + [MUTTER_KEYBOARD])

        def said():
            self.compositor_started()
            return re.search(r"^session (\S+) (\S+) (\S+)$", self.read(self.compositor_log),
                             re.MULTILINE)
        display, wayland, xauthority = self.wait_for(said, "mutter's keyboard").groups()
        # Its XWayland has a second display, for mutter's own services.
        self.xwayland_numbers += re.findall(r"X11 display :(\d+), \(using :(\d+)",
                                            self.read(self.compositor_log))[0]
        self.env.update(WAYLAND_DISPLAY=os.path.join(self.session_dir, wayland),
                        XAUTHORITY=xauthority)
        return display

    def focus(self, title):
        """Waits until the new window of that title has the focus: mutter tells only which
        X11 window has it, and none while a native one has."""
        self.assertEqual(title, OTHER_TITLE, "only a native window takes the focus here")
        self.wait_for(lambda: self.run_tool("xprop", "-root", "_NET_ACTIVE_WINDOW",
                                            check=False).stdout.endswith(" 0x0\n"),
                      f"{title} to have the focus")
