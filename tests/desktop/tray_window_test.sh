# The tray icon and the window: hidden at start, shown by a left click on the icon (when the
# button is released), borderless, centred, 539x351, off the taskbar; hidden again by itself after
# 30 seconds of countdown; the right-click menu (one, when the button is released); a
# notification area that goes away and comes back; Close from the menu.
# shellcheck shell=bash
. "$(dirname "$0")/lib.sh"

desk_begin
month=$(month_section)
printf '[%s]\r\nValue=90\r\n[Exit]\r\nValue=1\r\n' "$month" >"$DESK_INI"

# ---------------------------------------------------------------- start
group "start: only the tray icon"
desk_start offline
p=$KPID
if wait_icon "$p" 20; then
    pass "the tray icon is embedded in the notification area"
else
    fatal "no tray icon within 20 s"
fi
read -r ix iy iw ih <<<"$(geometry "$DESK_ICON")"
# trayer's panel is 100x32 at the top right of the 1024x768 screen.
check "the icon lies inside trayer's panel" test "$ix" -ge 924 -a $((ix + iw)) -le 1024 \
    -a "$iy" -ge 0 -a $((iy + ih)) -le 32
check "the window is hidden at start" window_hidden "$p"
check "no other window is shown at start" test -z "$(popup_of "$p")"
shot start_icon_only

# The tip: a tooltip window appears over the icon when the pointer rests on it.
xdotool mousemove --window "$DESK_ICON" $((iw / 2)) $((ih / 2))
if check "a tooltip appears over the icon" wait_popup "$p" 10; then
    shot tray_tip
fi
xdotool mousemove 500 700
kivrel_wait_for 5 test -z "$(popup_of "$p")" || true

# ---------------------------------------------------------------- left click
group "a left click on the icon shows the window, on the release"
# press_icon PID BUTTON / release_icon BUTTON: the two halves of a click on the icon.
press_icon() {
    local gw gh
    _desk_icon "$1" || return 1
    read -r _ _ gw gh <<<"$(geometry "$DESK_ICON")"
    xdotool mousemove --window "$DESK_ICON" $((gw / 2)) $((gh / 2)) mousedown "$2"
}
release_icon() { xdotool mouseup "$1"; }
press_icon "$p" 1
if kivrel_wait_for 1.5 window_shown "$p"; then
    fail "the window shows on the press"
else
    pass "nothing shows while the left button is held"
fi
release_icon 1
shown_at=$(kivrel_now_ms)
if ! wait_window "$p" '^☆Kivrel☆' 10; then
    fatal "the window did not appear after a left click on the icon"
fi
form=$DESK_WIN
read -r fx fy fw fh <<<"$(geometry "$form")"
check_eq "width" $DESK_FORM_W "$fw"
check_eq "height" $DESK_FORM_H "$fh"
check_near "centred across the screen (left edge)" $(((DESK_SCREEN_W - DESK_FORM_W) / 2)) "$fx" 1
check_near "centred down the screen (top edge)" $(((DESK_SCREEN_H - DESK_FORM_H) / 2)) "$fy" 1
check_eq "caption" "$DESK_CAPTION" "$(xdotool getwindowname "$form")"
net_state=$(xprop -id "$form" _NET_WM_STATE)
check "no taskbar entry (_NET_WM_STATE_SKIP_TASKBAR: $net_state)" \
    grep -q _NET_WM_STATE_SKIP_TASKBAR <<<"$net_state"
# Borderless: the Motif hints ask for no decorations (flags has bit 2, decorations is 0).
motif=$(xprop -id "$form" _MOTIF_WM_HINTS | sed 's/.*= //')
borderless() {
    local flags _functions decorations
    IFS=', ' read -r flags _functions decorations _ <<<"$1"
    [ -n "$decorations" ] && (((flags & 2) != 0 && decorations == 0))
}
check "borderless (_MOTIF_WM_HINTS $motif)" borderless "$motif"
# Let the first countdown step paint, then keep the picture.
sleep_until() { [ "$(kivrel_now_ms)" -ge "$1" ]; }
kivrel_wait_for 5 sleep_until $((shown_at + 2500))
shot window_shown
# The client area is painted (a gradient, not one flat colour): top and bottom rows differ.
top_px=$(import -window "$form" -crop 1x1+5+5 -depth 8 txt:- 2>/dev/null | tail -n 1 | awk '{print $3}')
bottom_px=$(import -window "$form" -crop 1x1+5+$((fh - 5)) -depth 8 txt:- 2>/dev/null | tail -n 1 | awk '{print $3}')
check "the background is a gradient (top $top_px, bottom $bottom_px)" \
    test -n "$top_px" -a "$top_px" != "$bottom_px"

