#!/usr/bin/env bash
# Footprint of Kivrel against the smallest program of its kind (minimal_tray.cpp beside this
# file: one hidden QWidget, one tray icon, one 6-second timer), both built by this project's build
# and run side by side under the same private X session (Xvfb 1024x768 with trayer):
#
#   start-up   from the start of the process until its tray icon is embedded in trayer's panel
#              (the same observable moment for both; the median of several alternating starts)
#   memory     VmRSS after 30 s, hidden in the tray
#   wake-ups   returns from the calls a thread sleeps in (poll, ppoll, select, epoll_wait,
#              futex, nanosleep), all threads, over 60 s hidden in the tray, counted with
#              strace -c; also the voluntary context switches over the minute before (without
#              strace), which count waits on the disk (Kivrel's fsync at each save) as well
#
# Targets: Kivrel's memory <= 1.10 x and start-up <= 1.20 x the minimal program's; while hidden,
# no more than one wake-up per 6-second tick (10 a minute).
# Both run in a network namespace with a default route (unshare): Kivrel counts and saves at
# every tick, its busiest hidden state.
#
#   bench/footprint/run.sh [STARTS]        STARTS: timed starts of each program (default 7)
#
# KIVREL_BUILD_DIR (default: build) is the build folder. Not a test: it prints a table.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/common.sh
. "$here/../../scripts/lib/common.sh"
# shellcheck source=scripts/lib/xsession.sh
. "$KIVREL_ROOT/scripts/lib/xsession.sh"

starts=${1:-7}
kivrel_ensure_packages "${KIVREL_BUILD_PACKAGES[@]}" xvfb xauth trayer xdotool x11-utils \
    iproute2 util-linux procps strace fonts-wqy-microhei
kivrel_build kivrel

# The yardstick: from the project's build when bench/ adds it, otherwise configured on its own
# with the same build type.
minimal=$KIVREL_BUILD_DIR/kivrel_minimal_tray
if ! cmake --build "$KIVREL_BUILD_DIR" --target kivrel_minimal_tray >/dev/null 2>&1; then
    own=$KIVREL_BUILD_DIR/footprint-yardstick
    cmake -S "$here" -B "$own" -DCMAKE_BUILD_TYPE="$(awk -F= '/^CMAKE_BUILD_TYPE:/ {print $2}' \
        "$KIVREL_BUILD_DIR/CMakeCache.txt")" >/dev/null || kivrel_die "could not configure $here"
    cmake --build "$own" --parallel "$KIVREL_JOBS" >/dev/null || kivrel_die "could not build $here"
    minimal=$own/kivrel_minimal_tray
fi
[ -x "$minimal" ] || kivrel_die "no $minimal"

work=$(mktemp -d "${TMPDIR:-/tmp}/kivrel-footprint.XXXXXX")
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kivrel_stop_pid "$pid" 5; done
    kivrel_x_stop
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# The same surroundings for both: private folders, no session bus, the X11 tray.
mkdir -p "$work/kivrel" "$work/minimal" "$work/home" "$work/config" "$work/runtime" "$work/cwd"
chmod 700 "$work/runtime"
cp "$KIVREL_BUILD_DIR/kivrel" "$KIVREL_BUILD_DIR/kivrel-window.so" "$work/kivrel/"
cp "$minimal" "$work/minimal/minimal_tray"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb QT_ACCESSIBILITY=0
unset DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER XDG_CURRENT_DESKTOP WAYLAND_DISPLAY

kivrel_x_start "$work" || kivrel_die "Xvfb did not start"
kivrel_tray_start "$work" || kivrel_die "trayer did not start"
kivrel_say "X session on $DISPLAY; measuring (about $((starts + 155)) s)"

# A new network namespace: no user namespace is needed as root.
if [ "$(id -u)" -eq 0 ]; then unshare_net=(unshare -n); else unshare_net=(unshare -rn); fi

# launch NAME: starts one program in its own online namespace; sets `pid`.
launch() {
    local program=$work/$1/$1
    [ "$1" = minimal ] && program=$work/minimal/minimal_tray
    [ "$1" = kivrel ] && : >"$work/kivrel/timer.ini"
    (cd "$work/cwd" && exec "${unshare_net[@]}" bash "$KIVREL_ROOT/tests/desktop/netns_exec.sh" online -- \
        "$program") >>"$work/$1.log" 2>&1 &
    pid=$!
    pids+=("$pid")
}

_embedded() { kivrel_tray_icon_of "$1" >/dev/null 2>&1; }

