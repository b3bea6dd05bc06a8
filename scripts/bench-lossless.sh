#!/usr/bin/env bash
# A 60 s 1280x720 H.264 clip with sound, turned 90 degrees clockwise into "MP4(High Quality
# MPEG4 Video)" by the program's batch (offscreen), with lossless turns off and on, in
# alternating rounds; prints each round and the median ratio. The batch is timed from the
# press of the start button until the window shows "完成.".
# Usage: scripts/bench-lossless.sh [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}

cmake -S . -B build -DPIVORA_BUILD_TESTS=ON >/dev/null
cmake --build build -j"$(nproc)" --target batch_bench >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Camera-like noise and about 12 Mbit/s, as a phone records 720p.
ffmpeg -nostdin -loglevel error -f lavfi -i "testsrc2=size=1280x720:rate=30:duration=60" \
    -f lavfi -i "sine=frequency=440:duration=60" -vf "noise=alls=12:allf=t" \
    -c:v libx264 -preset veryfast -b:v 12M -maxrate 12M -bufsize 24M -c:a aac -shortest \
    -y "$work/phone clip.mp4"
printf 'clip:             60 s, 1280x720 H.264 with AAC sound, %s bytes\n' \
    "$(stat -c %s "$work/phone clip.mp4")"

export QT_QPA_PLATFORM=offscreen
run() {
    rm -rf "$work/out" "$work/activity.log"
    mkdir -p "$work/out"
    build/tests/batch_bench "$@" "$work/out" "$work/activity.log" "$work/phone clip.mp4" \
        2>/dev/null | sed -n 's/^batch_seconds=//p'
    cp "$work/activity.log" "$work/activity-${1:-off}.log"
}
ratios=()
for round in $(seq 1 "$rounds"); do
    if ((round % 2 == 1)); then
        off=$(run)
        on=$(run --lossless)
    else
        on=$(run --lossless)
        off=$(run)
    fi
    if ! grep -q "turned without re-encoding" "$work/activity---lossless.log"; then
        echo "the lossless batch re-encoded:" >&2
        cat "$work/activity---lossless.log" >&2
        exit 1
    fi
    ratio=$(awk -v a="$off" -v b="$on" 'BEGIN { printf "%.1f", a / b }')
    ratios+=("$ratio")
    printf 'round %d:          re-encoding %.3f s, lossless %.3f s, %s x faster\n' "$round" \
        "$off" "$on" "$ratio"
done
printf '%s\n' "${ratios[@]}" | sort -n |
    awk '{ r[NR] = $1 } END { printf "median: lossless %.1f x faster (min %.1f, max %.1f)\n",
                              r[int((NR + 1) / 2)], r[1], r[NR] }'
