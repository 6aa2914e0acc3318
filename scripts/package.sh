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
debug=$(ls "$build"/nyd-search-panel-dbgsym_*.ddeb)
# CPack lists the debug package's files in its md5sums by their paths in its
# own staging folder: list them anew, as installed. Its documentation is the
# package's own, as Debian's debug packages have it.
staging=$(mktemp -d) && chmod 755 "$staging"
dpkg-deb -R "$debug" "$staging"
mkdir -p "$staging/usr/share/doc"
ln -s nyd-search-panel "$staging/usr/share/doc/nyd-search-panel-dbgsym"
(cd "$staging" && find usr -type f -exec md5sum {} + | sort -k 2 >DEBIAN/md5sums)
dpkg-deb --root-owner-group -b "$staging" "$debug" >/dev/null
rm -rf "$staging"
# Its verdict on standard error; any error or warning fails the build.
lintian --fail-on error,warning "$package" "$debug" >&2
echo "$package"
