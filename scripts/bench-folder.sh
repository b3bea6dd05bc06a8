#!/usr/bin/env bash
# Adds a generated tree of files through the window's Add folder (offscreen), compared with
# `find` over the same tree, then removes every entry. Prints the figures.
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

export QT_QPA_PLATFORM=offscreen
result=$(build/tests/folder_bench "$tree" 2>/dev/null)
add=$(sed -n 's/^add_folder_seconds=//p' <<<"$result")

printf 'tree:                    %d folders, %d files (find counts %d)\n' "$folders" \
    "$((folders * files))" "$count"
printf 'find | wc -l:            %s s\n' "$find_seconds"
sed 's/^/window: /' <<<"$result"
awk -v a="$add" -v b="$find_seconds" 'BEGIN { printf "ratio add/find:          %.2f\n", a / b }'
