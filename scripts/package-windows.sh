#!/usr/bin/env bash
# Builds the Windows installer of QZT Programmer and tests it under wine:
#   scripts/package-windows.sh
#     -> build-windows-package/QZT-Programmer-<version>-setup.exe
# Qt for Windows comes from scripts/build-qt-windows.sh (built once into a
# cache), the programs from scripts/build-windows.sh with the window. The
# window's tests run under wine on Qt's offscreen platform; then the installer
# is installed silently into a fresh wine prefix, checked and uninstalled.
#
#   scripts/package-windows.sh --stand-in EXE [--data DIR]
# packages EXE under both programs' names instead of building them, with the
# data files (Values.i, Default.b, About.ini) of DIR (default build/bin, the
# Linux build's): for trying the installer without the programs' build.
#
# QZT_QT_PREFIX=<folder> uses a Qt for Windows built elsewhere instead of the
# cache of scripts/build-qt-windows.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

stand_in=
data=build/bin
while [ $# -gt 0 ]; do
  case $1 in
    --stand-in) stand_in=$(realpath "$2"); shift 2 ;;
    --data) data=$2; shift 2 ;;
    *) echo "usage: $0 [--stand-in EXE [--data DIR]]" >&2; exit 2 ;;
  esac
done

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
apt_options=()
if [ "$(($(stat -c '%a' /dev/null) % 10 & 4))" -eq 0 ]; then
  apt_options=(-o APT::Sandbox::User=root)
fi
packages=(nsis wine wine64 binutils-mingw-w64-x86-64 fonts-dejavu-core)
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get "${apt_options[@]}" update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get "${apt_options[@]}" install -y -qq \
    --no-install-recommends "${missing[@]}"
fi

if [ -n "${QZT_QT_PREFIX:-}" ]; then
  qt=$(realpath "$QZT_QT_PREFIX")
else
  qt=$(scripts/build-qt-windows.sh | tail -n 1)
fi
if [ ! -f "$qt/bin/Qt6Core.dll" ]; then
  echo "No Qt for Windows in $qt" >&2
  exit 1
