#!/usr/bin/env bash
# bench/fuzz.sh [--smoke] [RUNS]
#
# Builds the libFuzzer target of fuzz/ with clang and runs it, starting from
# its seeds in fuzz/corpus/<target>/; the first byte of an input picks the
# rule (see fuzz/fuzz_rules.cpp):
#
#   bench/fuzz.sh             1,000,000 executions
#   bench/fuzz.sh 5000000     5,000,000 executions
#   bench/fuzz.sh --smoke     20,000 executions or 20 s, whichever ends first,
#                             from a fixed seed so that every CI run tries the
#                             same inputs (scripts/test.sh runs this); the
#                             longer runs draw a new seed each time
#
# The build goes to build-fuzz/ (or $QCX_FUZZ_BUILD_DIR). The inputs a run
# finds interesting collect in <build>/corpus/<target>/; the committed seeds
# are only read. An input that breaks one of a target's rules, or that a
# sanitizer objects to, ends the run: libFuzzer prints it and keeps it as
# <build>/findings/<target>/crash-*, and the script exits with 1.
# Nothing here opens a socket; the settings-file rule writes only below a
# temporary folder (in /dev/shm when there is one, as its saves sync the file).
set -euo pipefail
cd "$(dirname "$0")/.."

runs=1000000
time_limit=0
seed=0
if [ "${1:-}" = "--smoke" ]; then
    runs=20000
    time_limit=20
    seed=1
    shift
fi
if [ $# -gt 0 ]; then
    runs=$1
fi

build=${QCX_FUZZ_BUILD_DIR:-build-fuzz}
CXX=clang++ cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="-O1 -g -fno-omit-frame-pointer" > /dev/null
cmake --build "$build" -j"$(nproc)"

scratch_parent=/tmp
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    scratch_parent=/dev/shm
fi
scratch=$(mktemp -d "$scratch_parent/qcx-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=0
passed=0
for target in fuzz_rules; do
    corpus="$build/corpus/$target"
    findings="$build/findings/$target"
    mkdir -p "$corpus" "$findings"
    log="$build/$target.log"
    started=$(date +%s.%N)
    status=0
    TMPDIR="$scratch" "$build/$target" -runs="$runs" -max_total_time="$time_limit" -seed="$seed" -print_final_stats=1 \
        -artifact_prefix="$findings/" "$corpus" fuzz/corpus/"$target" > "$log" 2>&1 || status=$?
    ended=$(date +%s.%N)
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    seconds=$(awk -v a="$started" -v b="$ended" 'BEGIN { printf "%.1f", b - a }')
    rate=$(awk -v n="${executions:-0}" -v a="$started" -v b="$ended" 'BEGIN { printf "%d", n / (b - a) }')
    if [ "$status" -eq 0 ]; then
        passed=$((passed + 1))
        printf 'fuzz: %-22s %10s executions in %6s s (%s/s)\n' "$target" "${executions:-?}" "$seconds" "${rate:-?}"
    else
        failed=$((failed + 1))
        printf 'fuzz: %-22s FAILED after %s s (exit %s); see %s\n' "$target" "$seconds" "$status" "$log"
        grep -E 'fuzz check failed|ERROR: |SUMMARY: |Test unit written' "$log" || tail -n 20 "$log"
    fi
done
if [ "$failed" -eq 0 ]; then
    echo "fuzz: all $passed targets ran clean"
else
    echo "fuzz: $failed of $((passed + failed)) targets failed"
    exit 1
fi
