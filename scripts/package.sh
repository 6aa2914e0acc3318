#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds the Debian package of the panel, checks it with lintian and prints its
# path. Its dependencies come from the shared libraries the programs use
# (dpkg-shlibdeps), plus the programs the panel starts; the debug symbols go to
# a -dbgsym package beside it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NYD_PACKAGE_BUILD_DIR:-$root/build-package}

bash "$root/scripts/setup.sh" lintian
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/nyd-search-panel*.deb "$build"/nyd-search-panel*.ddeb
(cd "$build" && cpack -G DEB >"$build/cpack.log")
package=$(ls "$build"/nyd-search-panel_*.deb)
# Its verdict on standard error; any error or warning fails the build.
lintian --fail-on error,warning "$package" >&2
echo "$package"
