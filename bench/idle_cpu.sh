#!/usr/bin/env bash
# The idle program's CPU use over a while, with text owned by another program on the
# clipboard, beside a bare window whose 10 ms timer does nothing.
# Usage: bench/idle_cpu.sh BUILD_DIR [SECONDS]
set -euo pipefail
build="${1:?build folder}"
seconds="${2:-10}"
tmp="$(mktemp -d)"
export XDG_RUNTIME_DIR="$tmp/run" XDG_CONFIG_HOME="$tmp/config" XDG_STATE_HOME="$tmp/state"
# On the private X server alone, not through the session's compositor.
unset WAYLAND_DISPLAY
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"
chmod 700 "$XDG_RUNTIME_DIR"

Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>"$tmp/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$tmp"' EXIT
for _ in $(seq 100); do [[ -s "$tmp/display" ]] && break; sleep 0.05; done
export DISPLAY=":$(cat "$tmp/display")"

printf 'some text' | xclip -selection clipboard -quiet >/dev/null 2>&1 &

ticks_of() { awk '{print $14 + $15}' "/proc/$1/stat"; }
measure() {
    "$@" >/dev/null 2>&1 &
    local pid=$!
    # Let start-up finish before counting.
    for _ in $(seq 100); do
        xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1 && break
        sleep 0.05
    done
    local before after
    before=$(ticks_of "$pid")
    sleep "$seconds"
    after=$(ticks_of "$pid")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo "scale=2; ($after - $before) * 100 / $(getconf CLK_TCK) / $seconds" | bc
}

bare=$(measure "$build/bench/bare_timer_window")
ours=$(measure "$build/shell/vornal3")
echo "CPU over ${seconds}s: bare 10 ms timer window ${bare}%, vornal3 ${ours}%"
