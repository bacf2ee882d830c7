#!/usr/bin/env bash
# Saves pictures of the tool's windows and dialogs, drawn on a virtual X
# display, for review: sign-in.png, main.png, main-albums.png, popup.png,
# input-box.png, message-box.png and image-list.png.
#   scripts/screenshots.sh [output folder]   (default: <build dir>/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
out_dir=${1:-$build_dir/screenshots}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --target weibo-app-screenshots
xvfb-run -a -s "-screen 0 1280x1024x24" "$build_dir/app/weibo-app-screenshots" "$out_dir"
