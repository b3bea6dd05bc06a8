#!/usr/bin/env bash
# The Windows download as a user gets it, under Wine in a prefix of its own: the silent install,
# its files, Start-menu shortcut, uninstall key and "Open with" offers; the installed
# pivora-cli.exe converting a clip named in Chinese; the installed window starting (when the
# download has one); installing again over it with the desktop shortcut and PATH (the running
# window asked to close); the silent uninstall leaving no file and no key behind, the user's
# PATH, settings and journal as they were; the same for all users, into Program Files; the
# portable zip converting where it is unpacked.
# Usage: install_test.sh <setup.exe> <portable.zip> <shared prefix> <work folder> <version>
#        <window: 0|1>
set -euo pipefail
setup=$1 zip=$2 shared=$3 work=$4 version=$5 window=$6
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
rm -rf "$work"
mkdir -p "$work"
# A copy of the run's prefix is as fresh as a new one for the installer, and much quicker.
cp -a "$shared" "$work/prefix"
export WINEPREFIX=$work/prefix WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
# No Linux menu entries or file types from the shortcuts Wine sees made.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
trap 'wineserver -k 2>/dev/null || true' EXIT
user=$WINEPREFIX/drive_c/users/$(id -un)
local=$user/AppData/Local roaming=$user/AppData/Roaming
folder=$local/Programs/Pivora
winfolder='C:\users\'$(id -un)'\AppData\Local\Programs\Pivora'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pivora'
main=pivora-cli.exe
[[ $window == 1 ]] && main=pivora.exe
keys() {
    sed -n 's/^\(\[.*\]\) [0-9]*$/\1/p' "$WINEPREFIX/user.reg" "$WINEPREFIX/system.reg" | sort
}
# Every file but the program's own journal and log, which the user keeps.
files() {
    (cd "$WINEPREFIX/drive_c" && find . -path "./users/*/AppData/Local/Pivora*" -prune -o -print) |
        sort
}
# A PATH as the registry holds it, unexpanded.
path_in() { wine reg query "$1" /v Path | sed -n 's/^ *Path *REG_EXPAND_SZ *//p' | tr -d '\r'; }

# What the user has before: settings, another program as the default for MP4 files, a PATH.
mkdir -p "$roaming"
printf 'C:\\output\r\n' >"$roaming/pvsetting.ini"
printf '1\r\n0\r\n0\r\n0\r\n' >"$roaming/options.ini"
wine reg add 'HKCU\Software\Classes\.mp4' /ve /d OtherPlayer.mp4 /f >/dev/null
# A PATH longer than the setup's strings hold is never cut short: it stays as it is.
set_path() { wine reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$1" /f >/dev/null; }
user_path() { path_in 'HKCU\Environment'; }
long_path=$(printf 'C:\\tools\\%04d;' $(seq 1 90))
set_path "$long_path"
wineserver -w
keys >"$work/keys.before"
files >"$work/files.before"

# Nothing of the install in program folder $1 left behind after the uninstall and a restart
# (the uninstaller's copy of itself goes then), and what the user had before is still there.
nothing_left() {
    wineserver -w
    wine wineboot -r
    wineserver -w
    [[ ! -e $1 ]] || fail "left in the program folder: $(ls -R "$1")"
    comm -13 "$work/files.before" <(files) >"$work/files.left"
    [[ ! -s $work/files.left ]] || fail "files left behind: $(cat "$work/files.left")"
    comm -13 "$work/keys.before" <(keys) >"$work/keys.left"
    [[ ! -s $work/keys.left ]] || fail "registry keys left behind: $(cat "$work/keys.left")"
    ! grep -i pivora "$WINEPREFIX/user.reg" "$WINEPREFIX/system.reg" ||
        fail "registry values naming Pivora left behind"
    grep -q OtherPlayer.mp4 "$WINEPREFIX/user.reg" || fail "the MP4 files' default program went"
    [[ $(<"$roaming/pvsetting.ini") == $'C:\\output\r' && -s $roaming/options.ini ]] ||
        fail "the user's settings went"
    cmp -s "$local/Pivora/activity.log" "$work/activity.log" || fail "the journal folder changed"
}

wine "$setup" /S /ADDTOPATH || fail "the silent install ended with status $?"
for file in "$main" pivora-cli.exe data/conv.exe data/conv-LICENSE.txt help.html help.en.html \
    sound.wav uninstall.exe; do
    [[ -f $folder/$file ]] || fail "not installed: $file"
done
grep -q "GNU GENERAL PUBLIC LICENSE" "$folder/data/conv-LICENSE.txt" || fail "no licence text"
shortcut="$roaming/Microsoft/Windows/Start Menu/Programs/Pivora.lnk"
[[ -f $shortcut ]] || fail "no Start-menu shortcut"
strings -el "$shortcut" | grep -qiF "$winfolder\\$main" || fail "the shortcut does not start $main"
[[ ! -e $user/Desktop/Pivora.lnk ]] || fail "a desktop shortcut that was not asked for"
entry=$(wine reg query "$uninstall_key")
for value in "DisplayName    REG_SZ    Pivora" "DisplayVersion    REG_SZ    $version" \
    "Publisher    REG_SZ    Pivora developers" "DisplayIcon    REG_SZ    $winfolder\\$main,0" \
    "UninstallString    REG_SZ    \"$winfolder\\uninstall.exe\"" \
    "EstimatedSize    REG_DWORD    0x"; do
    grep -qF "$value" <<<"$entry" || fail "the uninstall key lacks $value: $entry"
done
wine reg query 'HKCU\Software\Classes\.mkv\OpenWithProgids' /v Pivora.VideoFile >/dev/null ||
    fail "not offered for MKV files"
wine reg query 'HKCU\Software\Classes\.mp4' /ve | grep -q OtherPlayer.mp4 ||
    fail "the default program for MP4 files changed"
[[ $(user_path) == "$long_path" ]] || fail "a long PATH was changed"

# The installed command line converts a clip named in Chinese: turned, whole.
mkdir -p "$work/片段"
ffmpeg -nostdin -v error -f lavfi -i testsrc=size=160x120:rate=25:duration=1 -pix_fmt yuv420p \
    "$work/片段/视频 片段.mp4"
wine "$folder/pivora-cli.exe" -q -o "Z:$work/out" "Z:$work/片段/视频 片段.mp4" ||
    fail "the installed pivora-cli.exe ended with status $?"
outputs=("$work/out/视频 片段_Rotated"*.mp4)
[[ -f ${outputs[0]} ]] || fail "no output: $(ls "$work/out")"
size=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 \
    "${outputs[0]}")
