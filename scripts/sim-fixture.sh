#!/usr/bin/env bash
# Starts or stops a weibo-sim program for the Windows tests, which run under
# Wine and reach it over 127.0.0.1. CTest runs it as a fixture:
#   sim-fixture.sh start SIM_PROGRAM STATE_DIR [SIM_OPTION...]   starts the
#       simulator on a free port (QR codes confirm themselves after 200 ms),
#       with the extra options given (e.g. --rate-limit 20:10), and writes the
#       hosts it serves to STATE_DIR/endpoints, one "WEIBO_..._HOST=host:port"
#       a line
#   sim-fixture.sh stop STATE_DIR                stops it
set -euo pipefail
action="$1"
if [ "$action" = start ]; then
  sim="$2" state="$3"
  shift 3
  mkdir -p "$state"
  rm -f "$state/endpoints" "$state/sim.log"
  # Detached, with no pipe of CTest's held open, so the start test can end.
  setsid stdbuf -oL "$sim" --port 0 --auto-confirm 200 "$@" </dev/null >"$state/sim.log" 2>&1 &
  echo $! >"$state/pid"
  for _ in $(seq 100); do
    if grep -q -- '-DWEIBO_STATIC_HOST=' "$state/sim.log"; then
      sed -n 's/^ *-D\(WEIBO_[A-Z_]*=.*\)$/\1/p' "$state/sim.log" >"$state/endpoints"
      exit 0
    fi
    sleep 0.1
  done
  echo "weibo-sim did not start:" >&2
  cat "$state/sim.log" >&2
  exit 1
elif [ "$action" = stop ]; then
  state="$2"
  if [ -f "$state/pid" ]; then
    kill "$(cat "$state/pid")" 2>/dev/null || true
    rm -f "$state/pid"
  fi
else
  echo "usage: $0 start SIM_PROGRAM STATE_DIR [SIM_OPTION...] | stop STATE_DIR" >&2
  exit 2
fi
