#!/usr/bin/env bash
# Builds the Windows program with MinGW-w64 and runs the Windows test suite
# on it under Wine, on Debian 12:
#   - installs what is missing (MinGW-w64, 64- and 32-bit Wine, the locales,
#     a CJK font, a virtual display);
#   - builds json-c for Windows from Debian's source (scripts/build-windows-deps.sh);
#   - builds build-win32/ as scripts/release-windows.sh does (i686, static,
#     GUI, Release optimisation), the shipped program and the tests with it,
#     and checks the program's file (scripts/check-windows-exe.sh). The tests
#     run under 32-bit Wine (wine32:i386), as the program runs on Windows.
#     Only on a machine that cannot run 32-bit code do they run from an
#     x86_64 build (build-win64/) instead (see below);
#   - runs the tests through CTest under Wine twice, without a display:
#     with Wine's ANSI code page 936 (zh_CN.UTF-8) and with 1252 (en_US.UTF-8),
#     all but the app label;
#   - runs the app label (the Win32 windows and the program end to end against
#     the simulator) once, with code page 936, on a virtual display (xvfb-run),
#     and the tests labelled dpi (the windows at 150 % scaling, 144 DPI) once
#     more in a prefix of its own.
# Extra arguments go to every ctest run (e.g. -R wininet). Each part prints
# how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

part_start=$SECONDS
part() {  # name of the part that just ended
  echo "test-windows: $1 took $((SECONDS - part_start)) s"
  part_start=$SECONDS
}

bash scripts/install-windows-deps.sh --wine

# Wine takes its ANSI code page from the locale, which must exist.
if ! locale -a | grep -qix 'zh_CN.utf8' || ! locale -a | grep -qix 'en_US.utf8'; then
  "${sudo_cmd[@]}" sed -i -E 's/^# *((en_US|zh_CN)\.UTF-8 UTF-8)/\1/' /etc/locale.gen
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi

bash scripts/build-windows-deps.sh i686-w64-mingw32

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# The simulator the sign-in and album tests talk to is a Linux program, from
# the Linux build (the one scripts/test.sh makes).
bash scripts/install-deps.sh
host_build="${BUILD_DIR:-build}"
if [ ! -f "$host_build/build.ninja" ]; then
  cmake -S . -B "$host_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWEIBO_WERROR=ON \
    "${launcher[@]}" >/dev/null
fi
cmake --build "$host_build" --target weibo-sim weibo-tls-server
host_sim="$(cd "$host_build" && pwd)/tools/weibo-sim/weibo-sim"
part "packages and the simulator"

# The shipped program is 32-bit; its tests are built with it and run under
# 32-bit Wine. On a machine that cannot run 32-bit code the program is still
# built and checked, and the suite runs on an x86_64 build with the same
# options instead (scripts/windows-test-arch.sh says which, and why).
test_arch=$(bash scripts/windows-test-arch.sh)
windows_build() {  # folder, toolchain, build tests (ON/OFF)
  cmake -S . -B "$1" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/$2" \
    -DCMAKE_BUILD_TYPE=Release -DWEIBO_WERROR=ON -DWEIBO_BUILD_TESTS="$3" \
    -DWEIBO_HOST_SIM="$host_sim" "${launcher[@]}" >/dev/null
  cmake --build "$1"
}
# The shipped program's options (scripts/release-windows.sh).
win32_build="${WIN_BUILD_DIR:-build-win32}"
if [ "$test_arch" = i686 ]; then
  windows_build "$win32_build" mingw-i686.cmake ON
  win_build="$win32_build"
else
  windows_build "$win32_build" mingw-i686.cmake OFF
fi
bash scripts/check-windows-exe.sh "$win32_build/app/weibo-album-downloader.exe" i386
part "i686 build"
if [ "$test_arch" = x86_64 ]; then
  bash scripts/build-windows-deps.sh x86_64-w64-mingw32
  win_build=build-win64
  windows_build "$win_build" mingw-x86_64.cmake ON
  part "x86_64 build"
fi

# The prefix is made once; CJK fonts stand in for the Chinese system fonts
# and Wine draws the window frames itself (scripts/wine-gui-prefix.sh). A
# crash fails its test at once instead of waiting in Wine's debugger.
export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/weibo-wine}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
bash scripts/wine-gui-prefix.sh

# A warm Wine server for the whole run: started cold, every test would pay
# for Wine's start-up. It is stopped however the run ends.
run_suite() {  # locale, ctest arguments
  local lang="$1"
  shift
  echo "== Windows tests under Wine, LANG=$lang"
  export LANG="$lang" LC_ALL="$lang"
  "$wineserver" -p
  "$wine" wineboot </dev/null >/dev/null 2>&1
  local status=0
  (cd "$win_build" && ctest --output-on-failure --timeout 300 "$@") || status=$?
  "$wineserver" -k || true
  return "$status"
}
trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT
run_suite zh_CN.UTF-8 -LE app "$@"
part "tests, code page 936"
run_suite en_US.UTF-8 -LE app "$@"
part "tests, code page 1252"
# The windows need a display; a Wine server started without one must not
# serve them, so each run starts and stops its own.
run_on_display() {  # ctest arguments
  LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    "$1" -p
    "$2" wineboot </dev/null >/dev/null 2>&1
    status=0
    (cd "$3" && ctest --output-on-failure --timeout 300 "${@:4}") || status=$?
    "$1" -k || true
    exit $status' run "$wineserver" "$wine" "$win_build" "$@"
}
echo "== Windows app tests under Wine on a virtual display, LANG=zh_CN.UTF-8"
run_on_display -L app "$@"
part "app tests on a virtual display"
echo "== Windows window tests at 144 DPI"
WINEPREFIX="$WINEPREFIX-144dpi" WEIBO_WINE_DPI=144 bash scripts/wine-gui-prefix.sh
WINEPREFIX="$WINEPREFIX-144dpi" run_on_display -L dpi "$@"
part "window tests at 144 DPI"
