# Harness of the desktop tests: each test sources this file, then calls desk_begin, which gives it
#   - its own virtual X server (Xvfb, 1024x768) on a free display, with trayer as the
#     notification area at the top right (100x32 px); or, with `desk_begin xfce`, a private
#     session bus, xfwm4, and xfce4-panel along the top with a task list and a status tray that
#     hosts icons over D-Bus (StatusNotifierItem) as well as XEmbed ones;
#   - a temporary folder $DESK_TMP holding a copy of the built program in $DESK_APP (with its own
#     timer.ini), an empty working folder $DESK_CWD, and a private HOME, XDG_CONFIG_HOME,
#     XDG_RUNTIME_DIR, so the user's files and autostart folder are never touched;
#   - an artifacts folder $DESK_ART (screenshots, logs) that outlives the test.
# Everything it started is stopped, and the temporary folder removed, when the test exits.
# Waits poll a condition against a deadline; nothing sleeps a fixed time to let things happen.
# shellcheck shell=bash
# shellcheck disable=SC2034  # DESK_* results are read by the tests that source this file

set -u

DESK_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
DESK_ROOT=$(cd "$DESK_HERE/../.." && pwd)
# shellcheck source=scripts/lib/xsession.sh
. "$DESK_ROOT/scripts/lib/xsession.sh"

DESK_NAME=${DESK_NAME:-$(basename "$0" .sh)}
DESK_PASSED=0
DESK_FAILED=0
DESK_PIDS=()
DESK_TMP=
DESK_APP=
DESK_CWD=
DESK_ART=
DESK_INI=
KPID=

# The texts and sizes the tests look for.
# shellcheck disable=SC2034
DESK_CAPTION='☆Kivrel☆  第1版第71次编译'
DESK_SCREEN_W=1024
DESK_SCREEN_H=768
DESK_FORM_W=539
DESK_FORM_H=351

say() { printf '%s\n' "$*"; }

# ------------------------------------------------------------------ checks

group() { printf '\n== %s\n' "$*"; }

pass() {
    DESK_PASSED=$((DESK_PASSED + 1))
    printf 'ok     %s\n' "$*"
}

fail() {
    DESK_FAILED=$((DESK_FAILED + 1))
    printf 'FAIL   %s\n' "$*"
}

