# The idle guard in the running program, with time sped up ten times (libfaketime): the program
# online in a network namespace of its own (veth0, the billed link, with no traffic on it), and a
# mock notification server with the "actions" capability on a private session bus
# (python-dbusmock), which records each Notify and answers as a user would. The hang-up is the
# user's command, a script that asks the namespace's control loop (which has the namespace's
# root, as the program, running as the user, does not) to set veth0 down. Checked:
# the reminder comes once; without HangUp nothing is ended; "继续上网" silences it; with
# HangUp=idle an unanswered reminder is announced and the billed link goes down, and its session
# is in the ledger with its idle minutes. (The figures are the core tests' part.)
# shellcheck shell=bash
. "$(dirname "$0")/lib.sh"

desk_begin
command -v faketime >/dev/null || fatal "faketime is missing (scripts/test.sh installs it)"
FAKELIB=$(find /usr/lib /usr/lib64 -name libfaketime.so.1 2>/dev/null | head -n 1)
[ -n "$FAKELIB" ] || fatal "libfaketime.so.1 not found"
/usr/bin/python3 -c 'import dbusmock' 2>/dev/null || fatal "python3-dbusmock is missing"
export TZ=UTC
csv=$DESK_APP/sessions.csv
# The user's hang-up command: one line to the control loop of the program's namespace.
control=$DESK_TMP/control
hang_up=$DESK_TMP/hang_up.sh
printf '#!/bin/sh\necho "ip link set veth0 down" >%s\n' "$control" >"$hang_up"
chmod 755 "$hang_up"

bus_file=$DESK_TMP/bus.address
dbus-daemon --session --nofork --nopidfile --address="unix:path=$DESK_TMP/bus.socket" \
    --print-address=5 5>"$bus_file" >"$DESK_TMP/dbus.log" 2>&1 &
DESK_PIDS+=("$!")
kivrel_wait_for 10 test -s "$bus_file" || fatal "dbus-daemon did not start"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$bus_file")
export DBUS_SESSION_BUS_ADDRESS
notify_log=$DESK_ART/notify.log
/usr/bin/python3 -m dbusmock --template notification_daemon -l "$notify_log" \
    -p '{"capabilities": "actions body"}' >"$DESK_TMP/mock.log" 2>&1 &
DESK_PIDS+=("$!")
owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}
kivrel_wait_for 15 owned org.freedesktop.Notifications || fatal "the mock server did not come up"
kivrel_wait_for 5 test -f "$notify_log" || fatal "the mock server keeps no log"

# run INI: the program online with time ten times as fast, from 10 March 2026 22:00.
run() {
    printf '%b' "$1" >"$DESK_INI"
    rm -f "$csv"
    # The log goes on across runs: this run's part starts after `base` lines, and the server
    # numbers its notifications 1, 2, ... across runs.
    base=$(wc -l <"$notify_log")
    first_id=$(($(grep -c ' Notify ' "$notify_log") + 1))
    # A control FIFO for the run's namespace, held open here for writing and reading, so that
    # opening it never waits for the loop.
    rm -f "$control" "$control.rc" "$control.out"
    mkfifo "$control"
    exec 4<>"$control"
    (cd "$DESK_CWD" && NETNS_CONTROL=$control exec "${DESK_UNSHARE[@]}" bash \
        "$DESK_HERE/netns_exec.sh" online -- \
        bash "$DESK_HERE/own_locks.sh" env LD_PRELOAD="$FAKELIB" \
        FAKETIME="@2026-03-10 22:00:00 x10" "$DESK_APP/kivrel") \
        >"$DESK_TMP/kivrel.$((++DESK_RUN_COUNT)).log" 2>&1 4>&- &
    KPID=$!
    DESK_PIDS+=("$KPID")
    wait_icon "$KPID" 30 || fatal "the program did not come up (no tray icon)"
}
notices() { tail -n +$((base + 1)) "$notify_log" | grep -c "$1" || true; }
has_notice() { [ "$(notices "$1")" -ge 1 ]; }
answer() {
    gdbus call --session -d org.freedesktop.Notifications -o /org/freedesktop/Notifications \
        -m org.freedesktop.DBus.Mock.EmitSignal org.freedesktop.Notifications ActionInvoked us \
        "[<uint32 $1>, <'$2'>]" >/dev/null
}
session_open() { [ "$(ini_get "$DESK_INI" Session Tenths)" -gt 0 ] 2>/dev/null; }
closed_in_ledger() { [ -f "$csv" ] && [ "$(wc -l <"$csv")" -ge 2 ]; }

group "a reminder without HangUp"
run "[Guard]\r\nIdle=1\r\nHangUpCommand=$hang_up\r\n"
with_buttons() {
    tail -n +$((base + 1)) "$notify_log" | grep -q "$1"
}
check "the reminder reaches the notification server, with its buttons" kivrel_wait_for 30 \
    with_buttons '已连接但 1 分钟没有流量.*"hang-up", "断开连接", "continue", "继续上网"'
sleep 12  # two more fake minutes
check_eq "shown once" 1 "$(notices '已连接但')"
check_eq "nothing is announced" 0 "$(notices '将于')"
check "the session goes on: nothing was ended" session_open
check "and none is in the ledger" test ! -s "$csv"
kivrel_stop_pid "$KPID" 10

group "继续上网"
run "[Guard]\r\nIdle=1\r\nHangUp=idle\r\nHangUpCommand=$hang_up\r\n"
check "the reminder" kivrel_wait_for 30 has_notice '已连接但'
answer "$first_id" continue
sleep 12
check_eq "no announcement after the answer" 0 "$(notices '将于')"
check "the link stays up" session_open
kivrel_stop_pid "$KPID" 10

group "an unanswered reminder ends the billed link"
run "[Guard]\r\nIdle=1\r\nHangUp=idle\r\nHangUpCommand=$hang_up\r\n"
check "the reminder" kivrel_wait_for 30 has_notice '已连接但'
check "the hang-up is announced with 取消" kivrel_wait_for 20 \
    with_buttons '将于 .* 断开 veth0.*"cancel", "取消"'
check "the session closes into the ledger" kivrel_wait_for 20 closed_in_ledger
line=$(sed -n 2p "$csv" 2>/dev/null)
check "with its idle minutes" grep -qE ',"veth0","","[1-9][0-9]*\.[0-9]"$' <<<"$line"
say "  $line"
check_eq "the reminder came once" 1 "$(notices '已连接但')"
kivrel_stop_pid "$KPID" 10

desk_finish
