#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs what is missing, builds and installs into build/prefix, and starts
# the panel. Where there is no display, it shows the panel on a private Xvfb,
# saves a screenshot and prints the file's path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NYD_BUILD_DIR:-$root/build}
prefix="$build/prefix"

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
cmake --build "$build" -j "$(nproc)"
cmake --install "$build" >/dev/null
panel="$prefix/bin/nyd-search-panel"

if [ -n "${DISPLAY:-}" ]; then
    exec "$panel" "$@"
fi

shot="$root/build/nyd-search-panel.png"
"$root/scripts/session.sh" bash -c '
    panel=$1; shot=$2; shift 2
    "$panel" "$@" &
    for _ in $(seq 100); do
        xwininfo -name "Nyd search panel" 2>/dev/null | grep -q "Map State: IsViewable" && break
        sleep 0.1
    done
    sleep 0.5
    import -window root "$shot"
    "$panel" --quit
    wait
' demo "$panel" "$shot" "$@"
echo "$shot"
