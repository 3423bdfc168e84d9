#!/usr/bin/env bash
# Installs from Debian's packages whatever the build, the client and the tests need and is
# missing, and the packages named as arguments. Safe to run again: packages already present are
# skipped.
set -euo pipefail

# libqt6multimedia6 carries Qt Multimedia's backend plugins (GStreamer, FFmpeg) that play the
# alert sound.
packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev qt6-translations-l10n
    libqt6multimedia6
    libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc libpq-dev
    unixodbc unixodbc-dev tdsodbc freetds-bin
    postgresql
    fonts-wqy-microhei fonts-arphic-uming
    xvfb xauth
    desktop-file-utils appstream
    "$@"
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
