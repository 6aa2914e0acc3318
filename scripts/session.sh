#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Runs a command in a sealed session: scratch HOME and XDG folders, a private
# X display (Xvfb) and a private session bus that activates only the services
# the tests bring. Every process started inside, directly or not, is ended
# before this script returns, and nothing is printed after the command's own
# output.
#
#   scripts/session.sh COMMAND [ARG...]
set -uo pipefail

scratch=$(mktemp -d "${TMPDIR:-/tmp}/nyd-session.XXXXXX")
marker="nyd-session-$$-$RANDOM$RANDOM"

export NYD_SESSION_MARKER="$marker"
export NYD_SESSION_DIR="$scratch"
export HOME="$scratch/home"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_CACHE_HOME="$HOME/.cache"
export XDG_STATE_HOME="$HOME/.local/state"
export XDG_RUNTIME_DIR="$scratch/runtime"
export XDG_DATA_DIRS="$scratch/share:/usr/local/share:/usr/share"
export XDG_CONFIG_DIRS="$scratch/etc/xdg:/etc/xdg"
export NYD_DBUS_SERVICES_DIR="$scratch/dbus-services"
export QT_QPA_PLATFORM=xcb
unset SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS KDE_FULL_SESSION KDE_SESSION_VERSION XDG_CURRENT_DESKTOP SUDO_USER

# The indexer watches these, so they must exist before it starts.
mkdir -p "$HOME/Desktop" "$HOME/Documents" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" \
    "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR" "$NYD_DBUS_SERVICES_DIR" "$scratch/share" "$scratch/etc/xdg"
chmod 700 "$XDG_RUNTIME_DIR"

end_everything() {
    # Anything that inherited the marker belongs to this session, daemons included.
    local round pids
    for round in 1 2 3 4 5 6 7 8 9 10; do
        pids=$(grep -l -s -z -F "NYD_SESSION_MARKER=$marker" /proc/[0-9]*/environ 2>/dev/null |
            sed -e 's|/proc/||' -e 's|/environ||' | grep -v -x -e "$$" || true)
        [ -z "$pids" ] && break
        if [ "$round" -lt 4 ]; then
            kill -TERM $pids 2>/dev/null
        else
            kill -KILL $pids 2>/dev/null
        fi
        sleep 0.2
    done
    rm -rf "$scratch" 2>/dev/null
}
trap end_everything EXIT
trap 'exit 130' INT TERM

# A private X display.
exec 5< <(Xvfb -displayfd 6 -screen 0 1920x1080x24 -nolisten tcp -noreset 6>&1 2>/dev/null)
read -r -t 20 display <&5 || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display"

# A private session bus.
cat > "$scratch/session.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <keep_umask/>
  <listen>unix:dir=$XDG_RUNTIME_DIR</listen>
  <servicedir>$NYD_DBUS_SERVICES_DIR</servicedir>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
DBUS_SESSION_BUS_ADDRESS=$(dbus-daemon --config-file="$scratch/session.conf" --fork --print-address=1 2>/dev/null | head -n 1)
[ -n "$DBUS_SESSION_BUS_ADDRESS" ] || { echo "dbus-daemon did not start" >&2; exit 1; }
export DBUS_SESSION_BUS_ADDRESS

"$@"
status=$?
exit $status
