#!/usr/bin/env python3
"""How long a picture stays on the clipboard: the program's intake beside a bare toolkit
program that reads QClipboard::image(), on one private Xvfb display, and the program's intake
in a Wayland session beside its intake on X11.

  bench/clipboard_intake.py BUILD_DIR [--runs N] [--big-runs N] [--wayland-runs N] [--json FILE]

A table whose number of runs is 0 is left out. The output starts with the machine: its cores
and what a fresh 4 KiB page of memory costs on it (bench/page_cost_probe), which decides much of
what a large picture costs. --json also writes every row, with its runs, to FILE.

Three tables of medians:
- from a clipboard owner setting a screenshot-like picture to the clipboard being emptied,
  at 1920 x 1080 and 3840 x 2160, with a toolkit owner (every format it can write, each
  encoded when asked) and with an owner of PNG bytes alone (tests/support/QtClipboardOwner);
- from `xclip` starting with a big PNG file to the clipboard being emptied (xclip ends when
  it loses the clipboard), at 8000 x 6000 and 15360 x 4320;
- from `wl-copy` starting with a 3840 x 2160 PNG to the clipboard being emptied (wl-copy
  --foreground ends when it loses the clipboard), the program on the XWayland of a headless
  sway and reading through data control, beside the same picture from `xclip` with the
  program on the Xvfb display.
Each reader runs alone, started anew for every measurement, the two taking turns.
"""

import argparse
import json
import os
import pwd
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

INTAKE_SIZES = ((1920, 1080), (3840, 2160))
BIG_SIZES = ((8000, 6000), (15360, 4320))
WAIT = 120.0  # seconds any one step may take before the benchmark gives up


def start_xvfb(screen):
    """A private X server of the screen's size (WxHxDEPTH): the process and its display."""
    read_fd, write_fd = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", screen,
                             "-nolisten", "tcp", "-noreset"],
                            pass_fds=(write_fd,), stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    os.close(write_fd)
    number = b""
    while not number.endswith(b"\n"):
        if not select.select([read_fd], [], [], WAIT)[0]:
            sys.exit("Xvfb did not start")
        number += os.read(read_fd, 16)
    os.close(read_fd)
    return proc, ":" + number.decode().strip()


