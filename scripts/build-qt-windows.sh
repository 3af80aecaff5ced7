#!/usr/bin/env bash
# Builds Qt for Windows (mingw-w64) from Debian's own qt6-base source, once per
# machine, into a cache that every later run reuses:
#   scripts/build-qt-windows.sh        prints the Qt prefix on its last line
# The prefix is ${XDG_CACHE_HOME:-$HOME/.cache}/qzt-windows/qt6-<version>; pass
# it to CMake as CMAKE_PREFIX_PATH for the window's cross build.
#
# Only what the window and its tests use: Core, Gui, Widgets, Test, the
# Windows platform plugin and the Windows styles, plus the offscreen platform
# for the tests. No OpenGL (the window paints in software, so it runs under
# wine on a bare X server too), no network, SQL, D-Bus, XML or print support.
# Shared libraries, with the C and C++ runtimes and winpthreads linked into
# each DLL, so the installer ships Qt's DLLs and nothing else of the compiler.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

echo "Qt for Windows: the first run builds Qt from source, about 45 minutes on 2 cores;" \
     "later runs reuse the cache."

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
# Where /dev/null is not readable by others, apt's download sandbox user
# cannot run gpgv or write to /dev/null: let apt download as root instead.
apt_options=()
if [ "$(($(stat -c '%a' /dev/null) % 10 & 4))" -eq 0 ]; then
  apt_options=(-o APT::Sandbox::User=root)
fi
apt_updated=
apt_update() {
  if [ -z "$apt_updated" ]; then
    "${sudo[@]}" apt-get "${apt_options[@]}" update -qq
    apt_updated=1
  fi
}

# The host tools (moc, rcc, uic, their CMake packages) must be Debian's Qt of
# the same version as the source, so qt6-base-dev is part of the list.
packages=(
  dpkg-dev xz-utils perl cmake ninja-build ccache
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
  qt6-base-dev qt6-base-dev-tools
)
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt_update
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
fi