# check DESCRIPTION COMMAND [ARG...]: one check, passed when COMMAND succeeds.
check() {
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

# check_eq DESCRIPTION EXPECTED ACTUAL
check_eq() {
    if [ "$2" = "$3" ]; then
        pass "$1 ($3)"
    else
        fail "$1: expected '$2', got '$3'"
    fi
}

# check_near DESCRIPTION EXPECTED ACTUAL TOLERANCE (integers)
check_near() {
    local d=$(($3 - $2))
    [ $d -lt 0 ] && d=$((-d))
    if [ -n "$3" ] && [ $d -le "$4" ]; then
        pass "$1 ($3, expected $2 ± $4)"
    else
        fail "$1: expected $2 ± $4, got '$3'"
    fi
}

# A failure after which the test cannot go on: a screenshot for the record, then out.
fatal() {
    fail "$*"
    shot "fatal" || true
    exit 1
}

desk_finish() {
    printf '\n%s: %d checks ok, %d failed\n' "$DESK_NAME" "$DESK_PASSED" "$DESK_FAILED"
    if [ "$DESK_PASSED" -eq 0 ] && [ "$DESK_FAILED" -eq 0 ]; then
        printf 'no check was made\n'
        exit 1
    fi
    [ "$DESK_FAILED" -eq 0 ] || exit 1
    exit 0
}

# ------------------------------------------------------------------ set-up and clean-up

_desk_missing_tools() {
    local t missing=() tools=(Xvfb trayer xdotool xwininfo xprop import awk unshare ip)
    [ "$1" = xfce ] && tools+=(dbus-daemon gdbus xfwm4 xfce4-panel xmessage convert)
    for t in "${tools[@]}"; do
        command -v "$t" >/dev/null 2>&1 || missing+=("$t")
    done
    printf '%s\n' "${missing[*]}"
}

desk_cleanup() {
    local rc=$?
    local pid
    for pid in "${DESK_PIDS[@]}"; do
        kivrel_stop_pid "$pid" 5
    done
    _desk_xfce_stop
    kivrel_x_stop
    if [ -n "$DESK_TMP" ] && [ -d "$DESK_TMP" ]; then
        if [ -n "$DESK_ART" ]; then
            cp "$DESK_TMP"/*.log "$DESK_ART"/ 2>/dev/null || true
        fi
        if [ "${KIVREL_KEEP_TMP:-0}" = 1 ]; then
            say "kept $DESK_TMP"
        else
            rm -rf "$DESK_TMP"
        fi
    fi
    [ -n "$DESK_ART" ] && say "artifacts: $DESK_ART"
    exit $rc
}

# desk_begin [trayer|xfce]: the private session described at the top of this file. The program's
# copy gets an empty timer.ini; a test that wants none, or other contents, changes $DESK_INI
# afterwards.
desk_begin() {
    local host=${1:-trayer} missing
    missing=$(_desk_missing_tools "$host")
    if [ -n "$missing" ]; then
        if [ "${KIVREL_DESKTOP_REQUIRED:-0}" = 1 ]; then
            say "FAIL: tools missing for the desktop tests: $missing"
            exit 1
        fi
        say "SKIP: tools missing for the desktop tests: $missing (scripts/test.sh installs them)"
        exit 77
    fi
    if ! "${DESK_UNSHARE[@]}" true 2>/dev/null; then
        if [ "${KIVREL_DESKTOP_REQUIRED:-0}" = 1 ]; then
            say "FAIL: cannot make a network namespace here (${DESK_UNSHARE[*]})"
            exit 1
        fi
        say "SKIP: cannot make a network namespace here (${DESK_UNSHARE[*]})"
        exit 77
    fi
    if [ -z "${KIVREL_BIN:-}" ] || [ ! -x "$KIVREL_BIN" ]; then
        say "FAIL: KIVREL_BIN does not name the built program ('${KIVREL_BIN:-}')"
        exit 1
    fi

    trap desk_cleanup EXIT
    trap 'exit 130' INT TERM HUP

    DESK_TMP=$(mktemp -d "${TMPDIR:-/tmp}/kivrel-$DESK_NAME.XXXXXX")
    DESK_APP=$DESK_TMP/app
    DESK_CWD=$DESK_TMP/cwd
    DESK_INI=$DESK_APP/timer.ini
    mkdir -p "$DESK_APP" "$DESK_CWD" "$DESK_TMP/home" "$DESK_TMP/config" "$DESK_TMP/data" \
        "$DESK_TMP/cache" "$DESK_TMP/runtime"
    chmod 700 "$DESK_TMP/runtime"
    desk_copy_program "$(dirname "$KIVREL_BIN")" "$DESK_APP"
    : >"$DESK_INI"
    # The single-instance locks of this test's copies (own_locks.sh).
    export KIVREL_TEST_LOCKS=$DESK_TMP/locks

    DESK_ART=${KIVREL_ARTIFACTS:-$DESK_TMP/artifacts}
    rm -rf "$DESK_ART"
    mkdir -p "$DESK_ART"

    export HOME=$DESK_TMP/home
    export XDG_CONFIG_HOME=$DESK_TMP/config
    export XDG_DATA_HOME=$DESK_TMP/data
    export XDG_CACHE_HOME=$DESK_TMP/cache
    export XDG_RUNTIME_DIR=$DESK_TMP/runtime
    export LC_ALL=C.UTF-8
    export QT_QPA_PLATFORM=xcb
    # No session bus: the tray icon goes through the X11 notification area, and nothing of the
    # user's session is reached.
    unset DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER XDG_CURRENT_DESKTOP XDG_SESSION_TYPE \
        WAYLAND_DISPLAY QT_QPA_PLATFORMTHEME
    export QT_ACCESSIBILITY=0
    export NO_AT_BRIDGE=1

    kivrel_x_start "$DESK_TMP" || fatal "Xvfb did not start"
    if [ "$host" = xfce ]; then
        desk_xfce_start || fatal "the Xfce session did not start"
    else
        kivrel_tray_start "$DESK_TMP" || fatal "trayer did not start"
    fi
    say "$DESK_NAME: display $DISPLAY, folder $DESK_TMP, artifacts $DESK_ART"
}

# ------------------------------------------------------------------ Xfce: xfwm4 and xfce4-panel

DESK_BUS_PID=
DESK_XFWM_PID=

# The process that owns a name on the session bus.
bus_pid() {
    gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
        -m org.freedesktop.DBus.GetConnectionUnixProcessID "$1" 2>/dev/null |
        sed -n 's/^(uint32 \([0-9]*\),)$/\1/p'
}

# Reads a property of an object on the session bus (gdbus's text form).
bus_property() {
    gdbus call --session -d "$1" -o "$2" -m org.freedesktop.DBus.Properties.Get "$3" "$4" 2>/dev/null
}

# Whether a StatusNotifierItem host (the panel's status tray) has registered with the watcher.
sni_host_ready() {
    bus_property org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.kde.StatusNotifierWatcher IsStatusNotifierHostRegistered | grep -q true
}

# The panel's own process (it starts a new one when restarted).
panel_pid() { bus_pid org.xfce.Panel; }

_desk_wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# The panel of the top edge, with the task list left and the status tray right, written into
# xfconf's file before anything reads it.
_desk_xfce_panel_config() {
    local dir=$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml
    mkdir -p "$dir"
    cat >"$dir/xfce4-panel.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="30"/>
      <property name="icon-size" type="uint" value="22"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
        <value type="int" value="2"/>
        <value type="int" value="3"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="tasklist"/>
    <property name="plugin-2" type="string" value="separator">
      <property name="expand" type="bool" value="true"/>
      <property name="style" type="uint" value="0"/>
    </property>
    <property name="plugin-3" type="string" value="systray"/>
  </property>
</channel>
XML
}

# desk_xfce_start: a session bus of this test's own (a socket in $DESK_TMP, which also reaches
# the program in its network namespace), xfwm4, and xfce4-panel; waits until the panel's status
# tray has registered as a host of StatusNotifierItems.
desk_xfce_start() {
    setsid dbus-daemon --session --nofork --address="unix:path=$DESK_TMP/bus" \
        >>"$DESK_TMP/dbus.log" 2>&1 &
    DESK_BUS_PID=$!
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$DESK_TMP/bus
    export XDG_CURRENT_DESKTOP=XFCE
    kivrel_wait_for 20 bus_pid org.freedesktop.DBus >/dev/null || return 1
    _desk_xfce_panel_config
    setsid xfwm4 --compositor=off >>"$DESK_TMP/xfwm4.log" 2>&1 &
    DESK_XFWM_PID=$!
    kivrel_wait_for 30 _desk_wm_ready || return 1
    desk_panel_start
}

# Starts xfce4-panel and waits for its status tray.
desk_panel_start() {
    setsid xfce4-panel >>"$DESK_TMP/panel.log" 2>&1 &
    kivrel_wait_for 40 sni_host_ready
}

_desk_xfce_stop() {
    [ -n "$DESK_BUS_PID" ] || return 0
    local pid
    # The panel (and its plugins) and the settings daemon the bus started.
    pid=$(panel_pid)
    [ -n "$pid" ] && kivrel_stop_pid "$pid" 5
    pid=$(bus_pid org.xfce.Xfconf)
    [ -n "$pid" ] && kivrel_stop_pid "$pid" 5
    kivrel_stop_pid "$DESK_XFWM_PID" 5
    kivrel_stop_pid "$DESK_BUS_PID" 5
    DESK_BUS_PID=
}

# sni_item_of PID: "BUSNAME PATH" of the StatusNotifierItem that process PID registered.
sni_item_of() {
    local entry name
    for entry in $(bus_property org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems | grep -o "'[^']*'" | tr -d "'"); do
        name=${entry%%/*}
        if [ "$(bus_pid "$name")" = "$1" ]; then
            printf '%s /%s\n' "$name" "${entry#*/}"
            return 0
        fi
    done
    return 1
}

