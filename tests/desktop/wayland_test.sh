# The program in a Wayland session: a headless sway with waybar's tray (sway.sh). Twice: as it
# chooses by itself (through XWayland, which sway starts on demand), and natively on Wayland
# because the user asked for it (QT_QPA_PLATFORM=wayland). Each time the item registers with the
# watcher, Activate (waybar's left click) shows a borderless 539x351 window floating in the middle
# of the work area, the published menu holds its six items (Move off: sway does not let a program
# move its window), Size from it and an arrow key widen the window, and Close ends the program.
# Natively, the bar also goes away (the window stays reachable) and comes back (the item too).
# shellcheck shell=bash
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/sway.sh"

sway_begin
month=$(month_section)
printf '[%s]\r\nValue=90\r\n[Exit]\r\nValue=1\r\n' "$month" >"$SW_INI"

sleep_until() { [ "$(kivrel_now_ms)" -ge "$1" ]; }
borderless() { [ "$1" = csd ] || [ "$1" = none ]; }
item_registered() { sway_items | grep -q .; }

# shows_window NAME SHELL: Activate, then the window as sway has it.
shows_window() {
    local name=$1 shell=$2 shown_at fl x y w h border how ax ay aw ah
    item_activate
    shown_at=$(kivrel_now_ms)
    kivrel_wait_for 10 sway_window || fatal_sway "$name: no window after Activate"
    read -r fl x y w h border how <<<"$SW_WIN"
    read -r ax ay aw ah <<<"$(sway_work_area)"
    check_eq "$name: floating, not tiled" 1 "$fl"
    check_eq "$name: width" "$DESK_FORM_W" "$w"
    check_eq "$name: height" "$DESK_FORM_H" "$h"
    check_near "$name: centred across the work area (left edge)" $((ax + (aw - w) / 2)) "$x" 1
    check_near "$name: centred down the work area (top edge)" $((ay + (ah - h) / 2)) "$y" 1
    check "$name: borderless (sway's border: $border)" borderless "$border"
    check_eq "$name: shown through" "$shell" "$how"
    # Let the first countdown step paint, then keep the picture.
    kivrel_wait_for 5 sleep_until $((shown_at + 2000))
    sway_shot "$name"
    local top bottom
    top=$(pixel "$SW_ART/$name.png" $((x + 5)) $((y + 5)))
    bottom=$(pixel "$SW_ART/$name.png" $((x + 5)) $((y + h - 5)))
    check "$name: the window is painted with its gradient (top $top, bottom $bottom)" \
        test -n "$top" -a "$top" != "$bottom"
}

