#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds the panel and the benchmark helpers, then times, inside a sealed
# session (private Xvfb, bus and folders), the panel's first start to its
# window, a later --toggle start to the panel acting, its idle memory, and
# the floors they compare with. Prints medians, min and max.
#
#   benchmarks/startup.sh [--runs N] [--warmup N] [--verbose]
#
# NYD_BENCH_BUILD_DIR chooses the build folder (default: build-bench).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NYD_BENCH_BUILD_DIR:-$root/build-bench}

bash "$root/scripts/setup.sh"
mkdir -p "$build"
# The driver depends on the panel and on every helper it starts.
if ! { cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=ON &&
    cmake --build "$build" --target nyd-startup-bench; } >"$build/benchmark-build.log" 2>&1; then
    tail -n 40 "$build/benchmark-build.log" >&2
    echo "the build failed; all of it is in $build/benchmark-build.log" >&2
    exit 1
fi

exec "$root/scripts/session.sh" "$build/bin/nyd-startup-bench" "$@"
