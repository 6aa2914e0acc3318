#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Looks from outside at where the panel's start-up goes, to explain the
# figures of benchmarks/startup.sh: instruction counts per function
# (callgrind) of a first start up to its window and of a --toggle start,
# system calls and files a --toggle start touches (strace), and what the
# idle panel's resident memory is made of (/proc/PID/smaps). Parts whose
# tool is missing are skipped. Nothing in here is timed: valgrind and
# strace slow programs down many times.
#
#   benchmarks/startup-analysis.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${NYD_BENCH_BUILD_DIR:-$root/build-bench}

if [ "${1:-}" != --inside ]; then
    bash "$root/scripts/setup.sh"
    mkdir -p "$build"
    # The driver target brings the panel and every helper.
    if ! { cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=ON &&
        cmake --build "$build" --target nyd-startup-bench; } >"$build/benchmark-build.log" 2>&1; then
        tail -n 40 "$build/benchmark-build.log" >&2
        echo "the build failed; all of it is in $build/benchmark-build.log" >&2
        exit 1
    fi
    exec "$root/scripts/session.sh" bash "$0" --inside "$build"
fi

build=$2
panel="$build/bin/nyd-search-panel"
# What the front starts when no panel runs: the panel itself, in the libexec folder.
gui=$(find "$build" -path "$build/prefix" -prune -o -path '*/libexec/nyd-search-panel/nyd-search-panel' -type f -print -quit)
work="$NYD_SESSION_DIR/analysis"
mkdir -p "$work"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
first=

# Not a timing: only waits for the window before looking further.
wait_for_panel() {
    local _
    for _ in $(seq 600); do
        xwininfo -name "Nyd search panel" 2>/dev/null | grep -q "IsViewable" && return 0
        sleep 0.1
    done
    echo "the panel showed no window" >&2
    return 1
}

end_panel() {
    "$panel" --quit >/dev/null 2>&1 || true
    if [ -n "$first" ]; then
        wait "$first" 2>/dev/null || true
        first=
    fi
}
trap end_panel EXIT

# The functions that take the largest share of instructions, callees included.
top_functions() {
    callgrind_annotate --inclusive=yes "$1" 2>/dev/null |
        awk -v threshold="${2:-2}" '
            /PROGRAM TOTALS/ { print "  " $0; next }
            /=>/ || /\?\?\?:0x/ { next }
            match($0, /^ *[0-9,]+ +\( *[0-9.]+%\) +/) {
                head = substr($0, 1, RLENGTH); name = substr($0, RLENGTH + 1)
                share = head; sub(/^[^(]*\( */, "", share); sub(/%.*/, "", share)
                sub(/ \[[^]]*\]$/, "", name)
                key = name; sub(/^[^:]*:/, "", key)
                # Shares over 100% are recursion that callgrind counts twice.
                if (share + 0 < threshold || share + 0 > 100 || seen[key]++ || ++shown > 40) next
                print "  " substr(head name, 1, 160)
            }'
}

echo "Libraries the panel links, directly or not: $(ldd "$gui" | grep -c '=>')"
echo "Libraries the front that a later start runs links: $(ldd "$panel" | grep -c '=>')"
echo

if command -v valgrind >/dev/null && command -v callgrind_annotate >/dev/null; then
    echo "== callgrind: first start, up to the window mapped (inclusive instructions)"
    valgrind --tool=callgrind --callgrind-out-file="$work/first.out" "$gui" >/dev/null 2>"$work/first.log" &
    first=$!
    wait_for_panel
    sleep 1
    end_panel
    top_functions "$work/first.out" 2
    echo

    echo "== callgrind: a --toggle start forwarding to the running panel"
    "$panel" >/dev/null 2>&1 &
    first=$!
    wait_for_panel
    valgrind --tool=callgrind --callgrind-out-file="$work/toggle.out" "$panel" --toggle >/dev/null 2>"$work/toggle.log"
    top_functions "$work/toggle.out" 1
    end_panel
    echo
else
    echo "(valgrind is not installed: no instruction counts)"
    echo
fi

if command -v strace >/dev/null; then
    echo "== strace: what a --toggle start does"
    "$panel" >/dev/null 2>&1 &
    first=$!
    wait_for_panel
    strace -f -o "$work/toggle.strace" "$panel" --toggle
    strace -f -c -o "$work/toggle.count" "$panel" --toggle
    end_panel
    echo "  shared objects opened:             $(grep -E 'openat\(.*\.so[.0-9]*"' "$work/toggle.strace" | grep -vc ENOENT)"
    echo "  translation catalogues looked for: $(grep -cE '\.qm' "$work/toggle.strace")"
    echo "  system calls in all:               $(grep -c . "$work/toggle.strace")"
    sed -n '1,12p' "$work/toggle.count" | sed 's/^/  /'
    echo
else
    echo "(strace is not installed: no system call counts)"
    echo
fi

echo "== resident memory of the idle panel, by mapping (largest first)"
"$panel" >/dev/null 2>&1 &
first=$!
wait_for_panel
sleep 1
awk '/^[0-9a-f]+-[0-9a-f]+ / { name = (NF >= 6 ? $6 : "[anonymous]") }
     /^Rss:/ { rss[name] += $2; total += $2 }
     END {
         for (n in rss) printf "%8.1f MiB  %s\n", rss[n] / 1024, n
         printf "%8.1f MiB  in all\n", total / 1024
     }' "/proc/$first/smaps" | sort -rn | head -16 | sed 's/^/  /'
echo "  shared objects mapped: $(grep -oE '/[^ ]+\.so[.0-9]*$' "/proc/$first/maps" | sort -u | wc -l)"
end_panel
