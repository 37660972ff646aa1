# Shared by the cost benchmarks: the CPU time of a call (perf stat's task-clock, or bash's `times`
# where perf does not work) and its peak memory. Sourced with `runs` set.
# shellcheck shell=bash
# cpu_ms COMMAND...: the CPU time of one call in ms, over `runs` calls; `how` says how.
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
