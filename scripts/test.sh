#!/usr/bin/env bash
# Builds Vornal3 and runs every test: unit and widget tests (offscreen), end-to-end tests
# (the real program on a private Xvfb display), the same suite again under AddressSanitizer
# and UndefinedBehaviorSanitizer, a short run of each fuzzer, and the Debian package, checked by
# lintian. Ends with a table of each stage's time and what it counted.
#
# Two builds: the plain one (g++, with Debian's hardening flags), which the package is made
# from, and the sanitized one (clang), which the fuzzers are built in.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"
source "$root/scripts/build-options.sh"

stage_names=()
stage_times=()
stage_cpu=()
stage_counts=()
# The CPU time (user and system) of every process this script has waited for, in seconds.
# `times` must run in this shell, not in a subshell of its own.
cpu_file="$(mktemp)"
trap 'rm -f "$cpu_file"' EXIT
cpu_seconds() {
    awk 'NR == 2 {
        n = split($1 " " $2, t, " "); s = 0
        for (i = 1; i <= n; i++) { split(t[i], ms, "m"); s += ms[1] * 60 + ms[2] }
        printf "%d", s }' "$cpu_file"
}
begin_stage() {
    echo "== $1"
    stage_names+=("$1")
    stage_began=$SECONDS
    times >"$cpu_file"
    stage_cpu_began="$(cpu_seconds)"
}
end_stage() {
    stage_times+=($((SECONDS - stage_began)))
    times >"$cpu_file"
    stage_cpu+=($(($(cpu_seconds) - stage_cpu_began)))
    stage_counts+=("$1")
}

status=0
# Builds the folder with the options given and runs its suite; says how many tests passed.
run_suite() {
    local dir="$1"
    shift
    cmake -S "$root" -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$jobs" || { status=1; suite_count="build failed"; return; }
    # A build folder configured without the tests must not pass for a suite that passed.
    (cd "$dir" && ctest --output-on-failure --no-tests=error -j"$jobs" --timeout 300) \
        | tee "$dir/ctest.log" || status=1
    local failed_total
    failed_total="$(sed -nE 's/.*tests passed, ([0-9]+) tests failed out of ([0-9]+).*/\1 \2/p' \
        "$dir/ctest.log")"
    [[ -n "$failed_total" ]] || { status=1; suite_count="no tests ran"; return; }
    read -r failed total <<<"$failed_total"
    suite_count="$((total - failed))/$total tests"
    all_passed=$((all_passed + total - failed))
    all_failed=$((all_failed + failed))
}
all_passed=0
all_failed=0
last_line() {
    tail -n 1 "$1"
}

begin_stage "installing what the tests need"
"$root/scripts/install-deps.sh" --test
end_stage "-"

# Each build names every option it needs: the folders may have been configured otherwise
# before (scripts/run.sh builds the program alone in build/).
begin_stage "plain build and suite"
debian_options="$(debian_cmake_options "$root")"
mapfile -t plain_options <<<"$debian_options"
run_suite "$root/build" "${plain_options[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORNAL_TESTS=ON -DVORNAL_BENCH=ON -DVORNAL_SANITIZE=OFF -DVORNAL_FUZZ=OFF
end_stage "$suite_count"

begin_stage "AddressSanitizer + UndefinedBehaviorSanitizer build and suite"
prepare_sanitized_build "$root/build-asan"
sanitizer_environment "$root"
run_suite "$root/build-asan" "${sanitized_cmake_options[@]}"
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS
end_stage "$suite_count"

begin_stage "fuzzers"
"$root/scripts/fuzz.sh" --build "$root/build-asan" | tee "$root/build-asan/fuzz.log" || status=1
end_stage "$(last_line "$root/build-asan/fuzz.log")"

begin_stage "Debian package, from the plain build"
"$root/scripts/package.sh" --check --build "$root/build" | tee "$root/build/package.log" || status=1
end_stage "$(last_line "$root/build/package.log")"

echo
printf '%-64s %8s %8s  %s\n' "stage" "time" "CPU" "counted"
total=0
for i in "${!stage_names[@]}"; do
    total=$((total + stage_times[i]))
    printf '%-64s %5d:%02d %5d:%02d  %s\n' "${stage_names[i]}" $((stage_times[i] / 60)) \
        $((stage_times[i] % 60)) $((stage_cpu[i] / 60)) $((stage_cpu[i] % 60)) "${stage_counts[i]}"
done
printf '%-64s %5d:%02d\n' "all" $((total / 60)) $((total % 60))

if ((status)); then
    echo "SOME TESTS FAILED"
else
    echo "ALL TESTS PASSED"
fi
# Both suites' tests together, as the last line.
echo "tests: $all_passed passed, $all_failed failed"
exit "$status"
