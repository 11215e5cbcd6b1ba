#!/usr/bin/env bash
# Builds what the benchmarks need and runs every one of them (bench/all_figures.py), printing
# one table: each measure with the program's figure, its comparison's and their ratio, on a
# machine named by its cores and what a fresh page of memory costs on it.
# Usage: scripts/bench.sh [--quick]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" --test >/dev/null
source "$root/scripts/build-options.sh"
# The plain, optimised build the tests use, with the benchmarks, configured as the test script
# configures it, so that neither rebuilds it for the other.
mapfile -t plain_options <<<"$(debian_cmake_options "$root")"
cmake -S "$root" -B "$root/build" "${plain_options[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORNAL_TESTS=ON -DVORNAL_BENCH=ON -DVORNAL_SANITIZE=OFF -DVORNAL_FUZZ=OFF >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target vornal3 bare_timer_window \
    bare_clipboard_reader intake_bench dib_bench keep_bench menu_latency_probe page_cost_probe \
    qt_clipboard_owner hostile_clipboard_owner >/dev/null
# The system's Python, which has the Debian packages the benchmarks use (Pillow).
python=python3
[[ -x /usr/bin/python3 ]] && python=/usr/bin/python3
exec "$python" "$root/bench/all_figures.py" "$root/build" "$@"
