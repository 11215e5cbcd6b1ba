#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Vornal3 need.
# Idempotent: installs nothing when everything is there; refreshes the package lists only
# when something is missing.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-svg-dev qt6-qpa-plugins fonts-dejavu-core fonts-liberation
    libxcb1-dev libxcb-xfixes0-dev libxcb-sync-dev
    libwayland-dev libwayland-bin qt6-wayland
)
if [[ "${1:-}" == "--test" ]]; then
    packages+=(
        libgtest-dev libgmock-dev libbenchmark-dev
        clang libclang-rt-14-dev
        xvfb xclip xdotool x11-utils imagemagick python3 python3-pil bc libxcb-xtest0-dev
        sway xwayland wl-clipboard x11-xserver-utils grim
        # Beside the program in the tests: GNOME's compositor, a desktop's screenshot tool and
        # clipboard managers (on a D-Bus session), and GTK programs that copy and end.
        mutter dbus dbus-daemon python3-gi gir1.2-gtk-3.0
        xfce4-screenshooter xfce4-clipman parcellite
    )
fi
# The Debian package (scripts/package.sh) and the checks of what an install puts in place.
if [[ "${1:-}" == "--test" || "${1:-}" == "--package" ]]; then
    packages+=(dpkg-dev lintian file desktop-file-utils appstream man-db)
fi
# The end-to-end test of an install minimizes a window, which takes a window manager.
if [[ "${1:-}" == "--test" ]]; then
    packages+=(openbox)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if ((${#missing[@]})); then
    sudo=""
    if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi
