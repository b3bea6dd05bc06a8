#!/usr/bin/env bash
# Adds a generated tree of files through the window's Add folder, compared with `find` over
# the same tree, then removes every entry; the window's clocks stop when the list has been
# painted and the window is idle again. Runs offscreen and in a real X window under Xvfb.
# Usage: scripts/bench-folder.sh [folders] [files per folder]
set -euo pipefail
cd "$(dirname "$0")/.."
folders=${1:-1000}
files=${2:-100}

cmake -S . -B build -DPIVORA_BUILD_TESTS=ON >/dev/null
cmake --build build -j"$(nproc)" --target folder_bench >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree="$work/tree"
for ((d = 0; d < folders; d++)); do
    dir="$tree/group$((d / 100))/folder$d"
    mkdir -p "$dir"
    (cd "$dir" && eval "touch clip{1..$files}.mp4")
done
sync

# Warm the caches once so that both sides read the same memory.
find "$tree" -type f | wc -l >/dev/null
start=$(date +%s.%N)
count=$(find "$tree" -type f | wc -l)
end=$(date +%s.%N)
find_seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')

printf 'tree:                    %d folders, %d files (find counts %d)\n' "$folders" \
    "$((folders * files))" "$count"
printf 'find | wc -l:            %s s\n' "$find_seconds"
for platform in offscreen xcb; do
    if [[ $platform == xcb ]]; then
        if ! command -v xvfb-run >/dev/null; then
            echo "xcb: no xvfb-run here"
            continue
        fi
        result=$(QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" \
                 build/tests/folder_bench "$tree" 2>/dev/null)
    else
        result=$(QT_QPA_PLATFORM=offscreen build/tests/folder_bench "$tree" 2>/dev/null)
    fi
    add=$(sed -n 's/^add_folder_seconds=//p' <<<"$result")
    sed "s/^/$platform: /" <<<"$result"
    awk -v p="$platform" -v a="$add" -v b="$find_seconds" \
        'BEGIN { printf "%s: ratio add/find: %.2f\n", p, a / b }'
done
