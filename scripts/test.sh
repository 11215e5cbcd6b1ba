#!/usr/bin/env bash
# Builds Vornal3 and runs every test: unit and widget tests (offscreen), end-to-end tests
# (the real program on a private Xvfb display), the same suite again under AddressSanitizer
# and UndefinedBehaviorSanitizer, a short run of each fuzzer, and the Debian package, checked by
# lintian.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"
"$root/scripts/install-deps.sh" --test

status=0
run_suite() {
    local dir="$1"
    shift
    cmake -S "$root" -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
    # A build folder configured without the tests must not pass for a suite that passed.
    (cd "$dir" && ctest --output-on-failure --no-tests=error -j"$jobs" --timeout 300) || status=1
}

# Each stage names every option it needs: the folders may have been configured otherwise
# before (scripts/run.sh builds the program alone in build/).
echo "== plain build"
run_suite "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNAL_TESTS=ON -DVORNAL_BENCH=ON \
    -DVORNAL_SANITIZE=OFF -DVORNAL_FUZZ=OFF

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
run_suite "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DVORNAL_TESTS=ON -DVORNAL_BENCH=OFF \
    -DVORNAL_SANITIZE=ON -DVORNAL_FUZZ=OFF
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

if [[ -x "$root/scripts/fuzz.sh" ]]; then
    echo "== fuzzers"
    "$root/scripts/fuzz.sh" || status=1
fi

echo "== Debian package"
"$root/scripts/package.sh" --check || status=1

if ((status)); then
    echo "SOME TESTS FAILED"
else
    echo "ALL TESTS PASSED"
fi
exit "$status"
