#!/usr/bin/env bash
# A fuzzing campaign: runs each fuzzer of the sanitizer build for a given
# time over its kept corpus, then merges the kept corpus and what the run
# found into a minimised corpus that replaces the kept one, and prints per
# fuzzer the executions, the coverage reached and the faults found (crash,
# leak, timeout and out-of-memory inputs, sanitizer reports).
#
#   tests/fuzz/campaign.sh [--time SECONDS] [FUZZER...]
#
# SECONDS per fuzzer (default 600); FUZZER: names under tests/fuzz without
# .cpp (default: all). Runs the build/native-asan build, configured and built
# first. Exits 1 when a fault was found.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)

seconds=600
[ "${1:-}" = --time ] && seconds=$2 && shift 2
fuzzers=("$@")
[ $# -eq 0 ] && for f in tests/fuzz/*_fuzzer.cpp; do fuzzers+=("$(basename "$f" .cpp)"); done

build=build/native-asan
{ [ -f "$build/build.ninja" ] || cmake --preset native-asan >/dev/null; } || exit 1
cmake --build "$build" --target "${fuzzers[@]}" >/dev/null || { echo "campaign: build failed"; exit 1; }

out="$build/campaign"
rm -rf "$out"
mkdir -p "$out"
export HARDSCAN_MACHINE="$root/tests/machines/unit-base.reg"
total_runs=0
total_faults=0
printf '%-16s %12s %10s %18s %8s %6s\n' fuzzer executions exec/s coverage corpus faults > "$out/summary.txt"
for name in "${fuzzers[@]}"; do
    kept="tests/fuzz/corpus/$name"
    work="$out/$name/corpus"
    artifacts="$out/$name/artifacts"
    mkdir -p "$work" "$artifacts" "$kept"
    # The fuzzer's own options: its dictionary and the lines of NAME.options.
    own=(-rss_limit_mb=2048 -timeout=30)
    [ -f "tests/fuzz/$name.dict" ] && own+=(-dict="tests/fuzz/$name.dict")
    [ -f "tests/fuzz/$name.options" ] && mapfile -t extra < "tests/fuzz/$name.options" && own+=("${extra[@]}")
    # Leaks of Debian's libraries that the fuzzer's suppression file names.
    lsan=""
    [ -f "tests/fuzz/$name.supp" ] && lsan="suppressions=$root/tests/fuzz/$name.supp"
    echo "=== $name: ${seconds} s"
    LSAN_OPTIONS=$lsan "$build/tests/$name" "${own[@]}" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$work" "$kept" > "$out/$name/run.log" 2>&1
    status=$?
    log="$out/$name/run.log"
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    counters=$(sed -n 's/^INFO: Loaded 1 modules *(\([0-9]*\) inline 8-bit counters).*/\1/p' "$log" | head -n 1)
    cov=$(grep -oE '(NEW|REDUCE|pulse|INITED|DONE) +cov: [0-9]+' "$log" | tail -n 1 | grep -oE '[0-9]+$')
    reports=$(grep -cE 'ERROR: (AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|libFuzzer)|runtime error:|SUMMARY: ' "$log")
    found=$(find "$artifacts" -type f | wc -l)
    faults=$((reports > found ? reports : found))
    [ "$status" -ne 0 ] && [ "$faults" -eq 0 ] && faults=1
    minimised="$out/$name/minimised"
    mkdir -p "$minimised"
    LSAN_OPTIONS=$lsan "$build/tests/$name" -merge=1 "${own[@]}" "$minimised" "$kept" "$work" > "$out/$name/merge.log" 2>&1
    if [ -n "$(ls -A "$minimised")" ]; then
        rm -f "$kept"/*
        cp "$minimised"/* "$kept"/
    fi
    printf '%-16s %12s %10s %18s %8s %6s\n' "$name" "${runs:-0}" "${rate:-0}" "${cov:-?} of ${counters:-?}" \
        "$(ls "$kept" | wc -l)" "$faults" >> "$out/summary.txt"
    total_runs=$((total_runs + ${runs:-0}))
    total_faults=$((total_faults + faults))
done
printf '%-16s %12s %10s %18s %8s %6s\n' total "$total_runs" "" "" "" "$total_faults" >> "$out/summary.txt"
cat "$out/summary.txt"
echo "logs and fault inputs: $out"
[ "$total_faults" -eq 0 ]
