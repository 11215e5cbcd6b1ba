#!/usr/bin/env bash
# Runs each libFuzzer target for FUZZ_SECONDS (30 by default), all at once, one a core. They are
# built in the sanitized build (build-asan: clang with AddressSanitizer and
# UndefinedBehaviorSanitizer, see scripts/build-options.sh), configured here unless --build
# names a folder configured so already (the test script's). Exits non-zero on a crash; the
# last line tells how many fuzzers ran clean and how many inputs they tried.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/build-options.sh"
build="$root/build-asan"
configure=1
case "${1:-}" in
    "") ;;
    --build)
        (($# == 2)) || { echo "usage: $0 [--build DIR]" >&2; exit 2; }
        build="$(cd "$2" && pwd)"
        configure=0
        ;;
    *) echo "usage: $0 [--build DIR]" >&2; exit 2 ;;
esac
seconds="${FUZZ_SECONDS:-30}"
fuzzers=(dib_fuzz clipboard_fuzz)

if ((configure)); then
    prepare_sanitized_build "$build"
    cmake -S "$root" -B "$build" "${sanitized_cmake_options[@]}" >/dev/null
fi
cmake --build "$build" --target "${fuzzers[@]}" -j"$(nproc)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
sanitizer_environment "$root"
pids=()
for fuzzer in "${fuzzers[@]}"; do
    echo "== $fuzzer for ${seconds}s"
    mkdir -p "$work/$fuzzer/corpus" "$work/$fuzzer/found"
    # Each in a folder of its own, where libFuzzer leaves what made it fail.
    (cd "$work/$fuzzer/found" && exec "$build/tests/fuzz/$fuzzer" -max_total_time="$seconds" \
        -rss_limit_mb=2048 -print_final_stats=1 "$work/$fuzzer/corpus") >"$work/$fuzzer.log" 2>&1 &
    pids+=($!)
done
status=0
clean=0
inputs=0
for i in "${!fuzzers[@]}"; do
    fuzzer="${fuzzers[i]}"
    if wait "${pids[i]}"; then
        clean=$((clean + 1))
        grep '^stat::' "$work/$fuzzer.log" | sed "s/^/$fuzzer /"
    else
        tail -n 80 "$work/$fuzzer.log"
        echo "$fuzzer found a crash (reproducer left in $build/crashes)"
        mkdir -p "$build/crashes"
        cp "$work/$fuzzer/found"/* "$build/crashes/" 2>/dev/null || true
        status=1
    fi
    # The figure is printed again after a crash: the last one counts.
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$fuzzer.log" | tail -n 1)"
    inputs=$((inputs + ${runs:-0}))
done
echo "fuzzers clean: $clean/${#fuzzers[@]}, $inputs inputs"
exit "$status"