# One timed start: milliseconds from the launch until the icon is embedded. The namespace is set
# up before the program is executed; the time of that set-up is measured alone and taken off.
netns_ms() {
    local t0
    t0=$(kivrel_now_ms)
    "${unshare_net[@]}" bash "$KIVREL_ROOT/tests/desktop/netns_exec.sh" online -- true >/dev/null 2>&1
    echo $(($(kivrel_now_ms) - t0))
}
timed_start() {
    local t0 t1
    t0=$(kivrel_now_ms)
    launch "$1"
    # Polls every 10 ms; the same polling for both programs.
    local deadline=$((t0 + 30000))
    until _embedded "$pid"; do
        [ "$(kivrel_now_ms)" -ge "$deadline" ] && {
            kivrel_stop_pid "$pid" 5
            echo -1
            return
        }
        sleep 0.01
    done
    t1=$(kivrel_now_ms)
    kivrel_stop_pid "$pid" 5
    echo $((t1 - t0))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

# Warm-up: one start of each, not counted (page cache, font cache).
timed_start kivrel >/dev/null
timed_start minimal >/dev/null

k_times=()
m_times=()
n_times=()
for ((i = 0; i < starts; i++)); do
    n_times+=("$(netns_ms)")
    k_times+=("$(timed_start kivrel)")
    m_times+=("$(timed_start minimal)")
done
netns=$(printf '%s\n' "${n_times[@]}" | median)
k_start=$(($(printf '%s\n' "${k_times[@]}" | median) - netns))
m_start=$(($(printf '%s\n' "${m_times[@]}" | median) - netns))

# Both at once for memory and wake-ups, hidden in the tray.
launch kivrel
k_pid=$pid
launch minimal
m_pid=$pid
kivrel_wait_for 30 _embedded "$k_pid" || kivrel_die "Kivrel's icon did not appear"
kivrel_wait_for 30 _embedded "$m_pid" || kivrel_die "the minimal program's icon did not appear"
begin=$(kivrel_now_ms)

rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }
switches() {
    local t sum=0 v
    for t in /proc/"$1"/task/*/status; do
        v=$(awk '/^voluntary_ctxt_switches:/ { print $2 }' "$t" 2>/dev/null) || v=0
        sum=$((sum + ${v:-0}))
    done
    echo "$sum"
}
threads() { ls "/proc/$1/task" | wc -l; }
_after() { [ "$(kivrel_now_ms)" -ge "$1" ]; }

kivrel_wait_for 40 _after $((begin + 30000))
k_rss=$(rss_kb "$k_pid")
m_rss=$(rss_kb "$m_pid")
k_sw0=$(switches "$k_pid")
m_sw0=$(switches "$m_pid")
kivrel_wait_for 70 _after $((begin + 90000))
k_switch=$(($(switches "$k_pid") - k_sw0))
m_switch=$(($(switches "$m_pid") - m_sw0))
# Then one minute of both under strace at once, counting only the sleeping calls.
sleeps=poll,ppoll,select,pselect6,epoll_wait,epoll_pwait,futex,nanosleep,clock_nanosleep
timeout -s INT 60 strace -f -c -e trace=$sleeps -p "$k_pid" -o "$work/k.strace" 2>/dev/null &
k_strace=$!
timeout -s INT 60 strace -f -c -e trace=$sleeps -p "$m_pid" -o "$work/m.strace" 2>/dev/null &
m_strace=$!
wait "$k_strace" "$m_strace" || true
calls() {
    awk -v set=",$sleeps," '$NF ~ /^[a-z_0-9]+$/ && index(set, "," $NF ",") { n += $4 }
        END { print n + 0 }' "$1"
}
[ -s "$work/k.strace" ] || kivrel_die "strace could not watch Kivrel"
k_wake=$(calls "$work/k.strace")
m_wake=$(calls "$work/m.strace")
k_threads=$(threads "$k_pid")
m_threads=$(threads "$m_pid")
hidden_windows=$( (xdotool search --all --onlyvisible --pid "$k_pid" --name '^☆Kivrel☆' 2>/dev/null || true) | wc -l)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }
verdict() { awk -v r="$1" -v lim="$2" 'BEGIN { print (r != "n/a" && r <= lim) ? "meets" : "OVER" }'; }
rss_ratio=$(ratio "$k_rss" "$m_rss")
start_ratio=$(ratio "$k_start" "$m_start")
wake_verdict=$([ "$k_wake" -le 10 ] && echo meets || echo OVER)

printf '\nFootprint, %s, Qt %s, %d timed starts each (medians; namespace set-up of %d ms taken off)\n\n' \
    "$(uname -m)" "$(pkg-config --modversion Qt6Core 2>/dev/null || echo 6)" "$starts" "$netns"
printf '%-28s %12s %12s %8s %10s %s\n' "" "Kivrel" "minimal" "ratio" "target" ""
printf '%-28s %12s %12s %8s %10s %s\n' "memory (VmRSS at 30 s)" "$k_rss kB" "$m_rss kB" \
    "$rss_ratio" "<= 1.10" "$(verdict "$rss_ratio" 1.10)"
printf '%-28s %12s %12s %8s %10s %s\n' "start-up (to icon embedded)" "$k_start ms" "$m_start ms" \
    "$start_ratio" "<= 1.20" "$(verdict "$start_ratio" 1.20)"
printf '%-28s %12s %12s %8s %10s %s\n' "wake-ups per minute, hidden" "$k_wake" "$m_wake" "" \
    "<= 10" "$wake_verdict"
printf '%-28s %12s %12s\n' "context switches per minute" "$k_switch" "$m_switch"
printf '%-28s %12s %12s\n' "threads" "$k_threads" "$m_threads"
printf '\nstart-ups (ms, with set-up): Kivrel %s; minimal %s\n' "${k_times[*]}" "${m_times[*]}"
[ "$hidden_windows" -eq 0 ] || printf 'note: Kivrel showed its window during the measurement\n'
