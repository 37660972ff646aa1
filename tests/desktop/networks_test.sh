# Billing a network rather than an interface: python-dbusmock's NetworkManager template on a
# private system bus has two Wi-Fi connections on one wlan0, "Home" (free) and "Hotspot"
# (metered), switched while the program runs (time sped up ten times with libfaketime) in a
# network namespace whose default route stays on wlan0 throughout. With [Link] Value=net:Hotspot
# only the hotspot's time counts and goes to sessions.csv with its network's name; `metered`
# picks the same network; HangUp=idle ends the hotspot's connection through NetworkManager (the
# mock's record), no other; without NetworkManager, interface patterns still work and --status
# says why `net:` matched nothing.
# shellcheck shell=bash
. "$(dirname "$0")/lib.sh"

desk_begin
command -v faketime >/dev/null || fatal "faketime is missing (scripts/test.sh installs it)"
/usr/bin/python3 -c 'import dbusmock' 2>/dev/null || fatal "python3-dbusmock is missing"
FAKELIB=$(find /usr/lib /usr/lib64 -name libfaketime.so.1 2>/dev/null | head -n 1)
[ -n "$FAKELIB" ] || fatal "libfaketime.so.1 not found"
SPEED=10
export TZ=UTC
fake=$(date -d '2026-03-10 10:00:00' +%s)
printf '[T3]\r\nValue=100\r\n[Link]\r\nValue=net:Hotspot\r\n' >"$DESK_INI"
csv=$DESK_APP/sessions.csv

# ---------------------------------------------------------------- the private system bus
cat >"$DESK_TMP/system-bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$DESK_TMP/system_bus</listen>
  <policy context="default">
    <allow user="*"/><allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>
  </policy>
</busconfig>
CONF
bus=$(dbus-daemon --config-file="$DESK_TMP/system-bus.conf" --fork --print-pid) ||
    fatal "the private system bus did not start"
DESK_PIDS+=("$bus")
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$DESK_TMP/system_bus
/usr/bin/python3 -m dbusmock --system --template networkmanager >"$DESK_TMP/dbusmock.log" 2>&1 &
mock=$!
DESK_PIDS+=("$mock")
nm() { /usr/bin/python3 "$DESK_HERE/nm_mock.py" "$@" >"$DESK_TMP/nm.out" 2>>"$DESK_TMP/nm.log"; }
AC=/org/freedesktop/NetworkManager/ActiveConnection
kivrel_wait_for 20 nm setup || fatal "the NetworkManager mock did not come up"
nm home || fatal "could not activate Home"

# ---------------------------------------------------------------- helpers (as sessions_test.sh)
fake_now() { echo $((fake + ($(kivrel_now_ms) - run_ms) * SPEED / 1000)); }
fake_past() { [ "$(fake_now)" -ge "$1" ]; }
wait_fake() { kivrel_wait_for 30 fake_past $(($(fake_now) + $1)); }
fifo=$DESK_TMP/control
mkfifo "$fifo"
exec 4<>"$fifo"
reply() { [ -f "$fifo.rc" ]; }
ns() {
    rm -f "$fifo.rc"
    echo "$*" >&4
    kivrel_wait_for 30 reply || fatal "the namespace did not answer '$*'"
    cp "$fifo.out" "$DESK_TMP/out"
    { echo "== $*" && cat "$fifo.out"; } >>"$DESK_ART/control.log"
    [ "$(cat "$fifo.rc")" = 0 ]
}
status_json() { ns "env -u DISPLAY LD_PRELOAD=$FAKELIB FAKETIME='@$(date -d "@$(fake_now)" '+%F %T')'" \
    "$DESK_APP/kivrel --status --json"; }