class Bench:

    def __init__(self, build, tmp):
        self.build = build
        self.tmp = tmp
        self.procs = []
        runtime = os.path.join(tmp, "runtime")
        os.mkdir(runtime, 0o700)
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(("QT_", "WAYLAND_", "XDG_", "DISPLAY"))}
        self.env.update(XDG_RUNTIME_DIR=runtime, XDG_CONFIG_HOME=os.path.join(tmp, "config"),
                        XDG_STATE_HOME=os.path.join(tmp, "state"), QT_QPA_PLATFORM="xcb")
        xvfb, self.env["DISPLAY"] = start_xvfb("1920x1080x24")
        self.procs.append(xvfb)
        self.owner = os.path.join(build, "tests", "e2e", "qt_clipboard_owner")
        self.readers = {
            "vornal3": os.path.join(build, "shell", "vornal3"),
            "bare Qt": os.path.join(build, "bench", "bare_clipboard_reader"),
        }
        for path in (self.owner, *self.readers.values()):
            if not os.access(path, os.X_OK):
                sys.exit(f"not built: {path} (configure with tests and benchmarks on)")

    def wait_for(self, condition, what):
        deadline = time.monotonic() + WAIT
        while not condition():
            if time.monotonic() > deadline:
                sys.exit(f"timed out waiting for {what}")
            time.sleep(0.02)

    def start_reader(self, name):
        log = open(os.path.join(self.tmp, "reader.log"), "w+b")
        proc = subprocess.Popen([self.readers[name]], env=self.env, stdout=log, stderr=log,
                                stdin=subprocess.DEVNULL, cwd=self.tmp)
        if name == "vornal3":
            def ready():
                found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                        r"^Vornal 3\.1$"], env=self.env, capture_output=True)
                return found.returncode == 0
        else:
            def ready():
                log.seek(0)
                return b"ready" in log.read()
        self.wait_for(lambda: proc.poll() is not None or ready(), f"{name} to start")
        if proc.poll() is not None:
            sys.exit(f"{name} ended at start")
        return proc

    @staticmethod
    def stop(proc):
        proc.terminate()
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()

    def owner_run(self, args):
        """Milliseconds from the owner setting its picture to losing the clipboard."""
        out = subprocess.run([self.owner, *args], env=self.env, capture_output=True,
                             text=True, timeout=WAIT).stdout
        stamps = dict(line.split(" ", 1) for line in out.splitlines() if " " in line)
        if "offered" not in stamps or "lost" not in stamps:
            sys.exit(f"the owner was not emptied: {out!r}")
        return (int(stamps["lost"]) - int(stamps["offered"])) / 1e6

    def xclip_run(self, path):
        """Milliseconds from xclip's start to it losing the clipboard."""
        started = time.monotonic()
        subprocess.run(["xclip", "-quiet", "-selection", "clipboard", "-t", "image/png", "-i",
                        path], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=WAIT, check=True)
        return (time.monotonic() - started) * 1000

    def medians(self, runs, warm, measure):
        """Median per reader. The readers take turns, started anew for every measurement
        (after one run of another picture that is not counted, which loads what a first
        picture needs), so that a change in the machine's load meets both alike. The picture
        measured differs from the first, as the same picture offered again at once is not
        taken again."""
        times = {name: [] for name in self.readers}
        for run in range(runs):
            names = list(self.readers)
            for name in names if run % 2 == 0 else reversed(names):
                reader = self.start_reader(name)
                try:
                    warm()
                    times[name].append(measure())
                finally:
                    self.stop(reader)
        self.raw = times
        return {name: statistics.median(values) for name, values in times.items()}

    def close(self):
        for proc in self.procs:
            self.stop(proc)


class WaylandSession:
    """A headless sway of its own with its XWayland; where run as root, as `nobody` (sway
    will not run as root), in a runtime folder of its own."""

    def __init__(self, tmp, env):
        if os.geteuid() == 0:
            user = pwd.getpwnam("nobody")
            self.as_user = ["setpriv", f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}",
                            "--clear-groups"]
        else:
            user = pwd.getpwuid(os.geteuid())
            self.as_user = []
        self.dir = os.path.join(tmp, "sway")
        os.mkdir(self.dir, 0o700)
        config = os.path.join(self.dir, "config")
        with open(config, "w", encoding="utf-8") as f:
            f.write("xwayland enable\n")
        os.chmod(config, 0o644)
        os.chmod(tmp, 0o711)
        os.chown(self.dir, user.pw_uid, user.pw_gid)
        self.sway_env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": self.dir,
                         "XDG_RUNTIME_DIR": self.dir, "WLR_BACKENDS": "headless",
                         "WLR_LIBINPUT_NO_DEVICES": "1", "WLR_RENDERER": "pixman"}
        self.sway = subprocess.Popen(self.as_user + ["sway", "-c", config], env=self.sway_env,
                                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, start_new_session=True)
        self.env = dict(env)

        def socket(prefix):
            found = [n for n in os.listdir(self.dir)
                     if n.startswith(prefix) and not n.endswith(".lock")]
            return os.path.join(self.dir, found[0]) if found else None
        wait_until(lambda: socket("wayland-") and socket("sway-ipc."), "sway to start")
        self.env.update(WAYLAND_DISPLAY=socket("wayland-"), SWAYSOCK=socket("sway-ipc."))
        said = os.path.join(self.dir, "display")
        wait_until(lambda: subprocess.run(["swaymsg", "exec", f'echo "$DISPLAY" > {said}'],
                                          env=self.env, capture_output=True).returncode == 0,
                   "sway to answer")
        wait_until(lambda: os.path.exists(said) and os.path.getsize(said) > 0,
                   "sway to say its X display")
        with open(said, encoding="utf-8") as f:
            self.env["DISPLAY"] = f.read().strip()
        me = pwd.getpwuid(os.geteuid()).pw_name
        subprocess.run(self.as_user + ["xhost", f"+si:localuser:{me}"],
                       env={**self.sway_env, "DISPLAY": self.env["DISPLAY"]},
                       capture_output=True, timeout=WAIT, check=True)

    def close(self):
        # sway first: it takes its XWayland and the X sockets with it.
        self.sway.send_signal(signal.SIGTERM)
        try:
            self.sway.wait(timeout=10)
        except subprocess.TimeoutExpired:
            os.killpg(self.sway.pid, signal.SIGKILL)
            self.sway.wait()


