#!/usr/bin/env bash
# The Windows build's app suite under Wine on a virtual display: the Win32
# window tests and the end-to-end test against the simulated service (a
# Linux program, built first in BUILD_DIR, default build). The Windows build
# goes to WIN_BUILD_DIR (default build-win64), configured as
# scripts/test-windows.sh does. The Wine prefix is WINEPREFIX, by default one
# inside the Windows build folder: a prefix shared with runs of other
# checkouts on the same machine is not safe, since one run's
# `wineserver -k`, or a prefix being created, breaks the programs of another
# run. Extra arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
win_build_dir=${WIN_BUILD_DIR:-build-win64}
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8  # Wine's ANSI code page 936
export WINEPREFIX="${WINEPREFIX:-$PWD/$win_build_dir/wine-prefix}"
# A crash fails the test at once instead of waiting in the debugger.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWEIBO_WERROR=ON >/dev/null
cmake --build "$build_dir" --target weibo-sim
bash scripts/build-windows-deps.sh x86_64-w64-mingw32 >/dev/null
cmake -S . -B "$win_build_dir" -G Ninja -DCMAKE_BUILD_TYPE= -DWEIBO_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-x86_64.cmake \
  -DWEIBO_HOST_SIM="$PWD/$build_dir/tools/weibo-sim/weibo-sim" >/dev/null
cmake --build "$win_build_dir" --target app_win32_windows_test app_win32_e2e_test \
  app_program_test weibo-album-downloader
bash scripts/check-windows-exe.sh "$win_build_dir/app/weibo-album-downloader.exe" x86-64
bash scripts/wine-gui-prefix.sh
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  /usr/lib/wine/wineserver -p
  /usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1
  status=0
  ctest --test-dir "$1" --output-on-failure --timeout 300 -L app "${@:2}" || status=$?
  /usr/lib/wine/wineserver -k
  exit $status' run "$win_build_dir" "$@"
