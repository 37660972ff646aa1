# Allowance alerts as a user sees them: a file one tick from the alert threshold, the program
# online, and the notification that comes from the tray icon. Here the notification area is
# trayer (XEmbed) with no session bus, so Qt shows its own balloon beside the icon; the window's
# screenshot is kept. Then the used-up alert, and no repeat after a restart in the same month.
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

group "the used-up alert, once"
printf '[s]\r\nValue=1\r\n[T%d]\r\nValue=60\r\nYear=%d\r\n' "$month" "$year" >"$DESK_INI"
desk_start online
p=$KPID
wait_icon "$p" 20 || fatal "the program did not come up after the restart"
if kivrel_wait_for 30 _balloon "$p"; then
    pass "the used-up notification appears"
    shot alert_used_up
else
    fail "no used-up notification within 30 s"
fi
check "the used-up alert is marked shown" kivrel_wait_for 10 ini_is "$DESK_INI" AlertShown Empty 1
kivrel_stop_pid "$p" 10
# Same month, same file: nothing is shown again. Three ticks (the total moves by 0.3 minutes and is
# saved each time, so the Exit key being written shows that ticks happened).
sed -i 's/^Exit=0\r$/Exit=5\r/' "$DESK_INI"
desk_start online
p=$KPID
wait_icon "$p" 20 || fatal "the program did not come up after the second restart"
_ticked() { [ "$(ini_get "$DESK_INI" Exit Value)" = 0 ]; }
kivrel_wait_for 30 _ticked || fail "no online tick within 30 s"
if kivrel_wait_for 15 _balloon "$p"; then
    fail "a notification came again after a restart in the same month"
    shot alert_repeated
else
    pass "no notification for 15 s (two more ticks) after a restart in the same month"
fi
kivrel_stop_pid "$p" 10

desk_finish
