# Metering: while the machine is online (a default route on a link that is up and running), each
# 6-second tick adds a tenth of a minute to the billing month and saves it at once; offline,
# nothing is counted and timer.ini is not touched.
# Two copies run side by side, each in a network namespace made here: one online (a veth pair
# with a default route), one offline (the same links, no default route). The X server is
# reached through its socket file, which network namespaces do not hide.
# shellcheck shell=bash
. "$(dirname "$0")/lib.sh"

desk_begin
month=$(month_section)
start_day=$(date +%F)

# An even total, so that the half-way tick (x.5 minutes, stored rounded half to even) does not yet
# add a minute: the stored value moves at the 6th tick (36 s), and stays there until the 15th.
online_ini=$DESK_INI
printf '[%s]\r\nValue=36\r\n[T13]\r\nValue=99\r\n[s]\r\nValue=40\r\n' "$month" >"$online_ini"

offline_dir=$DESK_TMP/offline
mkdir -p "$offline_dir"
desk_copy_program "$DESK_APP" "$offline_dir"
offline_ini=$offline_dir/timer.ini
printf '[%s]\r\nValue=5\r\n[Exit]\r\nValue=1\r\n' "$month" >"$offline_ini"
offline_state() { stat -c '%i %s %Y' "$offline_ini" && file_sum "$offline_ini"; }
offline_before=$(offline_state)

# ---------------------------------------------------------------- start both
started=$(kivrel_now_ms)
desk_start online
online=$KPID
# The two copies stand for the meters of two users (one running copy per user), so the offline
# one gets single-instance locks of its own.
KIVREL_TEST_LOCKS=$DESK_TMP/locks2 desk_run "$offline_dir" offline
offline=$KPID

group "both copies start"
check "the online copy is up (tray icon)" wait_icon "$online" 20
check "the offline copy is up (tray icon)" wait_icon "$offline" 20

elapsed() { echo $((($(kivrel_now_ms) - started) / 1000)); }
online_value() { ini_get "$online_ini" "$month" Value; }

# Watch both files, a tenth of a second apart, until the online total moves (at most 100 s).
offline_changed_at=
moved_at=
moved_to=
deadline=$((started + 100000))
while [ "$(kivrel_now_ms)" -lt "$deadline" ]; do
    if [ -z "$offline_changed_at" ] && [ "$(offline_state)" != "$offline_before" ]; then
        offline_changed_at=$(elapsed)
    fi
    v=$(online_value)
    if [ -n "$v" ] && [ "$v" != 36 ]; then
        moved_at=$(elapsed)
        moved_to=$v
        break
    fi
    sleep 0.1
done

group "online: a tenth of a minute each tick"
if [ -n "$moved_at" ]; then
    check_eq "the total moves by one minute" 37 "$moved_to"
    # Six ticks of 6 s: not before 36 s after the start (less a second of slack), and not
    # much later.
    check "it moves at the 6th tick (after ${moved_at} s)" test "$moved_at" -ge 35 -a "$moved_at" -le 50
else
    fail "the online total did not move within 100 s"
fi
check "the save writes Exit 0 beside the total" test "$(ini_get "$online_ini" Exit Value)" = 0

# Past the tenth tick (60 s), with slack: one minute more than at the start, and no more.
past_ten_ticks() { [ "$(kivrel_now_ms)" -ge $((started + 67000)) ]; }
kivrel_wait_for 80 past_ten_ticks
shot online_window_hidden
check_eq "after ten ticks ($(elapsed) s) the total has grown by one minute" 37 "$(online_value)"
check_eq "Exit holds 0" 0 "$(ini_get "$online_ini" Exit Value)"
check_eq "another month's section is untouched" 99 "$(ini_get "$online_ini" T13 Value)"
check_eq "the allowance is untouched" 40 "$(ini_get "$online_ini" s Value)"

# The window of the online copy, for the record: green lamps and the status text.
if click_icon "$online" 1 && wait_window "$online" '^☆Kivrel☆' 10; then
    kivrel_wait_for 3 test -n "$(main_window "$online")"
    shot online_window
    xdotool key --window "$DESK_WIN" Escape >/dev/null 2>&1 || true
fi

group "offline: nothing is counted, the file is left alone"
# By now the offline copy has seen ten ticks or more.
if [ -n "$offline_changed_at" ] || [ "$(offline_state)" != "$offline_before" ]; then
    fail "timer.ini of the offline copy was written while offline (first seen after ${offline_changed_at:-?} s)"
else
    pass "timer.ini of the offline copy is byte for byte and inode for inode the same after $(elapsed) s"
fi
if click_icon "$offline" 1 && wait_window "$offline" '^☆Kivrel☆' 10; then
    shot offline_window
fi

group "ending both"
kill -TERM "$online" "$offline"
check "the online copy ends" wait_gone "$online" 10
check "the offline copy ends" wait_gone "$offline" 10
check_eq "the online total is saved on the way out" 37 "$(online_value)"
check_eq "the offline copy saves its unchanged total on the way out" 5 \
    "$(ini_get "$offline_ini" "$month" Value)"
check_eq "and writes its Exit 0" 0 "$(ini_get "$offline_ini" Exit Value)"

if [ "$(date +%F)" != "$start_day" ]; then
    say "note: the date changed during the test; a failure above may come from a new billing month"
fi

desk_finish
