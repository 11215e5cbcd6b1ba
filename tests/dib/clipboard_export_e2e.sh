#!/usr/bin/env bash
# Runs the clipboard export check on a private Xvfb display; exit 77 (skipped) without Xvfb or
# xclip. Xvfb picks a free display and writes its number to fd 3 once it accepts clients.
set -euo pipefail
command -v Xvfb >/dev/null && command -v xclip >/dev/null || { echo "no Xvfb or xclip"; exit 77; }
runtime="$(mktemp -d)"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$runtime/display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; wait $xvfb || true; rm -rf "$runtime"' EXIT
for _ in $(seq 100); do [[ -s "$runtime/display" ]] && break; sleep 0.2; done
# On the private X server alone, not through the session's compositor.
status=0
DISPLAY=":$(cat "$runtime/display")" XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=xcb \
    WAYLAND_DISPLAY= "$1" 2>"$runtime/stderr" || status=$?
cat "$runtime/stderr" >&2
# Ending, the toolkit hands the clipboard it owns to the clipboard manager and waits for the
# answer; the program's own role stands aside first, or the toolkit waits for it in vain.
if grep -q "QXcbClipboard" "$runtime/stderr"; then
    echo "the toolkit's clipboard complained at the end"
    exit 1
fi
exit "$status"
