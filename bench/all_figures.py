#!/usr/bin/env python3
"""Every benchmark the README lists, in one table: each row gives what is measured, the
program's figure, its comparison's figure and their ratio (with the spread of the ratios of
single runs where the benchmark pairs its runs). The table names the machine: its cores and
what a fresh 4 KiB page of memory costs on it.

  bench/all_figures.py BUILD_DIR [--quick]

--quick takes fewer runs of each, for a first look; its spreads are wider.
"""

import argparse
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def run(command, **kwargs):
    print(f"running: {' '.join(command)}", file=sys.stderr, flush=True)
    return subprocess.run(command, check=True, **kwargs)


def spread(ours_runs, peer_runs):
    """The least and greatest ratio of runs measured in turn, or None."""
    ratios = [o / p for o, p in zip(ours_runs, peer_runs) if p]
    return (min(ratios), max(ratios)) if len(ratios) > 1 else None


class Table:

    def __init__(self):
        self.rows = []

    def add(self, measure, ours, peer, unit, ratios=None, note=""):
        self.rows.append((measure, ours, peer, unit, ratios, note))

    def print(self, machine):
        print(f"\nVornal3 figures on {machine}\n")
        print("| measure | vornal3 | comparison | ratio (spread) |")
        print("|---|---|---|---|")
        for measure, ours, peer, unit, ratios, note in self.rows:
            def shown(value):
                if value is None:
                    return "-"
                return f"{value:.3g} {unit}" if value < 100 else f"{value:.0f} {unit}"
            ratio = "-"
            if ours is not None and peer:
                ratio = f"{ours / peer:.2f}x"
                if ratios:
                    ratio += f" ({ratios[0]:.2f}-{ratios[1]:.2f})"
            print(f"| {measure} | {shown(ours)} | {note or ''}{shown(peer)} | {ratio} |")


def google_benchmark(build, name, tmp):
    """Real time per run (in the benchmark's unit) and counters, by benchmark name."""
    out = os.path.join(tmp, f"{name}.json")
    run([os.path.join(build, "bench", name), "--benchmark_format=json",
         f"--benchmark_out={out}", "--benchmark_out_format=json"], stdout=subprocess.DEVNULL)
    with open(out, encoding="utf-8") as f:
        data = json.load(f)
    return {b["name"]: b for b in data["benchmarks"]}


def intake_rows(table, build, tmp):
    got = google_benchmark(build, "intake_bench", tmp)
    idle = got.get("BM_IdleTickWithTextOnTheClipboard")
    if idle:
        table.add("idle clipboard tick (offscreen)", idle["real_time"], None, idle["time_unit"])
    for size in ("1920/1080", "3840/2160"):
        width, height = size.split("/")
        ours = got.get(f"BM_IntakeTickToWindowShown/width:{width}/height:{height}/keep:0")
        peer = got.get(f"BM_PlainCopyOfThePixels/{size}")
        if ours and peer:
            table.add(f"{size.replace('/', ' x ')} picture, tick -> window shown, beside one "
                      "plain copy of its pixels", ours["real_time"], peer["real_time"],
                      ours["time_unit"])
    kept = got.get("BM_IntakeTickToWindowShown/width:3840/height:2160/keep:1")
    plain = got.get("BM_IntakeTickToWindowShown/width:3840/height:2160/keep:0")
    if kept and plain:
        table.add("3840 x 2160 picture, tick -> window shown, kept on disk beside not kept",
                  kept["real_time"], plain["real_time"], kept["time_unit"])
    ours = got.get("BM_TransferInParts/3840/2160")
    peer = got.get("BM_ReservedArrayInParts/3840/2160")
    if ours and peer:
        table.add("3840 x 2160 BMP held in 64 KiB parts, beside a reserved byte array",
                  ours["real_time"], peer["real_time"], ours["time_unit"])
    for size in ("1920/1080", "3840/2160"):
        memory = got.get(f"BM_ResidentMemoryPerOpenCapture/{size}/iterations:1")
        if memory:
            table.add(f"resident memory per open {size.replace('/', ' x ')} capture, beside its "
                      "pixels", memory["resident_MiB_per_window"], memory["picture_MiB"], "MiB")


