#!/usr/bin/env bash
# Prepares a Wine prefix for the Windows build's windows: creates it when it
# does not exist, maps the Chinese fonts Windows programs ask for to
# WenQuanYi Micro Hei (fonts-wqy-microhei), and lets Wine draw its own window
# frames and captions and keep its windows unmanaged, since a virtual display
# has no window manager (a managed window that is hidden waits two seconds
# for a window manager that never answers). With
# WEIBO_WINE_DPI set (e.g. 144 for 150 % scaling) the prefix's screen has
# that DPI (HKCU\Control Panel\Desktop LogPixels); use a prefix of its own
# for it. Idempotent.
#   scripts/wine-gui-prefix.sh   (prefix: WINEPREFIX, default ~/.cache/weibo-wine)
set -euo pipefail
export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/weibo-wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

if [ -f "$WINEPREFIX/.weibo-gui-ready-2" ]; then exit 0; fi
mkdir -p "$WINEPREFIX"
"$wine" wineboot --init </dev/null >/dev/null 2>&1
for font in SimSun NSimSun SimHei "Microsoft YaHei" "Microsoft YaHei UI"; do
  "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /t REG_SZ \
    /d 'WenQuanYi Micro Hei' /f </dev/null >/dev/null 2>&1
done
# 宋体, the input box's font, by its Chinese name too.
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$(printf '\xe5\xae\x8b\xe4\xbd\x93')" \
  /t REG_SZ /d 'WenQuanYi Micro Hei' /f </dev/null >/dev/null 2>&1
for option in Decorated Managed; do
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v "$option" /t REG_SZ /d N /f \
    </dev/null >/dev/null 2>&1
done
if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi
if [ -n "${WEIBO_WINE_DPI:-}" ]; then
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$WEIBO_WINE_DPI" /f \
    </dev/null >/dev/null 2>&1
fi
"$wineserver" -w
touch "$WINEPREFIX/.weibo-gui-ready-2"
