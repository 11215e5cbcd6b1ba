#!/usr/bin/env bash
# The idle program's CPU use, with text owned by another program on the clipboard, beside a
# bare window whose 10 ms timer does nothing. The two run side by side over the same seconds,
# several rounds; each round gives a ratio.
# Usage: bench/idle_cpu.sh BUILD_DIR [SECONDS] [ROUNDS]
# Prints a line per round and a summary line:
#   idle: bare B ms/s, vornal3 V ms/s, ratio R (min MIN, max MAX, ROUNDS rounds)
set -euo pipefail
build="${1:?build folder}"
seconds="${2:-10}"
rounds="${3:-3}"
tmp="$(mktemp -d)"
export XDG_RUNTIME_DIR="$tmp/run" XDG_CONFIG_HOME="$tmp/config" XDG_STATE_HOME="$tmp/state"
# On the private X server alone, not through the session's compositor.
unset WAYLAND_DISPLAY
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"
chmod 700 "$XDG_RUNTIME_DIR"

Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>"$tmp/display" >/dev/null 2>&1 &
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$tmp"' EXIT
for _ in $(seq 100); do [[ -s "$tmp/display" ]] && break; sleep 0.05; done
export DISPLAY=":$(cat "$tmp/display")"

printf 'some text' | xclip -selection clipboard -quiet >/dev/null 2>&1 &

# Nanoseconds on a processor, all threads of the process together (the scheduler's own count,
# far finer than the clock ticks of /proc/PID/stat).
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {print s}'; }
# Starts a program and waits until its window shows and its start-up is over; says its pid.
start() {
    "$@" >/dev/null 2>&1 &
    local pid=$!
    for _ in $(seq 100); do
        xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1 && break
        sleep 0.05
    done
    echo "$pid"
}
# Milliseconds of CPU per second of idling, of both programs over the same seconds: on a virtual
# machine the cost of a wake-up drifts by half and more within a minute, so programs measured in
# turn meet different machines, and programs measured side by side (one core each) the same.
measure_both() {
    local bare_pid mine_pid
    bare_pid=$(start "$build/bench/bare_timer_window")
    mine_pid=$(start "$build/shell/vornal3")
    sleep 1
    local bare_before mine_before bare_after mine_after
    bare_before=$(cpu_ns "$bare_pid")
    mine_before=$(cpu_ns "$mine_pid")
    sleep "$seconds"
    bare_after=$(cpu_ns "$bare_pid")
    mine_after=$(cpu_ns "$mine_pid")
    kill "$bare_pid" "$mine_pid"
    wait "$bare_pid" "$mine_pid" 2>/dev/null || true
    bare=$(echo "scale=3; ($bare_after - $bare_before) / 1000000 / $seconds" | bc)
    mine=$(echo "scale=3; ($mine_after - $mine_before) / 1000000 / $seconds" | bc)
}

bares=() ours=() ratios=()
for round in $(seq "$rounds"); do
    measure_both
    ratio=$(echo "scale=3; $mine / $bare" | bc)
    echo "round $round: bare 10 ms timer window $bare ms/s, vornal3 $mine ms/s, ratio $ratio"
    bares+=("$bare") ours+=("$mine") ratios+=("$ratio")
done
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
low=$(printf '%s\n' "${ratios[@]}" | sort -g | head -1)
high=$(printf '%s\n' "${ratios[@]}" | sort -g | tail -1)
echo "idle: bare $(median "${bares[@]}") ms/s, vornal3 $(median "${ours[@]}") ms/s," \
    "ratio $(median "${ratios[@]}") (min $low, max $high, $rounds rounds)"
