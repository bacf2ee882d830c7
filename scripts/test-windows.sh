#!/usr/bin/env bash
# Builds the Windows targets with MinGW-w64 and runs the Windows test suite
# under Wine, on Debian 12:
#   - installs what is missing (MinGW-w64, wine64, the locales, a CJK font);
#   - builds json-c for Windows from Debian's source (scripts/build-windows-deps.sh);
#   - builds build-win32/ (i686, what ships: the libraries and the program,
#     whose file it checks: scripts/check-windows-exe.sh) and build-win64/
#     (x86_64, with the tests: 32-bit programs cannot run here);
#   - runs the tests through CTest under wine64 twice, without a display:
#     with Wine's ANSI code page 936 (zh_CN.UTF-8) and with 1252 (en_US.UTF-8),
#     all but the app label;
#   - runs the app label (the Win32 windows and the program end to end against
#     the simulator) once, with code page 936, on a virtual display (xvfb-run),
#     and the window test once more at 150 % scaling (144 DPI, a prefix of its
#     own).
# Extra arguments go to every ctest run (e.g. -R wininet).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

bash scripts/install-windows-deps.sh --wine

# Wine takes its ANSI code page from the locale, which must exist.
if ! locale -a | grep -qix 'zh_CN.utf8' || ! locale -a | grep -qix 'en_US.utf8'; then
  "${sudo_cmd[@]}" sed -i -E 's/^# *((en_US|zh_CN)\.UTF-8 UTF-8)/\1/' /etc/locale.gen
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi

bash scripts/build-windows-deps.sh

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
configure() {  # build folder, toolchain, build type, extra options
  local build="$1" toolchain="$2" type="$3"
  shift 3
  cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/$toolchain" \
    -DCMAKE_BUILD_TYPE="$type" -DWEIBO_WERROR=ON "${launcher[@]}" "$@" >/dev/null
}

# The simulator the sign-in and album tests talk to is a Linux program, from
# the Linux build (the one scripts/test.sh makes).
bash scripts/install-deps.sh
host_build="${BUILD_DIR:-build}"
if [ ! -f "$host_build/build.ninja" ]; then
  cmake -S . -B "$host_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWEIBO_WERROR=ON >/dev/null
fi
cmake --build "$host_build" --target weibo-sim
host_sim="$(cd "$host_build" && pwd)/tools/weibo-sim/weibo-sim"

configure build-win32 mingw-i686.cmake Release -DWEIBO_BUILD_TESTS=OFF
# The tests are built without optimisation: MinGW's GCC 12 at -O3 reports a
# false -Wrestrict in std::string inside GoogleTest-based tests.
configure build-win64 mingw-x86_64.cmake "" -DWEIBO_BUILD_TESTS=ON -DWEIBO_HOST_SIM="$host_sim"
cmake --build build-win32
bash scripts/check-windows-exe.sh build-win32/app/weibo-album-downloader.exe i386
cmake --build build-win64

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
  (cd build-win64 && ctest --output-on-failure --timeout 300 "$@") || status=$?
  "$wineserver" -k || true
  return "$status"
}
trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT
run_suite zh_CN.UTF-8 -LE app "$@"
run_suite en_US.UTF-8 -LE app "$@"
# The windows need a display; a Wine server started without one must not
# serve them, so each run starts and stops its own.
run_on_display() {  # ctest arguments
  LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    "$1" -p
    "$2" wineboot </dev/null >/dev/null 2>&1
    status=0
    (cd build-win64 && ctest --output-on-failure --timeout 300 "${@:3}") || status=$?
    "$1" -k || true
    exit $status' run "$wineserver" "$wine" "$@"
}
echo "== Windows app tests under Wine on a virtual display, LANG=zh_CN.UTF-8"
run_on_display -L app "$@"
echo "== Windows window test at 144 DPI"
WINEPREFIX="$WINEPREFIX-144dpi" WEIBO_WINE_DPI=144 bash scripts/wine-gui-prefix.sh
WINEPREFIX="$WINEPREFIX-144dpi" run_on_display -R '^app_win32_windows_test$' "$@"
