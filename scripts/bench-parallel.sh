#!/usr/bin/env bash
# Converts the same clips into format 0 through the program's batch (offscreen) one at a time
# and two at a time, and as `xargs -P 2` running the identical converter command lines, in
# rounds whose order rotates; prints each round's wall times and the median ratios. A batch is
# timed from the press of the start button until the window shows "完成.".
# Usage: scripts/bench-parallel.sh [clip count] [seconds per clip] [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-8}
seconds=${2:-10}
rounds=${3:-3}

cmake -S . -B build -DPIVORA_BUILD_TESTS=ON >/dev/null
cmake --build build -j"$(nproc)" --target batch_bench >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/clips"
for i in $(seq 1 "$count"); do
    ffmpeg -nostdin -loglevel error -f lavfi -i "testsrc2=size=640x480:rate=25:duration=$seconds" \
        -f lavfi -i "sine=frequency=$((200 + i * 10)):duration=$seconds" -shortest \
        -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -y "$work/clips/clip$i.mp4"
done

export QT_QPA_PLATFORM=offscreen
printf 'clips: %d x %ss (640x480, 25 fps, H.264 and AAC) into format 0, cores: %d\n' \
    "$count" "$seconds" "$(nproc)"
# Every run must have made every output.
check_outputs() {
    [[ $(find "$work/out" -type f -size +0 | wc -l) -eq $count ]] ||
        { echo "outputs missing after $1" >&2; exit 1; }
}
run_batch() { # jobs
    rm -rf "$work/out" "$work/activity.log"
    mkdir -p "$work/out"
    build/tests/batch_bench --jobs "$1" "$work/out" "$work/activity.log" "$work"/clips/*.mp4 \
        2>/dev/null | sed -n 's/^batch_seconds=//p'
    check_outputs "N=$1" >&2
    # The very command lines the batch ran, for xargs.
    grep '^  command: ' "$work/activity.log" | sed 's/^  command: //' >"$work/commands.txt"
}
run_xargs() {
    rm -rf "$work/out"
    mkdir -p "$work/out"
    local start end
    start=$(date +%s.%N)
    tr '\n' '\0' <"$work/commands.txt" |
        xargs -0 -P 2 -n 1 bash -c 'eval "$1" </dev/null >/dev/null 2>&1' _
    end=$(date +%s.%N)
    check_outputs xargs >&2
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

one=() two=() xa=()
for round in $(seq 1 "$rounds"); do
    # Rotate the order, so that no side always runs on a warmer machine. xargs replays the
    # command lines of the two-at-once batch run before it.
    case $((round % 3)) in
    1) t1=$(run_batch 1); t2=$(run_batch 2); tx=$(run_xargs) ;;
    2) t2=$(run_batch 2); tx=$(run_xargs); t1=$(run_batch 1) ;;
    0) t2=$(run_batch 2); t1=$(run_batch 1); run_batch 2 >/dev/null; tx=$(run_xargs) ;;
    esac
    one+=("$t1") two+=("$t2") xa+=("$tx")
    printf 'round %d: N=1 %.3f s, N=2 %.3f s, xargs -P 2 %.3f s; N=1/N=2 %.3f, N=2/xargs %.3f\n' \
        "$round" "$t1" "$t2" "$tx" "$(awk -v a="$t1" -v b="$t2" 'BEGIN { print a / b }')" \
        "$(awk -v a="$t2" -v b="$tx" 'BEGIN { print a / b }')"
done
median() { printf '%s\n' "$@" | sort -n | awk '{ r[NR] = $1 } END { print r[int((NR + 1) / 2)] }'; }
m1=$(median "${one[@]}") m2=$(median "${two[@]}") mx=$(median "${xa[@]}")
printf 'median: N=1 %.3f s, N=2 %.3f s, xargs -P 2 %.3f s\n' "$m1" "$m2" "$mx"
awk -v a="$m1" -v b="$m2" -v c="$mx" 'BEGIN {
    printf "speed-up N=2 over N=1: %.2f x (goal 1.5 x)\n", a / b
    printf "N=2 against xargs -P 2: %.3f (goal at most 1.05)\n", b / c }'
