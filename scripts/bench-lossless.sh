#!/usr/bin/env bash
# Lossless turns against their limit and against re-encoding, in alternating rounds:
#  1. 20 phone-like clips (10 s, 1920x1080 H.264 with AAC sound in MP4, every other one already
#     carrying a turn) turned 90 degrees clockwise by the program's batch with "无损旋转" on,
#     against a shell loop that runs one plain stream copy with the turn per file (the limit
#     of this way of turning: one converter start per file); the goal is at most 1.3 times;
#  2. a 60 s 1280x720 clip through the batch with lossless turns off and on.
# The batch is timed from the press of the start button until the window shows "完成.".
# The converter starts of one lossless batch are counted from its activity log and a trace.
# Usage: scripts/bench-lossless.sh [rounds] [clips]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
count=${2:-20}

cmake -S . -B build -DPIVORA_BUILD_TESTS=ON >/dev/null
cmake --build build -j"$(nproc)" --target batch_bench >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/clips"
for i in $(seq 1 "$count"); do
    turn=()
    if ((i % 2 == 0)); then
        turn=(-metadata:s:v:0 rotate=90)
    fi
    ffmpeg -nostdin -loglevel error -f lavfi -i "testsrc2=size=1920x1080:rate=30:duration=10" \
        -f lavfi -i "sine=frequency=$((300 + i * 10)):duration=10" -vf "noise=alls=8:allf=t" \
        -c:v libx264 -preset ultrafast -b:v 10M -c:a aac -shortest "${turn[@]}" \
        -y "$work/clips/phone clip $i.mp4"
done
ffmpeg -nostdin -loglevel error -f lavfi -i "testsrc2=size=1280x720:rate=30:duration=60" \
    -f lavfi -i "sine=frequency=440:duration=60" -vf "noise=alls=12:allf=t" \
    -c:v libx264 -preset veryfast -b:v 12M -maxrate 12M -bufsize 24M -c:a aac -shortest \
    -y "$work/long clip.mp4"
printf 'clips:            %d x 10 s 1920x1080 H.264 + AAC, %s bytes in all\n' "$count" \
    "$(du -cb "$work"/clips/*.mp4 | tail -1 | cut -f1)"

export QT_QPA_PLATFORM=offscreen
batch() { # lossless|reencode clip...
    local flags=()
    if [[ $1 == lossless ]]; then
        flags=(--lossless)
    fi
    rm -rf "$work/out" "$work/activity.log"
    mkdir -p "$work/out"
    build/tests/batch_bench "${flags[@]}" "$work/out" "$work/activity.log" "${@:2}" 2>/dev/null |
        sed -n 's/^batch_seconds=//p'
}
lossless_batch() {
    local seconds
    seconds=$(batch lossless "$work"/clips/*.mp4)
    if grep -q "re-encoded" "$work/activity.log" ||
        (($(grep -c "turned without re-encoding" "$work/activity.log") != count)); then
        echo "the lossless batch re-encoded:" >&2
        cat "$work/activity.log" >&2
        exit 1
    fi
    echo "$seconds"
}
copy_loop() {
    rm -rf "$work/out"
    mkdir -p "$work/out"
    local start end i=0
    start=$(date +%s.%N)
    for clip in "$work"/clips/*.mp4; do
        i=$((i + 1))
        ffmpeg -nostdin -loglevel error -i "$clip" -map 0 -c copy -metadata:s:v:0 rotate=270 \
            -y "$work/out/copy$i.mp4"
    done
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

# Once before the rounds: the converter's way of writing a turn is then known, as it is after
# a program's first lossless batch with this converter.
lossless_batch >/dev/null
if command -v strace >/dev/null; then
    rm -rf "$work/out" && mkdir -p "$work/out"
    strace -f -qq -e trace=execve -o "$work/trace" build/tests/batch_bench --lossless \
        "$work/out" "$work/activity.log" "$work"/clips/*.mp4 >/dev/null 2>&1 || true
    printf 'converter starts: %d for %d clips\n' \
        "$(grep -c 'execve(".*conv"' "$work/trace" || true)" "$count"
fi

ratios=()
speedups=()
for round in $(seq 1 "$rounds"); do
    if ((round % 2 == 1)); then
        loop=$(copy_loop)
        turned=$(lossless_batch)
        off=$(batch reencode "$work/long clip.mp4")
        on=$(batch lossless "$work/long clip.mp4")
    else
        turned=$(lossless_batch)
        loop=$(copy_loop)
        on=$(batch lossless "$work/long clip.mp4")
        off=$(batch reencode "$work/long clip.mp4")
    fi
    ratio=$(awk -v a="$turned" -v b="$loop" 'BEGIN { printf "%.3f", a / b }')
    speedup=$(awk -v a="$off" -v b="$on" 'BEGIN { printf "%.1f", a / b }')
    ratios+=("$ratio")
    speedups+=("$speedup")
    printf 'round %d:          %d clips: lossless batch %.3f s, copy loop %.3f s, ratio %s;' \
        "$round" "$count" "$turned" "$loop" "$ratio"
    printf ' 60 s clip: re-encoding %.3f s, lossless %.3f s, %s x faster\n' "$off" "$on" "$speedup"
done
printf '%s\n' "${ratios[@]}" | sort -n |
    awk '{ r[NR] = $1 } END { printf "median ratio lossless batch/copy loop: %.3f (min %.3f, max %.3f; goal 1.3)\n",
                              r[int((NR + 1) / 2)], r[1], r[NR] }'
printf '%s\n' "${speedups[@]}" | sort -n |
    awk '{ r[NR] = $1 } END { printf "median: lossless %.1f x faster than re-encoding (min %.1f, max %.1f)\n",
                              r[int((NR + 1) / 2)], r[1], r[NR] }'
