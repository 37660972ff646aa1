# The starts that Kivrel refuses (without timer.ini beside it, a second running copy of the same
# user wherever it lives), and the start of an installed copy that keeps its records elsewhere.
# shellcheck shell=bash
. "$(dirname "$0")/lib.sh"

desk_begin

# ---------------------------------------------------------------- no timer.ini
group "no timer.ini beside the program"
rm -f "$DESK_INI"
app_before=$(folder_state "$DESK_APP")

desk_start
p=$KPID
check "a box titled Kivrel appears" wait_window "$p" '^Kivrel$' 15
box=$DESK_WIN
shot no_ini_box
check "no tray icon while refusing" icon_gone "$p"
check "no main window while refusing" window_hidden "$p"
read -r bx by bw bh <<<"$(geometry "$box")"
check "the box lies on the screen" test "$bx" -ge 0 -a "$by" -ge 0 \
    -a $((bx + bw)) -le $DESK_SCREEN_W -a $((by + bh)) -le $DESK_SCREEN_H
check "the box is still waiting for OK" alive "$p"

keys_to "$box" Return
check "after OK the program ends" wait_gone "$p" 10
check_eq "it ends with status 0" 0 "$DESK_STATUS"
check_eq "nothing was created beside the program" "$app_before" "$(folder_state "$DESK_APP")"
check_eq "nothing was created in the working folder" "" "$(folder_state "$DESK_CWD")"
check "still no timer.ini" test ! -e "$DESK_INI"

# The same start ended by SIGTERM while its box is open: it must not hang on the box either.
desk_start
p=$KPID
if wait_window "$p" '^Kivrel$' 15; then
    kill -TERM "$p"
    check "SIGTERM during the box ends the program" wait_gone "$p" 10
    check_eq "and nothing was created beside the program" "$app_before" \
        "$(folder_state "$DESK_APP")"
else
    fail "the box did not appear the second time"
fi

# ---------------------------------------------------------------- a second copy
group "a second copy while one is running"
# Both copies run offline (a namespace without a default route), so the first one has no reason
# to write timer.ini: any write would come from the second.
printf '[T2]\r\nValue=75\r\n[s]\r\nValue=40\r\n' >"$DESK_INI"
desk_start offline
first=$KPID
check "the first copy starts (its tray icon shows)" wait_icon "$first" 20
first_icon=$DESK_ICON
ini_before=$(file_sum "$DESK_INI")
ini_inode=$(stat -c %i "$DESK_INI")
app_before=$(folder_state "$DESK_APP")

desk_start offline
second=$KPID
check "the second copy shows a box titled Kivrel" wait_window "$second" '^Kivrel$' 15
box=$DESK_WIN
shot second_copy_box
check "the second copy shows no tray icon" icon_gone "$second"
check "the second copy shows no main window" window_hidden "$second"
keys_to "$box" Return
check "after OK the second copy ends" wait_gone "$second" 10
check_eq "it ends with status 0" 0 "$DESK_STATUS"

check "the first copy is still running" alive "$first"
check_eq "the first copy's icon is still the same" "$first_icon" \
    "$(kivrel_tray_icon_of "$first")"
check_eq "timer.ini is unchanged" "$ini_before" "$(file_sum "$DESK_INI")"
check_eq "timer.ini was not replaced" "$ini_inode" "$(stat -c %i "$DESK_INI")"
check_eq "nothing else appeared beside the program" "$app_before" "$(folder_state "$DESK_APP")"

# One running copy per user, wherever its copies live: a copy in another folder, with its own
# timer.ini, is refused as well and writes nothing.
group "a copy installed in another folder"
mkdir -p "$DESK_TMP/app2"
desk_copy_program "$DESK_APP" "$DESK_TMP/app2"
: >"$DESK_TMP/app2/timer.ini"
desk_run "$DESK_TMP/app2" offline
other=$KPID
check "the other copy shows a box titled Kivrel" wait_window "$other" '^Kivrel$' 15
check "the other copy shows no tray icon" icon_gone "$other"
keys_to "$DESK_WIN" Return
check "after OK the other copy ends" wait_gone "$other" 10
check "its timer.ini is still empty" test ! -s "$DESK_TMP/app2/timer.ini"
check "the first copy is still running" alive "$first"

# However it was started: a copy without $XDG_RUNTIME_DIR (a start from ssh, su or cron), or with
# another one, is refused as well.
group "a copy started without XDG_RUNTIME_DIR, and one with another"
runtime=$XDG_RUNTIME_DIR
mkdir -p -m 700 "$DESK_TMP/runtime2"
for other_runtime in "" "$DESK_TMP/runtime2"; do
    unset XDG_RUNTIME_DIR
    [ -z "$other_runtime" ] || export XDG_RUNTIME_DIR=$other_runtime
    desk_run "$DESK_TMP/app2" offline
    other=$KPID
    export XDG_RUNTIME_DIR=$runtime
    check "the copy with XDG_RUNTIME_DIR='$other_runtime' shows a box titled Kivrel" \
        wait_window "$other" '^Kivrel$' 15
    check "and no tray icon" icon_gone "$other"
    keys_to "$DESK_WIN" Return
    check "after OK it ends" wait_gone "$other" 10
done
check "the first copy is still running" alive "$first"

# The claim dies with the process, however it ends: after a kill, a new start is not refused.
group "a start after the running copy was killed"
kill -KILL "$first"
wait_gone "$first" 10
desk_start offline
again=$KPID
check "the new start runs (its tray icon shows)" wait_icon "$again" 20
check "and it shows no box" no_window "$again" '^Kivrel$'
kivrel_stop_pid "$again" 10

# An installed copy: the timer.ini beside the program may not be written (no write permission at
# all, which holds even for root), so the user's own file is made from it and used.
group "an installed copy whose timer.ini may not be written"
printf '[T2]\r\nValue=75\r\n[s]\r\nValue=40\r\n' >"$DESK_INI"
chmod 0444 "$DESK_INI"
own=$XDG_DATA_HOME/kivrel/timer.ini
rm -f "$own"
installed_before=$(file_sum "$DESK_INI")
desk_start
installed=$KPID
check "it starts (its tray icon shows)" wait_icon "$installed" 20
check "and it shows no box" no_window "$installed" '^Kivrel$'
check "the user's own timer.ini was made" kivrel_wait_for 10 test -f "$own"
check_eq "as a copy of the installed one" "40" "$(ini_get "$own" s Value)"
kivrel_stop_pid "$installed" 10
check_eq "the installed timer.ini is unchanged" "$installed_before" "$(file_sum "$DESK_INI")"
check_eq "the user's file has the stop's save" "0" "$(ini_get "$own" Exit Value)"
chmod 0644 "$DESK_INI"

desk_finish
