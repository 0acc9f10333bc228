#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Orvalo need. Packages that
# are already present are not touched; when everything is there, nothing runs at all.
set -euo pipefail

packages=(
    # build
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev libgl-dev
    libcurl4-openssl-dev libssl-dev libmp3lame-dev libtag1-dev libmpg123-dev zlib1g-dev
    # build: lupdate and lrelease, and the CMake package that runs them (the translations)
    qt6-l10n-tools qt6-tools-dev
    # run: the authorities https certificates are checked against, icons, audio playback,
    # Qt's own texts (the dialogs' buttons) in the user's language
    ca-certificates adwaita-icon-theme gstreamer1.0-plugins-good gstreamer1.0-libav
    qt6-translations-l10n
    # tests: the window smoke test (and a window manager for it), the fetch comparison of the
    # benchmarks, the end-to-end window test (accessibility bus, its Python bindings,
    # screenshots on failure)
    xvfb xdotool openbox curl
    python3-pyatspi at-spi2-core dbus imagemagick
)

# Callers may name a few more that only they need (scripts/package.sh: its tools).
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "install-deps: need root or sudo for: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