def wait_until(condition, what):
    deadline = time.monotonic() + WAIT
    while not condition():
        if time.monotonic() > deadline:
            sys.exit(f"timed out waiting for {what}")
        time.sleep(0.02)


def copy_run(command, path, env):
    """Milliseconds from the copying program's start to it losing the clipboard."""
    started = time.monotonic()
    with open(path, "rb") as picture:
        subprocess.run(command, env=env, stdin=picture, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=WAIT, check=True)
    return (time.monotonic() - started) * 1000


def wayland_medians(bench, session, runs, first, measured):
    """Median per session: vornal3 on XWayland reading through data control, fed by wl-copy,
    and vornal3 on Xvfb, fed by xclip. Each measurement starts the program anew, takes one
    other picture first (which loads what a first picture needs), then the one measured."""
    x11_env = dict(bench.env)
    ways = {
        "Wayland": (session.env, ["wl-copy", "--foreground", "--type", "image/png"]),
        "X11": (x11_env, ["xclip", "-quiet", "-selection", "clipboard", "-t", "image/png"]),
    }
    times = {name: [] for name in ways}
    for run in range(runs):
        names = list(ways)
        for name in names if run % 2 == 0 else reversed(names):
            env, command = ways[name]
            bench.env = env
            reader = bench.start_reader("vornal3")
            try:
                copy_run(command, first, env)
                times[name].append(copy_run(command, measured, env))
            finally:
                bench.stop(reader)
                bench.env = x11_env
    bench.raw = times
    return {name: statistics.median(values) for name, values in times.items()}


# Every row measured, for --json: what was measured, the program's and the comparison's runs.
ROWS = []


def record(measure, ours, peer, bench):
    names = list(bench.raw)
    ROWS.append({"measure": measure, "ours": ours, "peer": peer,
                 "ours_runs": bench.raw[names[0]], "peer_runs": bench.raw[names[1]]})


def page_cost(build):
    """Microseconds a fresh 4 KiB page costs on this machine."""
    probe = os.path.join(build, "bench", "page_cost_probe")
    out = subprocess.run([probe], capture_output=True, text=True, check=True, timeout=WAIT)
    return float(out.stdout.strip())


def table(title, header, rows):
    print(f"\n{title}\n")
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    for row in rows:
        print("| " + " | ".join(row) + " |")
    sys.stdout.flush()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--runs", type=int, default=11)
    parser.add_argument("--big-runs", type=int, default=5)
    parser.add_argument("--wayland-runs", type=int, default=11)
    parser.add_argument("--json")
    args = parser.parse_args()
    for tool in ("Xvfb", "xclip", "xdotool", "sway", "swaymsg", "Xwayland", "wl-copy",
                 "xhost"):
        if not shutil.which(tool):
            sys.exit(f"missing {tool} (scripts/install-deps.sh --test installs it)")
    tmp = tempfile.mkdtemp(prefix="vornal3-bench-")
    bench = Bench(os.path.abspath(args.build), tmp)
    try:
        cost = page_cost(bench.build)
        print(f"machine: {os.cpu_count()} cores, a fresh 4 KiB page costs {cost:.2f} us")
        if args.runs > 0:
            intake_table(bench, args.runs)
        if args.big_runs > 0:
            big_table(bench, tmp, args.big_runs)
        if args.wayland_runs > 0:
            wayland_table(bench, tmp, args.wayland_runs)
        if args.json:
            with open(args.json, "w", encoding="utf-8") as f:
                json.dump({"cores": os.cpu_count(), "fresh_page_us": cost, "rows": ROWS}, f)
    finally:
        bench.close()
        shutil.rmtree(tmp, ignore_errors=True)


