#!/usr/bin/env bash
# Converts the same clips through the program's batch (offscreen) and as a shell loop of the
# identical converter command lines, in alternating rounds; prints each round's wall times and
# the median ratio. The batch is timed from the press of the start button until the window
# shows "完成.".
# Usage: scripts/bench-batch.sh [clip count] [seconds per clip] [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-20}
seconds=${2:-4}
rounds=${3:-5}

cmake -S . -B build -DPIVORA_BUILD_TESTS=ON >/dev/null
cmake --build build -j"$(nproc)" --target batch_bench >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/clips"
for i in $(seq 1 "$count"); do
    ffmpeg -nostdin -loglevel error -f lavfi -i "testsrc=size=640x360:rate=25:duration=$seconds" \
        -f lavfi -i "sine=frequency=$((200 + i * 10)):duration=$seconds" -shortest \
        -c:v libx264 -preset veryfast -pix_fmt yuv420p -y "$work/clips/clip$i.mp4"
done

export QT_QPA_PLATFORM=offscreen
printf 'clips:            %d x %ss (640x360, 25 fps)\n' "$count" "$seconds"
run_batch() {
    rm -rf "$work/out" "$work/activity.log"
    mkdir -p "$work/out"
    batch=$(build/tests/batch_bench "$work/out" "$work/activity.log" "$work"/clips/*.mp4 2>/dev/null |
            sed -n 's/^batch_seconds=//p')
    # The very command lines the batch ran, for the loop.
    grep '^  command: ' "$work/activity.log" | sed 's/^  command: //' >"$work/commands.txt"
}
run_loop() {
    rm -rf "$work/out"
    mkdir -p "$work/out"
    local start end
    start=$(date +%s.%N)
    while IFS= read -r line; do
        eval "$line" </dev/null >/dev/null 2>&1
    done <"$work/commands.txt"
    end=$(date +%s.%N)
    loop=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
}

# The loop replays the command lines of the batch before it; the order alternates, so that
# neither side always runs on a warmer machine.
run_batch
ratios=()
for round in $(seq 1 "$rounds"); do
    if ((round % 2 == 1)); then
        run_batch
        run_loop
    else
        run_loop
        run_batch
    fi
    ratio=$(awk -v a="$batch" -v b="$loop" 'BEGIN { printf "%.3f", a / b }')
    ratios+=("$ratio")
    printf 'round %d:          batch %.3f s, loop %.3f s, ratio %s\n' "$round" "$batch" "$loop" \
        "$ratio"
done
printf '%s\n' "${ratios[@]}" | sort -n |
    awk '{ r[NR] = $1 } END { printf "median ratio batch/loop: %.3f (min %.3f, max %.3f)\n",
                              r[int((NR + 1) / 2)], r[1], r[NR] }'
