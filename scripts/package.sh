#!/usr/bin/env bash
# Builds the Debian package build-deb/vornal3_<version>-1_<arch>.deb: a release build with
# Debian's hardening flags, installed under /usr and packed by CPack, the libraries it needs
# found by dpkg-shlibdeps. Install it with: sudo apt install ./build-deb/vornal3_*.deb
#
# With --check it is then checked as the test script does: lintian must find no error, and
# the package must hold the program, its desktop entry, icons, metadata and manual page.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-deb"
check=0
case "${1:-}" in
    "") ;;
    --check) check=1 ;;
    *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac
"$root/scripts/install-deps.sh" --package

# Every hardening Debian knows, immediate binding included.
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DVORNAL_TESTS=OFF -DVORNAL_BENCH=OFF -DVORNAL_SANITIZE=OFF -DVORNAL_FUZZ=OFF \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/vornal3_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/vornal3_*.deb)
deb="${debs[0]}"
echo "$deb"
((check)) || exit 0

status=0
# Errors fail; warnings are shown.
lintian --fail-on error --display-level ">=warning" "$deb" || status=1

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
    if ! grep -qxF "$path" <<<"$listed"; then
        echo "$deb does not hold $path" >&2
        status=1
    fi
done
depends="$(dpkg-deb --field "$deb" Depends)"
for needed in libqt6widgets6 libqt6network6 libqt6svg6 libxcb1 qt6-qpa-plugins; do
    if ! grep -qw "$needed" <<<"$depends"; then
        echo "$deb does not depend on $needed: $depends" >&2
        status=1
    fi
done
exit "$status"
