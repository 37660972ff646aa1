# SIGTERM, SIGINT and SIGHUP end Kivrel cleanly: it unloads as if closed from its menu, so the
# month's total is saved, Exit is written 0, and the tray icon goes away.
# The copies run offline (no default route in their network namespace): no tick adds time, so
# every value in timer.ini is known.
# shellcheck shell=bash
. "$(dirname "$0")/lib.sh"

desk_begin
month=$(month_section)

# run_and_signal SIGNAL: starts the program, waits until it is up, sends SIGNAL, and checks the
# way it ends.
run_and_signal() {
    desk_start offline
    local p=$KPID
    if ! wait_icon "$p" 20; then
        fail "the program did not come up (no tray icon)"
        return
    fi
    kill -"$1" "$p"
    if wait_gone "$p" 10; then
        pass "SIG$1 ends the program"
        check_eq "with status 0 (a clean exit, not death by the signal)" 0 "$DESK_STATUS"
    else
        fail "SIG$1 did not end the program within 10 s"
    fi
    check "its tray icon is gone" kivrel_wait_for 5 icon_gone "$p"
}

# ---------------------------------------------------------------- SIGTERM, empty timer.ini
group "SIGTERM with an empty timer.ini"
: >"$DESK_INI"
run_and_signal TERM
check "the month's section $month was written" ini_has_section "$DESK_INI" "$month"
check_eq "$month Value" 0 "$(ini_get "$DESK_INI" "$month" Value)"
check_eq "Exit Value" 0 "$(ini_get "$DESK_INI" Exit Value)"

# ---------------------------------------------------------------- SIGINT, a used file
group "SIGINT with months of records"
printf '[%s]\r\nValue=2345\r\n[Exit]\r\nValue=1\r\n[T13]\r\nValue=7\r\n[s]\r\nValue=40\r\n[r]\r\nValue=0\r\n' \
    "$month" >"$DESK_INI"
run_and_signal INT
check_eq "$month keeps its total" 2345 "$(ini_get "$DESK_INI" "$month" Value)"
check_eq "Exit is written 0 (it was 1)" 0 "$(ini_get "$DESK_INI" Exit Value)"
check_eq "the allowance is kept" 40 "$(ini_get "$DESK_INI" s Value)"
check_eq "an unrelated section is kept" 7 "$(ini_get "$DESK_INI" T13 Value)"
check "no temporary file is left beside the program" \
    test "$(find "$DESK_APP" -mindepth 1 ! -name kivrel ! -name kivrel-window.so \
        ! -name timer.ini | wc -l)" -eq 0

# ---------------------------------------------------------------- SIGHUP, window shown
group "SIGHUP while the window is shown"
printf '[%s]\r\nValue=12\r\n[Exit]\r\nValue=1\r\n' "$month" >"$DESK_INI"
desk_start offline
p=$KPID
if wait_icon "$p" 20 && click_icon "$p" 1 && wait_window "$p" '^☆Kivrel☆' 10; then
    shot hup_window_shown
    kill -HUP "$p"
    check "SIGHUP ends the program" wait_gone "$p" 10
    check_eq "with status 0" 0 "$DESK_STATUS"
    check "its window is gone" window_hidden "$p"
    check_eq "$month keeps its total" 12 "$(ini_get "$DESK_INI" "$month" Value)"
    check_eq "Exit is written 0" 0 "$(ini_get "$DESK_INI" Exit Value)"
else
    fail "could not show the window before SIGHUP"
fi

# ---------------------------------------------------------------- SIGTERM, a box open
# A log-out while the preset box waits for an answer: the program must still end, save, and not
# store the half-typed preset nor open another box.
group "SIGTERM while the preset box is open"
printf '[%s]\r\nValue=33\r\n[T7]\r\nValue=5\r\n[Exit]\r\nValue=1\r\n' "$month" >"$DESK_INI"
desk_start offline
p=$KPID
if wait_icon "$p" 20 && click_icon "$p" 1 && wait_window "$p" '^☆Kivrel☆' 10; then
    form=$DESK_WIN
    choose_item "$p" "$form" Combo2 7 # "预设7月份已用分钟"
    if wait_window "$p" '^Kivrel数据预设$' 10; then
        type_to "$DESK_WIN" 999
        shot term_preset_box
        kill -TERM "$p"
        check "SIGTERM ends the program" wait_gone "$p" 10
        check_eq "with status 0" 0 "$DESK_STATUS"
        check_eq "the half-typed preset is not stored" 5 "$(ini_get "$DESK_INI" T7 Value)"
        check_eq "$month keeps its total" 33 "$(ini_get "$DESK_INI" "$month" Value)"
        check_eq "Exit is written 0" 0 "$(ini_get "$DESK_INI" Exit Value)"
    else
        fail "the preset box did not open"
        shot no_preset_box
    fi
else
    fail "could not show the window"
fi

desk_finish
