#!/usr/bin/env bash
# Runs a command on a private session bus with a keyring of its own: a fresh
# home folder in a temporary directory (so no keyring of the user is used),
# gnome-keyring-daemon serving the Secret Service, unlocked with a test
# password. Usage: with_test_keyring.sh COMMAND [ARGS...]
set -euo pipefail

if [ -z "${WEIBO_IN_TEST_BUS:-}" ]; then
  home=$(mktemp -d)
  trap 'rm -rf "$home"' EXIT
  status=0
  HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/run" \
    WEIBO_IN_TEST_BUS=1 dbus-run-session -- "$0" "$@" || status=$?
  exit "$status"
fi

mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
printf 'test-password' | gnome-keyring-daemon --foreground --unlock --components=secrets \
  >/dev/null 2>&1 &
daemon=$!
# The daemon takes its bus name shortly after it starts.
for _ in $(seq 1 50); do
  if dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
      org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |
      grep -q 'boolean true'; then
    break
  fi
  sleep 0.1
done
status=0
"$@" || status=$?
kill "$daemon" 2>/dev/null || true
wait "$daemon" 2>/dev/null || true
exit "$status"
