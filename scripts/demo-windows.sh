#!/usr/bin/env bash
# The Windows program (the 32-bit build, as it ships) under Wine
# against the simulated service, as scripts/demo.sh does for the Linux
# program: builds weibo-sim (Linux, in BUILD_DIR, default build) and the
# program with every host of the service at 127.0.0.1:PORT (in WIN_BUILD_DIR,
# default build-win32-demo), starts the simulator with automatic QR
# confirmation and then the program on the current display. Sign-in, the
# album list and downloads (right-click an album) work as on Windows; the
# pictures go beside the program, in WIN_BUILD_DIR/app/. The simulator stops
# when the program ends. Settings: WEIBO_DEMO_PORT (8960),
# WEIBO_DEMO_AUTO_CONFIRM_MS (6000), WINEPREFIX (~/.cache/weibo-wine).
#   scripts/demo-windows.sh             (on a desktop, or: xvfb-run -a scripts/demo-windows.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
port=${WEIBO_DEMO_PORT:-8960}
build_dir=${BUILD_DIR:-build}
arch=$(bash scripts/windows-test-arch.sh)  # i686, or x86_64 where 32-bit code cannot run
triple=$arch-w64-mingw32
win_build_dir=${WIN_BUILD_DIR:-build-win32-demo}
if [ "$arch" = x86_64 ]; then win_build_dir=${WIN_BUILD_DIR:-build-win64-demo}; fi
auto_confirm_ms=${WEIBO_DEMO_AUTO_CONFIRM_MS:-6000}
host=127.0.0.1:$port
if [ -z "${DISPLAY:-}" ]; then
  echo "demo-windows: no display (run it under xvfb-run -a for a virtual one)" >&2
  exit 1
fi
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8  # Wine's ANSI code page 936
export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/weibo-wine}"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build_dir" --target weibo-sim
bash scripts/build-windows-deps.sh "$triple" >/dev/null
cmake -S . -B "$win_build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DWEIBO_BUILD_TESTS=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/mingw-$arch.cmake" \
  -DWEIBO_SIGNON_HOST="$host" -DWEIBO_MAIN_HOST="$host" -DWEIBO_MAIN_DOMAIN=127.0.0.1 \
  -DWEIBO_PHOTO_HOST="$host" -DWEIBO_STATIC_HOST="$host" \
  -DWEIBO_AUTHOR_PROFILE_URL="http://$host/u/1000000005" \
  -DWEIBO_AUTHOR_FORUM_URL="http://$host/forum" >/dev/null
cmake --build "$win_build_dir" --target weibo-album-downloader
bash scripts/wine-gui-prefix.sh

sim_args=(--port "$port")
if [ "$auto_confirm_ms" != 0 ]; then sim_args+=(--auto-confirm "$auto_confirm_ms"); fi
"$build_dir/tools/weibo-sim/weibo-sim" "${sim_args[@]}" >/dev/null &
sim_pid=$!
stop_sim() {
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
}
trap stop_sim EXIT
for _ in $(seq 1 100); do
  if ! kill -0 "$sim_pid" 2>/dev/null; then
    echo "demo-windows: the simulator did not start (is port $port in use?)" >&2
    exit 1
  fi
  if curl -s -o /dev/null "http://$host/"; then break; fi
  sleep 0.1
done

status=0
/usr/lib/wine/wine64 "$win_build_dir/app/weibo-album-downloader.exe" || status=$?
/usr/lib/wine/wineserver -w
exit "$status"
