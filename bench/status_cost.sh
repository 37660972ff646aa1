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
if perf stat -x, -e task-clock true >/dev/null 2>&1; then
    how="perf stat -r $runs -e task-clock"
    cpu_ms() {
        perf stat -r "$runs" -x, -e task-clock "$@" 2>&1 >/dev/null |
            awk -F, '$3 == "task-clock" { printf "%.3f", $1 }'
    }
else
    how="bash times over $runs calls"
    cpu_ms() {
        (
            for ((i = 0; i < runs; i++)); do "$@" >/dev/null; done
            times
        ) | awk -v n="$runs" 'NR == 2 { gsub(/[ms]/, " "); printf "%.3f", ($1 * 60 + $2 + $3 * 60 + $4) * 1000 / n }'
    }
fi
# rss_kb COMMAND...: the median peak resident memory of 9 calls, in kB.
rss_kb() {
    for _ in 1 2 3 4 5 6 7 8 9; do
        /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1
    done | sort -n | sed -n 5p
}

# Warm the page cache for both, then measure them alternately.
"${cat[@]}" >/dev/null
k_cpu=$(cpu_ms "${status[@]}")
c_cpu=$(cpu_ms "${cat[@]}")
k_rss=$(rss_kb "${status[@]}")
c_rss=$(rss_kb "${cat[@]}")

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
