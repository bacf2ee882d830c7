#!/usr/bin/env bash
# Installs the Debian 12 packages that the build, the tests, the simulator
# and the headless screenshots need. Runs as root or through sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev libcurl4-openssl-dev libjson-c-dev libicu-dev
  # the kept session in the keyring, and a keyring of its own for its test
  qtkeychain-qt6-dev gnome-keyring dbus-daemon dbus-bin
  libgtest-dev libgmock-dev
  libcpp-httplib-dev libqrencode-dev
  xvfb xauth fonts-wqy-microhei curl ca-certificates
  # fuzz targets (clang's libFuzzer) and the start-up loop's window closer
  clang libclang-rt-14-dev libxcb1-dev
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" </dev/null
fi
