# The records: the month query (Combo1), the presets of a month's minutes and the clearing of
# all twelve months (Combo2), driven through the real widgets and boxes.
# The program runs offline, so that only these actions write timer.ini.
# shellcheck shell=bash
. "$(dirname "$0")/lib.sh"

desk_begin
{
    for n in $(seq 1 12); do printf '[T%d]\r\nValue=%d\r\n' "$n" $((n * 60 + 6)); done
    printf '[s]\r\nValue=40\r\n[r]\r\nValue=0\r\n[Run]\r\nValue=0\r\n'
} >"$DESK_INI"

desk_start offline
p=$KPID
wait_icon "$p" 20 || fatal "the program did not come up (no tray icon)"

# show_window: shows the main window from the tray when it is not shown, and cancels its
# auto-hide (a click on Label7), so that it stays for the whole test. Sets `form`.
form=
show_window() {
    form=$(main_window "$p")
    if [ -z "$form" ]; then
        click_icon "$p" 1
        wait_window "$p" '^☆Kivrel☆' 10 || return 1
        form=$DESK_WIN
        click_control "$form" Label7
    fi
}
show_window || fatal "the window did not appear"

# ---------------------------------------------------------------- Combo1: month query
group "Combo1: the month query reads, and writes nothing"
before=$(file_sum "$DESK_INI")
if choose_item "$p" "$form" Combo1 2; then # month 3: 186 minutes, about 3 hours
    pass "month 3 chosen in Combo1"
    kivrel_wait_for 5 test -z "$(popup_of "$p")" || true
    shot combo1_month3
    check "no box opens for a query" no_window "$p" '^Kivrel'
    check_eq "timer.ini is unchanged by the query" "$before" "$(file_sum "$DESK_INI")"
else
    fail "could not open Combo1's list"
fi

# ---------------------------------------------------------------- Combo2: preset
group "Combo2: a month's minutes preset through the input box"
show_window
if choose_item "$p" "$form" Combo2 5 && wait_window "$p" '^Kivrel数据预设$' 10; then
    input=$DESK_WIN
    pass "the input box titled Kivrel数据预设 opens for item 5"
    xdotool windowfocus --sync "$input" 2>/dev/null
    xdotool key --clearmodifiers ctrl+a
    type_to "$input" 1234
    shot preset_typed
    keys_to "$input" Return
    check "the input box closes" kivrel_wait_for 10 gone_window "$input"
    check_eq "T5 holds the typed minutes" 1234 "$(ini_get "$DESK_INI" T5 Value)"
    check_eq "T4 is untouched" 246 "$(ini_get "$DESK_INI" T4 Value)"
    check_eq "T6 is untouched" 366 "$(ini_get "$DESK_INI" T6 Value)"
    if wait_window "$p" '^Kivrel数据预设$' 10; then
        pass "a done box with the same title follows"
        shot preset_done
        keys_to "$DESK_WIN" Return
        check "the done box closes" kivrel_wait_for 10 no_window "$p" '^Kivrel数据预设$'
    else
        fail "no done box"
    fi
else
    fail "the input box did not open"
    shot preset_no_box
fi

group "Combo2: an entry that is not a number is refused"
show_window
before=$(file_sum "$DESK_INI")
if choose_item "$p" "$form" Combo2 12 && wait_window "$p" '^Kivrel数据预设$' 10; then
    input=$DESK_WIN
    xdotool windowfocus --sync "$input" 2>/dev/null
    xdotool key --clearmodifiers ctrl+a
    type_to "$input" abc
    keys_to "$input" Return
    check "the input box closes" kivrel_wait_for 10 gone_window "$input"
    if wait_window "$p" '^Kivrel数据预设$' 10; then
        pass "a box tells the preset failed"
        shot preset_refused
        keys_to "$DESK_WIN" Return
        kivrel_wait_for 10 no_window "$p" '^Kivrel数据预设$'
    else
        fail "no box tells the preset failed"
    fi
    check_eq "timer.ini is unchanged" "$before" "$(file_sum "$DESK_INI")"
    check_eq "T12 keeps its minutes" 726 "$(ini_get "$DESK_INI" T12 Value)"
else
    fail "the input box did not open for item 12"
fi

# ---------------------------------------------------------------- Combo2: clear all
group "Combo2: clearing the twelve months, answered No then Yes"
show_window
before=$(file_sum "$DESK_INI")
if choose_item "$p" "$form" Combo2 0 && wait_window "$p" '^Kivrel全清数据$' 10; then
    pass "the question titled Kivrel全清数据 opens"
    shot clear_question
    keys_to "$DESK_WIN" Escape
    check "Escape (No) closes it" kivrel_wait_for 10 no_window "$p" '^Kivrel全清数据$'
    check "and no other box follows" no_window "$p" '^Kivrel'
    check_eq "No leaves timer.ini unchanged" "$before" "$(file_sum "$DESK_INI")"
else
    fail "the question did not open"
fi

show_window
if choose_item "$p" "$form" Combo2 0 && wait_window "$p" '^Kivrel全清数据$' 10; then
    keys_to "$DESK_WIN" Return
    check "Return (Yes, the default) closes it" kivrel_wait_for 10 no_window "$p" '^Kivrel全清数据$'
    if wait_window "$p" '^Kivrel数据全清$' 10; then
        pass "a done box titled Kivrel数据全清 follows"
        shot clear_done
        keys_to "$DESK_WIN" Return
        kivrel_wait_for 10 no_window "$p" '^Kivrel数据全清$'
    else
        fail "no done box after clearing"
    fi
    all_zero=1
    for n in $(seq 1 12); do
        v=$(ini_get "$DESK_INI" "T$n" Value)
        [ "$v" = 0 ] || {
            all_zero=0
            say "       T$n holds '$v'"
        }
    done
    check "T1 to T12 all hold 0" test $all_zero = 1
    check_eq "the allowance is kept" 40 "$(ini_get "$DESK_INI" s Value)"
    check_eq "the billing day is kept" 0 "$(ini_get "$DESK_INI" r Value)"
else
    fail "the question did not open the second time"
fi

# After clearing, the month query reads 0 for the month just preset; and the program is alive.
show_window
choose_item "$p" "$form" Combo1 4 && shot combo1_month5_after_clear
check "the program is still running" alive "$p"
check_eq "T5 reads 0 after clearing" 0 "$(ini_get "$DESK_INI" T5 Value)"

kivrel_stop_pid "$p" 10
desk_finish
