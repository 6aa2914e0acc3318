#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds the Debian package of the panel and prints its path. Its dependencies
# come from the shared libraries the programs use (dpkg-shlibdeps), plus the
# programs the panel starts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NYD_PACKAGE_BUILD_DIR:-$root/build-package}

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB >"$build/cpack.log")
ls "$build"/nyd-search-panel_*.deb
