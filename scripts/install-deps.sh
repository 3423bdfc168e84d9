#!/usr/bin/env bash
# Installs from Debian's packages whatever the build, the client and the tests need and is
# missing, and the packages named as arguments, and generates the locale zh_CN.UTF-8 that the
# tests run under a second time. Safe to run again: what is present already is skipped.
set -euo pipefail

# libqt6multimedia6 carries Qt Multimedia's backend plugins (GStreamer, FFmpeg) that play the
# alert sound.
packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev qt6-translations-l10n
    libqt6multimedia6
    libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc libpq-dev libxcb1-dev
    unixodbc unixodbc-dev tdsodbc freetds-bin
    postgresql
    fonts-wqy-microhei fonts-arphic-uming
    xvfb xauth
    desktop-file-utils appstream
    locales tzdata
    "$@"
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

# Through /etc/locale.gen, so that a later locale-gen keeps it.
generate_locale() {
    locale -a 2>/dev/null | grep -qix "zh_CN.utf8" && return 0
    echo "Generating the locale zh_CN.UTF-8"
    if grep -q "^# *zh_CN.UTF-8 UTF-8" /etc/locale.gen; then
        "${sudo_cmd[@]}" sed -i "s/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/" /etc/locale.gen
    elif ! grep -q "^zh_CN.UTF-8 UTF-8" /etc/locale.gen; then
        echo "zh_CN.UTF-8 UTF-8" | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
    fi
    "${sudo_cmd[@]}" locale-gen >/dev/null
    locale -a | grep -qix "zh_CN.utf8" || { echo "locale-gen did not make zh_CN.UTF-8" >&2; exit 1; }
}

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
generate_locale
