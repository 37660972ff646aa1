#!/usr/bin/env bash
# What ten years of sessions cost a panel polling `kivrel --status --json`, in one run: the same
# call with a ledger of 40,000 lines (a session every 2 h 11 min for ten years, up to now) against
# an empty ledger, and both against `cat timer.ini`. CPU time and peak memory are measured as
# bench/status_cost.sh measures them (perf stat's task-clock over RUNS calls, else bash's `times`;
# the median of 9 maximum RSS readings of /usr/bin/time).
#
# Targets: ten years at most 1.2x the CPU and the memory of the empty ledger; both at most 2x the
# CPU and 1.5x the memory of cat.
#
#   bench/ledger_cost.sh [RUNS]          RUNS: calls of each (default 300)
#
# The CPU time of each is the median of 9 rounds in which the three take turns.
#
# KIVREL_BUILD_DIR (default: build-release, built as Release) holds the program; it is copied into
# two scratch folders, each with the same timer.ini and its own sessions.csv, so that each call
# reads the settings beside it. Not a test: it prints a table.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export KIVREL_BUILD_DIR=${KIVREL_BUILD_DIR:-$here/../build-release}
export KIVREL_BUILD_TYPE=${KIVREL_BUILD_TYPE:-Release}
# shellcheck source=scripts/lib/common.sh
. "$here/../scripts/lib/common.sh"

runs=${1:-300}
kivrel_ensure_packages "${KIVREL_BUILD_PACKAGES[@]}" time
kivrel_build kivrel

scratch=$(mktemp -d /tmp/kivrel-ledger-cost.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
ini='[s]\r\nValue=60\r\n[r]\r\nValue=20\r\n[Tariff]\r\nRound=6\r\nFee=10\r\nPrice=120\r\n'
for name in empty years; do
    mkdir -p "$scratch/$name"
    cp "$KIVREL_BUILD_DIR/kivrel" "$scratch/$name/kivrel"
    printf "$ini" >"$scratch/$name/timer.ini"
done
printf 'start,end,minutes,link\n' >"$scratch/empty/sessions.csv"
python3 - "$scratch/years/sessions.csv" <<'EOF'
import datetime, sys
zone = datetime.timezone(datetime.timedelta(hours=8))
end = datetime.datetime.now(zone).replace(microsecond=0) - datetime.timedelta(hours=1)
step = datetime.timedelta(minutes=131)
with open(sys.argv[1], "w") as out:
    out.write("start,end,minutes,link\n")
    for i in range(40000, 0, -1):
        start = end - i * step
        stop = start + datetime.timedelta(minutes=42, seconds=6)
        out.write(f'{start.isoformat()},{stop.isoformat()},42.2,"ppp0"\n')
EOF
lines=$(wc -l <"$scratch/years/sessions.csv")
size=$(du -k "$scratch/years/sessions.csv" | cut -f1)

export XDG_DATA_HOME=$scratch/none  # the settings beside the program, never the user's own
empty=("$scratch/empty/kivrel" --status --json)
years=("$scratch/years/kivrel" --status --json)
cat=(cat "$scratch/empty/timer.ini")
"${empty[@]}" >/dev/null || kivrel_die "kivrel --status --json failed"
"${years[@]}" | grep -q '"sessions":[1-9]' || kivrel_die "the ten years' ledger gave no session"

. "$here/cost_lib.sh"

# The machine's load changes while it runs: the three take turns in ROUNDS rounds of RUNS/ROUNDS
# calls each, and each one's CPU time is the median of its rounds.
median() { sort -n | awk '{ v[NR] = $1 } END { printf "%.3f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
"${cat[@]}" >/dev/null
cat "$scratch/years/sessions.csv" >/dev/null
rounds=9
total=$runs
runs=$(((total + rounds - 1) / rounds))
: >"$scratch/e" >"$scratch/y" >"$scratch/c"
for ((round = 0; round < rounds; round++)); do
    cpu_ms "${empty[@]}" >>"$scratch/e" && echo >>"$scratch/e"
    cpu_ms "${years[@]}" >>"$scratch/y" && echo >>"$scratch/y"
    cpu_ms "${cat[@]}" >>"$scratch/c" && echo >>"$scratch/c"
done
e_cpu=$(median <"$scratch/e")
y_cpu=$(median <"$scratch/y")
c_cpu=$(median <"$scratch/c")
how="$how, the median of $rounds rounds"
e_rss=$(rss_kb "${empty[@]}")
y_rss=$(rss_kb "${years[@]}")
c_rss=$(rss_kb "${cat[@]}")

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }
verdict() { awk -v r="$1" -v lim="$2" 'BEGIN { print (r != "n/a" && r <= lim) ? "meets" : "OVER" }'; }
row() { # NAME RATIO TARGET
    printf '%-34s %8s %8s %s\n' "$1" "$2" "<= $3" "$(verdict "$2" "$3")"
}
printf '\nkivrel --status --json, %s lines (%s kB) of sessions against none, %s (%s)\n\n' \
    "$lines" "$size" "$(uname -m)" "$how"
printf '%-24s %14s %14s %14s\n' "" "ten years" "empty" "cat timer.ini"
printf '%-24s %14s %14s %14s\n' "CPU time per call" "$y_cpu ms" "$e_cpu ms" "$c_cpu ms"
printf '%-24s %14s %14s %14s\n\n' "peak memory (max RSS)" "$y_rss kB" "$e_rss kB" "$c_rss kB"
printf '%-34s %8s %8s\n' "ratio" "" "target"
row "CPU, ten years / empty" "$(ratio "$y_cpu" "$e_cpu")" 1.2
row "memory, ten years / empty" "$(ratio "$y_rss" "$e_rss")" 1.2
row "CPU, ten years / cat" "$(ratio "$y_cpu" "$c_cpu")" 2
row "CPU, empty / cat" "$(ratio "$e_cpu" "$c_cpu")" 2
row "memory, ten years / cat" "$(ratio "$y_rss" "$c_rss")" 1.5
row "memory, empty / cat" "$(ratio "$e_rss" "$c_rss")" 1.5
