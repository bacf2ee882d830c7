#!/usr/bin/env bash
# Starts the whole program again and again on a virtual display: each run
# signs in against the simulated service (which confirms the QR code by
# itself), waits until the signed-in user's albums are listed and closes the
# main window. A run fails when the program does not end with code 0 once
# its window is closed, or prints a sanitizer report; its output is kept in
# BUILD_DIR/startup-loop/run-N.log.
#
#   scripts/startup-loop.sh [RUNS]        (default 300)
#
# BUILD_DIR (default build-asan) must have been configured with every host
# of the service at 127.0.0.1:WEIBO_LOOP_PORT (default 18979), as
# scripts/sanitize.sh does; the script builds what it needs there.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-300}
build_dir=${BUILD_DIR:-build-asan}
port=${WEIBO_LOOP_PORT:-18979}

if [ -z "${WEIBO_LOOP_IN_XVFB:-}" ]; then
  export WEIBO_LOOP_IN_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

cmake --build "$build_dir" --target weibo-album-downloader weibo-sim x11-close-window >/dev/null
app="$build_dir/app/weibo-album-downloader"
logs="$build_dir/startup-loop"
rm -rf "$logs"
mkdir -p "$logs"

"$build_dir/tools/weibo-sim/weibo-sim" --port "$port" --auto-confirm 200 >"$logs/sim.log" 2>&1 &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
  if curl -s -o /dev/null "http://127.0.0.1:$port/"; then break; fi
  sleep 0.1
done

export QT_QPA_PLATFORM=xcb
failures=0
start=$SECONDS
# Each run starts without a kept session, so that each one signs in by QR
# code; nothing is kept in the user's own keyring or state folder.
export XDG_STATE_HOME="$(pwd)/$logs/state" DBUS_SESSION_BUS_ADDRESS=
for run in $(seq 1 "$runs"); do
  log="$logs/run-$run.log"
  rm -rf "$XDG_STATE_HOME"
  "$app" >"$log" 2>&1 &
  app_pid=$!
  closed=yes
  "$build_dir/tests/app/x11-close-window" " - 微相册" 90000 || closed=no
  code=0
  for _ in $(seq 1 100); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$app_pid" 2>/dev/null; then
    kill -9 "$app_pid" 2>/dev/null || true
    echo "still running after the close" >>"$log"
  fi
  wait "$app_pid" || code=$?
  if [ "$closed" = no ] || [ "$code" -ne 0 ] || grep -q 'Sanitizer\|runtime error' "$log"; then
    failures=$((failures + 1))
    echo "startup-loop: run $run failed (exit $code, window closed: $closed), see $log"
  else
    rm -f "$log"
  fi
done
echo "startup-loop: $runs runs, $failures failed, $((SECONDS - start)) s"
[ "$failures" -eq 0 ]
