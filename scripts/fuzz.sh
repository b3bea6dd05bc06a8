#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang and runs each for a bounded time on a
# scratch copy of its seed corpus; the seeds in the repository are never written.
# Usage: scripts/fuzz.sh [seconds per target]   (default 5)
# Exits non-zero when a target crashes, breaks one of its properties or trips a sanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-5}
if [[ ! $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [seconds per target]" >&2
    exit 2
fi

scripts/install-deps.sh --fuzz
cmake -S tests/fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build build-fuzz -j2

# Undefined behaviour is reported with the stack that led to it.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/pivora-fuzz.XXXXXX")
echo "Corpora, logs and crash artifacts: $scratch"
failed=0
for seeds in tests/fuzz/corpus/*/; do
    target=$(basename "$seeds")
    work=$scratch/$target
    mkdir -p "$work/corpus" "$work/artifacts"
    cp "$seeds"* "$work/corpus/"
    # A unit that runs for seconds is a hang; it is reported like a crash.
    options=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
             -artifact_prefix="$work/artifacts/")
    if [[ -f tests/fuzz/$target.dict ]]; then
        options+=(-dict="tests/fuzz/$target.dict")
    fi
    started=$(date +%s%N)
    status=0
    "build-fuzz/$target" "${options[@]}" "$work/corpus" >"$work/log" 2>&1 || status=$?
    tenths=$((($(date +%s%N) - started) / 100000000))
    runs=$(awk '/^stat::number_of_executed_units:/ {print $2}' "$work/log")
    printf '%-20s %4d.%d s %12s executions' "$target" $((tenths / 10)) $((tenths % 10)) "${runs:-?}"
    if ((status != 0)); then
        failed=1
        printf '  FAILED (exit %d)\n' "$status"
        grep -aE 'ERROR: |property failed|runtime error|Test unit written' "$work/log" | head -4 |
            sed 's/^/    /'
        echo "    full report: $work/log"
    else
        printf '\n'
    fi
done
exit "$failed"
