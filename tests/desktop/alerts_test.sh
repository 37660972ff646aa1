# Allowance alerts as a user sees them: a file one tick from the alert threshold, the program
# online, and the notification that comes from the tray icon. First the notification area is
# trayer (XEmbed) with no session bus, so Qt shows its own balloon beside the icon (screenshots
# kept). Then a desktop with a D-Bus tray host and a notification daemon, where the alert goes
# through org.freedesktop.Notifications with its title and text. (The used-up alert and showing
# each once across restarts are the core tests' part.)
# shellcheck shell=bash
. "$(dirname "$0")/lib.sh"

desk_begin
year=$(date +%Y)
month=$(date +%-m)
# 1 hour: threshold 6 minutes; 54 used leaves 6.
printf '[s]\r\nValue=1\r\n[r]\r\nValue=0\r\n[T%d]\r\nValue=54\r\nYear=%d\r\n' \
    "$month" "$year" >"$DESK_INI"

ini_is() { [ "$(ini_get "$1" "$2" "$3")" = "$4" ]; }

# The visible windows of the program other than its tray icon and main window: the balloon.
# (The icon's own window is the one no wider than the panel is high.)
balloon_of() {
    local w width
    for w in $(xdotool search --onlyvisible --pid "$1" --class '^kivrel$' 2>/dev/null); do
        xdotool getwindowname "$w" 2>/dev/null | grep -q '^☆Kivrel☆' && continue
        read -r _ _ width _ <<<"$(geometry "$w")"
        [ "${width:-0}" -gt 32 ] || continue
        printf '%s\n' "$w"
        return 0
    done
    return 1
}
BALLOON=
_balloon() { BALLOON=$(balloon_of "$1"); }

group "the alert at the threshold"
desk_start online
p=$KPID
wait_icon "$p" 20 || fatal "the program did not come up (no tray icon)"
if kivrel_wait_for 30 _balloon "$p"; then
    pass "a notification appears beside the tray icon"
    read -r bx by bw bh <<<"$(geometry "$BALLOON")"
    check "it is on the screen ($bx,$by ${bw}x$bh)" test "$bx" -ge 0 -a "$by" -ge 0 -a \
        $((bx + bw)) -le $DESK_SCREEN_W -a $((by + bh)) -le $DESK_SCREEN_H
    shot alert_low
    check "the tick that showed it kept it for this billing month" kivrel_wait_for 10 \
        ini_is "$DESK_INI" AlertShown Month "$((year * 100 + month))"
else
    fail "no notification appeared within 30 s"
fi
check_eq "the low alert is marked shown" 1 "$(ini_get "$DESK_INI" AlertShown Low)"
check_eq "the allowance is left as it was" 1 "$(ini_get "$DESK_INI" s Value)"
kivrel_stop_pid "$p" 10

group "through the desktop's notification service (D-Bus)"
# A private session bus with a panel that hosts tray icons over D-Bus (sni_watcher.py) and a
# notification daemon (dunst): Qt's tray then sends the alert to org.freedesktop.Notifications.
printf '[s]\r\nValue=1\r\n[r]\r\nValue=0\r\n[T%d]\r\nValue=54\r\nYear=%d\r\n' \
    "$month" "$year" >"$DESK_INI"
bus_file=$DESK_TMP/bus.address
dbus-daemon --session --nofork --nopidfile --address="unix:path=$DESK_TMP/bus.socket" \
    --print-address=5 5>"$bus_file" >"$DESK_TMP/dbus.log" 2>&1 &
DESK_PIDS+=("$!")
kivrel_wait_for 10 test -s "$bus_file" || fatal "dbus-daemon did not start"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$bus_file")
export DBUS_SESSION_BUS_ADDRESS
/usr/bin/python3 "$DESK_HERE/sni_watcher.py" >"$DESK_TMP/watcher.log" 2>&1 &
DESK_PIDS+=("$!")
dunst >"$DESK_TMP/dunst.log" 2>&1 &
DESK_PIDS+=("$!")
dbus-monitor "type='method_call',interface='org.freedesktop.Notifications',member='Notify'" \
    >"$DESK_TMP/notify.log" 2>&1 &
DESK_PIDS+=("$!")
owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}
kivrel_wait_for 15 owned org.kde.StatusNotifierWatcher || fatal "the tray host did not come up"
kivrel_wait_for 15 owned org.freedesktop.Notifications || fatal "dunst did not come up"
desk_start online
p=$KPID
check "Qt puts its tray icon on D-Bus" kivrel_wait_for 20 grep -q 'registered item' \
    "$DESK_TMP/watcher.log"
check "the alert reaches org.freedesktop.Notifications with its title and text" \
    kivrel_wait_for 30 grep -q 'string "本月剩余不足10%，还剩6分钟"' "$DESK_TMP/notify.log"
check "titled Kivrel" grep -q 'string "Kivrel"' "$DESK_TMP/notify.log"
_dunst_shows() { xdotool search --onlyvisible --class '^Dunst$' >/dev/null 2>&1; }
if kivrel_wait_for 10 _dunst_shows; then
    pass "the notification daemon shows it"
    shot alert_dbus
else
    fail "the notification daemon shows nothing"
fi
cp "$DESK_TMP/notify.log" "$DESK_ART/notify.log"
kivrel_stop_pid "$p" 10

desk_finish
