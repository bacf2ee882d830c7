#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang and libFuzzer (in build-fuzz/)
# and runs each one for FUZZ_SECONDS seconds (default 20), starting from its
# seed corpus and its kept findings. Fails when a target breaks a rule or
# crashes; the input that did it is left in build-fuzz/findings/NAME/.
# Arguments: the targets to run (default: all), e.g. scripts/fuzz.sh json cookies
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-20}
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(json jsonp cookies header_text encoding reencode_image path_names profile_value)
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DWEIBO_FUZZ=ON \
  -DWEIBO_BUILD_TESTS=OFF -DWEIBO_BUILD_BENCH=OFF -DWEIBO_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build "$build_dir" --target "${targets[@]/%/-fuzzer}"

# Leaks are checked by the sanitizer suite; here they would only stop the
# fuzzer at exit on the image codecs' caches.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export QT_QPA_PLATFORM=offscreen
failed=()
for target in "${targets[@]}"; do
  work="$build_dir/corpus/$target"
  findings="$build_dir/findings/$target"
  mkdir -p "$work" "$findings"
  start=$SECONDS
  # New inputs go to the work corpus (the first folder); the seeds and the
  # kept findings in the repository are only read.
  inputs=("$work" "fuzz/corpus/$target")
  if [ -d "fuzz/findings/$target" ]; then inputs+=("fuzz/findings/$target"); fi
  if "$build_dir/fuzz/$target-fuzzer" "${inputs[@]}" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
      -artifact_prefix="$findings/" -print_final_stats=1 >"$build_dir/$target.log" 2>&1; then
    echo "fuzz $target: passed ($((SECONDS - start)) s, $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$build_dir/$target.log" | grep -o '[0-9]*$') inputs)"
  else
    echo "fuzz $target: FAILED, see $build_dir/$target.log and $findings/"
    grep -A3 'RULE BROKEN\|ERROR: ' "$build_dir/$target.log" | head -20 || true
    failed+=("$target")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]}"
  exit 1
fi
