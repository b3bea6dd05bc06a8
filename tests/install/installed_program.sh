#!/usr/bin/env bash
# Installs the build into a staging root, validates what the desktop reads, then converts a
# clip through the installed program, pressing its start button in an X window.
# Usage (under xvfb-run): installed_program.sh <build folder> <work folder>
set -euo pipefail
build=$1 work=$2
stage=$work/root home=$work/home
fail() {
    echo "$*" >&2
    exit 1
}
[[ -d $stage ]] && chmod -R u+w "$stage"
rm -rf "$work"
mkdir -p "$work/bin" "$home" && mkdir -m 700 "$work/run"
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
# The converter link leads to the root's ffmpeg; the staging root stands in for it.
ln -s "$(command -v ffmpeg)" "$stage/usr/bin/ffmpeg"

desktop=$stage/usr/share/applications/io.github.pivora.Pivora.desktop
desktop-file-validate "$desktop"
appstreamcli validate-tree --no-net "$stage"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[[ $icon == io.github.pivora.Pivora && $(sed -n 's/^StartupWMClass=//p' "$desktop") == Pivora ]] ||
    fail "the entry's icon or window class: $icon"
for size in 48 64 128 256; do
    png=$stage/usr/share/icons/hicolor/${size}x$size/apps/$icon.png
    [[ $(file -b "$png") == "PNG image data, $size x $size,"* ]] || fail "icon at $size: $(file -b "$png")"
done
[[ -f $stage/usr/share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "no icon named $icon"
metainfo=$stage/usr/share/metainfo/io.github.pivora.Pivora.metainfo.xml
[[ $(sed -n 's:.*<icon type="stock">\(.*\)</icon>.*:\1:p' "$metainfo") == "$icon" ]] ||
    fail "the AppStream data names another icon than the one installed"
# Asked from a terminal, as desktop programs are: no display needed.
[[ $(env -u DISPLAY "$stage/usr/bin/pivora" --version) == "pivora "* ]] || fail "pivora --version"

# The program must not need to write where it is installed. The folder it opens at the end
# of a batch is recorded by a stand-in xdg-open.
chmod -R a-w "$stage/usr/lib/pivora"
printf '#!/bin/sh\necho "$1" >%q\n' "$work/opened" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
clip=$work/clip.mp4
ffmpeg -nostdin -v error -f lavfi -i testsrc=size=320x240:rate=25:duration=1 -pix_fmt yuv420p \
    "$clip"
# Starts the installed program with its own folders, clicks at (x, y) of its window, waits for
# what that opens, and ends the program with SIGTERM, which it must take as a normal end.
# Usage: click_and_close <x> <y from the window's bottom> <seconds> [program arguments...]
click_and_close() {
    local x=$1 y=$2 seconds=$3 window
    shift 3
    HOME=$home XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache \
        XDG_STATE_HOME=$home/.local/state XDG_RUNTIME_DIR=$work/run PATH=$work/bin:$PATH \
        "$stage/usr/bin/pivora" "$@" &
    pid=$!
    window=$(timeout 30 xdotool search --sync --onlyvisible --pid $pid --name '^Pivora$' | head -1)
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove --window "$window" "$x" $((HEIGHT - y)) click 1
    for _ in $(seq $((seconds * 2))); do
        [[ -s $work/opened ]] && break
        sleep 0.5
    done
    kill $pid
    wait $pid || fail "the program ended with status $? on SIGTERM"
}
pid=
trap 'kill $pid 2>/dev/null || true; chmod -R u+w "$stage"' EXIT
# "旋转视频" is 153x55 at (404, 390) of the 566x470 client, which ends the window.
click_and_close 480 53 60 "$clip"

[[ $(<"$work/opened") == "file://$home/output"* ]] || fail "opened at the end: $(<"$work/opened")"
outputs=("$home"/output/clip_Rotated*.mp4)
[[ -f ${outputs[0]} && ${#outputs[@]} -eq 1 ]] || fail "outputs: ${outputs[*]}"
# Turned 90 degrees, and whole to its end.
size=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 \
    "${outputs[0]}")
[[ $size == 240,320 ]] || fail "output is $size"
ffmpeg -nostdin -v error -xerror -i "${outputs[0]}" -f null -

# In English the program finds the translation installed with the shared data: "Help", the
# fourth button of the toolbar along the client's top, opens the English page.
rm -f "$work/opened"
LANGUAGE=en click_and_close 423 $((470 - 33)) 20
page=$stage/usr/share/pivora/help.en.html
[[ -f $page && $(<"$work/opened") == "file://$page" ]] || fail "help opened: $(<"$work/opened")"

# OK in "设置" writes options.ini to the user's configuration, never beside the installed
# program, even for root, whom no permission stops.
chmod -R u+w "$stage/usr/lib/pivora"
touch "$work/before-settings"
sleep 1
HOME=$home XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache \
    XDG_STATE_HOME=$home/.local/state XDG_RUNTIME_DIR=$work/run "$stage/usr/bin/pivora" &
pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --pid $pid --name '^Pivora$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$window")"
# "设置", the fifth button of the toolbar.
xdotool mousemove --window "$window" 329 33 click 1
dialog=$(timeout 30 xdotool search --sync --onlyvisible --pid $pid --name '^设置$' | head -1)
xdotool key --window "$dialog" Return
for _ in $(seq 20); do
    [[ -n $(find "$home" -name options.ini) ]] && break
    sleep 0.5
done
kill $pid
wait $pid || fail "the program ended with status $? on SIGTERM"
[[ -n $(find "$home/.config" -name options.ini) ]] || fail "OK in the settings wrote no options.ini"
written=$(find "$stage/usr" -newer "$work/before-settings")
[[ -z $written ]] || fail "written among the installed files: $written"
