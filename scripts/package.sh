#!/usr/bin/env bash
# Builds the Debian package build-deb/vornal3_<version>-1_<arch>.deb: a release build with
# Debian's hardening flags, installed under /usr and packed by CPack, the libraries it needs
# found by dpkg-shlibdeps. Install it with: sudo apt install ./build-deb/vornal3_*.deb
#
# With --check it is then checked as the test script does: lintian must find no error, and
# the package must hold the program, its desktop entry, icons, metadata and manual page.
#
# With --build DIR the package is made in DIR from the build there (the test script's plain
# build, configured with the same flags), which is brought up to date first but otherwise
# kept as it was configured: its tests and benchmarks are built and not packed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-deb"
own_build=1
check=0
while (($#)); do
    case "$1" in
        --check) check=1 ;;
        --build)
            (($# >= 2)) || { echo "usage: $0 [--check] [--build DIR]" >&2; exit 2; }
            build="$(cd "$2" && pwd)"
            own_build=0
            shift
            ;;
        *) echo "usage: $0 [--check] [--build DIR]" >&2; exit 2 ;;
    esac
    shift
done
"$root/scripts/install-deps.sh" --package
source "$root/scripts/build-options.sh"
flags="$(debian_cmake_options "$root")"
mapfile -t options <<<"$flags"

# A release build without the sanitizers, in any case; a folder of its own holds the program
# alone, installed under /usr.
options+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORNAL_SANITIZE=OFF -DVORNAL_FUZZ=OFF)
if ((own_build)); then
    options+=(-DCMAKE_INSTALL_PREFIX=/usr -DVORNAL_TESTS=OFF -DVORNAL_BENCH=OFF)
fi
cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/vornal3_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/vornal3_*.deb)
deb="${debs[0]}"
echo "$deb"
((check)) || exit 0

# Each check that fails is counted; the last line tells how many passed.
checks=0
failed=0
check_failed() {
    echo "$deb $1" >&2
    failed=$((failed + 1))
}
# Errors fail; warnings are shown.
checks=$((checks + 1))
lintian --fail-on error --display-level ">=warning" "$deb" || check_failed "has lintian errors"

id=net.vornal.Vornal3
listed="$(dpkg-deb --contents "$deb" | awk '{print $NF}')"
expected=(./usr/bin/vornal3 "./usr/share/applications/$id.desktop"
    "./usr/share/metainfo/$id.metainfo.xml" ./usr/share/man/man1/vornal3.1.gz
    ./usr/share/doc/vornal3/copyright ./usr/share/doc/vornal3/changelog.Debian.gz
    "./usr/share/icons/hicolor/scalable/apps/$id.svg")
for size in 16 22 24 32 48 64 128 256; do
    expected+=("./usr/share/icons/hicolor/${size}x$size/apps/$id.png")
done
for path in "${expected[@]}"; do
    checks=$((checks + 1))
    grep -qxF "$path" <<<"$listed" || check_failed "does not hold $path"
done
depends="$(dpkg-deb --field "$deb" Depends)"
for needed in libqt6widgets6 libqt6network6 libqt6svg6 libxcb1 qt6-qpa-plugins; do
    checks=$((checks + 1))
    grep -qw "$needed" <<<"$depends" || check_failed "does not depend on $needed: $depends"
done
echo "package checks passed: $((checks - failed))/$checks"
((failed == 0))
