# Harness of the desktop tests: each test sources this file, then calls desk_begin, which gives it
#   - its own virtual X server (Xvfb, 1024x768) on a free display, with trayer as the
#     notification area at the top right (100x32 px);
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
    local t missing=()
    for t in Xvfb trayer xdotool xwininfo xprop import awk unshare ip; do
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

# desk_begin: the private session described at the top of this file. The program's copy gets an
# empty timer.ini; a test that wants none, or other contents, changes $DESK_INI afterwards.
desk_begin() {
    local missing
    missing=$(_desk_missing_tools)
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
    cp "$KIVREL_BIN" "$DESK_APP/kivrel"
    : >"$DESK_INI"

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
    kivrel_tray_start "$DESK_TMP" || fatal "trayer did not start"
    say "$DESK_NAME: display $DISPLAY, folder $DESK_TMP, artifacts $DESK_ART"
}

# ------------------------------------------------------------------ the program

DESK_RUN_COUNT=0

# A new network namespace: as root no user namespace is needed (and none can be made inside a
# chroot); other users map themselves to root in a user namespace of their own.
if [ "$(id -u)" -eq 0 ]; then DESK_UNSHARE=(unshare -n); else DESK_UNSHARE=(unshare -rn); fi

# desk_run DIR [online|offline]: starts DIR/kivrel from the empty working folder and sets KPID.
# With a mode it runs inside a new network namespace that tests/desktop/netns_exec.sh lays out.
desk_run() {
    local dir=$1
    shift
    DESK_RUN_COUNT=$((DESK_RUN_COUNT + 1))
    local log=$DESK_TMP/kivrel.$DESK_RUN_COUNT.log
    if [ $# -gt 0 ]; then
        (cd "$DESK_CWD" && exec "${DESK_UNSHARE[@]}" bash "$DESK_HERE/netns_exec.sh" "$1" \
            -- "$dir/kivrel") >"$log" 2>&1 &
    else
        (cd "$DESK_CWD" && exec "$dir/kivrel") >"$log" 2>&1 &
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
# control table in app/controls.h (twips, 15 to a pixel, to the nearest pixel).
control_rect() {
    awk -v want="\"$1\"" '
        function px(t) { return int((2 * t + 15) / 30) }
        /\.name = / { inside = ($3 == want ",") }
        inside && /\.left = /   { l = $3 + 0 }
        inside && /\.top = /    { t = $3 + 0 }
        inside && /\.width = /  { w = $3 + 0 }
        inside && /\.height = / { h = $3 + 0; print px(l), px(t), px(w), px(h); exit }
    ' "$DESK_ROOT/app/controls.h"
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