# sni_menu_of "BUSNAME PATH": the menu the item offers, as the panel reads it
# (com.canonical.dbusmenu): one word per entry, "label:on" or "label:off" by its enabled state,
# "-" for a separator.
sni_menu_of() {
    local name path menu
    read -r name path <<<"$1"
    menu=$(bus_property "$name" "$path" org.kde.StatusNotifierItem Menu | grep -o "'/[^']*'" | tr -d "'")
    [ -n "$menu" ] && [ "$menu" != /NO_DBUSMENU ] || return 1
    gdbus call --session -d "$name" -o "$menu" -m com.canonical.dbusmenu.GetLayout -- 0 -1 '@as []' \
        2>/dev/null | grep -o "<([0-9]*, {[^}]*}" | while read -r item; do
        if grep -q "'type': <'separator'>" <<<"$item"; then
            printf -- '- '
            continue
        fi
        printf '%s:' "$(sed -n "s/.*'label': <'\([^']*\)'>.*/\1/p" <<<"$item")"
        if grep -q "'enabled': <false>" <<<"$item"; then printf 'off '; else printf 'on '; fi
    done | sed 's/ $//'
}

# The status tray's window in the panel (it runs in a plugin process of its own); sets DESK_TRAY
# and DESK_TRAY_PID.
DESK_TRAY=
DESK_TRAY_PID=
panel_tray() {
    local panel w pid
    panel=$(xdotool search --onlyvisible --class '^xfce4-panel$' 2>/dev/null | head -n 1)
    [ -n "$panel" ] || return 1
    for w in $(xwininfo -tree -id "$panel" 2>/dev/null | awk '$1 ~ /^0x/ && /wrapper/ { print $1 }'); do
        pid=$(xprop -id "$w" _NET_WM_PID 2>/dev/null | awk '{ print $3 }')
        [ -n "$pid" ] || continue
        if tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q libsystray; then
            DESK_TRAY=$w
            DESK_TRAY_PID=$pid
            return 0
        fi
    done
    return 1
}

