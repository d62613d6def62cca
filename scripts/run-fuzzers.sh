#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a number of seconds each, on a corpus of its
# own that starts from the seed corpus and the regression inputs, and prints executions
# and coverage per target. Crashing inputs land in FUZZ_BUILD/crashes/<target>/; add them
# to fuzz/regressions/<target>/ once the fault is mended.
# Usage: run-fuzzers.sh FUZZ_BUILD SEEDS_DIR SECONDS [TARGET...]
set -uo pipefail
build=${1:?usage: run-fuzzers.sh FUZZ_BUILD SEEDS_DIR SECONDS [TARGET...]}
seeds=${2:?seeds folder}
seconds=${3:?seconds}
shift 3
source_dir=$(cd "$(dirname "$0")/.." && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for binary in "$build"/fuzz_*; do [ -x "$binary" ] && targets+=("$(basename "$binary" | sed 's/^fuzz_//')"); done
fi

status=0
summary=()
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    crashes="$build/crashes/$target/"
    mkdir -p "$corpus" "$crashes"
    inputs=("$corpus" "$seeds/$target")
    [ -d "$source_dir/fuzz/regressions/$target" ] && inputs+=("$source_dir/fuzz/regressions/$target")
    options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$crashes" -rss_limit_mb=2048
             -timeout=20)
    [ -f "$source_dir/fuzz/$target.dict" ] && options+=(-dict="$source_dir/fuzz/$target.dict")
    log="$build/fuzz-$target.log"
    echo "== $target: $seconds s"
    ASAN_OPTIONS=detect_leaks=1 "$build/fuzz_$target" "${options[@]}" "${inputs[@]}" >"$log" 2>&1
    result=$?
    runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | tail -1 | awk '{print $2}')
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | awk '{print $2}')
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | awk '{print $2}')
    line="$target: ${runs:-?} executions, coverage ${cov:-?} edges, ${ft:-?} features"
    if [ $result -ne 0 ]; then
        line+=" -- FAILED (see $log)"
        status=1
    fi
    summary+=("$line")
    echo "$line"
done
echo
echo "Fuzzing summary (${seconds} s per target):"
printf '  %s\n' "${summary[@]}"
exit $status
