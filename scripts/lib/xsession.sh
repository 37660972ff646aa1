# A private X session for running Kivrel where there is no display: a virtual X server (Xvfb) on a
# free display number and a notification area (trayer) at a known place, top right, 100x32 px.
# Used by scripts/run.sh, the desktop tests and the footprint benchmark.
# shellcheck shell=bash

KIVREL_X_SCREEN=${KIVREL_X_SCREEN:-1024x768x24}
KIVREL_XVFB_PID=
KIVREL_TRAYER_PID=

# Milliseconds on a clock that only moves forward for our purposes (bash's own clock).
kivrel_now_ms() {
    local t=${EPOCHREALTIME/[.,]/}
    printf '%s\n' $((t / 1000))
}

# kivrel_wait_for SECONDS COMMAND [ARG...]
# Runs COMMAND every tenth of a second until it succeeds; returns 1 if it still fails after
# SECONDS (which may have a fraction).
kivrel_wait_for() {
    local limit_ms
    limit_ms=$(awk -v s="$1" 'BEGIN { printf "%d", s * 1000 }')
    shift
    local deadline=$(($(kivrel_now_ms) + limit_ms))
    while :; do
        "$@" && return 0
        [ "$(kivrel_now_ms)" -ge "$deadline" ] && return 1
        sleep 0.1
    done
}

_kivrel_display_written() { [ -s "$1" ] && grep -q '^[0-9][0-9]*$' "$1"; }

# kivrel_x_start DIR
# Starts Xvfb on a display number it picks itself (-displayfd), logs into DIR, exports DISPLAY
# (a local display: the server's socket in /tmp/.X11-unix, which also reaches it from another
# network namespace) and sets KIVREL_XVFB_PID.
kivrel_x_start() {
    local dir=$1
    local numfile="$dir/xvfb.display"
    : >"$numfile"
    # In a session of its own, so that a Ctrl+C at the terminal reaches the program and not the
    # X server under it; kivrel_x_stop ends it.
    setsid Xvfb -displayfd 9 -screen 0 "$KIVREL_X_SCREEN" -nolisten tcp -noreset \
        9>"$numfile" >"$dir/xvfb.log" 2>&1 &
    KIVREL_XVFB_PID=$!
    if ! kivrel_wait_for 30 _kivrel_display_written "$numfile"; then
        printf 'kivrel: Xvfb did not start; its log:\n' >&2
        cat "$dir/xvfb.log" >&2
        return 1
    fi
    DISPLAY=:$(head -n 1 "$numfile")
    export DISPLAY
    unset WAYLAND_DISPLAY
}

# The trayer panel of this display (one window id), if it is showing.
kivrel_tray_panel() {
    local w
    for w in $(xdotool search --onlyvisible --class '^trayer$' 2>/dev/null); do
        if [ "$(xdotool getwindowname "$w" 2>/dev/null)" = panel ]; then
            printf '%s\n' "$w"
            return 0
        fi
    done
    return 1
}

_kivrel_tray_ready() { kivrel_tray_panel >/dev/null; }

# kivrel_tray_start DIR
# Starts trayer at the top right of the screen, 100x32 px, and waits until its panel shows; sets
# KIVREL_TRAYER_PID.
kivrel_tray_start() {
    local dir=$1
    setsid trayer --edge top --align right --widthtype pixel --width 100 --heighttype pixel \
        --height 32 --SetDockType true --SetPartialStrut false --expand false \
        --transparent false --tint 0x606060 >>"$dir/trayer.log" 2>&1 &
    KIVREL_TRAYER_PID=$!
    if ! kivrel_wait_for 30 _kivrel_tray_ready; then
        printf 'kivrel: trayer did not show its panel; its log:\n' >&2
        cat "$dir/trayer.log" >&2
        return 1
    fi
}

# kivrel_tray_icon_of PID
# The window of the tray icon that process PID has embedded in trayer's panel (hex id).
kivrel_tray_icon_of() {
    local pid=$1 panel ids w
    panel=$(kivrel_tray_panel) || return 1
    ids=$(xdotool search --pid "$pid" 2>/dev/null) || return 1
    # Every window below the panel, as decimal ids, compared with the program's windows.
    for w in $(xwininfo -tree -id "$panel" 2>/dev/null | awk '$1 ~ /^0x[0-9a-f]+$/ { print $1 }'); do
        if printf '%s\n' "$ids" | grep -qx "$((w))"; then
            printf '%s\n' "$w"
            return 0
        fi
    done
    return 1
}

# kivrel_stop_pid PID [SECONDS]: SIGTERM, then SIGKILL if it is still there after SECONDS.
kivrel_stop_pid() {
    local pid=$1 grace=${2:-5}
    [ -n "$pid" ] || return 0
    kill -0 "$pid" 2>/dev/null || return 0
    kill -TERM "$pid" 2>/dev/null || true
    kivrel_wait_for "$grace" _kivrel_gone "$pid" || kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null || true
    return 0
}

_kivrel_gone() { ! kill -0 "$1" 2>/dev/null; }

# Stops trayer and Xvfb if this shell started them.
kivrel_x_stop() {
    kivrel_stop_pid "$KIVREL_TRAYER_PID" 3
    KIVREL_TRAYER_PID=
    kivrel_stop_pid "$KIVREL_XVFB_PID" 5
    KIVREL_XVFB_PID=
}
