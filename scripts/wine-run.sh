#!/usr/bin/env bash
# Runs a Windows program under wine64 in the project's own Wine prefix
# (WINEPREFIX, default ~/.cache/weibo-wine), quietly and without Wine's
# .NET and HTML add-ons. CMake uses it as the emulator of the Windows
# builds, so CTest runs the test programs through it. The locale (and so
# Wine's ANSI code page) is the caller's. Exit codes pass through.
set -euo pipefail
export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/weibo-wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec /usr/lib/wine/wine64 "$@"