# json KEY...: those keys of the JSON in $DESK_TMP/out, as JSON, blank-separated.
json() { python3 -c 'import json,sys; d=json.load(open(sys.argv[1]))
print(" ".join(json.dumps(d[k], ensure_ascii=False) for k in sys.argv[2:]))' "$DESK_TMP/out" "$@"; }
session() { ini_get "$DESK_INI" Session "$1"; }
total() { ini_get "$DESK_INI" T3 Value; }
tenths_at_least() { [ "$(session Tenths 2>/dev/null || echo 0)" -ge "$1" ]; }
lines_are() { [ -f "$csv" ] && [ "$(wc -l <"$csv")" -eq "$1" ]; }

group "Link=net:Hotspot, on Home: the same wlan0 carries the route, nothing counts"
(cd "$DESK_CWD" && NETNS_CONTROL=$fifo exec "${DESK_UNSHARE[@]}" bash "$DESK_HERE/netns_exec.sh" \
    two:wlan0 -- bash "$DESK_HERE/own_locks.sh" env LD_PRELOAD="$FAKELIB" \
    FAKETIME="@$(date -d "@$fake" '+%F %T') x$SPEED" "$DESK_APP/kivrel") \
    >"$DESK_TMP/kivrel.log" 2>&1 4>&- &
KPID=$!
run_ms=$(kivrel_now_ms)
DESK_PIDS+=("$KPID")
wait_icon "$KPID" 30 || fatal "the program did not come up (no tray icon)"
wait_fake 40
check_eq "the month's total is untouched after 40 fake seconds" 100 "$(total)"
check_eq "no session opened" "" "$(session Tenths 2>/dev/null)"
status_json
check_eq "--status --json: online, link, network" 'false null null' \
    "$(json online link network)"

group "switched to Hotspot on the same wlan0: it counts"
nm hotspot || fatal "could not switch to Hotspot"
check "a session opens and counts" kivrel_wait_for 30 tenths_at_least 5
check_eq "the open session's link and network" 'wlan0 Hotspot' \
    "$(session Link) $(session Network)"
status_json
check_eq "--status --json: online, link, network, metered" 'true "wlan0" "Hotspot" true' \
    "$(json online link network metered)"

group "back to Home: the session closes with its network's name"
nm home || fatal "could not switch back to Home"
check "the session is closed into sessions.csv" kivrel_wait_for 30 lines_are 2
check "its line holds the link, the network and its idle minutes" \
    grep -qE ',"wlan0","Hotspot","[0-9]+\.[0-9]"$' <(tail -n 1 "$csv")
status_json
check_eq "--status --json: offline, and the session is billed" 'false 1' "$(json online sessions)"
before=$(file_sum "$DESK_INI")
wait_fake 40
check_eq "Home's ticks write nothing: timer.ini is the same after 40 fake seconds" "$before" \
    "$(file_sum "$DESK_INI")"
kivrel_stop_pid "$KPID" 10

# status LINK: kivrel --status --json with that [Link] value, in a namespace whose route is on
# wlan0; output in $DESK_TMP/out, the plain form in $DESK_TMP/plain.
status() {
    printf '[T3]\r\nValue=100\r\n[Link]\r\nValue=%s\r\n' "$1" >"$DESK_INI"
    (cd "$DESK_CWD" && env -u DISPLAY "${DESK_UNSHARE[@]}" bash "$DESK_HERE/netns_exec.sh" \
        two:wlan0 -- bash -c '"$0" --status --json >"$1"; "$0" --status >"$2"' \
        "$DESK_APP/kivrel" "$DESK_TMP/out" "$DESK_TMP/plain") >>"$DESK_TMP/netns.log" 2>&1
}

group "Link=metered: the network the system marks as metered"
nm hotspot || fatal "could not switch to Hotspot"
status metered
check_eq "on Hotspot: online, network" 'true "Hotspot"' "$(json online network)"
check "the plain form names the network" grep -qx '计费网络：Hotspot' "$DESK_TMP/plain"

group "HangUp=idle: NetworkManager ends the hotspot's connection, and no other"
nm other || fatal "could not bring Cafe up on wlan1"
lines=$(wc -l <"$csv")
printf '[Link]\r\nValue=net:Hotspot\r\n[Guard]\r\nIdle=1\r\nHangUp=idle\r\n%s\r\n' \
    "HangUpCommand=touch $DESK_TMP/command-ran" >"$DESK_INI"
(cd "$DESK_CWD" && exec "${DESK_UNSHARE[@]}" bash "$DESK_HERE/netns_exec.sh" two:wlan0 -- \
    bash "$DESK_HERE/own_locks.sh" env LD_PRELOAD="$FAKELIB" \
    FAKETIME="@$(date -d "@$fake" '+%F %T') x$SPEED" "$DESK_APP/kivrel") >"$DESK_TMP/h.log" 2>&1 &
KPID=$!
DESK_PIDS+=("$KPID")
wait_icon "$KPID" 30 || fatal "the program did not come up (no tray icon)"
deactivated() { nm deactivated && grep -q '^deactivated' "$DESK_TMP/nm.out"; }
check "DeactivateConnection called (idle, reminder, warning)" kivrel_wait_for 60 deactivated
check_eq "once, with the hotspot's connection; Cafe's stays up" "deactivated $AC/Hotspot
active $AC/Cafe" "$(cat "$DESK_TMP/nm.out")"
check "the hotspot's session closes into the ledger" kivrel_wait_for 20 lines_are $((lines + 1))
check "the user's command did not run" test ! -e "$DESK_TMP/command-ran"
kivrel_stop_pid "$KPID" 10

group "NetworkManager absent"
kivrel_stop_pid "$mock" 10
status 'net:Hotspot'
check_eq "net: matches nothing: offline, and says why in warnings" \
    'false ["无法得知计费网络（NetworkManager 未运行）：net: 与 metered 不匹配任何连接"]' \
    "$(json online warnings)"
check "the plain form says why, once" test "$(grep -c 'NetworkManager 未运行' "$DESK_TMP/plain")" = 1
status 'wlan*'
check_eq "an interface pattern works as before, with no warning" 'true "wlan0" []' \
    "$(json online link warnings)"

desk_finish