[[ $size == 120,160 ]] || fail "the output is $size"
[[ -s $local/Pivora/activity.log ]] || fail "no activity log from the run"
cp "$local/Pivora/activity.log" "$work/activity.log"

# The window, started from the Start-menu shortcut, is found on the X display; installing
# again must ask it to close.
if [[ $window == 1 ]]; then
    [[ -n ${DISPLAY:-} ]] || fail "the window needs an X display (run under xvfb-run)"
    wine start /unix "$shortcut"
    timeout 60 xdotool search --sync --onlyvisible --name '^Pivora$' >/dev/null ||
        fail "the installed window did not appear"
fi
path='C:\tools;%USERPROFILE%\bin'
set_path "$path"
wine "$setup" /S /DESKTOPSHORTCUT /ADDTOPATH || fail "installing again ended with status $?"
[[ $window == 0 ]] || ! xdotool search --onlyvisible --name '^Pivora$' >/dev/null ||
    fail "the window is still open after installing again"
[[ -f $user/Desktop/Pivora.lnk ]] || fail "no desktop shortcut"
[[ $(user_path) == "$path;$winfolder" ]] || fail "PATH: $(user_path)"

wine "$folder/uninstall.exe" /S || fail "the silent uninstall ended with status $?"
nothing_left "$folder"
[[ $(user_path) == "$path" ]] || fail "PATH after the uninstall: $(user_path)"

# For all users: into Program Files, with the system's PATH and uninstall entry; the
# uninstaller, started from the folder as a user would, finds which install it belongs to.
environment='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment'
system_path() { path_in "$environment"; }
path=$(system_path)
all=$WINEPREFIX/drive_c/Program\ Files/Pivora
wine "$setup" /S /ALLUSERS /ADDTOPATH || fail "the install for all users ended with status $?"
[[ -f $all/$main && -f $all/data/conv.exe ]] || fail "not installed into Program Files"
[[ -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Pivora.lnk" ]] ||
    fail "no Start-menu shortcut for all users"
wine reg query "${uninstall_key/HKCU/HKLM}" /v UninstallString |
    grep -qF '"C:\Program Files\Pivora\uninstall.exe" /ALLUSERS' ||
    fail "no uninstall entry for all users"
[[ $(system_path) == "$path;C:\Program Files\Pivora" ]] || fail "system PATH: $(system_path)"
wine "$all/uninstall.exe" /S || fail "the uninstall for all users ended with status $?"
nothing_left "$all"
[[ $(system_path) == "$path" ]] || fail "system PATH after the uninstall: $(system_path)"

# The portable zip converts where it is unpacked, and writes nothing beside itself.
mkdir -p "$work/portable"
(cd "$work/portable" && cmake -E tar xf "$zip")
(cd "$work/portable" && find . | sort) >"$work/portable.before"
wine "$work/portable/Pivora/pivora-cli.exe" -q -o "Z:$work/out2" \
    "Z:$work/片段/视频 片段.mp4" ||
    fail "the unpacked pivora-cli.exe ended with status $?"
ls "$work/out2/视频 片段_Rotated"*.mp4 >/dev/null || fail "no output from the unpacked program"
(cd "$work/portable" && find . | sort) | cmp -s - "$work/portable.before" ||
    fail "the unpacked program wrote beside itself"
echo "installed, converted, uninstalled cleanly; the portable copy converted"