def dib_rows(table, build, tmp):
    got = google_benchmark(build, "dib_bench", tmp)
    for i in range(4):
        ours = got.get(f"BM_Resample/{i}")
        peer = got.get(f"BM_ResampleOpenCv/{i}")
        note = "cv::resize "
        if not peer:
            peer, note = got.get(f"BM_ResampleFloorCopy/{i}"), "plain copy "
        if ours and peer:
            table.add(f"resample {ours.get('label', i)}", ours["real_time"], peer["real_time"],
                      ours["time_unit"], note=note)
    floor24 = got.get("BM_BigFloorCopy/0")
    floor32 = got.get("BM_BigFloorCopy/1")
    for name, label, floor in (("BM_RandomiseBits/1", "noise fill, grey", floor24),
                               ("BM_RandomiseBits/0", "noise fill, colour", floor24),
                               ("BM_BitBltSrcCopy", "block transfer, 24-bit", floor24),
                               ("BM_BitBltSrcCopyToScreenFormat", "block transfer to 32-bit",
                                floor32)):
        ours = got.get(name)
        if ours and floor:
            table.add(f"{label} 3840 x 2160", ours["real_time"], floor["real_time"],
                      ours["time_unit"], note="plain copy ")


def keep_rows(table, build, tmp):
    got = google_benchmark(build, "keep_bench", tmp)
    ours = got.get("BM_CaptureTakenToDisk/3840/2160/real_time")
    peer = got.get("BM_PlainWriteToDisk/3840/2160/real_time")
    if ours and peer:
        table.add("3840 x 2160 capture, taken -> kept on disk, beside a plain write of its bytes",
                  ours["real_time"], peer["real_time"], ours["time_unit"])


def idle_rows(table, build, seconds, rounds):
    out = run([os.path.join(HERE, "idle_cpu.sh"), build, str(seconds), str(rounds)],
              capture_output=True, text=True).stdout
    pairs = [(float(o), float(b)) for b, o in
             re.findall(r"window ([\d.]+) ms/s, vornal3 ([\d.]+) ms/s", out)]
    if pairs:
        ours = statistics.median(o for o, _ in pairs)
        peer = statistics.median(b for _, b in pairs)
        table.add("idle CPU, text on the clipboard, beside a bare 10 ms timer window", ours, peer,
                  "ms/s", spread([o for o, _ in pairs], [b for _, b in pairs]))


def json_rows(table, command, tmp, name):
    out = os.path.join(tmp, f"{name}.json")
    run([*command, "--json", out], stdout=subprocess.DEVNULL)
    with open(out, encoding="utf-8") as f:
        data = json.load(f)
    for row in data["rows"]:
        ratios = None
        if "ours_runs" in row:
            ratios = spread(row["ours_runs"], row["peer_runs"])
        table.add(row["measure"].replace(" (ms)", ""), row["ours"], row["peer"], "ms", ratios)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--quick", action="store_true")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    quick = args.quick
    table = Table()
    with tempfile.TemporaryDirectory(prefix="vornal3-figures-") as tmp:
        cost = float(run([os.path.join(build, "bench", "page_cost_probe")], capture_output=True,
                         text=True).stdout)
        steps = [
            ("idle CPU", lambda: idle_rows(table, build, 5 if quick else 10,
                                           3 if quick else 7)),
            ("intake_bench", lambda: intake_rows(table, build, tmp)),
            ("clipboard_intake.py", lambda: json_rows(
                table, [sys.executable, os.path.join(HERE, "clipboard_intake.py"), build,
                        "--runs", "3" if quick else "9", "--big-runs", "1" if quick else "3",
                        "--wayland-runs", "3" if quick else "9"], tmp, "intake")),
            ("menu_latency.py", lambda: json_rows(
                table, [sys.executable, os.path.join(HERE, "menu_latency.py"), build,
                        "--runs", "1" if quick else "3"], tmp, "menu")),
            ("keep_bench", lambda: keep_rows(table, build, tmp)),
            ("dib_bench", lambda: dib_rows(table, build, tmp)),
        ]
        for name, step in steps:
            # A benchmark that fails is said in its row; the others are measured all the same.
            try:
                step()
            except (subprocess.CalledProcessError, OSError, ValueError, KeyError) as e:
                table.add(f"{name}: FAILED ({e})", None, None, "")
    try:
        with open("/sys/kernel/mm/transparent_hugepage/enabled", encoding="utf-8") as f:
            huge = re.search(r"\[(\w+)\]", f.read()).group(1)
    except (OSError, AttributeError):
        huge = "unknown"
    table.print(f"{os.cpu_count()} cores, a fresh 4 KiB page costs {cost:.2f} us, "
                f"transparent huge pages: {huge}")


if __name__ == "__main__":
    main()