# menu_and_close NAME PID MOVE SIZE: the published menu (six items; Move and Size enabled as
# given) and Close from it.
menu_and_close() {
    local name=$1 p=$2 move=$3 size=$4 path layout items labels
    path=$(item_prop Menu | grep -o "'[^']*'" | tr -d "'")
    if [ -z "$path" ] || [ "$path" = /NO_DBUSMENU ]; then
        fail "$name: the item publishes its menu (Menu is '$path')"
        kill -TERM "$p"
    else
        as_user gdbus call --session -d "$SW_ITEM_BUS" -o "$path" \
            -m com.canonical.dbusmenu.AboutToShow 0 >/dev/null 2>&1
        layout=$(as_user gdbus call --session -d "$SW_ITEM_BUS" -o "$path" \
            -m com.canonical.dbusmenu.GetLayout 0 '@i -1' '[]')
        items=$(python3 "$DESK_HERE/sway_tree.py" menu <<<"$layout")
        printf '%s\n' "$items" >"$SW_ART/$name.menu.txt"
        labels=$(awk -F'\t' '$2 != "-" { gsub(/[_&]/, "", $3); printf "%s ", $3 }' <<<"$items")
        check_eq "$name: the menu's items" "Restore Move Size Minimize Maximize Close " "$labels"
        state_of() { awk -F'\t' -v l="$1" '{ gsub(/[_&]/, "", $3) } $3 == l { print $2 }' <<<"$items"; }
        check_eq "$name: Move enabled" "$move" "$(state_of Move)"
        check_eq "$name: Size enabled" "$size" "$(state_of Size)"
        id_of() { awk -F'\t' -v l="$1" '{ gsub(/[_&]/, "", $3) } $3 == l { print $1 }' <<<"$items"; }
        click_item() {
            as_user gdbus call --session -d "$SW_ITEM_BUS" -o "$path" \
                -m com.canonical.dbusmenu.Event "${1:-0}" clicked '<0>' 0 >/dev/null
        }
        # Size, then one step of the arrow key (a virtual keyboard), as a person would do it.
        click_item "$(id_of Size)"
        local tries=0 fl x y w h
        while [ $tries -lt 3 ]; do
            tries=$((tries + 1))
            as_user wtype -k Right
            kivrel_wait_for 5 eval 'sway_window && [ "$(cut -d" " -f4 <<<"$SW_WIN")" != "$DESK_FORM_W" ]' &&
                break
        done
        as_user wtype -k Return
        sway_window
        read -r fl x y w h _ <<<"$SW_WIN"
        check_eq "$name: Size and one step right widen the window by 10 px" \
            "$((DESK_FORM_W + 10)) $DESK_FORM_H 1" "$w $h $fl"
        click_item "$(id_of Close)"
    fi
    if check "$name: the program ends" wait_gone "$p" 10; then
        check_eq "$name: with status 0" 0 "$DESK_STATUS"
    else
        kivrel_stop_pid "$p" 5
    fi
    check_eq "$name: Exit is written 0" 0 "$(ini_get "$SW_INI" Exit Value)"
    check_eq "$name: the month's total is kept" 90 "$(ini_get "$SW_INI" "$month" Value)"
    check "$name: the item leaves the watcher" kivrel_wait_for 5 eval '! item_registered'
    check "$name: the window is gone" sway_no_window
    # The next run starts from the same file (the program ran offline: nothing was added).
    printf '[%s]\r\nValue=90\r\n[Exit]\r\nValue=1\r\n' "$month" >"$SW_INI"
}

# ---------------------------------------------------------------- as the program chooses
group "sway, the program's own choice: XWayland"
sway_run
p=$KPID
kivrel_wait_for 20 sway_item || fatal_sway "no item registered with the watcher within 20 s"
pass "the item registers with org.kde.StatusNotifierWatcher ($SW_ITEM_BUS$SW_ITEM_PATH)"
check "no window at start" sway_no_window
shows_window xwayland xwayland
menu_and_close xwayland "$p" false true

# ---------------------------------------------------------------- natively
group "sway, natively on Wayland (QT_QPA_PLATFORM=wayland, the user's choice)"
sway_run QT_QPA_PLATFORM=wayland
p=$KPID
kivrel_wait_for 20 sway_item || fatal_sway "no item registered with the watcher within 20 s"
pass "the item registers with org.kde.StatusNotifierWatcher ($SW_ITEM_BUS$SW_ITEM_PATH)"
check "no window at start" sway_no_window
shows_window native xdg_shell
menu_and_close native "$p" false true

group "native: the bar goes away and comes back"
sway_run QT_QPA_PLATFORM=wayland
p=$KPID
kivrel_wait_for 20 sway_item || fatal_sway "no item registered with the watcher within 20 s"
check "the window is hidden in the tray" sway_no_window
kivrel_stop_pid "$SW_WAYBAR_PID" 5
check "with the bar gone, the window is shown (no tray: it stays reachable, after the grace period)" \
    kivrel_wait_for 15 sway_window
check "the program keeps running" alive "$p"
sway_shot native_no_bar
: >"$SW_TMP/waybar.pid"
as_user swaymsg exec "$SW_TMP/waybar.sh" >/dev/null
kivrel_wait_for 20 _sway_waybar_started && SW_WAYBAR_PID=$(cat "$SW_TMP/waybar.pid")
check "the item registers again with the new bar" kivrel_wait_for 20 sway_item
item_activate
check "Activate from the new bar shows the window" kivrel_wait_for 10 sway_window
kill -TERM "$p"
if check "SIGTERM ends the program" wait_gone "$p" 10; then
    check_eq "with status 0" 0 "$DESK_STATUS"
fi

desk_finish
