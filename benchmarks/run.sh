#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Every benchmark of the panel in one go, built in NYD_BENCH_BUILD_DIR (default:
# build-bench) and run in a sealed session (scripts/session.sh). Prints per target
# the figure (median, min, max), its floor measured in the same run, their ratio
# and whether the target is met, with the load average beside them.
#   benchmarks/run.sh [--runs N] [--files N] [--index-timeout SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NYD_BENCH_BUILD_DIR:-$root/build-bench}

if [ "${1:-}" != --in-session ]; then
    bash "$root/scripts/setup.sh"
    mkdir -p "$build"
    launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    if ! { cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=ON "${launcher[@]}" &&
        cmake --build "$build" --parallel "$(nproc)" --target nyd-benchmarks; } >"$build/benchmark-build.log" 2>&1; then
        tail -n 40 "$build/benchmark-build.log" >&2
        echo "the build failed; all of it is in $build/benchmark-build.log" >&2
        exit 1
    fi
    exec "$root/scripts/session.sh" bash "$0" --in-session "$@"
fi
shift

runs=10 files=2000 index_timeout=900
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) runs=$2; shift 2 ;;
    --files) files=$2; shift 2 ;;
    --index-timeout) index_timeout=$2; shift 2 ;;
    *) echo "usage: benchmarks/run.sh [--runs N] [--files N] [--index-timeout SECONDS]" >&2; exit 2 ;;
    esac
done

bin="$build/bin" logs="$build/benchmark-logs" status=0
helpers=$(dirname "$(find "$build" -path '*/libexec/nyd-search-panel/nyd-index-query' -print -quit)") # as the panel finds it
export PATH="$bin:$helpers:$PATH"
rm -rf "$logs" && mkdir -p "$logs"
echo "nyd-search-panel benchmarks, $(date '+%Y-%m-%d %H:%M'), $(nproc) CPUs, load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "(messages of the programs run: $logs)"

# The panel starts the indexer, which must not work beside the start-up figures.
printf '[Basic Settings]\nIndexing-Enabled=false\n[General]\nonly basic indexing=true\n' >"$XDG_CONFIG_HOME/baloofilerc"
"$bin/nyd-startup-bench" --runs "$runs" --log "$logs/startup.log" 2>>"$logs/startup.log" || status=1
"$bin/nyd-results-chain-bench" --runs "$runs" 2>"$logs/results-chain.log" || status=1

# A seeded corpus, and the index of its names and content as the desktop keeps it.
corpus="$HOME/corpus"
echo
"$bin/nyd-search-bench" --generate "$corpus" --files "$files" 2>"$logs/corpus.log"
kbuildsycoca5 --noincremental >"$logs/kbuildsycoca5.log" 2>&1 || true
printf '[Basic Settings]\nIndexing-Enabled=true\n[General]\nonly basic indexing=false\nfolders[$e]=%s\n' "$corpus" >"$XDG_CONFIG_HOME/baloofilerc"
# The panels above started an indexer over the home folder; this one has the corpus to itself.
dbus-send --session --dest=org.kde.baloo --type=method_call / org.kde.baloo.quit 2>/dev/null || true
while dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner string:org.kde.baloo | grep -q true; do sleep 0.1; done
rm -rf "$XDG_DATA_HOME/baloo"
baloo_file >"$logs/baloo_file.log" 2>&1 &

field() { sed -n "s/^$1: *//p" <<<"$index_status" | head -n 1 | tr -dc '0-9A-Za-z'; }
start=$SECONDS
while :; do
    sleep 1
    index_status=$(balooctl status 2>/dev/null || true)
    indexed=$(field "Total files indexed" | tr -dc '0-9')
    waiting=$(field "Files waiting for content indexing" | tr -dc '0-9')
    indexed=${indexed:-0} waiting=${waiting:-0}
    elapsed=$((SECONDS - start))
    if [ "$indexed" -ge "$files" ] && [ "$waiting" -eq 0 ] && [[ "$(field "Indexer state")" == Idle* ]]; then
        echo "indexed in $elapsed s: $indexed files and folders, names and content" && break
    elif [ "$elapsed" -ge "$index_timeout" ]; then
        echo "stopped waiting for the index after $elapsed s: $indexed indexed, $waiting waiting for content" && break
    elif [ $((elapsed % 15)) -eq 0 ]; then
        echo "  indexing, $elapsed s: $indexed files indexed, $waiting waiting for content"
    fi
done

"$bin/nyd-search-bench" --measure --runs "$runs" 2>"$logs/search.log" || status=1
printf '\nload average at the end: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
exit $status
