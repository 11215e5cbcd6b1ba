# Sourced by the scripts that build: the CMake options of the builds they share, so that a
# build configured by one is not rebuilt by another.

# debian_cmake_options ROOT prints, one a line, the options that give a build Debian's compiler
# and linker flags with every hardening Debian knows, immediate binding included: the package's
# (scripts/package.sh), and the test script's plain build, which the package is made from. The
# flags are asked for in the source folder, whose path they map away, so that they are the same
# wherever a script is started.
debian_cmake_options() {
    (
        cd "$1"
        export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
        echo "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
        echo "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)"
    )
}

# The sanitized build (build-asan): clang with AddressSanitizer and UndefinedBehaviorSanitizer,
# assertions on, optimized enough to run the suite and the fuzzers at a useful speed, with the
# tests and the fuzzers (scripts/fuzz.sh).
sanitized_cmake_options=(
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug
    -DCMAKE_C_FLAGS=-O1 -DCMAKE_CXX_FLAGS=-O1
    -DVORNAL_TESTS=ON -DVORNAL_BENCH=OFF -DVORNAL_SANITIZE=ON -DVORNAL_FUZZ=ON
)
# prepare_sanitized_build DIR empties DIR when another compiler built it: CMake cannot change
# the compiler of a build folder.
prepare_sanitized_build() {
    if [[ -f "$1/CMakeCache.txt" ]] && ! grep -q '^CMAKE_CXX_COMPILER:.*clang++$' "$1/CMakeCache.txt"; then
        rm -rf "$1"
    fi
}

# The sanitizers' options for running what the sanitized build made: stop at the first fault,
# leaks included, but not at the system libraries' own (scripts/lsan.supp).
sanitizer_environment() {
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
    export LSAN_OPTIONS="suppressions=$1/scripts/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
}
