#!/usr/bin/env bash
# The idle program's CPU use, with text owned by another program on the clipboard, beside a
# bare window whose 10 ms timer does nothing. The two take turns, several rounds, so that a
# change in the machine's load meets both alike; each round gives a ratio.
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
# Milliseconds of CPU per second of idling.
measure() {
    "$@" >/dev/null 2>&1 &
    local pid=$!
    # Let start-up finish before counting.
    for _ in $(seq 100); do
        xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1 && break
        sleep 0.05
    done
    sleep 1
    local before after
    before=$(cpu_ns "$pid")
    sleep "$seconds"
    after=$(cpu_ns "$pid")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo "scale=3; ($after - $before) / 1000000 / $seconds" | bc
}

bares=() ours=() ratios=()
for round in $(seq "$rounds"); do
    if ((round % 2 == 1)); then
        bare=$(measure "$build/bench/bare_timer_window")
        mine=$(measure "$build/shell/vornal3")
    else
        mine=$(measure "$build/shell/vornal3")
        bare=$(measure "$build/bench/bare_timer_window")
    fi
    ratio=$(echo "scale=3; $mine / $bare" | bc)
    echo "round $round: bare 10 ms timer window $bare ms/s, vornal3 $mine ms/s, ratio $ratio"
    bares+=("$bare") ours+=("$mine") ratios+=("$ratio")
done
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
low=$(printf '%s\n' "${ratios[@]}" | sort -g | head -1)
high=$(printf '%s\n' "${ratios[@]}" | sort -g | tail -1)
echo "idle: bare $(median "${bares[@]}") ms/s, vornal3 $(median "${ours[@]}") ms/s," \
    "ratio $(median "${ratios[@]}") (min $low, max $high, $rounds rounds)"
