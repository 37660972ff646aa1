#!/usr/bin/env bash
# What a panel pays for polling `kivrel --status --json`, against `cat timer.ini` on the same
# file, in one run:
#
#   CPU time   per call, from the start of the process to its end (the dynamic loader included):
#              perf stat's task-clock over RUNS calls when perf works here, else the user and
#              system time of RUNS calls as bash's `times` counts them for its children
#   memory     peak resident memory (maximum RSS) of one call, /usr/bin/time -f %M, the median of
#              9 calls
#
# Targets: CPU time at most 2x and memory at most 1.5x those of cat. The start-up of the tray
# program is bench/footprint/run.sh's to measure.
#
# Then the same with [Link] Value=net:Hotspot, where the printout asks NetworkManager over the
# system D-Bus (python-dbusmock's NetworkManager template on a private bus stands in for it, one
# Wi-Fi connection up): targets 2.5x and 2.5x of cat on that timer.ini; beside it the floor, a
# bare C program that only opens the bus with sd-bus and reads the active connections' ids
# (bench/nm_active_ids.c). Left out when python3-dbusmock or a C compiler is missing.
#
#   bench/status_cost.sh [RUNS]          RUNS: calls of each (default 300)
#
# KIVREL_BUILD_DIR (default: build) is the build folder; the program runs there, on the timer.ini
# beside it, as a panel would run it. Not a test: it prints a table.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=scripts/lib/common.sh
. "$here/../scripts/lib/common.sh"

runs=${1:-300}
kivrel_ensure_packages "${KIVREL_BUILD_PACKAGES[@]}" time
kivrel_build kivrel
program=$KIVREL_BUILD_DIR/kivrel
ini=$KIVREL_BUILD_DIR/timer.ini
[ -f "$ini" ] || kivrel_die "no $ini"
status=("$program" --status --json)
cat=(cat "$ini")
"${status[@]}" >/dev/null || kivrel_die "$program --status --json failed"

# cpu_ms COMMAND...: CPU milliseconds per call.
. "$here/cost_lib.sh"

# Warm the page cache for both, then measure them alternately.
"${cat[@]}" >/dev/null
k_cpu=$(cpu_ms "${status[@]}")
c_cpu=$(cpu_ms "${cat[@]}")
k_rss=$(rss_kb "${status[@]}")
c_rss=$(rss_kb "${cat[@]}")
# The settings hold no network pattern: the D-Bus library must not have been loaded.
if command -v strace >/dev/null && strace -f -e trace=openat "${status[@]}" 2>&1 >/dev/null |
    grep -q libsystemd; then
    kivrel_die "--status loaded libsystemd without a network pattern"
fi

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }
verdict() { awk -v r="$1" -v lim="$2" 'BEGIN { print (r != "n/a" && r <= lim) ? "meets" : "OVER" }'; }
cpu_ratio=$(ratio "$k_cpu" "$c_cpu")
rss_ratio=$(ratio "$k_rss" "$c_rss")
printf '\nkivrel --status --json against cat timer.ini, %s (%s)\n\n' "$(uname -m)" "$how"
printf '%-24s %14s %14s %8s %8s %s\n' "" "kivrel" "cat" "ratio" "target" ""
printf '%-24s %14s %14s %8s %8s %s\n' "CPU time per call" "$k_cpu ms" "$c_cpu ms" "$cpu_ratio" \
    "<= 2" "$(verdict "$cpu_ratio" 2)"
printf '%-24s %14s %14s %8s %8s %s\n' "peak memory (max RSS)" "$k_rss kB" "$c_rss kB" \
    "$rss_ratio" "<= 1.5" "$(verdict "$rss_ratio" 1.5)"

# ---------------------------------------------------------------- with a network pattern
if ! /usr/bin/python3 -c 'import dbusmock' 2>/dev/null || ! command -v cc >/dev/null; then
    printf '
(no python3-dbusmock or no C compiler: the network pattern is not measured)
'
    exit 0
fi
work=$(mktemp -d)
bus_pid=
mock_pid=
finish() {
    [ -z "$mock_pid" ] || kill "$mock_pid" 2>/dev/null || true
    [ -z "$bus_pid" ] || kill "$bus_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT
cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/bus</listen>
  <policy context="default">
    <allow user="*"/><allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>
  </policy>
</busconfig>
CONF
bus_pid=$(dbus-daemon --config-file="$work/bus.conf" --fork --print-pid)
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/bus
/usr/bin/python3 -m dbusmock --system --template networkmanager >"$work/mock.log" 2>&1 &
mock_pid=$!
for _ in $(seq 50); do
    /usr/bin/python3 "$here/../tests/desktop/nm_mock.py" setup 2>/dev/null && break
    sleep 0.2
done
/usr/bin/python3 "$here/../tests/desktop/nm_mock.py" hotspot || kivrel_die "the mock did not answer"
cc -O2 -o "$work/nm_active_ids" "$here/nm_active_ids.c" -lsystemd
cp "$program" "$work/"
printf '[Link]\r\nValue=net:Hotspot\r\n' >"$work/timer.ini"
net_status=("$work/kivrel" --status --json)
net_cat=(cat "$work/timer.ini")
floor=("$work/nm_active_ids")
# (No route goes over the mock's wlan0 here: the network is asked for and matches no route.)
"${net_status[@]}" | grep -q '"warnings":\[\]' || kivrel_die "--status could not ask NetworkManager"
n_cpu=$(cpu_ms "${net_status[@]}")
nc_cpu=$(cpu_ms "${net_cat[@]}")
f_cpu=$(cpu_ms "${floor[@]}")
n_rss=$(rss_kb "${net_status[@]}")
nc_rss=$(rss_kb "${net_cat[@]}")
f_rss=$(rss_kb "${floor[@]}")
printf '\nwith [Link] Value=net:Hotspot, NetworkManager answering (a mock on a private bus)\n\n'
printf '%-24s %14s %14s %14s %8s %8s %8s %s\n' "" "kivrel" "cat" "bare sd-bus" "ratio" \
    "floor" "target" ""
n_cpu_ratio=$(ratio "$n_cpu" "$nc_cpu")
n_rss_ratio=$(ratio "$n_rss" "$nc_rss")
printf '%-24s %14s %14s %14s %8s %8s %8s %s\n' "CPU time per call" "$n_cpu ms" "$nc_cpu ms" \
    "$f_cpu ms" "$n_cpu_ratio" "$(ratio "$f_cpu" "$nc_cpu")" "<= 2.5" "$(verdict "$n_cpu_ratio" 2.5)"
printf '%-24s %14s %14s %14s %8s %8s %8s %s\n' "peak memory (max RSS)" "$n_rss kB" "$nc_rss kB" \
    "$f_rss kB" "$n_rss_ratio" "$(ratio "$f_rss" "$nc_rss")" "<= 2.5" "$(verdict "$n_rss_ratio" 2.5)"
