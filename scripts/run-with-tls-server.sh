#!/usr/bin/env bash
# Runs a command beside two HTTPS servers on 127.0.0.1 (weibo-tls-server, a
# Linux program), for the Windows build's TLS tests under Wine. It makes, in a
# temporary folder, two self-signed certificates for 127.0.0.1, one for each
# server. The command gets:
#   WEIBO_TLS_TRUSTED_PORT    port of the server whose certificate is to be trusted
#   WEIBO_TLS_UNTRUSTED_PORT  port of the server whose certificate nothing trusts
#   WEIBO_TLS_CA              the first certificate, DER in base64
# The command itself decides where that certificate is trusted (the TLS test
# adds it to its Wine prefix's root store and removes it again). A
# certificate signed by an authority of the test's would not do under Wine:
# its revocation cannot be checked, which WinINet reports as an error. The
# servers stop when the command ends; its exit code passes through.
#   scripts/run-with-tls-server.sh <weibo-tls-server> <command> [args...]
set -euo pipefail
server=$1
shift
dir=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$dir"
}
trap cleanup EXIT

# Self-signed certificates for 127.0.0.1: one the test trusts (a root of its
# own, so no revocation check applies to it), and one nothing trusts.
for name in trusted untrusted; do
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$dir/$name.key" -out "$dir/$name.pem" \
    -days 2 -subj "/CN=127.0.0.1" -addext "subjectAltName=DNS:127.0.0.1,IP:127.0.0.1" \
    -addext "extendedKeyUsage=serverAuth" 2>/dev/null
done

start_server() {  # name; prints the port
  "$server" "$dir/$1.pem" "$dir/$1.key" >"$dir/$1.out" 2>&1 &
  pids+=($!)
  local port=
  for _ in $(seq 1 100); do
    port=$(sed -n 's/^port //p' "$dir/$1.out")
    if [ -n "$port" ]; then break; fi
    sleep 0.05
  done
  if [ -z "$port" ]; then
    echo "run-with-tls-server: the $1 server did not start:" >&2
    cat "$dir/$1.out" >&2
    exit 1
  fi
  eval "$2=$port"
}
trusted_port= untrusted_port=
start_server trusted trusted_port
start_server untrusted untrusted_port
export WEIBO_TLS_TRUSTED_PORT=$trusted_port WEIBO_TLS_UNTRUSTED_PORT=$untrusted_port
WEIBO_TLS_CA=$(openssl x509 -in "$dir/trusted.pem" -outform der | base64 -w0)
export WEIBO_TLS_CA
status=0
"$@" || status=$?
exit "$status"
