#!/usr/bin/env bash
# Converts the same clips through the program's batch (offscreen) and as a shell loop of the
# identical converter command lines; prints both wall times and their ratio.
# Usage: scripts/bench-batch.sh [clip count] [seconds per clip]
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-20}
seconds=${2:-4}

cmake -S . -B build -DPIVORA_BUILD_TESTS=ON >/dev/null
cmake --build build -j"$(nproc)" --target batch_bench >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/clips" "$work/out"
for i in $(seq 1 "$count"); do
    ffmpeg -nostdin -loglevel error -f lavfi -i "testsrc=size=640x360:rate=25:duration=$seconds" \
        -f lavfi -i "sine=frequency=$((200 + i * 10)):duration=$seconds" -shortest \
        -c:v libx264 -preset veryfast -pix_fmt yuv420p -y "$work/clips/clip$i.mp4"
done

export QT_QPA_PLATFORM=offscreen
batch=$(build/tests/batch_bench "$work/out" "$work/activity.log" "$work"/clips/*.mp4 |
        sed -n 's/^batch_seconds=//p')

# The very command lines the batch ran, one after the other, from a shell.
grep '^  command: ' "$work/activity.log" | sed 's/^  command: //' >"$work/commands.txt"
start=$(date +%s.%N)
while IFS= read -r line; do
    eval "$line" </dev/null >/dev/null 2>&1
done <"$work/commands.txt"
end=$(date +%s.%N)
loop=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')

printf 'clips:            %d x %ss (640x360, 25 fps)\n' "$count" "$seconds"
printf 'program batch:    %.3f s\n' "$batch"
printf 'shell loop:       %.3f s\n' "$loop"
awk -v a="$batch" -v b="$loop" 'BEGIN { printf "ratio batch/loop: %.3f\n", a / b }'
