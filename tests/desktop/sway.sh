# A private Wayland session for the desktop tests: a headless sway (1024x768, XWayland on
# demand) with waybar and its tray module as the StatusNotifierItem host, on a session bus of its
# own. sway refuses to run as root, so as root everything in the session runs as a normal user,
# kivrel-desk (made here if missing), in a temporary folder that user owns. Sourced after lib.sh,
# whose checks (check, pass, fail, group, desk_finish) it reuses.
#   sway_begin           starts the session; sets SW_TMP, SW_APP (the program's copy, with its
#                        timer.ini in SW_INI), SW_ART (artifacts); exits 77 if tools are missing
#   as_user CMD...       runs CMD as the session's user, in the session's environment
#   sway_run [VAR=V...]  starts the program with extra environment; sets KPID
#   sway_item            the program's item as the watcher lists it: sets SW_ITEM_BUS, SW_ITEM_PATH
#   sway_window          the program's window from sway's tree: sets SW_WIN (see _sway_tree.py)
# shellcheck shell=bash
# shellcheck disable=SC2034  # SW_* results are read by the tests that source this file

SW_USER=kivrel-desk
SW_TMP=
SW_APP=
SW_INI=
SW_ART=
SW_SESSION_PID=
SW_WAYBAR_PID=
SW_AS=()
SW_UID=
SW_ENV=()

_sway_missing_tools() {
    local t missing=()
    for t in sway swaymsg waybar grim wtype Xwayland dbus-run-session gdbus setpriv python3 convert; do
        command -v "$t" >/dev/null 2>&1 || missing+=("$t")
    done
    printf '%s\n' "${missing[*]}"
}

