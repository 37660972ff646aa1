# The month sections serve every year: on 5 January 2027 (faketime) a January section stamped
# 2026 is last year's. The window starts the month from 0, the first online tick keeps 2026's
# total under a key of its own and stamps the section 2027; other months are left as they are.
# shellcheck shell=bash
. "$(dirname "$0")/lib.sh"

desk_begin
command -v faketime >/dev/null || fatal "faketime is missing (scripts/test.sh installs it)"
printf '[s]\r\nValue=0\r\n[r]\r\nValue=0\r\n[T1]\r\nValue=1500\r\nYear=2026\r\n[T12]\r\nValue=30\r\n' \
    >"$DESK_INI"

ini_is() { [ "$(ini_get "$1" "$2" "$3")" = "$4" ]; }
replaced() { [ "$(stat -c %i "$DESK_INI")" != "$1" ]; }

# The program and its tools see 5 January 2027; Qt's timers keep the real monotonic clock.
FAKETIME_LIB=$(dpkg -L libfaketime 2>/dev/null | grep '/libfaketime.so.1$' | head -n 1)
[ -n "$FAKETIME_LIB" ] || fatal "libfaketime.so.1 not found"
export LD_PRELOAD=$FAKETIME_LIB FAKETIME='@2027-01-05 10:00:00' FAKETIME_DONT_FAKE_MONOTONIC=1

group "before the first tick"
env -u DISPLAY "$DESK_APP/kivrel" --status --json >"$DESK_TMP/status.json"
check_eq "kivrel --status: January, used 0" "1 0" "$(python3 -c '
import json, sys
s = json.load(open(sys.argv[1]))
print(s["billing_month"], s["used_minutes"])' "$DESK_TMP/status.json")"

group "the first online tick in January"
desk_start online
p=$KPID
wait_icon "$p" 20 || fatal "the program did not come up (no tray icon)"
check "T1 is stamped 2027" kivrel_wait_for 30 ini_is "$DESK_INI" T1 Year 2027
check_eq "January starts from 0" 0 "$(ini_get "$DESK_INI" T1 Value)"
check_eq "last January's total is kept" 1500 "$(ini_get "$DESK_INI" T1 Value2026)"
check_eq "December is left as it was" 30 "$(ini_get "$DESK_INI" T12 Value)"
check "December gets no stamp" test -z "$(ini_get "$DESK_INI" T12 Year)"
click_icon "$p" 1
if wait_window "$p" '^☆Kivrel☆' 10; then
    # Each online tick replaces the file (a new inode): after the next one the label is current.
    inode=$(stat -c %i "$DESK_INI")
    check "another tick comes" kivrel_wait_for 15 replaced "$inode"
    shot january_window
    pass "the window shows (screenshot january_window)"
else
    fail "the window did not show"
fi
kivrel_stop_pid "$p" 10
check_eq "the total saved at exit is this year's" 2027 "$(ini_get "$DESK_INI" T1 Year)"

desk_finish
