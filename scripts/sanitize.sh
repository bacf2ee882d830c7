#!/usr/bin/env bash
# The test suite under the sanitizers, each build in a folder of its own:
#   address: AddressSanitizer + UndefinedBehaviorSanitizer (build-asan), the
#            whole suite, then STARTUP_RUNS (default 20) runs of the start-up
#            loop (scripts/startup-loop.sh) on a virtual display;
#   thread:  ThreadSanitizer (build-tsan), the tests of the worker pool, the
#            downloads, the status bar and the sign-in.
# Any sanitizer report fails the run. Suppressions, each with its reason,
# are in scripts/sanitizers/. Arguments: address, thread or both (default).
set -euo pipefail
cd "$(dirname "$0")/.."
parts=("$@")
if [ ${#parts[@]} -eq 0 ]; then parts=(address thread); fi
port=${WEIBO_LOOP_PORT:-18979}
supp=$PWD/scripts/sanitizers

common=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWEIBO_WERROR=ON -DWEIBO_BUILD_BENCH=OFF)
if command -v ccache >/dev/null; then
  common+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

run_address() {
  local host=127.0.0.1:$port
  # The program itself talks to the simulated service of the start-up loop;
  # the tests take their addresses from the simulator they start.
  cmake -S . -B build-asan "${common[@]}" -DWEIBO_SANITIZE=address \
    -DWEIBO_SIGNON_HOST="$host" -DWEIBO_MAIN_HOST="$host" -DWEIBO_MAIN_DOMAIN=127.0.0.1 \
    -DWEIBO_PHOTO_HOST="$host" -DWEIBO_STATIC_HOST="$host" >/dev/null
  cmake --build build-asan
  export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
  export LSAN_OPTIONS=suppressions=$supp/lsan.supp:print_suppressions=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  ctest --test-dir build-asan --output-on-failure --timeout 900
  bash scripts/startup-loop.sh "${STARTUP_RUNS:-20}"
}

run_thread() {
  cmake -S . -B build-tsan "${common[@]}" -DWEIBO_SANITIZE=thread >/dev/null
  local pattern='worker_pool|pool_test|download|albums_e2e|signin'
  mapfile -t tests < <(ctest --test-dir build-tsan -N -R "$pattern" |
                       sed -n 's/^ *Test *#[0-9]*: *//p')
  cmake --build build-tsan --target "${tests[@]}" app_windows_test
  export TSAN_OPTIONS="suppressions=$supp/tsan.supp:halt_on_error=1:second_deadlock_stack=1"
  ctest --test-dir build-tsan --output-on-failure --timeout 900 -R "$pattern"
  # The status bar: workers hand their texts to the user-interface thread.
  QT_QPA_PLATFORM=offscreen build-tsan/tests/app/app_windows_test --gtest_filter='StatusTest.*'
}

for part in "${parts[@]}"; do
  start=$SECONDS
  case "$part" in
    address) run_address ;;
    thread) run_thread ;;
    *) echo "sanitize.sh: unknown part $part (address or thread)" >&2; exit 64 ;;
  esac
  echo "sanitize.sh: $part passed in $((SECONDS - start)) s"
done
