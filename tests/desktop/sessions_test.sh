# The billed link and the ledger of sessions in the running program, with time sped up ten times
# (libfaketime: a 6-second tick takes 0.6 s). The program runs in a network namespace of its own
# with two links, ppp0 (billed: [Link] Value=ppp*) and wlan0 (not billed), and the default route is
# moved between them while it runs, through a control FIFO of netns_exec.sh, which also runs
# kivrel --status --json in the namespace. Then: killed with a session open, started again (the
# session is appended once, also after a second kill right away), and ended with SIGTERM; then
# with the ledger read-only, sessions wait in timer.ini across an end and a start.
# shellcheck shell=bash
. "$(dirname "$0")/lib.sh"

desk_begin
command -v faketime >/dev/null || fatal "faketime is missing (scripts/test.sh installs it)"
FAKELIB=$(find /usr/lib /usr/lib64 -name libfaketime.so.1 2>/dev/null | head -n 1)
[ -n "$FAKELIB" ] || fatal "libfaketime.so.1 not found"
SPEED=10
# 10 March 2026, 10:00 UTC: billing month 3 (billing day 0), far from its ends.
export TZ=UTC
fake=$(date -d '2026-03-10 10:00:00' +%s)
printf '[T3]\r\nValue=100\r\n[Link]\r\nValue=ppp*\r\n' >"$DESK_INI"
csv=$DESK_APP/sessions.csv

# The fake time of the run now (whole seconds), from its fake start and its real start.
run_ms=0
fake_now() { echo $((fake + ($(kivrel_now_ms) - run_ms) * SPEED / 1000)); }
fake_env() { printf "env -u DISPLAY LD_PRELOAD=%s FAKETIME='@%s%s'" "$FAKELIB" \
    "$(date -d "@$1" '+%F %T')" "$2"; }

# start MODE: the program in a new namespace laid out as MODE (two:ppp0, two:none), its clock
# starting a minute after the previous run's (fake) end, so that time only moves forward.
start() {
    [ "$run_ms" = 0 ] || fake=$(($(fake_now) + 60))
    DESK_RUN_COUNT=$((DESK_RUN_COUNT + 1))
    run_ms=$(kivrel_now_ms)
    # A control FIFO for each run's namespace, held open here for writing (and reading, so that
    # opening never waits for the loop): a loop that is not there is an answer that never comes,
    # not a test that hangs.
    fifo=$DESK_TMP/control.$DESK_RUN_COUNT
    mkfifo "$fifo"
    exec 4<>"$fifo"
    (cd "$DESK_CWD" && NETNS_CONTROL=$fifo exec "${DESK_UNSHARE[@]}" bash "$DESK_HERE/netns_exec.sh" \
        "$1" -- bash "$DESK_HERE/own_locks.sh" env LD_PRELOAD="$FAKELIB" \
        FAKETIME="@$(date -d "@$fake" '+%F %T') x$SPEED" \
        "$DESK_APP/kivrel") >"$DESK_TMP/kivrel.$DESK_RUN_COUNT.log" 2>&1 4>&- &
    KPID=$!
    DESK_PIDS+=("$KPID")
    wait_icon "$KPID" 30 || fatal "run $DESK_RUN_COUNT did not come up (no tray icon)"
}

# ns COMMAND: runs COMMAND in the running program's namespace; its output in $DESK_TMP/out.
reply() { [ -f "$fifo.rc" ]; }
ns() {
    rm -f "$fifo.rc"
    echo "$*" >&4
    kivrel_wait_for 30 reply || fatal "the namespace did not answer '$*'"
    cp "$fifo.out" "$DESK_TMP/out"
    echo "== $*" >>"$DESK_ART/control.log"
    cat "$fifo.out" >>"$DESK_ART/control.log"
    [ "$(cat "$fifo.rc")" = 0 ]
}
route() { ns ip route replace default via "$1" dev "$2"; }
kivrel_in_ns() { ns "$(fake_env "$(fake_now)" '') $DESK_APP/kivrel $*"; }
# json KEY: a key of the JSON in $DESK_TMP/out, as JSON.
json() { python3 -c 'import json,sys; print(json.dumps(json.load(open(sys.argv[1]))[sys.argv[2]]))' \
    "$DESK_TMP/out" "$1"; }

