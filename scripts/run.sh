#!/usr/bin/env bash
# Builds Vornal3 and starts it on the current X display.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
source "$root/scripts/build-options.sh"
# The program alone, plainly built, whatever the folder was configured with before; with the
# flags of the test script's plain build, in the same folder, so that the test script run
# afterwards compiles only what the program does not hold.
mapfile -t plain_options <<<"$(debian_cmake_options "$root")"
cmake -S "$root" -B "$root/build" "${plain_options[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORNAL_SANITIZE=OFF -DVORNAL_TESTS=OFF -DVORNAL_BENCH=OFF -DVORNAL_FUZZ=OFF >/dev/null
cmake --build "$root/build" --target vornal3 -j"$(nproc)"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "vornal3: no display to open (DISPLAY is not set); to run it on a virtual display: xvfb-run -a $0" >&2
    exit 1
fi
exec "$root/build/shell/vornal3" "$@"
