#!/usr/bin/env bash
# Desktop tests of Kivrel.exe under wine: a virtual X display (Xvfb), a notification area (trayer,
# which docks wine's tray icons) and xdotool for the mouse and the keyboard, all inside a network
# namespace of the test's own, where adding and deleting a default route switches what WinINet
# reports as "connected". A scratch wine prefix and a scratch folder are used and removed; nothing
# of the user's is touched.
#
#   tests/win32/desktop.sh BUILD_DIR [SCREENSHOT_DIR]
#
# BUILD_DIR holds Kivrel.exe and tests/win32/kivrel_probe.exe (which reads window texts).
# Screenshots go to SCREENSHOT_DIR (default BUILD_DIR/desktop-shots). Prints "N passed, N failed"
# and exits non-zero when a check failed.
set -u

if [ -z "${KIVREL_DESKTOP_NETNS:-}" ]; then
    # A user and network namespace of our own: its interfaces and routes are ours to change.
    exec env KIVREL_DESKTOP_NETNS=1 unshare --user --map-root-user --net -- bash "$0" "$@"
fi

BUILD=$(cd "${1:?usage: desktop.sh BUILD_DIR [SCREENSHOT_DIR]}" && pwd)
SHOTS=${2:-$BUILD/desktop-shots}
EXE=$BUILD/Kivrel.exe
PROBE=$BUILD/tests/win32/kivrel_probe.exe
mkdir -p "$SHOTS"

SCRATCH=$(mktemp -d /tmp/kivrel-desktop.XXXXXX)
APP="$SCRATCH/app dir"  # a blank in the path: the Run value must be quoted
INI="$APP/timer.ini"
mkdir -p "$APP"
cp "$EXE" "$APP/Kivrel.exe"

export WINEPREFIX=$SCRATCH/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
[ -x "$WINE" ] || WINE=wine

passed=0
failed=0
XVFB_PID=
TRAYER_PID=
KIVREL_PIDS=()

pass() { passed=$((passed + 1)); echo "PASS: $*"; }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
check() {  # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}

cleanup() {
    for pid in "${KIVREL_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
    "$WINE" wineserver -k >/dev/null 2>&1 || wineserver -k >/dev/null 2>&1
    [ -n "$TRAYER_PID" ] && kill "$TRAYER_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    rm -rf "$SCRATCH"
}
trap cleanup EXIT

# wait_until SECONDS COMMAND...: polls every 0.3 s until COMMAND succeeds; false at the deadline.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    while ! "$@"; do
        [ "$SECONDS" -ge "$deadline" ] && return 1
        sleep 0.3
    done
}

shot() { import -window root "$SHOTS/$1.png" 2>/dev/null; }
probe() { "$WINE" "$PROBE" "$@" 2>/dev/null | tr -d '\r'; }
window_named() { xdotool search --name "$1" 2>/dev/null | head -1 | grep -q .; }
alive() { kill -0 "$1" 2>/dev/null; }
gone() { ! kill -0 "$1" 2>/dev/null; }
file_missing() { [ ! -e "$1" ]; }
ini_value() {  # ini_value SECTION: the Value of SECTION in timer.ini, empty when absent
    tr -d '\r' <"$INI" 2>/dev/null | awk -v s="[$1]" '$0==s{f=1;next} /^\[/{f=0} f&&/^Value=/{sub(/^Value=/,"");print;exit}'
}
ini_at_least() { local v; v=$(ini_value "$1"); [ -n "$v" ] && [ "$v" -ge "$2" ]; }
ini_is() { [ "$(ini_value "$1")" = "$2" ]; }
main_has() { probe main | grep -qF -- "$1"; }
main_visible() { main_has "visible: 1"; }
main_hidden() { main_has "visible: 0"; }