session() { ini_get "$DESK_INI" Session "$1"; }
total() { ini_get "$DESK_INI" T3 Value; }
lines() { if [ -f "$csv" ]; then wc -l <"$csv"; else echo 0; fi; }
tenths_at_least() { [ "$(session Tenths 2>/dev/null || echo 0)" -ge "$1" ]; }
lines_are() { [ "$(lines)" -eq "$1" ]; }
fake_past() { [ "$(fake_now)" -ge "$1" ]; }
secs() { date -d "$1" +%s; }

# check_session N START LAST TENTHS: line N+1 of sessions.csv is that session on ppp0, with no
# network and its idle minutes (what the idle ticks were is the core tests' part).
check_session() {
    local line
    line=$(sed -n "$(($1 + 1))p" "$csv")
    check_eq "session $1 in sessions.csv" "$2,$3,$(($4 / 10)).$(($4 % 10)),\"ppp0\",\"\"" \
        "${line%,\"*\"}"
    check "its idle minutes close the line" grep -qE '^.*,"[0-9]+\.[0-9]"$' <<<"$line"
}
# check_span START LAST TENTHS: the session's span is (ticks − 1) × 6 s, within a tick of slack
# for a loaded machine.
check_span() {
    check_near "its span in fake seconds, (ticks − 1) × 6" $((($3 - 1) * 6)) \
        $(($(secs "$2") - $(secs "$1"))) $((3 + $3))
}

group "a session on the billed link"
start two:ppp0
check "a session opens and counts (Session Tenths reaches 7)" kivrel_wait_for 60 tenths_at_least 7
check "the month total grows (100 + 0.7 minutes: 101)" test "$(total)" -ge 101
check_eq "the session's link" ppp0 "$(session Link)"
kivrel_in_ns --status --json
check_eq "--status --json: online" true "$(json online)"
check_eq "--status --json: link" '"ppp0"' "$(json link)"

group "the route goes to wlan0, which is not billed"
route 10.201.0.1 wlan0 || fatal "could not move the route to wlan0"
check "the session is closed into sessions.csv" kivrel_wait_for 30 lines_are 2
check_eq "the header" 'start,end,minutes,link,network,idle' "$(head -n 1 "$csv")"
s1=("$(session Start)" "$(session Last)" "$(session Tenths)")
check_session 1 "${s1[@]}"
check_span "${s1[@]}"
before=$(file_sum "$DESK_INI")
until_fake=$(($(fake_now) + 40))
kivrel_wait_for 30 fake_past "$until_fake"
check_eq "offline ticks write nothing: timer.ini is the same after 40 fake seconds" "$before" \
    "$(file_sum "$DESK_INI")"
kivrel_in_ns --status --json
check_eq "--status --json: online" false "$(json online)"
check_eq "--status --json: link" null "$(json link)"
check_eq "--status --json: sessions" 1 "$(json sessions)"

group "back on ppp0: a second session, then kill -9"
route 10.200.0.1 ppp0 || fatal "could not move the route back to ppp0"
second_open() { [ "$(session Start)" != "${s1[0]}" ] && tenths_at_least 3; }
check "a second session opens and counts" kivrel_wait_for 30 second_open
kivrel_in_ns --status --json
check_eq "--status --json: online, link, sessions" 'true "ppp0" 2' \
    "$(json online) $(json link) $(json sessions)"
kivrel_in_ns --sessions
check_eq "--sessions: the header and the closed session" "$(cat "$csv")" \
    "$(head -n 2 "$DESK_TMP/out")"
