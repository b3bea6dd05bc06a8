#!/usr/bin/env bash
# Installs what building, running and testing Pivora needs on Debian 12, and nothing more.
# Usage: scripts/install-deps.sh [--desktop] [--windows] [--fuzz] [--package]
#   --desktop  also what a desktop session needs to open folders and play the end sound
#   --windows  also the Windows cross-compiler, Wine, the locales of the Windows tests and npm,
#              which fetches the Windows converter they run; python3 and rsvg-convert, which
#              make the Windows window's texts and pictures at build time; imagemagick, whose
#              import takes pictures of that window under Xvfb
#   --fuzz     also clang and its libFuzzer runtime, for the fuzz targets
#   --package  also what making and checking the Debian package and the installed program
#              needs: dpkg-shlibdeps, file, lintian, the desktop entry and AppStream
#              validators, and xdotool, which presses the installed program's start button
set -euo pipefail

packages=(
    g++ cmake make pkg-config
    qt6-base-dev qt6-svg-dev libgl-dev
    qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
    libcanberra-dev
    ffmpeg
    fonts-wqy-microhei
    libgtest-dev googletest
    xvfb xauth
    python3-pyatspi at-spi2-core dbus xdotool
    parallel
)
windows=
for option in "$@"; do
    case "$option" in
    --desktop) packages+=(libcanberra-pulse xdg-utils sound-theme-freedesktop) ;;
    --windows)
        packages+=(g++-mingw-w64-x86-64-posix wine64 wine locales)
        # The Windows download: NSIS makes the setup; rsvg-convert and icotool draw the icon
        # the programs and the setup carry, python3 the picture beside the setup's last page.
        packages+=(nsis librsvg2-bin icoutils python3)
        # A Node.js from elsewhere brings its own npm, which Debian's package would conflict with.
        if ! command -v npm >/dev/null; then
            packages+=(npm)
        fi
        # The Windows window's texts and pictures are made at build time; its test looks at it.
        packages+=(python3 librsvg2-bin imagemagick)
        windows=1
        ;;
    --fuzz) packages+=(clang-14 libclang-rt-14-dev) ;;
    --package) packages+=(dpkg-dev file lintian desktop-file-utils appstream xdotool) ;;
    *)
        echo "unknown option: $option" >&2
        exit 2
        ;;
    esac
done

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends \
        "${missing[@]}"
fi

# The Windows tests run under a Chinese and a Western locale (code pages 936 and 1252).
for wanted in ${windows:+zh_CN en_US}; do
    if ! locale -a 2>/dev/null | grep -qix "${wanted}.utf8"; then
        if grep -qE "^# *${wanted}.UTF-8 UTF-8" /etc/locale.gen; then
            "${sudo[@]}" sed -i -E "s/^# *(${wanted}.UTF-8 UTF-8)/\1/" /etc/locale.gen
        elif ! grep -qE "^${wanted}.UTF-8 UTF-8" /etc/locale.gen; then
            echo "${wanted}.UTF-8 UTF-8" | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
        fi
        generate=1
    fi
done
if [[ -n "${generate:-}" ]]; then
    "${sudo[@]}" locale-gen >/dev/null
fi
