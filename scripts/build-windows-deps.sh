#!/usr/bin/env bash
# Builds the libraries the Windows build needs and Debian does not ship for
# MinGW: json-c, from Debian's own source package, as a static library for
# each Windows target. The results go to a cache folder outside the source
# tree (WEIBO_WINDOWS_DEPS, default ~/.cache/weibo-windows-deps), where the
# toolchain files in cmake/toolchains/ find them. A library already built is
# not built again. Nothing is fetched from anywhere but Debian's archive.
#
#   scripts/build-windows-deps.sh [triple...]   (default: both targets)
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
deps="${WEIBO_WINDOWS_DEPS:-${XDG_CACHE_HOME:-$HOME/.cache}/weibo-windows-deps}"
triples=("$@")
if [ "${#triples[@]}" -eq 0 ]; then triples=(x86_64-w64-mingw32 i686-w64-mingw32); fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

# apt-get source needs deb-src entries; Debian 12 keeps its list in deb822 form.
ensure_deb_src() {
  local sources=/etc/apt/sources.list.d/debian.sources
  if grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return
  fi
  if [ -f "$sources" ]; then
    "${sudo_cmd[@]}" sed -i 's/^Types: deb$/Types: deb deb-src/' "$sources"
  else
    echo "no deb-src entry and no $sources to add one to" >&2
    exit 1
  fi
  "${sudo_cmd[@]}" apt-get update </dev/null >&2
}

# The unpacked json-c source package, fetched once.
json_c_source() {
  local src="$deps/src"
  local dir
  dir="$(find "$src" -maxdepth 1 -type d -name 'json-c-*' 2>/dev/null | sort | tail -n 1)"
  if [ -z "$dir" ]; then
    ensure_deb_src
    mkdir -p "$src"
    (cd "$src" && apt-get source json-c </dev/null >&2)
    dir="$(find "$src" -maxdepth 1 -type d -name 'json-c-*' | sort | tail -n 1)"
  fi
  echo "$dir"
}

build_json_c() {
  local triple="$1" source="$2"
  local prefix="$deps/$triple"
  local toolchain="$root/cmake/toolchains/mingw-${triple%%-*}.cmake"
  if [ -f "$prefix/lib/cmake/json-c/json-c-config.cmake" ]; then return; fi
  local build="$deps/build/json-c-$triple"
  rm -rf "$build"
  cmake -S "$source" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DWEIBO_WINDOWS_DEPS="$deps" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_TESTING=OFF \
    -DBUILD_APPS=OFF -DDISABLE_WERROR=ON >/dev/null
  cmake --build "$build" >/dev/null
  cmake --install "$build" >/dev/null
}

source_dir="$(json_c_source)"
for triple in "${triples[@]}"; do
  build_json_c "$triple" "$source_dir"
  echo "json-c for $triple: $deps/$triple"
done