debian_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
version=${debian_version#*:}
version=${version%%[+~-]*}

cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/qzt-windows
prefix=$cache_root/qt6-$version
stamp=$prefix/.qzt-built
toolchain=$here/cmake/mingw-w64-x86_64.cmake

# What Qt is configured with. The stamp holds the Debian version and a hash of
# these options and of the compiler's and Windows headers' package versions,
# so a change to any of them rebuilds.
qt_options=(
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DQT_QMAKE_TARGET_MKSPEC=win32-g++
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  # The toolchain's -static-libgcc -static-libstdc++ would still leave
  # libwinpthread-1.dll behind; -static links winpthreads into every DLL too.
  -DCMAKE_SHARED_LINKER_FLAGS=-static -DCMAKE_MODULE_LINKER_FLAGS=-static
  # Nothing from the cross prefix of the project's other libraries.
  -DQZT_WINDOWS_PREFIX=
  -DFEATURE_pkg_config=OFF
  # Software rendering only: no OpenGL, Vulkan, Direct2D plugin. Qt 6.4 builds
  # its DirectWrite 3 font database only with Direct2D, but the Windows
  # platform calls it whenever DirectWrite 3 is on: off too (GDI's font
  # database is the default anyway).
  -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF
  # Modules the window does not use.
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_printsupport=OFF
  -DFEATURE_androiddeployqt=OFF
  # The product picture is decoded by the program's own JPEG reader; PNG
  # (screenshots) is built into QtGui.
  -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
  # Qt's bundled copies, so no zlib1.dll, libpng or pcre2 DLL is needed.
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF
  -DFEATURE_zstd=OFF -DFEATURE_icu=OFF -DFEATURE_glib=OFF
  # FreeType (bundled) is what the offscreen platform draws text with.
  -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF
  -DFEATURE_testlib=ON -DFEATURE_widgets=ON -DFEATURE_accessibility=ON
  # Debian's source leaves out the tablet driver's header (wintab.h: its
  # licence forbids changes), which the Windows platform needs for tablet
  # events; the program takes none.
  -DFEATURE_tabletevent=OFF
)
fingerprint=$( (printf '%s\n' "$debian_version" "${qt_options[@]}"
  dpkg-query -W -f='${Version}\n' g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev) |
  sha256sum | cut -c1-16)
wanted="qt6-base $debian_version $fingerprint"

sources=$cache_root/sources
dsc=$sources/qt6-base_${debian_version#*:}.dsc

# The licence texts go out with Qt's DLLs: Qt's own and Debian's copyright
# file, which says which of them covers which bundled library.
install_licenses() {
  mkdir -p "$prefix/licenses"
  cp "$1"/LICENSES/*.txt "$prefix/licenses/"
  cp "$1/debian/copyright" "$prefix/licenses/debian-copyright"
}

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ]; then
  # A cache built before the licences were copied gets them from the source
  # package kept beside it.
  if [ ! -d "$prefix/licenses" ] && [ -f "$dsc" ]; then
    unpacked=$(mktemp -d)
    dpkg-source -x "$dsc" "$unpacked/src" >/dev/null 2>&1
    install_licenses "$unpacked/src"
    rm -rf "$unpacked"
  fi
  echo "Qt $version for Windows: reusing $prefix"
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache_root"
# Two runs at once (CI and a developer) would build into the same folders.
exec 9>"$cache_root/.qt6-$version.lock"
flock 9
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ]; then
  echo "$prefix"
  exit 0
fi

started=$(date +%s)

# The source package's files stay in the cache (46 MB) so a rebuild with other
# options needs no download.
mkdir -p "$sources"
if [ ! -f "$dsc" ]; then
  if [ -z "$(apt-cache showsrc qt6-base 2>/dev/null)" ]; then
    echo "Adding Debian's source archives (deb-src) to apt's sources"
    if [ ! -f /etc/apt/sources.list.d/debian.sources ]; then
      echo "No /etc/apt/sources.list.d/debian.sources to derive a deb-src entry from;" \
           "add a deb-src line for bookworm by hand." >&2
      exit 1
    fi
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
      "${sudo[@]}" tee /etc/apt/sources.list.d/qzt-debian-src.sources >/dev/null
    apt_updated=
    apt_update
  fi
  (cd "$sources" && apt-get "${apt_options[@]}" source --download-only -qq \
    "qt6-base=$debian_version")
fi

work=$cache_root/build-qt6-$version
rm -rf "$work" "$prefix"
mkdir -p "$work"
echo "Unpacking qt6-base $debian_version (with Debian's patches)"
# apt checked the files against the archive's signed index; dpkg-source's
# complaint that it has no key for the .dsc's own signature goes to the log.
dpkg-source -x "$dsc" "$work/src" >"$work/unpack.log" 2>&1 ||
  { cat "$work/unpack.log" >&2; exit 1; }

launchers=()
if command -v ccache >/dev/null; then
  launchers=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
echo "Configuring Qt $version for mingw-w64 (log: $work/configure.log)"
if ! cmake -S "$work/src" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
  "${launchers[@]}" "${qt_options[@]}" >"$work/configure.log" 2>&1; then
  tail -n 40 "$work/configure.log" >&2
  echo "Configuring Qt failed; the whole log is $work/configure.log" >&2
  exit 1
fi

# Long and heavy: at the lowest priority, so the machine stays usable.
echo "Building Qt $version (log: $work/build.log)"
if ! nice -n "${QZT_QT_NICE:-19}" cmake --build "$work/build" -j "$(nproc)" \
  >"$work/build.log" 2>&1; then
  grep -m 3 -A 30 '^FAILED:' "$work/build.log" >&2 || tail -n 40 "$work/build.log" >&2
  echo "Building Qt failed; the whole log is $work/build.log" >&2
  exit 1
fi
cmake --install "$work/build" >"$work/install.log" 2>&1
install_licenses "$work/src"

# The build tree is several hundred megabytes and never used again.
rm -rf "$work"
echo "$wanted" >"$stamp"
elapsed=$(($(date +%s) - started))
echo "Qt $version for Windows built in $((elapsed / 60)) min $((elapsed % 60)) s: $prefix" \
     "($(du -sh "$prefix" | cut -f1))"
echo "$prefix"