# The tray icon: the window of wine's explorer that trayer's panel holds.
tray_icon_line() {
    xwininfo -root -tree 2>/dev/null | awk '/"panel": \("panel" "trayer"\)/{p=1;next} p&&/^     0x/{p=0} p&&/"explorer.exe"/{print;exit}'
}
tray_icon_present() { [ -n "$(tray_icon_line)" ]; }
tray_icon_absent() { [ -z "$(tray_icon_line)" ]; }
tray_click() {  # tray_click BUTTON
    local line geo pos w h x y
    line=$(tray_icon_line)
    geo=$(echo "$line" | awk '{print $(NF-1)}')  # WxH+x+y
    pos=$(echo "$line" | awk '{print $NF}')      # +X+Y on the screen
    w=${geo%%x*}
    h=${geo#*x}
    h=${h%%+*}
    x=$(echo "$pos" | cut -d+ -f2)
    y=$(echo "$pos" | cut -d+ -f3)
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click "$1"
}
# Clicks the point (X, Y) of the main window's client area.
click_in_window() {
    local rect
    rect=$(probe main | sed -n 's/^rect: //p')
    set -- "$1" "$2" $rect
    xdotool mousemove $(($3 + $1)) $(($4 + $2)) click 1
}
# The popped-up menu: a window of kivrel.exe that is neither the main window, a combo box's list
# nor one of the 1×1 helper windows.
menu_geometry() {
    xwininfo -root -tree 2>/dev/null | grep '("kivrel.exe" "kivrel.exe")' | grep -v '"☆Kivrel' |
        awk '{print $(NF-1)}' | grep -v -e '^1x1+' -e '^126x' | head -1
}
menu_shown() { [ -n "$(menu_geometry)" ]; }
click_menu_item() {  # click_menu_item N|last: the Nth item (items are 17 pixels high) or the last
    local geo mw mh mx my y
    geo=$(menu_geometry)
    mw=${geo%%x*}
    mh=${geo#*x}
    mh=${mh%%+*}
    mx=$(echo "$geo" | cut -d+ -f2)
    my=$(echo "$geo" | cut -d+ -f3)
    if [ "$1" = last ]; then y=$((my + mh - 10)); else y=$((my + 3 + 17 * ($1 - 1) + 8)); fi
    xdotool mousemove $((mx + mw / 2)) "$y" click 1
}
dismiss_box() {  # dismiss_box TITLE_REGEX: Enter on the box's default button
    local id
    id=$(xdotool search --name "$1" 2>/dev/null | head -1)
    xdotool windowfocus --sync "$id" 2>/dev/null
    xdotool key Return
}
start_kivrel() {
    (cd "$APP" && exec "$WINE" Kivrel.exe >/dev/null 2>&1) &
    LAST_PID=$!
    KIVREL_PIDS+=("$LAST_PID")
}
online() { ip route replace default via 192.0.2.1 dev kv0; }
offline() { ip route del default 2>/dev/null || true; }

# ---------------------------------------------------------------- the stage

ip link set lo up
ip link add kv0 type veth peer name kv1
ip addr add 192.0.2.2/24 dev kv0
ip addr add 192.0.2.1/24 dev kv1
ip link set kv0 up
ip link set kv1 up
offline

for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
done
export DISPLAY=:$n
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
wait_until 20 xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start"; exit 1; }

"$WINE" wineboot -i >/dev/null 2>&1
# Chinese text: the Song font the program names, and the fonts wine's own dialogs and tooltips
# use, are given a CJK font.
for face in SimSun "宋体" "MS Song"; do
    "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
done
for face in Tahoma "Microsoft Sans Serif" "MS Sans Serif" "MS Shell Dlg" "Segoe UI"; do
    "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
        /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
done
"$WINE" wineserver -w >/dev/null 2>&1

trayer --edge bottom --align right --widthtype pixel --width 200 --heighttype pixel --height 24 \
    --SetDockType true --transparent false --tint 0x808080 >/dev/null 2>&1 &
TRAYER_PID=$!
wait_until 20 window_named '^panel$' || { echo "trayer did not start"; exit 1; }

RUN_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
run_value() { "$WINE" reg query "$RUN_KEY" /v '$Kivrel' 2>/dev/null | tr -d '\r' | grep REG_SZ; }
run_value_absent() { [ -z "$(run_value)" ]; }
run_value_quoted() { run_value | grep -qF '"Z:'"$(echo "$APP" | tr / '\\')"'\Kivrel.exe"'; }

# ---------------------------------------------------------------- 1. no timer.ini

start_kivrel
pid=$LAST_PID
check "no timer.ini: a box titled Kivrel appears" wait_until 60 window_named '^Kivrel$'
shot 1-missing-ini
check "no timer.ini: the box says 文件损坏，请重装本程序" eval 'probe texts Kivrel | grep -qF "文件损坏，请重装本程序"'
check "no timer.ini: no tray icon" tray_icon_absent
dismiss_box '^Kivrel$'
check "no timer.ini: the process ends after OK" wait_until 20 gone "$pid"
check "no timer.ini: no file is created" file_missing "$INI"

# ---------------------------------------------------------------- 2. start, second instance

printf '[s]\r\nValue=60\r\n[r]\r\nValue=20\r\n' >"$INI"
month=$(date +%-m)
[ "$(date +%-d)" -gt 20 ] && month=$((month % 12 + 1))
section=T$month

start_kivrel
first=$LAST_PID
check "start: the tray icon appears" wait_until 60 tray_icon_present
check "start: the window stays hidden" main_hidden
before=$(md5sum <"$INI")

start_kivrel
second=$LAST_PID
check "second start: a box titled Kivrel appears" wait_until 60 window_named '^Kivrel$'
shot 2-second-instance
check "second start: the box says 程序已经运行" eval 'probe texts Kivrel | grep -qxF "Static: 程序已经运行"'
dismiss_box '^Kivrel$'
check "second start: the second process ends" wait_until 20 gone "$second"
check "second start: the first keeps running" alive "$first"
check "second start: timer.ini is unchanged" test "$before" = "$(md5sum <"$INI")"

# ---------------------------------------------------------------- 3. the window from the tray

tray_click 1
check "tray click: the window shows" wait_until 20 main_visible
check "tray click: caption ☆Kivrel☆  第1版第71次编译" main_has "caption: ☆Kivrel☆  第1版第71次编译"
check "tray click: centred, 539×351" main_has "rect: $(((1024 - 539) / 2)) $(((768 - 351) / 2)) 539 351"
check "window: allowance 包时60小时" main_has "Static: 包时60小时"
check "window: billing day 结算为20号" main_has "Static: 结算为20号"
check "offline: the first tick shows 没有连接上网" wait_until 15 main_has "没有连接上网"
click_in_window 365 298  # Label7: cancels the auto-hide countdown
check "Label7 click: 已取消自动隐藏" wait_until 5 main_has "Static: 已取消自动隐藏"
sleep 0.5
shot 3-window-offline

# ---------------------------------------------------------------- 4. allowance through the input box

click_in_window 269 231  # Command3
check "Command3: the input box 设置每月使用时间 appears" wait_until 20 window_named '^设置每月使用时间$'
check "input box: the prompt and the default 60" eval 'probe texts 设置每月使用时间 | grep -qxF "Edit: 60"'
shot 4-input-box
box=$(xdotool search --name '^设置每月使用时间$' | head -1)
xdotool windowfocus --sync "$box" 2>/dev/null
xdotool type --delay 50 30  # replaces the selected default
xdotool key Return
check "input box: 30 gives 包时30小时 and s=30" wait_until 10 eval 'main_has "Static: 包时30小时" && ini_is s 30'

# ---------------------------------------------------------------- 5. run at startup

click_in_window 269 262  # Command5
check "Command5: the Run value appears, quoted" wait_until 15 run_value_quoted
check "Command5: 已设开机就运行 and Run=1" eval 'main_has "Static: 已设开机就运行" && ini_is Run 1'
click_in_window 269 262
check "Command5 again: the Run value disappears" wait_until 15 run_value_absent
check "Command5 again: 未设开机就运行 and Run=0" eval 'main_has "Static: 未设开机就运行" && ini_is Run 0'

# ---------------------------------------------------------------- 6. metering

online
start_minutes=$(ini_value "$section")
start_minutes=${start_minutes:-0}
check "online: a tick shows 已经连接上网" wait_until 15 main_has "已经连接上网"
sleep 0.5
shot 5-window-online
check "online: ten ticks add a minute to $section" wait_until 100 ini_at_least "$section" $((start_minutes + 1))
check "online: each save writes Exit=0" ini_is Exit 0

# ---------------------------------------------------------------- 7. close from the tray menu

offline
check "offline again: 没有连接上网" wait_until 15 main_has "没有连接上网"
stored=$(ini_value "$section")
click_in_window 269 293  # Command2, 隐藏窗口
check "Command2: the window hides into the tray" wait_until 10 main_hidden
tray_click 3
check "right click: the tray menu pops up" wait_until 10 menu_shown
click_menu_item 1  # Restore
check "tray menu Restore: the window comes back" wait_until 10 main_visible
check "tray menu Restore: the countdown runs again" wait_until 5 main_has "Static: 自动隐藏倒计时:"
# Exit edited by hand to 7: Close must write 0 again.
awk '{ if (e && /^Value=/) { sub(/^Value=[^\r]*/, "Value=7"); e = 0 } if ($0 ~ /^\[Exit\]/) e = 1; print }' \
    "$INI" >"$INI.edit" && mv "$INI.edit" "$INI"
check "hand edit: Exit=7" ini_is Exit 7
tray_click 3
check "right click again: the tray menu pops up" wait_until 10 menu_shown
shot 6-tray-menu
click_menu_item last  # Close
check "Close: the process ends" wait_until 20 gone "$first"
check "Close: Exit is written 0" ini_is Exit 0
check "Close: the month's minutes are kept" ini_is "$section" "$stored"
check "Close: the tray icon is gone" wait_until 10 tray_icon_absent

# ---------------------------------------------------------------- 8. allowance alert, --status

# 1 hour, 54 minutes used: 6 left, the alert threshold. The first online tick shows the balloon.
year=$(date +%Y)
[ "$month" -lt "$(date +%-m)" ] && year=$((year + 1))  # 21 December and later: January's
printf '[s]\r\nValue=1\r\n[r]\r\nValue=20\r\n[%s]\r\nValue=54\r\nYear=%s\r\n' "$section" "$year" \
    >"$INI"
online
start_kivrel
alerted=$LAST_PID
alert_kept() { [ "$(awk -F= '/^\[AlertShown\]/ { a = 1; next } /^\[/ { a = 0 } a && $1 == "Low" { sub(/\r$/, "", $2); print $2 }' "$INI")" = 1 ]; }
check "alert: the first online tick marks the low alert shown" wait_until 30 alert_kept
# Wine's notification area (explorer.exe) shows the balloon a moment later, beside the icon: a
# window of its own, wider than the icon.
balloon_shown() {
    local w width
    for w in $(xdotool search --onlyvisible --class '^explorer\.exe$' 2>/dev/null); do
        width=$(xwininfo -id "$w" 2>/dev/null | awk '/^ *Width:/ { print $2 }')
        [ "${width:-0}" -gt 40 ] && return 0
    done
    return 1
}
check "alert: a balloon shows beside the tray icon" wait_until 15 balloon_shown
shot 7-alert-balloon
status_json() { (cd "$SCRATCH" && "$WINE" "$APP/Kivrel.exe" --status --json 2>/dev/null); }
json=$(status_json)
check "--status --json while it runs: month, used minutes, settings file" python3 -c '
import json, sys
s = json.loads(sys.argv[1])
sys.exit(not (s["billing_month"] == int(sys.argv[2]) and s["used_minutes"] == 54
              and s["allowance_hours"] == 1 and s["remaining_minutes"] == 6
              and s["settings_file"].endswith("\\app dir\\timer.ini")))' "$json" "$month"
check "--version" eval '[ "$(cd "$SCRATCH" && "$WINE" "$APP/Kivrel.exe" --version | tr -d "\r")" = "Kivrel 1.0.0.71" ]'
check "alert: the program still runs (the options took no instance claim)" alive "$alerted"
offline


# ---------------------------------------------------------------- 9. the usage report

# The report runs at a fixed time: the wine server must share that clock (a process whose clock
# runs a year apart from its server's does not end), so the session so far is ended first.
kill "$alerted" 2>/dev/null
"$WINE" wineserver -k >/dev/null 2>&1

# The prepared month of the Linux desktop test, at the same fixed time: the same page, byte for
# byte, apart from its last line (the time it was made and the settings file's path). The Linux
# program to compare with is KIVREL_LINUX_BIN (scripts/windows-test.sh passes build/kivrel when
# it is there).
# shellcheck source=tests/desktop/report_fixture.sh
. "$(dirname "$0")/../desktop/report_fixture.sh"
REPORT_DIR=$SCRATCH/report
mkdir -p "$REPORT_DIR/win" "$REPORT_DIR/linux"
cp "$EXE" "$REPORT_DIR/win/Kivrel.exe"
report_fixture "$REPORT_DIR/win" 30
at_fixed_time() { TZ=Asia/Shanghai faketime '2027-01-05 12:00:00' "$@"; }
if ! command -v faketime >/dev/null; then
    fail "--report: faketime is missing"
else
    (cd "$REPORT_DIR" && at_fixed_time "$WINE" "$REPORT_DIR/win/Kivrel.exe" --report win.html         >"$REPORT_DIR/win.out" 2>&1)
    check "--report FILE: exit status 0" test $? -eq 0
    check "--report FILE: prints nothing" test ! -s "$REPORT_DIR/win.out"
    cp "$REPORT_DIR/win.html" "$SHOTS/report-wine.html" 2>/dev/null
    check "--report FILE: the bill to the cent" grep -qF '本月费用</span><span class="figure">11.50 元' \
        "$REPORT_DIR/win.html"
    check "--report FILE: the open session from timer.ini" grep -qF '进行中（2027-01-05 11:59:54）' \
        "$REPORT_DIR/win.html"
    check "--report FILE: the settings file named as Windows names it" grep -qF \
        'report\win\timer.ini</footer>' "$REPORT_DIR/win.html"
    # --status --json gives the same month's bill, worked by hand in report_fixture.sh.
    json=$(cd "$REPORT_DIR" && at_fixed_time "$WINE" "$REPORT_DIR/win/Kivrel.exe" --status --json \
        2>/dev/null | tr -d '\r')
    check "--status --json: the billed minutes, the sessions and the bill to the cent" python3 -c '
import json, sys
s = json.loads(sys.argv[1])
sys.exit(not (s["billed_minutes"] == 1328.7 and s["sessions"] == 10 and s["bill_cents"] == 1150
              and s["currency"] == "元" and s["used_minutes"] == 1326))' "$json"
    # The campus plan of docs/tariffs.md: free nights, 30 hours, 1.20 元 an hour beyond.
    mkdir -p "$REPORT_DIR/plan"
    cp "$EXE" "$REPORT_DIR/plan/Kivrel.exe"
    printf '%s\r\n' '[T12]' 'Value=2050' 'Year=2026' '[s]' 'Value=30' '[Tariff]' 'Price=120' \
        '[Band1]' 'Name=夜间' 'Hours=23:00-07:00' 'Counts=0' 'Price=0' >"$REPORT_DIR/plan/timer.ini"
    printf '%s\n' 'start,end,minutes,link' \
        '2026-12-10T22:00:00+08:00,2026-12-11T01:00:00+08:00,180.0,"wlan0"' \
        '2026-12-12T06:00:00+08:00,2026-12-12T08:30:00+08:00,150.0,"wlan0"' \
        '2026-12-15T14:00:00+08:00,2026-12-15T16:00:00+08:00,120.0,"wlan0"' \
        >"$REPORT_DIR/plan/sessions.csv"
    json=$(cd "$REPORT_DIR/plan" && TZ=Asia/Shanghai faketime '2026-12-20 12:00:00' "$WINE" \
        "$REPORT_DIR/plan/Kivrel.exe" --status --json 2>/dev/null | tr -d '\r')
    check "--status --json: the campus plan's free nights and bill to the cent" python3 -c '
import json, sys
s = json.loads(sys.argv[1])
sys.exit(not (s["billed_minutes"] == 1870 and s["bill_cents"] == 140 and s["free_minutes"] == 180
              and [b["minutes"] for b in s["bands"]] == [180, 1870]))' "$json"
    if [ -n "${KIVREL_LINUX_BIN:-}" ] && [ -x "$KIVREL_LINUX_BIN" ]; then
        cp "$KIVREL_LINUX_BIN" "$REPORT_DIR/linux/kivrel"
        report_fixture "$REPORT_DIR/linux" 30
        (cd "$REPORT_DIR" && at_fixed_time env -u DISPLAY "$REPORT_DIR/linux/kivrel" \
            --report linux.html >/dev/null 2>&1)
        grep -v '^<footer>' "$REPORT_DIR/win.html" >"$REPORT_DIR/win.body"
        grep -v '^<footer>' "$REPORT_DIR/linux.html" >"$REPORT_DIR/linux.body"
        check "--report: the same page as the Linux program's, apart from the footer" \
            cmp "$REPORT_DIR/win.body" "$REPORT_DIR/linux.body"
        check "--report: the footer is the page's only other line" test \
            "$(wc -l <"$REPORT_DIR/win.html")" -eq "$(($(wc -l <"$REPORT_DIR/win.body") + 1))"
    else
        echo "NOTE: no Linux program (KIVREL_LINUX_BIN) to compare the report with"
    fi
fi

echo "screenshots: $SHOTS"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
