#!/usr/bin/env bash
# Builds Vornal3 and starts it on the current X display.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -DVORNAL_TESTS=OFF -DVORNAL_BENCH=OFF >/dev/null
cmake --build "$root/build" --target vornal3 -j"$(nproc)"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "vornal3: no display to open (DISPLAY is not set); to run it on a virtual display: xvfb-run -a $0" >&2
    exit 1
fi
exec "$root/build/shell/vornal3" "$@"