# A second click while it is shown keeps it shown.
click_icon "$p" 1
check "a second click leaves it shown" window_shown "$p"

# ---------------------------------------------------------------- auto-hide
group "left alone, the window hides after about 31 s"
if check "the window hides itself within 45 s" kivrel_wait_for 45 window_hidden "$p"; then
    hidden_after=$((($(kivrel_now_ms) - shown_at) / 1000))
    check "it stayed up about 31 s (took ${hidden_after} s)" \
        test "$hidden_after" -ge 28 -a "$hidden_after" -le 36
fi
check "the program keeps running" alive "$p"
check "its icon stays" test -n "$(kivrel_tray_icon_of "$p")"
shot window_hidden_again

# ---------------------------------------------------------------- tray host restart at once
# Back within the grace period (5 s): nothing the user sees changes.
group "the notification area restarts at once: the window stays in the tray"
came_out=0
note_window() { window_shown "$p" && came_out=1; return 0; }
kivrel_stop_pid "$KIVREL_TRAYER_PID" 5
KIVREL_TRAYER_PID=
kivrel_tray_start "$DESK_TMP" || fatal "trayer did not start again"
check "the icon comes back" kivrel_wait_for 20 eval 'note_window; _desk_icon "$p"'
kivrel_wait_for 8 eval 'note_window; false'
check_eq "the window never came out" 0 "$came_out"

# ---------------------------------------------------------------- tray host restart
group "the notification area goes away and comes back"
old_icon=$(kivrel_tray_icon_of "$p")
kivrel_stop_pid "$KIVREL_TRAYER_PID" 5
KIVREL_TRAYER_PID=
check "with no notification area the window stays reachable (it is mapped, after the grace period)" \
    kivrel_wait_for 15 window_shown "$p"
shot no_tray_host
check "the program keeps running without it" alive "$p"
kivrel_tray_start "$DESK_TMP" || fatal "trayer did not start again"
check "the icon comes back in the new notification area" wait_icon "$p" 20
check "the window goes back into the tray" kivrel_wait_for 10 window_hidden "$p"
new_icon=$DESK_ICON
say "icon window before $old_icon, after $new_icon"
click_icon "$p" 1
check "a click on the icon still shows the window" wait_window "$p" '^☆Kivrel☆' 10
shot after_tray_restart

# ---------------------------------------------------------------- menu, Close
group "the right-click menu and Close"
press_icon "$p" 3
if kivrel_wait_for 1.5 _desk_popup "$p"; then
    fail "a menu opens on the press"
else
    pass "nothing opens while the right button is held"
fi
release_icon 3
if check "the right button's release opens the menu" wait_popup "$p" 10; then
    menu=$DESK_POPUP
    # Exactly one: Qt's icon would open its own on the press as well.
    popups=0
    others=" $(main_window "$p") $(($(kivrel_tray_icon_of "$p"))) "
    for w in $(xdotool search --onlyvisible --pid "$p" 2>/dev/null); do
        [[ $others == *" $w "* ]] || popups=$((popups + 1))
    done
    check_eq "one menu" 1 "$popups"
    read -r mx my mw mh <<<"$(geometry "$menu")"
    check "the menu lies on the screen" test "$mx" -ge 0 -a "$my" -ge 0 \
        -a $((mx + mw)) -le $DESK_SCREEN_W -a $((my + mh)) -le $DESK_SCREEN_H
    # Seven rows (six items and a separator): a menu far shorter cannot hold them.
    check "the menu is tall enough for its items (${mh} px)" test "$mh" -ge 90
    shot menu_open
    # Close is the last item: a click on the menu's last row.
    click_at "$menu" $((mw / 2)) $((mh - 12))
    if check "Close ends the program" wait_gone "$p" 10; then
        check_eq "with status 0" 0 "$DESK_STATUS"
    fi
    check "the icon is gone from the notification area" kivrel_wait_for 5 icon_gone "$p"
    check "the window is gone" window_hidden "$p"
    check_eq "Exit is written 0" 0 "$(ini_get "$DESK_INI" Exit Value)"
    check_eq "the month's total is kept" 90 "$(ini_get "$DESK_INI" "$month" Value)"
    shot after_close
fi

desk_finish
