#!/usr/bin/env bash
# Runs a command beside a freshly started simulated service: starts weibo-sim
# (a Linux program) on free ports of 127.0.0.1 with automatic QR
# confirmation, passes its address to the command as WEIBO_E2E_HOST
# ("127.0.0.1:port"), and stops the simulator when the command ends. The
# command's exit code passes through. Used by the Windows build's end-to-end
# test, which runs under Wine.
#   scripts/run-with-sim.sh <weibo-sim> <command> [args...]
set -euo pipefail
sim=$1
shift
out=$(mktemp)
"$sim" --port 0 --auto-confirm 300 >"$out" 2>&1 &
sim_pid=$!
stop_sim() {
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  rm -f "$out"
}
trap stop_sim EXIT
host=
for _ in $(seq 1 100); do
  host=$(sed -n 's/^  -DWEIBO_SIGNON_HOST=//p' "$out")
  if [ -n "$host" ]; then break; fi
  if ! kill -0 "$sim_pid" 2>/dev/null; then
    echo "run-with-sim: the simulator did not start:" >&2
    cat "$out" >&2
    exit 1
  fi
  sleep 0.1
done
if [ -z "$host" ]; then
  echo "run-with-sim: the simulator printed no address" >&2
  exit 1
fi
status=0
WEIBO_E2E_HOST=$host "$@" || status=$?
exit "$status"
