# Run at log-on: Command5 enters and removes the program's entry in the freedesktop autostart
# folder ($XDG_CONFIG_HOME/autostart/kivrel.desktop, a private folder here) and keeps [Run] in
# timer.ini in step with it.
# shellcheck shell=bash
. "$(dirname "$0")/lib.sh"

desk_begin
entry=$XDG_CONFIG_HOME/autostart/kivrel.desktop

p=
form=
# up: starts the program (offline) and shows its window; sets p and form.
up() {
    desk_start offline
    p=$KPID
    wait_icon "$p" 20 || return 1
    click_icon "$p" 1
    wait_window "$p" '^☆Kivrel☆' 10 || return 1
    form=$DESK_WIN
}

has_entry() { [ -f "$entry" ]; }
no_entry() { [ ! -e "$entry" ]; }
run_is() { [ "$(ini_get "$DESK_INI" Run Value)" = "$1" ]; }

# ---------------------------------------------------------------- on, off
group "Command5 on, then off"
printf '[Run]\r\nValue=0\r\n[s]\r\nValue=40\r\n' >"$DESK_INI"
up || fatal "the program did not come up with its window"
check "no autostart entry at first" no_entry
click_control "$form" Command5
check "a click enters $entry" kivrel_wait_for 10 has_entry
check "[Run] Value becomes 1" kivrel_wait_for 5 run_is 1
check "no box opens" no_window "$p" '^Kivrel'
shot run_on
if has_entry; then
    cp "$entry" "$DESK_ART/kivrel.desktop"
    check "the entry is an application entry" grep -qx 'Type=Application' "$entry"
    exec_line=$(grep -m1 '^Exec=' "$entry")
    check "it runs this copy of the program ($exec_line)" grep -qF "$DESK_APP/kivrel" <<<"$exec_line"
    if command -v desktop-file-validate >/dev/null 2>&1; then
        check "desktop-file-validate accepts it" desktop-file-validate "$entry"
    fi
fi
check_eq "the allowance is kept" 40 "$(ini_get "$DESK_INI" s Value)"

click_control "$form" Command5
check "a second click removes the entry" kivrel_wait_for 10 no_entry
check "[Run] Value becomes 0" kivrel_wait_for 5 run_is 0
shot run_off

# The flag survives a restart: on again, end, start, and a click turns it off.
click_control "$form" Command5
kivrel_wait_for 10 has_entry
kill -TERM "$p"
wait_gone "$p" 10
check "[Run] is still 1 after a restart" run_is 1
up || fatal "the program did not come up again"
shot run_on_after_restart
click_control "$form" Command5
check "after the restart a click removes the entry" kivrel_wait_for 10 no_entry
check "and [Run] Value becomes 0" kivrel_wait_for 5 run_is 0

# ---------------------------------------------------------------- cannot write the folder
group "an autostart folder that cannot be made"
# A file where the folder should be: the entry cannot be written, even as root.
mkdir -p "$XDG_CONFIG_HOME"
rmdir "$XDG_CONFIG_HOME/autostart" 2>/dev/null || rm -rf "$XDG_CONFIG_HOME/autostart"
printf 'not a folder\n' >"$XDG_CONFIG_HOME/autostart"
before=$(file_sum "$DESK_INI")
click_control "$form" Command5
if check "a box titled Kivrel tells why" wait_window "$p" '^Kivrel$' 10; then
    shot run_refused
    keys_to "$DESK_WIN" Return
    check "the box closes" kivrel_wait_for 10 no_window "$p" '^Kivrel$'
fi
check "[Run] stays 0" run_is 0
check_eq "timer.ini is unchanged" "$before" "$(file_sum "$DESK_INI")"
check "the file in the folder's place is left as it was" grep -qx 'not a folder' "$XDG_CONFIG_HOME/autostart"
kill -TERM "$p"
wait_gone "$p" 10
rm -f "$XDG_CONFIG_HOME/autostart"

# ---------------------------------------------------------------- no XDG_CONFIG_HOME
group "without XDG_CONFIG_HOME the entry goes to ~/.config/autostart"
saved_config=$XDG_CONFIG_HOME
unset XDG_CONFIG_HOME
entry=$HOME/.config/autostart/kivrel.desktop
up || fatal "the program did not come up"
click_control "$form" Command5
check "a click enters $entry" kivrel_wait_for 10 has_entry
check "[Run] Value becomes 1" kivrel_wait_for 5 run_is 1
check "nothing is written to the other folder" test ! -e "$saved_config/autostart"
click_control "$form" Command5
check "a second click removes it" kivrel_wait_for 10 no_entry
kill -TERM "$p"
wait_gone "$p" 10
export XDG_CONFIG_HOME=$saved_config

desk_finish
