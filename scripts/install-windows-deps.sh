#!/usr/bin/env bash
# Installs the Debian packages the Windows build needs and that are missing
# (through sudo when not root): MinGW-w64, CMake and Ninja, and dpkg-dev for
# json-c's source package. With --wine, also what the Windows tests need:
# wine64, the locales, a CJK font and a virtual display.
set -euo pipefail

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

packages=(cmake ninja-build ccache g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix dpkg-dev)
if [ "${1:-}" = --wine ]; then
  packages+=(wine64 fonts-wine locales fonts-wqy-microhei xvfb xauth)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  "${sudo_cmd[@]}" apt-get update </dev/null
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${missing[@]}" </dev/null
fi
