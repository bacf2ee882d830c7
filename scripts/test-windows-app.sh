#!/usr/bin/env bash
# The Windows build's app suite under Wine on a virtual display: the Win32
# window tests and the end-to-end test against the simulated service (a
# Linux program, built first in BUILD_DIR, default build). The Windows build
# (i686, the shipped program's options) goes to WIN_BUILD_DIR (default
# build-win32), configured as scripts/test-windows.sh does. The Wine prefix
# is WINEPREFIX, by default one inside the Windows build folder: a prefix
# shared with runs of other checkouts on the same machine is not safe, since
# one run's `wineserver -k`, or a prefix being created, breaks the programs
# of another run. Extra arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
arch=$(bash scripts/windows-test-arch.sh)  # i686, or x86_64 where 32-bit code cannot run
win_build_dir=${WIN_BUILD_DIR:-build-win32}
if [ "$arch" = x86_64 ]; then win_build_dir=${WIN_BUILD_DIR:-build-win64}; fi
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8  # Wine's ANSI code page 936
export WINEPREFIX="${WINEPREFIX:-$PWD/$win_build_dir/wine-prefix}"
# A crash fails the test at once instead of waiting in the debugger.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWEIBO_WERROR=ON >/dev/null
cmake --build "$build_dir" --target weibo-sim
bash scripts/build-windows-deps.sh "$arch-w64-mingw32" >/dev/null
cmake -S . -B "$win_build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DWEIBO_WERROR=ON \
  -DWEIBO_BUILD_TESTS=ON -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/mingw-$arch.cmake" \
  -DWEIBO_HOST_SIM="$PWD/$build_dir/tools/weibo-sim/weibo-sim" >/dev/null
cmake --build "$win_build_dir"
machine=i386
if [ "$arch" = x86_64 ]; then machine=x86-64; fi
bash scripts/check-windows-exe.sh "$win_build_dir/app/weibo-album-downloader.exe" "$machine"
bash scripts/wine-gui-prefix.sh
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  /usr/lib/wine/wineserver -p
  /usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1
  status=0
  ctest --test-dir "$1" --output-on-failure --timeout 300 -L app "${@:2}" || status=$?
  /usr/lib/wine/wineserver -k
  exit $status' run "$win_build_dir" "$@"