check "--sessions: the open session last" grep -q "^$(session Start),.*,\"ppp0\",\"\",\"[0-9]*\.[0-9]\"$" \
    <(tail -n +3 "$DESK_TMP/out")
kill -9 "$KPID"
wait_gone "$KPID" 10 || fatal "kill -9 did not end the program"
s2=("$(session Start)" "$(session Last)" "$(session Tenths)")
check "the killed session is left open in timer.ini" test "${s2[2]}" -ge 3
check_eq "and not yet in sessions.csv" 2 "$(lines)"

group "started again, offline: the killed session is appended once"
start two:none
check "it is appended at the start" kivrel_wait_for 30 lines_are 3
check_session 2 "${s2[@]}"
check_span "${s2[@]}"
kill -9 "$KPID"
wait_gone "$KPID" 10 || fatal "kill -9 did not end the program"
start two:ppp0
third_open() { [ "$(session Start)" != "${s2[0]}" ] && tenths_at_least 2; }
check "after a second kill, a new session opens and counts" kivrel_wait_for 30 third_open
check_eq "the killed session is not appended again" 3 "$(lines)"

group "ended with SIGTERM"
kill -TERM "$KPID"
check "the program ends" wait_gone "$KPID" 20
check_eq "exit status" 0 "$DESK_STATUS"
check_eq "the open session is appended" 4 "$(lines)"
s3=("$(session Start)" "$(session Last)")
check_eq "Session Tenths is 0" 0 "$(session Tenths)"
check "the third session's line" \
    grep -q "^${s3[0]},${s3[1]},[0-9]*\.[0-9],\"ppp0\",\"\",\"[0-9]*\.[0-9]\"$" <(tail -n 1 "$csv")
# The total is saved in whole minutes (half to even) and read back so at each start: runs 1 and 3
# counted, run 1 sessions 1 and 2, run 3 session 3.
tenths() { sed -n "$(($1 + 1))p" "$csv" | awk -F, '{ printf "%d\n", $3 * 10 + 0.5 }'; }
whole() { local q=$(($1 / 10)) r=$(($1 % 10)); echo $((q + (r > 5 || (r == 5 && q % 2 == 1)))); }
run1=$(whole $((1000 + $(tenths 1) + $(tenths 2))))
check_eq "the month total is 100 minutes and the ledger's tenths, saved in whole minutes" \
    "$(whole $((run1 * 10 + $(tenths 3))))" "$(total)"
eval "$(fake_env "$(fake_now)" '')" "$DESK_APP/kivrel" --sessions >"$DESK_TMP/out"
check_eq "--sessions after the end prints the ledger" "$(cat "$csv")" "$(cat "$DESK_TMP/out")"
group "the ledger read-only: closed sessions wait in timer.ini across an end and a start"
chmod 0444 "$csv"
start two:ppp0
fourth_open() { [ "$(session Start)" != "${s3[0]}" ] && tenths_at_least 2; }
check "a session opens" kivrel_wait_for 30 fourth_open
route 10.201.0.1 wlan0 || fatal "could not move the route to wlan0"
until_fake=$(($(fake_now) + 18))
kivrel_wait_for 30 fake_past "$until_fake"
route 10.200.0.1 ppp0 || fatal "could not move the route back to ppp0"
waiting_are() { [ "$(session Waiting 2>/dev/null || echo 0)" = "$1" ]; }
check "the closed session waits in timer.ini" kivrel_wait_for 30 waiting_are 1
kill -TERM "$KPID"
check "the program ends" wait_gone "$KPID" 20
check "the open one waits with it" waiting_are 2
check_eq "sessions.csv is as it was" 4 "$(lines)"
chmod 0644 "$csv"
start two:none
check "the next start appends both" kivrel_wait_for 30 lines_are 6
kill -TERM "$KPID"
check "the program ends" wait_gone "$KPID" 20
check "and then none waits" waiting_are 0
check_eq "each once" 6 "$(lines)"
cp "$DESK_INI" "$csv" "$DESK_ART/"

desk_finish
