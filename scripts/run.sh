#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs what is missing, builds and installs into build/prefix, and starts
# the panel. Where there is no display, it shows the panel of the build on a
# private Xvfb over a few indexed sample files with a query typed, and prints
# the paths of screenshots of its results and of its settings dialog.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NYD_BUILD_DIR:-$root/build}
prefix="$build/prefix"

# The icon theme of a KDE desktop, which the package recommends: without it the
# results show no icons.
bash "$root/scripts/setup.sh" breeze-icon-theme
# Qt's own plugin folder only where Qt itself is installed: a build first
# configured for /usr would install the runners there.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DKDE_INSTALL_USE_QT_SYS_PATHS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
cmake --install "$build" >/dev/null
panel="$prefix/bin/nyd-search-panel"

if [ -n "${DISPLAY:-}" ]; then
    # The plugins, notification and help of the install, as the desktop finds those of a package.
    # shellcheck source=/dev/null
    set +u && source "$build/prefix.sh" && set -u
    exec "$panel" "$@"
fi

# No display: a demonstration on a private one, over sample files.
results="$build/nyd-search-panel.png" settings="$build/nyd-search-settings.png"
"$root/scripts/session.sh" bash "$root/scripts/demo.sh" "$build" "$results" "$settings"
echo "$results"
echo "$settings"
