#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs every Debian package the build, the tests and the program need.
# Idempotent, and quick when everything is already there. Packages named as
# arguments come on top, for a script that alone needs them.
set -euo pipefail

packages=(
    build-essential cmake extra-cmake-modules pkg-config ninja-build clang-format
    qtbase5-dev qtbase5-dev-tools qttools5-dev qttools5-dev-tools qhelpgenerator-qt5
    qtdeclarative5-dev libqt5svg5 qt5-assistant
    libkf5runner-dev libkf5itemmodels-dev baloo-kf5-dev baloo-kf5
    libkf5config-dev libkf5coreaddons-dev libkf5notifications-dev libkf5i18n-dev
    libkf5service-dev libkf5service-bin libkf5kio-dev kio libxcb1-dev
    libkf5filemetadata-bin libqt5sql5-sqlite
    xvfb xauth x11-utils xdotool imagemagick dbus dbus-bin procps psmisc appstream
    dpkg-dev file qttranslations5-l10n gettext po4a man-db
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=
if [ "$(id -u)" -ne 0 ]; then
    SUDO=sudo
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
