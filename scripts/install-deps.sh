#!/usr/bin/env bash
# Installs the Debian packages Quorlin needs to build, test and run, when any is missing.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev libqt6sql6-sqlite libgl-dev qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n
    libcurl4-openssl-dev libssl-dev ca-certificates libxml2-dev libjpeg62-turbo-dev libboost-math-dev zlib1g-dev
    libbenchmark-dev
    clang libclang-rt-14-dev clang-format ccache
    fonts-wqy-microhei
    xvfb xauth x11-utils
    at-spi2-core python3-pyatspi dbus
    file librsvg2-bin desktop-file-utils appstream lintian
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing Debian packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
else
    echo "error: packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
    exit 1
fi
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
