#!/usr/bin/env bash
# Builds Kivrel and starts it. Installs the Debian packages that are missing first (with sudo
# when not root).
#
# On a desktop the program goes into your notification area: click its icon to show the window.
# Where there is no display at all ($DISPLAY and $WAYLAND_DISPLAY unset: a server, a container)
# this script starts a virtual X server (Xvfb) with a notification area (trayer) itself, runs
# Kivrel there, and prints how to look at it. Ctrl+C ends Kivrel (it saves first) and the rest.
#
# The program keeps its data in timer.ini beside the executable: <build>/timer.ini.
# KIVREL_BUILD_DIR (default: build) chooses the build folder.
set -euo pipefail

# shellcheck source=scripts/lib/common.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
# shellcheck source=scripts/lib/xsession.sh
. "$KIVREL_ROOT/scripts/lib/xsession.sh"

headless=0
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    headless=1
fi

packages=("${KIVREL_BUILD_PACKAGES[@]}" "${KIVREL_RUN_PACKAGES[@]}")
if [ $headless = 1 ]; then
    packages+=(xvfb xauth trayer xdotool x11-utils imagemagick)
fi
kivrel_ensure_packages "${packages[@]}"
kivrel_build kivrel

program=$KIVREL_BUILD_DIR/kivrel
[ -x "$program" ] || kivrel_die "the build did not produce $program"
[ -f "$KIVREL_BUILD_DIR/timer.ini" ] ||
    kivrel_say "note: there is no timer.ini beside $program; Kivrel will refuse to start"

if [ $headless = 0 ]; then
    kivrel_say "starting $program (its icon is in the notification area; click it to show the window)"
    exec "$program" "$@"
fi

# ---- No display: a virtual one.
session=$(mktemp -d "${TMPDIR:-/tmp}/kivrel-run.XXXXXX")
kivrel_pid=

finish() {
    local rc=$?
    trap - EXIT INT TERM HUP
    if [ -n "$kivrel_pid" ] && kill -0 "$kivrel_pid" 2>/dev/null; then
        kivrel_say "ending Kivrel (it saves its total first)"
        kivrel_stop_pid "$kivrel_pid" 10
    fi
    kivrel_x_stop
    rm -rf "$session"
    exit $rc
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

kivrel_x_start "$session" || kivrel_die "could not start Xvfb"
kivrel_tray_start "$session" || kivrel_die "could not start trayer"
kivrel_say "no display found: started a virtual X server (Xvfb) on DISPLAY=$DISPLAY, 1024x768,"
kivrel_say "with the tray host trayer at its top right, and Kivrel runs there"

"$program" "$@" &
kivrel_pid=$!

icon=
_icon_up() { icon=$(kivrel_tray_icon_of "$kivrel_pid"); }
if kivrel_wait_for 30 _icon_up; then
    kivrel_say "Kivrel is running (pid $kivrel_pid); its icon is in trayer's panel (window $icon)"
elif kill -0 "$kivrel_pid" 2>/dev/null; then
    kivrel_say "Kivrel is running (pid $kivrel_pid), but its tray icon did not show up"
fi

cat >&2 <<EOF

To look at it, from another terminal:
  screenshot:          DISPLAY=$DISPLAY import -window root kivrel.png
  show the window:     DISPLAY=$DISPLAY xdotool mousemove --window ${icon:-<icon>} 10 15 click 1
  the tray menu:       DISPLAY=$DISPLAY xdotool mousemove --window ${icon:-<icon>} 10 15 click 3
  list its windows:    DISPLAY=$DISPLAY xdotool search --pid $kivrel_pid --name .
Its data: $KIVREL_BUILD_DIR/timer.ini.  Press Ctrl+C here to end it.

EOF

status=0
wait "$kivrel_pid" || status=$?
kivrel_pid=
kivrel_say "Kivrel ended (status $status)"
exit $status
