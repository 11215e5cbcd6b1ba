#!/usr/bin/env bash
# Runs the clipboard export check on a private Xvfb display. Exit 77 (skipped) when Xvfb or
# xclip is not installed.
set -euo pipefail
check="$1"
for tool in Xvfb xclip; do
    if ! command -v "$tool" >/dev/null; then
        echo "$tool is not installed: skipping"
        exit 77
    fi
done

runtime="$(mktemp -d)"
chmod 700 "$runtime"
xvfb=""
cleanup() {
    if [[ -n "$xvfb" ]]; then
        kill "$xvfb" 2>/dev/null || true
        wait "$xvfb" 2>/dev/null || true
    fi
    rm -rf "$runtime"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number to the pipe once it accepts clients.
mkfifo "$runtime/display"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$runtime/display" 2>"$runtime/xvfb.log" &
xvfb=$!
display=""
if ! read -r -t 20 display <"$runtime/display" || [[ -z "$display" ]]; then
    echo "Xvfb did not start:"
    cat "$runtime/xvfb.log"
    exit 1
fi

DISPLAY=":$display" XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=xcb "$check"
