#!/usr/bin/env bash
# Saves pictures of the Windows build's windows and dialogs, drawn by the
# Win32 code under Wine on a virtual X display, for review beside those of
# scripts/screenshots.sh: sign-in.png, main.png, main-albums.png, popup.png,
# input-box.png and message-box.png.
#   scripts/screenshots-windows.sh [output folder]   (default: <build dir>/screenshots)
# Builds the x86_64 Windows build in BUILD_DIR (default build-win64); the
# Wine prefix is WINEPREFIX (default ~/.cache/weibo-wine).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-win64}
out_dir=$(realpath -m "${1:-$build_dir/screenshots}")
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8  # Wine's ANSI code page 936
export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/weibo-wine}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

bash scripts/build-windows-deps.sh x86_64-w64-mingw32 >/dev/null
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-x86_64.cmake >/dev/null
cmake --build "$build_dir" --target weibo-app-screenshots
bash scripts/wine-gui-prefix.sh
mkdir -p "$out_dir"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  /usr/lib/wine/wine64 "$1" "Z:${2//\//\\}"; status=$?
  /usr/lib/wine/wineserver -w
  exit $status' run "$build_dir/app/weibo-app-screenshots.exe" "$out_dir"
echo "screenshots in $out_dir"