def intake_table(bench, runs):
    rows = []
    for width, height in INTAKE_SIZES:
        for owner, extra in (("toolkit", []), ("PNG only", ["--png-only"])):
            owner_args = [*extra, "--synthetic", f"{width}x{height}"]
            warm_args = [*extra, "--synthetic", "640x400"]
            got = bench.medians(runs, lambda: bench.owner_run(warm_args),
                                lambda: bench.owner_run(owner_args))
            record(f"{width} x {height}, {owner} owner: set -> emptied (ms)", got["vornal3"],
                   got["bare Qt"], bench)
            rows.append([f"{width} x {height}", owner, f"{got['vornal3']:.0f} ms",
                         f"{got['bare Qt']:.0f} ms", f"{got['vornal3'] / got['bare Qt']:.2f}x"])
    table(f"Owner sets the picture -> clipboard emptied (median of {runs})",
          ["picture", "owner", "vornal3", "bare Qt", "ratio"], rows)


def big_table(bench, tmp, runs):
    rows = []
    warm = os.path.join(tmp, "warm.png")
    subprocess.run([bench.owner, "--synthetic", "640x400", "--write", warm], env=bench.env,
                   check=True, timeout=WAIT)
    for width, height in BIG_SIZES:
        path = os.path.join(tmp, f"big-{width}x{height}.png")
        subprocess.run([bench.owner, "--synthetic", f"{width}x{height}", "--write", path],
                       env=bench.env, check=True, timeout=WAIT)
        got = bench.medians(runs, lambda: bench.xclip_run(warm), lambda: bench.xclip_run(path))
        record(f"{width} x {height} PNG from xclip: start -> emptied (ms)", got["vornal3"],
               got["bare Qt"], bench)
        rows.append([f"{width} x {height}", f"{os.path.getsize(path) / 1e6:.1f} MB",
                     f"{got['vornal3']:.0f} ms", f"{got['bare Qt']:.0f} ms",
                     f"{got['vornal3'] / got['bare Qt']:.2f}x"])
    table(f"xclip starts with a PNG -> clipboard emptied (median of {runs})",
          ["picture", "PNG", "vornal3", "bare Qt", "ratio"], rows)


def wayland_table(bench, tmp, runs):
    first, measured = (os.path.join(tmp, f"wayland-{size}.png")
                       for size in ("1920x1080", "3840x2160"))
    for path in (first, measured):
        size = os.path.basename(path)[len("wayland-"):-len(".png")]
        subprocess.run([bench.owner, "--synthetic", size, "--write", path], env=bench.env,
                       check=True, timeout=WAIT)
    session = WaylandSession(tmp, bench.env)
    try:
        got = wayland_medians(bench, session, runs, first, measured)
    finally:
        session.close()
    ROWS.append({"measure": "3840 x 2160 PNG, wl-copy through data control beside xclip on "
                            "X11: start -> emptied (ms)",
                 "ours": got["Wayland"], "peer": got["X11"],
                 "ours_runs": bench.raw["Wayland"], "peer_runs": bench.raw["X11"]})
    table(f"Copying program starts with a PNG -> clipboard emptied, vornal3 (median of {runs})",
          ["picture", "PNG", "Wayland: wl-copy, data control", "X11: xclip", "ratio"],
          [["3840 x 2160", f"{os.path.getsize(measured) / 1e6:.1f} MB",
            f"{got['Wayland']:.0f} ms", f"{got['X11']:.0f} ms",
            f"{got['Wayland'] / got['X11']:.2f}x"]])


if __name__ == "__main__":
    main()
