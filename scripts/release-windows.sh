#!/usr/bin/env bash
# Builds the program for 32-bit Windows (i686, static, GUI subsystem) against
# the real service, checks that it imports only Windows' own DLLs, and packs
# it with a short read-me in Chinese and English into
# dist/weibo-album-downloader-<version>-win32.zip. Installs the Debian
# packages it needs first (scripts/install-windows-deps.sh).
#   scripts/release-windows.sh        (build folder: BUILD_DIR, default build-win32)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-win32}
triple=i686-w64-mingw32

bash scripts/install-windows-deps.sh
bash scripts/build-windows-deps.sh "$triple" >/dev/null
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-i686.cmake -DWEIBO_BUILD_TESTS=OFF \
  -DWEIBO_WERROR=ON >/dev/null
cmake --build "$build_dir" --target weibo-album-downloader
exe="$build_dir/app/weibo-album-downloader.exe"
bash scripts/check-windows-exe.sh "$exe" i386

version=$(sed -n 's/^project(weibo_album_downloader VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
stage="$build_dir/release/weibo-album-downloader-$version-win32"
rm -rf "$stage"
mkdir -p "$stage" dist
"$triple-strip" -o "$stage/weibo-album-downloader.exe" "$exe"
# The read-me as Notepad likes it: UTF-8 with a byte order mark, CRLF lines.
{ printf '\xef\xbb\xbf'; sed 's/$/\r/' app/win32/resources/README.txt; } >"$stage/README.txt"
zip="$PWD/dist/weibo-album-downloader-$version-win32.zip"
rm -f "$zip"
(cd "$build_dir/release" && cmake -E tar cf "$zip" --format=zip "$(basename "$stage")")
echo "$zip"
