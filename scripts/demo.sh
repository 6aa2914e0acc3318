#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Inside scripts/session.sh: the panel of the build over a few sample files that
# the real indexer indexes, a typed query, and screenshots of its results and of
# its settings dialog.
#
#   scripts/demo.sh BUILD_DIR RESULTS_PNG SETTINGS_PNG
set -euo pipefail
build=$1 results=$2 settings=$3
export PATH="$build/bin:$PATH"

samples="$HOME/Documents/Samples"
mkdir -p "$samples"
printf 'Lighthouse keepers: a report on the coast watch, 2024.\n' >"$samples/Lighthouse report.txt"
printf 'Notes from the lighthouse visit.\n' >"$samples/Visit notes.md"
printf 'month,visitors\nMay,120\n' >"$samples/Lighthouse visitors.csv"
printf '[Basic Settings]\nIndexing-Enabled=true\n[General]\nonly basic indexing=false\nfolders[$e]=%s/\n' "$samples" >"$XDG_CONFIG_HOME/baloofilerc"
baloo_file >/dev/null 2>&1 &
for _ in $(seq 300); do
    [ "$(baloosearch lighthouse 2>/dev/null | grep -c /)" -ge 3 ] && break
    sleep 0.2
done

window_of() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 && return
        sleep 0.1
    done
}
nyd-search-panel -p 2 >/dev/null 2>&1 &
panel=$(window_of "Nyd search panel")
xdotool windowfocus --sync "$panel" 2>/dev/null || true
xdotool type --delay 60 lighthouse
sleep 1.5
import -window "$panel" "$results"
# The settings button sits at the right end of the query line.
eval "$(xdotool getwindowgeometry --shell "$panel")"
xdotool mousemove --window "$panel" $((WIDTH - 36)) $((HEIGHT - 69)) click 1
dialog=$(window_of "File search")
sleep 1
import -window "$dialog" "$settings"
nyd-search-panel --quit