sway_cleanup() {
    local rc=$?
    local pid
    for pid in "${DESK_PIDS[@]}"; do
        kivrel_stop_pid "$pid" 5
    done
    # What sway started runs in sessions of its own: the bar and the keyboard are ended by id.
    for pid in $(cat "$SW_TMP/waybar.pid" "$SW_TMP/keyboard.pid" 2>/dev/null); do
        kivrel_stop_pid "$pid" 3
    done
    # The session (dbus-run-session, sway, XWayland) is one process group of its own.
    if [ -n "$SW_SESSION_PID" ] && kill -0 "$SW_SESSION_PID" 2>/dev/null; then
        kill -TERM -- "-$SW_SESSION_PID" 2>/dev/null || true
        kivrel_wait_for 5 gone "$SW_SESSION_PID" || kill -KILL -- "-$SW_SESSION_PID" 2>/dev/null
        wait "$SW_SESSION_PID" 2>/dev/null || true
    fi
    if [ -n "$SW_TMP" ] && [ -d "$SW_TMP" ]; then
        cp "$SW_TMP"/*.log "$SW_ART"/ 2>/dev/null || true
        if [ "${KIVREL_KEEP_TMP:-0}" = 1 ]; then
            say "kept $SW_TMP"
        else
            rm -rf "$SW_TMP"
        fi
    fi
    [ -n "$SW_ART" ] && say "artifacts: $SW_ART"
    exit $rc
}

_sway_skip() {
    if [ "${KIVREL_DESKTOP_REQUIRED:-0}" = 1 ]; then
        say "FAIL: $*"
        exit 1
    fi
    say "SKIP: $* (scripts/test.sh installs what is missing)"
    exit 77
}

# as_user CMD...: CMD as the session's user with the session's environment only.
as_user() {
    "${SW_AS[@]}" env -i "${SW_ENV[@]}" "$@"
}

_sway_env_written() { [ -s "$SW_TMP/session.env" ] && grep -q '^SWAYSOCK=' "$SW_TMP/session.env"; }
_sway_host_ready() {
    as_user gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher \
        IsStatusNotifierHostRegistered 2>/dev/null | grep -q true
}
_sway_waybar_started() { [ -s "$SW_TMP/waybar.pid" ]; }

sway_begin() {
    local missing
    missing=$(_sway_missing_tools)
    [ -z "$missing" ] || _sway_skip "tools missing for the Wayland test: $missing"
    if [ -z "${KIVREL_BIN:-}" ] || [ ! -x "$KIVREL_BIN" ]; then
        say "FAIL: KIVREL_BIN does not name the built program ('${KIVREL_BIN:-}')"
        exit 1
    fi
    if [ "$(id -u)" -eq 0 ]; then
        id -u "$SW_USER" >/dev/null 2>&1 ||
            useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
                "$SW_USER" 2>/dev/null || id -u "$SW_USER" >/dev/null 2>&1 ||
            _sway_skip "cannot make the user $SW_USER"
        SW_AS=(setpriv --reuid="$SW_USER" --regid="$SW_USER" --init-groups)
        SW_UID=$(id -u "$SW_USER")
    fi

    trap sway_cleanup EXIT
    trap 'exit 130' INT TERM HUP

    SW_TMP=$(mktemp -d "${TMPDIR:-/tmp}/kivrel-$DESK_NAME.XXXXXX")
    chmod 755 "$SW_TMP"
    SW_APP=$SW_TMP/app
    SW_INI=$SW_APP/timer.ini
    mkdir -p "$SW_APP" "$SW_TMP/cwd" "$SW_TMP/home" "$SW_TMP/runtime"
    chmod 700 "$SW_TMP/runtime"
    desk_copy_program "$(dirname "$KIVREL_BIN")" "$SW_APP"
    : >"$SW_INI"
    SW_ART=${KIVREL_ARTIFACTS:-$SW_TMP/artifacts}
    rm -rf "$SW_ART"
    mkdir -p "$SW_ART"

    cat >"$SW_TMP/waybar.json" <<'EOF'
{ "layer": "top", "position": "top", "height": 30, "modules-right": ["tray"],
  "tray": { "icon-size": 22, "spacing": 4 } }
EOF
    # waybar runs through this script so that the test knows its process and can restart it.
    cat >"$SW_TMP/waybar.sh" <<EOF
#!/bin/sh
echo \$\$ >"$SW_TMP/waybar.pid"
exec waybar -c "$SW_TMP/waybar.json" >>"$SW_TMP/waybar.log" 2>&1
EOF
    cat >"$SW_TMP/keyboard.sh" <<EOF
#!/bin/sh
echo \$\$ >"$SW_TMP/keyboard.pid"
exec wtype -s 86400000
EOF
    chmod 755 "$SW_TMP/waybar.sh" "$SW_TMP/keyboard.sh"
    cat >"$SW_TMP/sway.conf" <<EOF
output HEADLESS-1 resolution 1024x768 position 0 0
xwayland enable
exec env >"$SW_TMP/session.env"
# A keyboard for the whole session, as a desk has one: the virtual keyboard of each wtype call
# alone would come and go, and clients lose the keyboard focus with it.
exec "$SW_TMP/keyboard.sh"
exec "$SW_TMP/waybar.sh"
EOF
    [ "${#SW_AS[@]}" -eq 0 ] || chown -R "$SW_USER:" "$SW_TMP"

    local base=(HOME="$SW_TMP/home" XDG_RUNTIME_DIR="$SW_TMP/runtime" PATH=/usr/sbin:/usr/bin:/sbin:/bin
        LC_ALL=C.UTF-8 XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway QT_ACCESSIBILITY=0
        NO_AT_BRIDGE=1)
    # setsid: the session is a process group of its own, ended as one.
    (cd "$SW_TMP" && exec setsid "${SW_AS[@]}" env -i "${base[@]}" WLR_BACKENDS=headless \
        WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        dbus-run-session -- sway -c "$SW_TMP/sway.conf") >"$SW_TMP/sway.log" 2>&1 &
    SW_SESSION_PID=$!
    kivrel_wait_for 30 _sway_env_written || fatal_sway "sway did not start"
    local v
    SW_ENV=("${base[@]}")
    for v in WAYLAND_DISPLAY DISPLAY SWAYSOCK DBUS_SESSION_BUS_ADDRESS; do
        SW_ENV+=("$(grep "^$v=" "$SW_TMP/session.env" | head -n 1)")
    done
    kivrel_wait_for 30 _sway_waybar_started || fatal_sway "waybar did not start"
    SW_WAYBAR_PID=$(cat "$SW_TMP/waybar.pid")
    kivrel_wait_for 30 _sway_host_ready || fatal_sway "waybar's tray did not register as a host"
    say "$DESK_NAME: sway in $SW_TMP, artifacts $SW_ART"
}

fatal_sway() {
    fail "$*"
    sway_shot fatal || true
    exit 1
}

# sway_run [VAR=VALUE...]: the program's copy, started as the session's user with the extra
# environment given, offline (a network namespace of its own: the session's sockets are files,
# reached from there too); KPID is the program itself (netns_exec.sh becomes it).
SW_RUN_COUNT=0
sway_run() {
    SW_RUN_COUNT=$((SW_RUN_COUNT + 1))
    (cd "$SW_TMP/cwd" && KIVREL_TEST_LOCKS=$SW_TMP/locks KIVREL_TEST_LOCK_UID=$SW_UID \
        exec "${DESK_UNSHARE[@]}" bash "$DESK_HERE/own_locks.sh" "${SW_AS[@]}" env -i \
        "${SW_ENV[@]}" "$@" "$SW_APP/kivrel") >"$SW_TMP/kivrel.$SW_RUN_COUNT.log" 2>&1 &
    KPID=$!
    DESK_PIDS+=("$KPID")
}

# The status notifier items the watcher holds, one a line ("bus/path" or "bus").
sway_items() {
    as_user gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher \
        RegisteredStatusNotifierItems 2>/dev/null | grep -o "'[^']*'" | tr -d "'"
}

# sway_item: the first item registered, split into SW_ITEM_BUS and SW_ITEM_PATH.
SW_ITEM_BUS=
SW_ITEM_PATH=
sway_item() {
    local item
    item=$(sway_items | head -n 1)
    [ -n "$item" ] || return 1
    SW_ITEM_BUS=${item%%/*}
    SW_ITEM_PATH=/${item#*/}
    [ "$item" != "$SW_ITEM_BUS" ] || SW_ITEM_PATH=/StatusNotifierItem
}

