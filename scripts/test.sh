#!/usr/bin/env bash
# Installs the Debian packages that are missing (through sudo when not
# root), configures, builds (warnings are errors) and runs every test.
# Extra arguments go to ctest, e.g. scripts/test.sh -L web
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWEIBO_WERROR=ON
cmake --build "$build_dir"
ctest --test-dir "$build_dir" --output-on-failure --timeout 300 "$@"
