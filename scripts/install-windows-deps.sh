#!/usr/bin/env bash
# Installs the Debian packages the Windows build needs and that are missing
# (through sudo when not root): MinGW-w64, CMake and Ninja, and dpkg-dev for
# json-c's source package. With --wine, also what the Windows tests need:
# 64-bit Wine and the 32-bit Wine that runs the 32-bit program (wine32:i386,
# after adding the i386 architecture to dpkg), the locales, a CJK font and a
# virtual display.
set -euo pipefail

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

packages=(cmake ninja-build ccache g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix dpkg-dev)
update_needed=false
if [ "${1:-}" = --wine ]; then
  # libgnutls30:i386 is what 32-bit Wine speaks TLS with (only recommended).
  packages+=(wine64 wine32:i386 libgnutls30:i386 fonts-wine locales fonts-wqy-microhei xvfb xauth openssl)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
    update_needed=true
  fi
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ] || "$update_needed"; then
  "${sudo_cmd[@]}" apt-get update </dev/null
fi
if [ "${#missing[@]}" -gt 0 ]; then
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${missing[@]}" </dev/null
fi