# A menu the status tray has popped up; sets DESK_POPUP.
_desk_tray_menu() {
    local w
    [ -n "$DESK_TRAY_PID" ] || return 1
    for w in $(xdotool search --onlyvisible --pid "$DESK_TRAY_PID" 2>/dev/null); do
        if xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q POPUP_MENU; then
            DESK_POPUP=$w
            return 0
        fi
    done
    return 1
}
wait_tray_menu() { kivrel_wait_for "$1" _desk_tray_menu; }

# click_tray BUTTON: a click in the middle of the status tray, which holds one icon.
click_tray() {
    local gw gh
    panel_tray || return 1
    read -r _ _ gw gh <<<"$(geometry "$DESK_TRAY")"
    xdotool mousemove --window "$DESK_TRAY" $((gw / 2)) $((gh / 2)) click "$1"
}

# How much the pixels of a part of the screen vary (0 for one flat colour): W H X Y.
screen_variation() {
    import -window root -crop "$1x$2+$3+$4" -depth 8 png:- 2>/dev/null |
        convert png:- -colorspace gray -format '%[fx:standard_deviation*1000]' info: 2>/dev/null |
        awk '{ printf "%d\n", $1 }'
}

# ------------------------------------------------------------------ the program

DESK_RUN_COUNT=0

# A new network and mount namespace: as root no user namespace is needed (and none can be made
# inside a chroot); other users map themselves to root in a user namespace of their own.
if [ "$(id -u)" -eq 0 ]; then DESK_UNSHARE=(unshare -nm); else DESK_UNSHARE=(unshare -rnm); fi
# The same without a network namespace.
if [ "$(id -u)" -eq 0 ]; then DESK_MOUNTNS=(unshare -m); else DESK_MOUNTNS=(unshare -rm); fi

# desk_copy_program FROM TO: the program's files, the executable and its window module.
desk_copy_program() { cp "$1/kivrel" "$1/kivrel-window.so" "$2/"; }