# item_prop NAME: a property of the item, as gdbus prints it.
item_prop() {
    as_user gdbus call --session -d "$SW_ITEM_BUS" -o "$SW_ITEM_PATH" \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem "$1" 2>/dev/null
}

# item_activate: what waybar sends on a left click.
item_activate() {
    as_user gdbus call --session -d "$SW_ITEM_BUS" -o "$SW_ITEM_PATH" \
        -m org.kde.StatusNotifierItem.Activate 0 0 >/dev/null
}

# sway_window: the program's shown window in sway's tree, as "floating x y width height border
# shell" in SW_WIN; fails while there is none.
SW_WIN=
sway_window() {
    SW_WIN=$(as_user swaymsg -r -t get_tree | python3 "$DESK_HERE/sway_tree.py" window '☆Kivrel☆')
    [ -n "$SW_WIN" ]
}
sway_no_window() { ! sway_window; }

# The area sway places floating windows in: the focused workspace, "x y width height".
sway_work_area() {
    as_user swaymsg -r -t get_workspaces | python3 "$DESK_HERE/sway_tree.py" workarea
}

# sway_shot NAME: a screenshot of the whole output.
sway_shot() {
    as_user grim - >"$SW_ART/$1.png" 2>/dev/null
}

# pixel FILE X Y: the colour of one pixel of a screenshot, e.g. "#F8EFE0".
pixel() {
    convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- 2>/dev/null | tail -n 1 | awk '{ print $3 }'
}
