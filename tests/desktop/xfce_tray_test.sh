# The tray icon on a panel that hosts icons over D-Bus (StatusNotifierItem): xfce4-panel with
# xfwm4. The icon registers with the watcher and offers the window's menu, whose enabled states
# follow the window; a left click shows the window, which gets no button in the panel's task
# list; a right click shows the program's menu, drawn by the panel; a panel restart brings the
# icon back and leaves the window where it was, also one never opened; Close from the panel's menu
# ends the program.
# shellcheck shell=bash
. "$(dirname "$0")/lib.sh"

desk_begin xfce
month=$(month_section)
printf '[%s]\r\nValue=90\r\n[Exit]\r\nValue=1\r\n' "$month" >"$DESK_INI"

# The menu as the panel reads it: the control table's items; at start the table's states, then
# what the window's state gives (shown: no Restore; hidden into the tray: Restore only, no Move,
# Size or Minimize).
menu_at_start='_Restore:on _Move:on _Size:on Mi_nimize:on Ma_ximize:off - _Close:on'
menu_shown='_Restore:off _Move:on _Size:on Mi_nimize:on Ma_ximize:on - _Close:on'
menu_hidden='_Restore:on _Move:off _Size:off Mi_nimize:off Ma_ximize:on - _Close:on'

DESK_ITEM=
_desk_item() { DESK_ITEM=$(sni_item_of "$1"); }
menu_is() { [ "$(sni_menu_of "$DESK_ITEM")" = "$1" ]; }

# ---------------------------------------------------------------- start
group "start: a StatusNotifierItem with the window's menu"
desk_start offline
p=$KPID
if kivrel_wait_for 20 _desk_item "$p"; then
    pass "the icon registers with org.kde.StatusNotifierWatcher ($DESK_ITEM)"
else
    fatal "no StatusNotifierItem of the program within 20 s"
fi
check "the status tray shows it" kivrel_wait_for 10 panel_tray
check "the window is hidden at start" window_hidden "$p"
check_eq "the menu offered" "$menu_at_start" "$(sni_menu_of "$DESK_ITEM")"
shot start_icon

# ---------------------------------------------------------------- panel restart, never opened
# The status tray is away for a moment: within the grace period nothing the user sees changes, so
# a window that was never opened stays hidden, throughout and after.
group "the panel restarts before the window was ever opened"
came_out=0
note_window() { window_shown "$p" && came_out=1; return 0; }
old_panel=$(panel_pid)
xfce4-panel --restart >>"$DESK_TMP/panel.log" 2>&1
new_panel() { local q; q=$(panel_pid) && [ -n "$q" ] && [ "$q" != "$old_panel" ] && sni_host_ready; }
check "a new panel with its status tray" kivrel_wait_for 40 eval 'note_window; new_panel'
check "the icon registers again" kivrel_wait_for 20 eval 'note_window; _desk_item "$p"'
# Longer than the grace period (5 s) after the tray came back.
kivrel_wait_for 8 eval 'note_window; false'
check_eq "the window never came out" 0 "$came_out"
check "the window is hidden" window_hidden "$p"
shot never_opened_after_panel_restart

# ---------------------------------------------------------------- left click
group "a left click on the icon shows the window"
click_tray 1
if ! wait_window "$p" '^☆Kivrel☆' 10; then
    fatal "the window did not appear after a left click on the icon"
fi
form=$DESK_WIN
read -r _ _ fw fh <<<"$(geometry "$form")"
check_eq "width" $DESK_FORM_W "$fw"
check_eq "height" $DESK_FORM_H "$fh"
check "the offered menu follows the window ($menu_shown)" kivrel_wait_for 5 menu_is "$menu_shown"

# The task list spans the panel from its handle to the status tray; with no task button it is
# one flat colour. A window that belongs in the task list shows that it would not be.
read -r tx _ _ _ <<<"$(geometry "$DESK_TRAY")"
tasks_w=$((tx - 40))
busy() {
    local v
    v=$(screen_variation "$tasks_w" 24 12 3)
    [ -n "$v" ] && [ "$v" -gt 0 ]
}
flat() { [ "$(screen_variation "$tasks_w" 24 12 3)" = 0 ]; }
# A button would come within moments of the window: none for 3 s.
if kivrel_wait_for 3 busy; then
    fail "the panel's task list shows a button for the window"
else
    check "the panel's task list has no button for the window" flat
fi
shot window_shown
xmessage -name probe "a window with a task button" >/dev/null 2>&1 &
probe=$!
DESK_PIDS+=("$probe")
check "a window that has a task button shows in the same place" kivrel_wait_for 10 busy
shot task_button_of_other_window
kivrel_stop_pid "$probe" 5

# Hidden with its own button: the menu follows again.
click_control "$form" Command2
check "the window hides" kivrel_wait_for 10 window_hidden "$p"
check "the offered menu follows ($menu_hidden)" kivrel_wait_for 5 menu_is "$menu_hidden"

# ---------------------------------------------------------------- panel restart
group "the panel restarts"
old_panel=$(panel_pid)
xfce4-panel --restart >>"$DESK_TMP/panel.log" 2>&1
check "a new panel with its status tray" kivrel_wait_for 40 new_panel
if check "the icon registers again" kivrel_wait_for 20 _desk_item "$p"; then
    check "the new status tray shows it" kivrel_wait_for 10 panel_tray
fi
check "the program keeps running" alive "$p"
check "the window is back in the tray" kivrel_wait_for 10 window_hidden "$p"
shot after_panel_restart

# ---------------------------------------------------------------- right click, Close
group "a right click shows the program's menu; Close ends the program"
click_tray 3
if check "a right click pops up a menu of the status tray" wait_tray_menu 10; then
    menu=$DESK_POPUP
    read -r mx my mw mh <<<"$(geometry "$menu")"
    # Six items and a separator: far taller than the panel's own four-item menu of a plugin.
    check "the menu is tall enough for the program's items (${mh} px)" test "$mh" -ge 120
    check "the program pops up nothing of its own" test -z "$(popup_of "$p")"
    shot menu_open
    # Close is the last item.
    click_at "$menu" $((mw / 2)) $((mh - 16))
    if check "Close ends the program" wait_gone "$p" 10; then
        check_eq "with status 0" 0 "$DESK_STATUS"
    fi
    check_eq "Exit is written 0" 0 "$(ini_get "$DESK_INI" Exit Value)"
    check_eq "the month's total is kept" 90 "$(ini_get "$DESK_INI" "$month" Value)"
    check "the icon is gone from the watcher" test -z "$(sni_item_of "$p")"
    shot after_close
fi

desk_finish