# desk_run DIR [online|offline]: starts DIR/kivrel from the empty working folder and sets KPID.
# With a mode it runs inside a new network namespace that tests/desktop/netns_exec.sh lays out.
# Its single-instance locks are the test's own (own_locks.sh, $KIVREL_TEST_LOCKS).
desk_run() {
    local dir=$1
    shift
    DESK_RUN_COUNT=$((DESK_RUN_COUNT + 1))
    local log=$DESK_TMP/kivrel.$DESK_RUN_COUNT.log
    if [ $# -gt 0 ]; then
        (cd "$DESK_CWD" && exec "${DESK_UNSHARE[@]}" bash "$DESK_HERE/netns_exec.sh" "$1" \
            -- bash "$DESK_HERE/own_locks.sh" "$dir/kivrel") >"$log" 2>&1 &
    else
        (cd "$DESK_CWD" && exec "${DESK_MOUNTNS[@]}" bash "$DESK_HERE/own_locks.sh" \
            "$dir/kivrel") >"$log" 2>&1 &
    fi
    KPID=$!
    DESK_PIDS+=("$KPID")
}

# desk_start [online|offline]: the program's copy in $DESK_APP.
desk_start() { desk_run "$DESK_APP" "$@"; }

alive() { kill -0 "$1" 2>/dev/null; }
gone() { ! kill -0 "$1" 2>/dev/null; }

# wait_gone PID SECONDS: waits for the process to end and sets DESK_STATUS to its exit status.
DESK_STATUS=
wait_gone() {
    DESK_STATUS=
    kivrel_wait_for "$2" gone "$1" || return 1
    wait "$1" 2>/dev/null
    DESK_STATUS=$?
    return 0
}

# The tray icon of process $1, waited for up to $2 seconds; sets DESK_ICON.
DESK_ICON=
_desk_icon() { DESK_ICON=$(kivrel_tray_icon_of "$1"); }
wait_icon() { kivrel_wait_for "$2" _desk_icon "$1"; }
icon_gone() { ! kivrel_tray_icon_of "$1" >/dev/null; }

# ------------------------------------------------------------------ windows

# Visible top-level windows of process PID whose name matches the extended regular expression.
windows_of() {
    xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null
}

# wait_window PID REGEX SECONDS: sets DESK_WIN to the first such window.
DESK_WIN=
_desk_window() { DESK_WIN=$(windows_of "$1" "$2" | head -n 1) && [ -n "$DESK_WIN" ]; }
wait_window() { kivrel_wait_for "$3" _desk_window "$1" "$2"; }
no_window() { [ -z "$(windows_of "$1" "$2")" ]; }

# The main window, visible, of process PID.
main_window() { windows_of "$1" '^☆Kivrel☆' | head -n 1; }
window_shown() { [ -n "$(main_window "$1")" ]; }
window_hidden() { [ -z "$(main_window "$1")" ]; }

# geometry WIN: prints "x y width height" as the X server has them. (Never hand xwininfo or xprop
# an empty id: they would wait for a click on a window to pick.)
geometry() {
    [ -n "$1" ] || return 1
    xwininfo -id "$1" | awk -F: '
        /Absolute upper-left X/ { x = $2 + 0 }
        /Absolute upper-left Y/ { y = $2 + 0 }
        /^ *Width/ { w = $2 + 0 }
        /^ *Height/ { h = $2 + 0 }
        END { print x, y, w, h }'
}

# Gives WIN the keyboard focus, then presses the keys.
keys_to() {
    local w=$1
    shift
    xdotool windowfocus --sync "$w" 2>/dev/null || xdotool windowfocus "$w"
    xdotool key --clearmodifiers "$@"
}

# Types TEXT into WIN.
type_to() {
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    xdotool type --delay 40 "$2"
}

# click_at WIN X Y [BUTTON]: a click at (X, Y) inside the window.
click_at() {
    xdotool mousemove --window "$1" "$2" "$3" click "${4:-1}"
}

# click_icon PID BUTTON: a click in the middle of the program's tray icon.
click_icon() {
    local gw gh
    _desk_icon "$1" || return 1
    read -r _ _ gw gh <<<"$(geometry "$DESK_ICON")"
    xdotool mousemove --window "$DESK_ICON" $((gw / 2)) $((gh / 2)) click "$2"
}

# shot NAME: a screenshot of the whole screen into the artifacts folder.
shot() {
    import -window root "$DESK_ART/$1.png" 2>/dev/null
}

# ------------------------------------------------------------------ timer.ini

# ini_get FILE SECTION KEY: the value, with section and key compared without regard to case.
# Fails when the file, the section or the key is missing.
ini_get() {
    [ -f "$1" ] || return 1
    awk -v s="$2" -v k="$3" '
        BEGIN { s = tolower(s); k = tolower(k); found = 0 }
        { sub(/\r$/, "") }
        /^[ \t]*\[/ {
            name = $0
            sub(/^[ \t]*\[/, "", name); sub(/\][ \t]*$/, "", name)
            insec = (tolower(name) == s)
            next
        }
        insec {
            i = index($0, "=")
            if (i == 0) next
            key = substr($0, 1, i - 1); gsub(/^[ \t]+|[ \t]+$/, "", key)
            if (tolower(key) != k) next
            v = substr($0, i + 1); gsub(/^[ \t]+|[ \t]+$/, "", v)
            print v; found = 1; exit
        }
        END { exit found ? 0 : 1 }' "$1"
}

# Whether the file has the section at all.
ini_has_section() {
    [ -f "$1" ] && tr -d '\r' <"$1" | grep -qi "^[[:space:]]*\[$2\][[:space:]]*$"
}

# The billing month's section of an empty timer.ini (billing day 0: the calendar month).
month_section() { printf 'T%d\n' "$(date +%-m)"; }

# A fingerprint of a folder's entries, sizes and times, to tell whether anything changed in it.
folder_state() {
    find "$1" -mindepth 1 -printf '%P %s %T@\n' | sort
}

file_sum() { [ -f "$1" ] && md5sum <"$1" | cut -d' ' -f1; }

# ------------------------------------------------------------------ controls

# control_rect NAME: "left top width height" in pixels of a control of the main window, from the
# control table in presenter/controls.h (twips, 15 to a pixel, to the nearest pixel).
control_rect() {
    awk -v want="\"$1\"" '
        function px(t) { return int((2 * t + 15) / 30) }
        /\.name = / { inside = ($3 == want ",") }
        inside && /\.left = /   { l = $3 + 0 }
        inside && /\.top = /    { t = $3 + 0 }
        inside && /\.width = /  { w = $3 + 0 }
        inside && /\.height = / { h = $3 + 0; print px(l), px(t), px(w), px(h); exit }
    ' "$DESK_ROOT/presenter/controls.h"
}

# click_control WIN NAME: a click in the middle of the control.
click_control() {
    local l t w h
    read -r l t w h <<<"$(control_rect "$2")"
    [ -n "$h" ] || return 1
    click_at "$1" $((l + w / 2)) $((t + h / 2))
}

# A visible window of process PID other than its main window and its tray icon: a combo list, a
# menu. Prints its id.
popup_of() {
    local main icon w
    main=$(main_window "$1")
    icon=$(kivrel_tray_icon_of "$1" 2>/dev/null)
    for w in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        [ "$w" = "$main" ] && continue
        [ -n "$icon" ] && [ "$w" = "$((icon))" ] && continue
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = kivrel ] || continue
        printf '%s\n' "$w"
        return 0
    done
    return 1
}
DESK_POPUP=
_desk_popup() { DESK_POPUP=$(popup_of "$1"); }
wait_popup() { kivrel_wait_for "$2" _desk_popup "$1"; }

# choose_item PID WIN COMBO INDEX: opens the combo's list with a click on its arrow, as a person
# would, and picks the item at INDEX (0 is the first) with the keyboard.
choose_item() {
    local pid=$1 win=$2 l t w h keys=(Home) i
    read -r l t w h <<<"$(control_rect "$3")"
    [ -n "$h" ] || return 1
    click_at "$win" $((l + w - 8)) $((t + h / 2))
    wait_popup "$pid" 5 || return 1
    for ((i = 0; i < $4; i++)); do keys+=(Down); done
    xdotool key "${keys[@]}" Return
}

# Whether window WIN is no longer shown.
gone_window() { [ -n "$1" ] && ! xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }
