# kivrel --report: the page for a prepared month (report_fixture.sh), written by the real program,
# rendered by a real browser (headless chromium) and checked by an HTML5 checker (tidy); the
# screenshot and a PDF print of it are kept as artefacts. Then the desktop entry's action: the page
# beside the settings file, handed to xdg-open (a stand-in that records what it was given and
# lingers as a browser would) without waiting for it.
# shellcheck shell=bash
. "$(dirname "$0")/lib.sh"
# shellcheck source=tests/desktop/report_fixture.sh
. "$DESK_HERE/report_fixture.sh"

desk_begin
for tool in faketime chromium tidy pdfinfo convert desktop-file-validate; do
    command -v "$tool" >/dev/null || fatal "$tool is missing (scripts/test.sh installs it)"
done
export TZ=Asia/Shanghai
NOW='2027-01-05 12:00:00'
page=$DESK_ART/report.html

# report ARG...: the copy's kivrel at the fixed time, no display; output in $DESK_TMP/out and
# err, exit status in $st.
st=
report() {
    (cd "$DESK_CWD" && env -u DISPLAY faketime "$NOW" "$DESK_APP/kivrel" "$@") \
        >"$DESK_TMP/out" 2>"$DESK_TMP/err"
    st=$?
}
holds() { grep -qF -- "$1" "$page"; }

group "the page for a prepared month"
report_fixture "$DESK_APP" 30
ini_before=$(file_sum "$DESK_INI")
report --report "$page"
check_eq "exit status" 0 "$st"
check "nothing printed" test ! -s "$DESK_TMP/out" -a ! -s "$DESK_TMP/err"
check_eq "timer.ini is unchanged" "$ini_before" "$(file_sum "$DESK_INI")"
for figure in '计费月 <strong>2027年1月</strong>' '2026-12-21 至 2027-01-20' \
    '还剩 <strong>16</strong> 天' '1326 分钟' '1328.7 分钟' '471.3 分钟' \
    '本月费用</span><span class="figure">11.50 元' '0.15 元 × 10 次' \
    '配速 29.4 分钟/天' '包时 1800 分钟' \
    '2026-12-21</th><td>无记录' '2026-12-24</th><td>30<' '2026-12-25</th><td>70<' \
    '2026-12-31</th><td>120<' '2027-01-01</th><td>210.5<' \
    '2027年1月（本月）</th><td>1326</td><td>1410<' '2026年8月</th><td>1920</td><td>2010<' \
    '<td class="num">153.3</td><td class="num">154</td>' \
    'ppp0 &quot;&lt;宽带&gt;&quot; &amp; co' '进行中（2027-01-05 11:59:54）'; do
    check "the page holds: $figure" holds "$figure"
done
check "no raw link name (escaped)" bash -c '! grep -qF "<宽带>" "$1"' _ "$page"
check "nothing fetched: no script, no link to elsewhere" bash -c \
    '! grep -qiE "<script|<link|@import|url\\((https?:|//)|src=" "$1"' _ "$page"

group "an HTML5 checker"
tidy -e -q "$page" >"$DESK_ART/tidy.log" 2>&1
check_eq "tidy -e reports nothing (0: no error, no warning)" 0 "$?"

group "a real browser"
export HOME=$DESK_TMP/home
browse() {
    timeout 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
        --user-data-dir="$DESK_TMP/chromium" "$@" "file://$page" >>"$DESK_ART/chromium.log" 2>&1
}
browse --screenshot="$DESK_ART/report.png" --window-size=900,1300
check "chromium made a screenshot" test -s "$DESK_ART/report.png"
# The colours the charts are drawn in, counted in the screenshot: not a blank page.
convert "$DESK_ART/report.png" -format %c histogram:info:- >"$DESK_ART/colours.txt" 2>/dev/null
pixels() { awk -v c="#$1" 'toupper($3) == toupper(c) { sub(":", "", $1); n += $1 } END { print n + 0 }' \
    "$DESK_ART/colours.txt"; }
check "daily and monthly bars are drawn ($(pixels 3B6FB6) px)" test "$(pixels 3B6FB6)" -gt 20000
check "today and the current month are marked ($(pixels E07B00) px)" test "$(pixels E07B00)" -gt 1000
check "last year's totals beside them ($(pixels C5D3E6) px)" test "$(pixels C5D3E6)" -gt 5000
check "the pace and allowance lines ($(pixels C0392B) px)" test "$(pixels C0392B)" -gt 300
check "text is drawn ($(wc -l <"$DESK_ART/colours.txt") colours)" \
    test "$(wc -l <"$DESK_ART/colours.txt")" -gt 100
browse --print-to-pdf="$DESK_ART/report.pdf" --no-pdf-header-footer
pages=$(pdfinfo "$DESK_ART/report.pdf" 2>/dev/null | awk '/^Pages:/ { print $2 }')
size=$(pdfinfo "$DESK_ART/report.pdf" 2>/dev/null | sed -n 's/^Page size:.*(\(.*\))$/\1/p')
check_eq "printed on A4" A4 "$size"
check "printed on one or two pages (${pages:-none})" test "${pages:-9}" -le 2

group "over the allowance: the charge's parts to the cent"
report_fixture "$DESK_APP" 20
report --report "$DESK_TMP/over.html"
cp "$DESK_TMP/over.html" "$DESK_ART/report-over.html"
for figure in '超出</span><span class="figure">128.7 分钟' '超出包时 128.7 分钟，每小时 1.20 元' \
    '<td class="num">2.57 元</td>' '本月费用</span><span class="figure">14.07 元' '包时已用完'; do
    check "the page holds: $figure" grep -qF -- "$figure" "$DESK_TMP/over.html"
done

group "the desktop entry's action"
entry=$DESK_ROOT/packaging/kivrel.desktop
check "desktop-file-validate accepts the entry" desktop-file-validate "$entry"
action=$(awk '/^\[/ { s = $0; next } s == "[Desktop Action report]" && /^Exec=/ { sub(/^Exec=/, ""); print }' "$entry")
check_eq "the action runs the report" "kivrel --report" "$action"
check "the action is listed and named 用量报告" \
    bash -c 'grep -qx "Actions=report;" "$1" && grep -qx "Name=用量报告" "$1"' _ "$entry"
# kivrel on the PATH, as the package installs it (a link to the program), and an xdg-open that
# records what it was asked to open and then stays, as a browser started by it would.
mkdir -p "$DESK_TMP/bin"
ln -s "$DESK_APP/kivrel" "$DESK_TMP/bin/kivrel"
cat >"$DESK_TMP/bin/xdg-open" <<EOF
#!/bin/sh
echo \$\$ >"$DESK_TMP/opener.pid"
printf '%s\n' "\$@" >"$DESK_TMP/opened"
exec sleep 60
EOF
chmod +x "$DESK_TMP/bin/xdg-open"
t0=$(kivrel_now_ms)
# Read through a pipe: a browser holding the pipe open would keep the reader waiting.
(cd "$DESK_CWD" && env -u DISPLAY PATH="$DESK_TMP/bin:$PATH" faketime "$NOW" bash -c "$action | cat") \
    >"$DESK_TMP/out" 2>"$DESK_TMP/err"
st=$?
took=$(($(kivrel_now_ms) - t0))
check_eq "exit status" 0 "$st"
check_eq "prints the page's path" "$DESK_APP/report.html" "$(cat "$DESK_TMP/out")"
check "the page is beside timer.ini" grep -qF '14.07 元' "$DESK_APP/report.html"
kivrel_wait_for 10 test -s "$DESK_TMP/opened" || true
check_eq "xdg-open was given the page" "$DESK_APP/report.html" "$(cat "$DESK_TMP/opened" 2>/dev/null)"
check "the browser was not waited for (${took} ms, it stays 60 s)" test "$took" -lt 20000
opener=$(cat "$DESK_TMP/opener.pid" 2>/dev/null)
check "the browser outlives the command" alive "${opener:-0}"
[ -n "$opener" ] && kill "$opener" 2>/dev/null

group "no settings file"
rm "$DESK_INI"
report --report "$DESK_TMP/none.html"
check_eq "no settings file: exit status 2" 2 "$st"
check "the refusal text on standard error" grep -q '文件损坏，请重装本程序' "$DESK_TMP/err"
check "no page written" test ! -e "$DESK_TMP/none.html"

desk_finish
