#!/bin/sh
# Builds the timer.ini fuzz target with clang and runs it.
#
#   tests/fuzz/run.sh [RUNS] [WORK_DIR]
#
# RUNS defaults to 1000000; WORK_DIR (default build-fuzz in the source tree) receives the binary,
# the grown corpus and any crash files. Extra libFuzzer options can be given in FUZZ_OPTIONS.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
runs=${1:-1000000}
work=${2:-$root/build-fuzz}
cxx=${CXX_FUZZ:-$(command -v clang++ || command -v clang++-14)}

mkdir -p "$work/corpus" "$work/crashes"
"$cxx" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -Wall -Wextra -Werror -I"$root" \
    "$here/ini_fuzz.cpp" "$root/vocabulary/ini_format.cpp" -o "$work/ini_fuzz"

# shellcheck disable=SC2086
exec "$work/ini_fuzz" -runs="$runs" -max_len=4096 -dict="$here/ini.dict" \
    -artifact_prefix="$work/crashes/" -print_final_stats=1 ${FUZZ_OPTIONS:-} \
    "$work/corpus" "$here/corpus"
