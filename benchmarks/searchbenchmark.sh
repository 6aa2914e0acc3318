#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Keystroke to shown results in the panel, with its real runners over a real
# file index of generated files, beside the index's own command line search
# (baloosearch) on the same words. Builds what it needs, then runs all of it
# inside a sealed session (scripts/session.sh). Prints figures only.
#
#   benchmarks/searchbenchmark.sh [--runs N] [--files N] [--index-timeout SECONDS] [--key-delay MS]
#
# NYD_SEARCH_BENCH_BUILD_DIR chooses the build folder (default: build-sbench).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NYD_SEARCH_BENCH_BUILD_DIR:-$root/build-sbench}
driver="$build/bin/nyd-search-bench"

if [ "${1:-}" != "--in-session" ]; then
    bash "$root/scripts/setup.sh"
    mkdir -p "$build"
    if ! { cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=ON &&
        cmake --build "$build" --target nyd-search-bench nydservices nydbaloosearch nydhelp; } >"$build/searchbenchmark-build.log" 2>&1; then
        tail -n 40 "$build/searchbenchmark-build.log" >&2
        echo "the build failed; all of it is in $build/searchbenchmark-build.log" >&2
        exit 1
    fi
    exec "$root/scripts/session.sh" bash "$0" --in-session "$@"
fi
shift

runs=10
files=20000
index_timeout=900
key_delay=100
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) runs=$2; shift 2 ;;
    --files) files=$2; shift 2 ;;
    --index-timeout) index_timeout=$2; shift 2 ;;
    --key-delay) key_delay=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done

[ -n "${NYD_SESSION_DIR:-}" ] || { echo "run inside scripts/session.sh" >&2; exit 1; }
logs="$build/searchbenchmark-logs"
rm -rf "$logs" && mkdir -p "$logs"
corpus="$HOME/corpus"

echo "Search benchmark, $(date '+%Y-%m-%d %H:%M'), $(nproc) CPUs, load average $(cut -d' ' -f1-3 /proc/loadavg)"
ms() { date +%s%3N; }
seconds() { printf '%d.%d' $(($1 / 1000)) $(($1 % 1000 / 100)); }

start=$(ms)
"$driver" --generate "$corpus" --files "$files"
echo "  written in $(seconds $(($(ms) - start))) s"

# The menu entries' cache, as a desktop session has it, for the applications runner.
kbuildsycoca5 --noincremental >"$logs/kbuildsycoca5.log" 2>&1 || true

# Only the corpus, names and content.
cat >"$XDG_CONFIG_HOME/baloofilerc" <<CONF
[Basic Settings]
Indexing-Enabled=true

[General]
only basic indexing=false
folders[\$e]=$corpus
CONF

baloo_file >"$logs/baloo_file.log" 2>&1 &

number() { tr -dc '0-9' <<<"$1"; }
field() { sed -n "s/^$1: *//p" <<<"$status" | head -n 1; }

echo "indexing with baloo_file (at most ${index_timeout} s; progress every 15 s)"
start=$(ms)
content_start=
content_start_waiting=
last_print=-15
estimated=
while :; do
    sleep 1
    now=$(ms)
    elapsed=$((now - start))
    status=$(balooctl status 2>/dev/null || true)
    state=$(field "Indexer state")
    indexed=$(number "$(field "Total files indexed")")
    waiting=$(number "$(field "Files waiting for content indexing")")
    failed=$(number "$(field "Files failed to index")")
    indexed=${indexed:-0} waiting=${waiting:-0} failed=${failed:-0}
    if [ -z "$content_start" ] && [ "$waiting" -gt 0 ]; then
        content_start=$now content_start_waiting=$waiting
    fi
    # The rate after a minute of content indexing tells whether the bound is enough.
    if [ -n "$content_start" ] && [ -z "$estimated" ] && [ $((now - content_start)) -gt 60000 ]; then
        done_files=$((content_start_waiting - waiting))
        if [ "$done_files" -gt 0 ]; then
            rate=$((done_files * 1000 / (now - content_start)))
            total=$(((elapsed + waiting * (now - content_start) / done_files) / 1000))
            echo "  content: about $rate files/s, all of it would take about $total s in total"
            if [ "$total" -gt "$index_timeout" ]; then
                echo "  that is more than the ${index_timeout} s bound: measuring with what is indexed by then"
            fi
        fi
        estimated=1
    fi
    whole=$((elapsed / 1000))
    if [ $((whole - last_print)) -ge 15 ]; then
        echo "  ${whole} s: $indexed files indexed, $waiting waiting for content, $failed failed, state: ${state:-?}"
        last_print=$whole
    fi
    if [ "$indexed" -ge "$files" ] && [ "$waiting" -eq 0 ] && [[ "$state" == Idle* ]]; then
        echo "indexing complete after $(seconds "$elapsed") s: $indexed files and folders, content of all of them ($failed failed)"
        break
    fi
    if [ "$whole" -ge "$index_timeout" ]; then
        echo "stopped waiting after $(seconds "$elapsed") s: $indexed files and folders indexed, $waiting still waiting for content"
        break
    fi
done
balooctl indexSize 2>/dev/null | sed -n 's/^\(File Size\|Used\):/  index &/p' || true

"$driver" --measure "$corpus" --runs "$runs" --key-delay "$key_delay" 2>"$logs/driver.log" || {
    status=$?
    tail -n 30 "$logs/driver.log" >&2
    exit "$status"
}
echo "(messages of the driver and the indexer: $logs)"
