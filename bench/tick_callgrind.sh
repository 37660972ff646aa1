#!/usr/bin/env bash
# Instructions executed by one online tick (probe, save, status text), counted by callgrind in
# user space: repeatable whatever else the machine is doing. Usage: bench/tick_callgrind.sh [build]
set -euo pipefail
build=${1:-build}
bench="$(cd "$build" && pwd)/bench/tick_bench"
[ -x "$bench" ] || { echo "build $bench first (cmake --build $build --target tick_bench)" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$out" && valgrind --tool=callgrind --callgrind-out-file="$out/cg.out" \
    --toggle-collect='kivrel::Form1::Timer1_Timer()' \
    "$bench" --benchmark_filter=OnlineTick --benchmark_min_time=0.05 >/dev/null 2>"$out/log")
# The caller tree names how many times the benchmark loop called Timer1_Timer.
line=$(cd "$out" && callgrind_annotate --tree=caller --auto=no "$out/cg.out" | grep -E '< .*BM_OnlineTick.*\([0-9]+x\)' | head -1)
total=$(awk '{gsub(",", "", $1); print $1}' <<<"$line")
ticks=$(sed -E 's/.*\(([0-9]+)x\).*/\1/' <<<"$line")
echo "Timer1_Timer: $total instructions over $ticks ticks = $((total / ticks)) per tick"
