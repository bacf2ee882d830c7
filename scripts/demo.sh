#!/usr/bin/env bash
# Shows the whole tool working without the real service: installs what is
# missing, builds the tool with every host of the service pointed at the
# simulated service on 127.0.0.1, starts the simulator in the background and
# then the tool. The simulator stops when the tool's window is closed.
#
# The simulator confirms each QR code by itself a few seconds after it is
# shown (WEIBO_DEMO_AUTO_CONFIRM_MS, 0 to confirm by hand on the phone page it
# prints). Other settings: WEIBO_DEMO_PORT (8960), BUILD_DIR (build-demo).
set -euo pipefail
cd "$(dirname "$0")/.."
port=${WEIBO_DEMO_PORT:-8960}
build_dir=${BUILD_DIR:-build-demo}
auto_confirm_ms=${WEIBO_DEMO_AUTO_CONFIRM_MS:-6000}
host=127.0.0.1:$port

bash scripts/install-deps.sh

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWEIBO_BUILD_TESTS=OFF \
  -DWEIBO_SIGNON_HOST="$host" -DWEIBO_MAIN_HOST="$host" -DWEIBO_MAIN_DOMAIN=127.0.0.1 \
  -DWEIBO_PHOTO_HOST="$host" -DWEIBO_STATIC_HOST="$host" \
  -DWEIBO_AUTHOR_PROFILE_URL="http://$host/u/1000000005" \
  -DWEIBO_AUTHOR_FORUM_URL="http://$host/forum"
cmake --build "$build_dir" --target weibo-sim weibo-album-downloader

sim_args=(--port "$port")
if [ "$auto_confirm_ms" != 0 ]; then sim_args+=(--auto-confirm "$auto_confirm_ms"); fi
"$build_dir/tools/weibo-sim/weibo-sim" "${sim_args[@]}" &
sim_pid=$!
stop_sim() {
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
}
trap stop_sim EXIT

# Wait until the simulator answers (or has failed to start).
for _ in $(seq 1 100); do
  if ! kill -0 "$sim_pid" 2>/dev/null; then
    echo "demo: the simulator did not start (is port $port in use?)" >&2
    exit 1
  fi
  if curl -s -o /dev/null "http://$host/"; then break; fi
  sleep 0.1
done

# The tool saves downloads beside its executable, in the build folder. The
# demo's session (the simulator's cookies) is kept in the build folder too,
# never in your own keyring or state folder; the simulator forgets its
# sessions when it stops, so the next demo signs in by QR code again.
XDG_STATE_HOME="$(cd "$build_dir" && pwd)/state" DBUS_SESSION_BUS_ADDRESS= \
  "$build_dir/app/weibo-album-downloader"
