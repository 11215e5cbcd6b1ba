#!/usr/bin/env bash
# Builds the libFuzzer targets with clang under AddressSanitizer and UndefinedBehaviorSanitizer
# in build-fuzz and runs each for FUZZ_SECONDS (30 by default). Exits non-zero on a crash.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"
seconds="${FUZZ_SECONDS:-30}"
fuzzers=(dib_fuzz clipboard_fuzz)

cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORNAL_FUZZ=ON -DVORNAL_SANITIZE=ON -DVORNAL_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" >/dev/null
cmake --build "$build" --target "${fuzzers[@]}" -j"$(nproc)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
for fuzzer in "${fuzzers[@]}"; do
    echo "== $fuzzer for ${seconds}s"
    mkdir -p "$work/$fuzzer"
    if ! (cd "$work" && "$build/tests/fuzz/$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 \
        -print_final_stats=1 "$work/$fuzzer"); then
        echo "$fuzzer found a crash (reproducer left in $build/crashes)"
        mkdir -p "$build/crashes"
        cp "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$build/crashes/" 2>/dev/null || true
        status=1
    fi
done
exit "$status"
