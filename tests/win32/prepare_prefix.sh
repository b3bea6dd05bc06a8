#!/bin/sh
# Makes the Wine prefix the Windows tests share, with a Chinese font linked behind the fonts
# Wine's windows use: Wine's own fonts hold no Chinese, and every Chinese text would be boxes.
# Usage: prepare_prefix.sh <wine64>
set -e
wine="$1"
"$wine" wineboot --init
font=$(fc-match -f '%{file}' 'WenQuanYi Micro Hei:lang=zh-cn' 2>/dev/null || true)
if [ -n "$font" ] && [ -f "$font" ]; then
    name=$(basename "$font")
    family=$(fc-scan -f '%{family[0]}\n' "$font" 2>/dev/null | head -n 1)
    ln -sf "$font" "$WINEPREFIX/drive_c/windows/Fonts/$name"
    # Tahoma, the system font of a fresh prefix, falls back to it for what it lacks; the
    # dialog font, which Wine names once its metrics are stored, is it.
    for face in Tahoma "Segoe UI"; do
        "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
            /v "$face" /t REG_MULTI_SZ /d "$name,$family" /f >/dev/null
    done
    for face in "MS Shell Dlg" "MS Shell Dlg 2"; do
        "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
            /v "$face" /t REG_SZ /d "$family" /f >/dev/null
    done
fi
"$(dirname "$wine")/wineserver" -w
