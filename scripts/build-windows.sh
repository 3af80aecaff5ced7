#!/usr/bin/env bash
# Cross-builds the Windows version on Debian with mingw-w64:
#   scripts/build-windows.sh [DIR [CMAKE OPTIONS...]]
# (DIR defaults to build-windows; options are passed to CMake after ours, so
# `-DQZT_GUI=ON -DCMAKE_PREFIX_PATH=<Qt for Windows>` builds the window too).
#
# Installs what it needs from Debian, cross-builds GoogleTest and
# libjpeg-turbo from Debian's own source packages once into a cache
# (${XDG_CACHE_HOME:-~/.cache}/qzt-windows/prefix, rebuilt when a package
# version changes), puts the header-only libraries' headers beside them and
# starts a persistent wineserver, since the build runs programs under wine.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-windows}
shift || true

cache=${XDG_CACHE_HOME:-$HOME/.cache}/qzt-windows
prefix=$cache/prefix
export WINEPREFIX=${WINEPREFIX:-$cache/wine}
export WINEDEBUG=${WINEDEBUG:--all}
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
# apt's download user cannot open a /dev/null that is not world-readable.
apt_options=()
if [ ! -r /dev/null ] || [ "$(stat -c %a /dev/null)" != 666 ]; then
  apt_options=(-o APT::Sandbox::User=root)
fi

install_packages() {
  local packages=(
    cmake ninja-build ccache dpkg-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    wine wine64 nsis xvfb
    libsimpleini-dev libcli11-dev nlohmann-json3-dev
  )
  local missing=()
  for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get "${apt_options[@]}" update -qq
  "${sudo[@]}" apt-get "${apt_options[@]}" install -y -qq --no-install-recommends "${missing[@]}"
}

# apt-get source needs Debian's source lists.
ensure_source_lists() {
  if grep -rqs '^Types: *deb-src' /etc/apt/sources.list.d/ ||
    grep -qs '^deb-src' /etc/apt/sources.list; then
    return
  fi
  "${sudo[@]}" tee /etc/apt/sources.list.d/debian-src.sources >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  "${sudo[@]}" apt-get "${apt_options[@]}" update -qq
}

source_version() {
  apt-cache showsrc --only-source "$1" 2>/dev/null | awk '/^Version:/ { print $2; exit }'
}

# GoogleTest and libjpeg-turbo (static, no SIMD: no nasm for Windows
# objects) from Debian's sources, keyed by their versions and the compiler's.
build_prefix() {
  local gtest jpeg compiler key
  gtest=$(source_version googletest)
  jpeg=$(source_version libjpeg-turbo)
  if [ -z "$gtest" ] || [ -z "$jpeg" ]; then
    ensure_source_lists
    "${sudo[@]}" apt-get "${apt_options[@]}" update -qq
    gtest=$(source_version googletest)
    jpeg=$(source_version libjpeg-turbo)
  fi
  compiler=$(x86_64-w64-mingw32-g++-posix -dumpfullversion)
  key="googletest=$gtest libjpeg-turbo=$jpeg mingw-g++=$compiler"
  if [ -f "$prefix/.versions" ] && [ "$(cat "$prefix/.versions")" = "$key" ]; then
    return
  fi
  echo "== Cross-building the libraries for Windows ($key)"
  ensure_source_lists
  local work
  work=$(mktemp -d)
  trap 'rm -rf "$work"' RETURN
  rm -rf "$prefix"
  (cd "$work" && apt-get "${apt_options[@]}" source -qq googletest libjpeg-turbo >/dev/null 2>&1)
  local common=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX="$prefix" -DQZT_WINDOWS_PREFIX="$prefix")
  cmake -S "$work"/googletest-*/ -B "$work/gtest-build" "${common[@]}" \
    -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON >/dev/null
  cmake --build "$work/gtest-build" -j "$(nproc)" >/dev/null
  cmake --install "$work/gtest-build" >/dev/null
  cmake -S "$work"/libjpeg-turbo-*/ -B "$work/jpeg-build" "${common[@]}" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF >/dev/null
  cmake --build "$work/jpeg-build" -j "$(nproc)" >/dev/null
  cmake --install "$work/jpeg-build" >/dev/null
  echo "$key" >"$prefix/.versions"
}

# Header-only CLI11, nlohmann-json and SimpleIni: their headers alone. Debian's
# CMake configs would add /usr/include, and Linux headers, to the build.
copy_headers() {
  local include=$prefix/include
  mkdir -p "$include"
  cp -ru /usr/include/CLI /usr/include/nlohmann "$include/"
  cp -u /usr/include/SimpleIni.h "$include/"
}

# The build runs programs under wine (the default image's generator, the
# tests' discovery): a persistent wineserver, its output away from the
# build's pipes, or ninja waits for it for ever.
start_wine() {
  mkdir -p "$WINEPREFIX"
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine wineboot -i </dev/null >/dev/null 2>&1 || true
}

install_packages
build_prefix
copy_headers
start_wine

# Paths relative to the checkout, and the folder left out of the hash
# (debug information would put it in), so that clones in other folders,
# as CI makes them, share the cache.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -G Ninja "${launcher[@]}" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQZT_WINDOWS_PREFIX="$prefix" -DQZT_GUI=OFF "$@" >/dev/null
else
  cmake -S . -B "$dir" "$@" >/dev/null
fi
cmake --build "$dir" -j "$(nproc)"
