#!/usr/bin/env bash
# Prints which build the Windows tests and the demo run under Wine: i686 (the
# shipped 32-bit program, under 32-bit Wine) when this machine runs 32-bit
# code, else x86_64 (the same source and options, under 64-bit Wine). Some
# virtual machines cannot run 32-bit code at all: Wine's 32-bit loader then
# fails with "Exec format error". The fallback is said on standard error.
# WEIBO_WINDOWS_TEST_ARCH (i686 or x86_64) chooses by hand.
set -euo pipefail
if [ -n "${WEIBO_WINDOWS_TEST_ARCH:-}" ]; then
  echo "$WEIBO_WINDOWS_TEST_ARCH"
elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo i686
else
  echo "NOTE: this machine cannot run 32-bit programs (/usr/lib/wine/wine does not" \
    "start); the x86_64 build of the same source and options runs under Wine instead" \
    "of the shipped i686 program" >&2
  echo x86_64
fi
