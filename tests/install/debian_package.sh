#!/usr/bin/env bash
# Packages the build with CPack and looks at the package as dpkg and lintian see it.
# Usage: debian_package.sh <build folder> <work folder>
set -euo pipefail
build=$1 work=$2
rm -rf "$work"
(cd "$build" && cpack -G DEB -B "$work" >/dev/null)
deb=$(echo "$work"/pivora_*.deb)

depends=$(dpkg-deb -f "$deb" Depends)
for wanted in ffmpeg libqt6widgets6 libcanberra0 qt6-translations-l10n; do
    [[ ", $depends," == *", $wanted"[\ ,]* ]] || { echo "Depends lacks $wanted: $depends" >&2; exit 1; }
done
# Once unpacked at the root, bin/pivora is the program and its converter is the root's ffmpeg.
dpkg-deb -x "$deb" "$work/root"
root=$(readlink -f "$work/root")
[[ $(readlink -m "$root/usr/bin/pivora") == "$root/usr/lib/pivora/pivora" ]]
[[ $(readlink -m "$root/usr/lib/pivora/data/conv") == "$root/usr/bin/ffmpeg" ]]
file -L "$root/usr/bin/pivora" | grep -q 'ELF.*executable'
lintian --fail-on error,warning "$deb"