fi
version=$(sed -n 's/^project(qzt-programmer VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/qzt-windows
export WINEPREFIX=${WINEPREFIX:-$cache/wine}
export WINEDEBUG=${WINEDEBUG:--all}
out=$repo/build-windows-package
stage=$out/stage
build=build-windows-gui

if [ -z "$stand_in" ]; then
  if [ ! -x scripts/build-windows.sh ]; then
    echo "scripts/build-windows.sh (the programs' cross build) is not here yet;" \
         "try the installer with --stand-in EXE." >&2
    exit 1
  fi
  echo "== Cross-building both programs with the window"
  scripts/build-windows.sh "$build" -DQZT_GUI=ON -DCMAKE_PREFIX_PATH="$qt" \
    -DCMAKE_BUILD_TYPE=Release
  echo "== The window's tests under wine (offscreen)"
  # The tests find Qt's DLLs through wine's PATH and its plugins through
  # Qt6Core.dll's own folder. Wine hands no QT_* variable of Linux to Windows
  # programs (so a Linux Qt's settings do not leak in); WINEQT_* reach them
  # as QT_*: the offscreen platform, a folder of fonts for it (it draws text
  # with FreeType, Qt ships no fonts), and QtTest's report on stdout instead
  # of the debugger channel it uses on Windows when no console is attached.
  WINEPATH="$(winepath -w "$qt/bin" 2>/dev/null)" \
    WINEQT_QPA_PLATFORM=offscreen \
    WINEQT_QPA_FONTDIR="$(winepath -w /usr/share/fonts/truetype/dejavu 2>/dev/null)" \
    WINEQT_FORCE_STDERR_LOGGING=1 \
    ctest --test-dir "$build/tests/app" --output-on-failure -j "$(nproc)"
  programs=("$build/bin/qzt-programmer.exe" "$build/bin/qzt.exe")
  data=$build/bin
fi

echo "== Staging $stage"
rm -rf "$out"
mkdir -p "$stage/platforms" "$stage/styles"
if [ -n "$stand_in" ]; then
  echo "   (stand-in: $stand_in as both programs)"
  cp "$stand_in" "$stage/qzt-programmer.exe"
  cp "$stand_in" "$stage/qzt.exe"
else
  cp "${programs[@]}" "$stage/"
fi
# The program reads its templates and About.ini from its own folder.
for file in Values.i Default.b About.ini; do
  if [ ! -f "$data/$file" ]; then
    echo "No $data/$file: build the programs first." >&2
    exit 1
  fi
  cp "$data/$file" "$stage/"
done
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
if [ -d "$qt/licenses" ]; then
  cp -r "$qt/licenses" "$stage/Qt licenses"
fi

# Qt's DLLs the staged programs and plugins load, followed through their
# imports. Everything else must be Windows' own: a compiler runtime DLL
# (libstdc++-6, libgcc_s, libwinpthread-1) means something was linked
# without -static and would be missing on the user's machine.
system32=$WINEPREFIX/drive_c/windows/system32
if [ ! -d "$system32" ]; then
  wineboot -i </dev/null >/dev/null 2>&1
fi
declare -A seen=()
queue=("$stage"/*.exe "$stage"/platforms/*.dll "$stage"/styles/*.dll)
while [ ${#queue[@]} -gt 0 ]; do
  binary=${queue[0]}
  queue=("${queue[@]:1}")
  while IFS= read -r dll; do
    key=${dll,,}
    [ -z "${seen[$key]:-}" ] || continue
    seen[$key]=1
    if [ -f "$qt/bin/$dll" ]; then
      cp "$qt/bin/$dll" "$stage/"
      queue+=("$stage/$dll")
    elif [[ $key == api-ms-win-* || $key == ext-ms-win-* ]]; then
      : # API sets: names the loader maps to Windows' own DLLs, no files
    elif [ -n "$(find "$system32" -maxdepth 1 -iname "$dll" -print -quit)" ]; then
      :
    else
      echo "$(basename "$binary") needs $dll, which is neither Qt's nor Windows' own." >&2
      exit 1
    fi
  done < <(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^\s*DLL Name: //p')
done
echo "   Qt DLLs: $(cd "$stage" && ls Qt6*.dll | tr '\n' ' ')"
# Qt's DLLs keep the symbols and the static C++ runtime's debug sections:
# stripped they are 40 % smaller, as the Debian package strips its binaries.
find "$stage" \( -name '*.exe' -o -name '*.dll' \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} +

echo "== makensis"
makensis -V2 -DVERSION="$version" -DSTAGING="$stage" -DOUTDIR="$out" \
  "$repo/packaging/windows/qzt-programmer.nsi"
setup=$out/QZT-Programmer-$version-setup.exe
echo "   $setup ($(du -h "$setup" | cut -f1))"

echo "== Installing silently into a fresh wine prefix, then uninstalling"
test_prefix=$(mktemp -d "${TMPDIR:-/tmp}/qzt-setup-test.XXXXXX")
trap 'WINEPREFIX=$test_prefix wineserver -k >/dev/null 2>&1 || true; rm -rf "$test_prefix"' EXIT
(
  export WINEPREFIX=$test_prefix
  fail() {
    echo "Installer check failed: $*" >&2
    exit 1
  }
  # registry_value KEY [NAME]: the value's data, the key's default without NAME.
  registry_value() {
    local query=(/ve) name='(Default)'
    if [ $# -gt 1 ]; then
      query=(/v "$2")
      name=$2
    fi
    wine reg query "$1" "${query[@]}" 2>/dev/null | tr -d '\r' |
      sed -n "s/^ *$name *REG_[A-Z_]* *//p" || true
  }
  wineboot -i </dev/null >/dev/null 2>&1
  wine "$setup" /S </dev/null >/dev/null 2>&1
  wineserver -w
  installed="$test_prefix/drive_c/Program Files/QZT Programmer"
  menu="$test_prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/QZT Programmer.lnk"
  uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QZTProgrammer'
  (cd "$stage" && find . -type f) | while IFS= read -r file; do
    cmp -s "$stage/$file" "$installed/$file" || fail "$file not installed"
  done
  [ -f "$installed/uninstall.exe" ] || fail "no uninstaller"
  [ -f "$menu" ] || fail "no Start-menu entry"
  [ "$(registry_value 'HKLM\Software\Classes\.Qzt')" = QZTProgrammer.Qzt ] ||
    fail ".Qzt is not associated"
  command=$(registry_value 'HKLM\Software\Classes\QZTProgrammer.Qzt\shell\open\command')
  [ "$command" = '"C:\Program Files\QZT Programmer\qzt-programmer.exe" "%1"' ] ||
    fail "the .Qzt open command is $command"
  [ "$(registry_value "$uninstall_key" DisplayVersion)" = "$version" ] ||
    fail "no Add/Remove Programs entry for $version"
  wine "$installed/qzt.exe" --version </dev/null | tr -d '\r' | sed 's/^/   installed qzt.exe: /' ||
    fail "the installed qzt.exe does not start"
  echo "   installed: $(find "$installed" -type f | wc -l) files," \
       "Start-menu entry, .Qzt association, uninstall entry"

  wine "$installed/uninstall.exe" /S </dev/null >/dev/null 2>&1
  wineserver -w
  [ ! -e "$installed" ] || fail "left behind: $(cd "$installed" && find . | head)"
  [ ! -e "$menu" ] || fail "the Start-menu entry is left"
  [ -z "$(registry_value "$uninstall_key" DisplayName)" ] || fail "the uninstall entry is left"
  [ -z "$(registry_value 'HKLM\Software\Classes\.Qzt')" ] ||
    fail "the .Qzt association is left"
  echo "   uninstalled: nothing left"
)
echo "The installer installs and uninstalls: $setup"
