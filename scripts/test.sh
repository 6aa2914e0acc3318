#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs what is missing, builds, and runs every test, each in a sealed
# session of its own (CTest starts them through scripts/session.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NYD_BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
exec ctest --test-dir "$build" --output-on-failure --timeout 600 "$@"
