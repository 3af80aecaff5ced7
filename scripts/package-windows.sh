#!/usr/bin/env bash
# Builds the Windows installer of QZT Programmer and tests it under wine:
#   scripts/package-windows.sh
#     -> build-windows-package/QZT-Programmer-<version>-setup.exe
#        build-windows-package/windows-main-window.png (the installed window)
# Qt for Windows comes from scripts/build-qt-windows.sh (built once into a
# cache: about 45 minutes on 2 cores the first time, reused afterwards), the
# programs from scripts/build-windows.sh with the window. The window's tests
# run under wine on Qt's offscreen platform; then the installer is installed
# silently into a fresh wine prefix, checked (files, Start-menu entry, .Qzt
# association, uninstall entry, qzt.exe --version, the window opened on an
# X server of its own and photographed) and uninstalled.
#
# QZT_QT_PREFIX=<folder> uses a Qt for Windows built elsewhere instead of the
# cache of scripts/build-qt-windows.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
started=$(date +%s)

if [ $# -gt 0 ]; then
  echo "usage: $0" >&2
  exit 2
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
apt_options=()
if [ "$(($(stat -c '%a' /dev/null) % 10 & 4))" -eq 0 ]; then
  apt_options=(-o APT::Sandbox::User=root)
fi
# fonts-wine: Tahoma and Marlett for the window under wine, as Windows has
# them; Xvfb, ImageMagick and xwininfo for the photograph of the window.
packages=(nsis wine wine64 binutils-mingw-w64-x86-64 fonts-dejavu-core fonts-wine
  xvfb imagemagick x11-utils)
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
  # Its messages go to the terminal; its last line is the prefix.
  qt=$(scripts/build-qt-windows.sh | tee /dev/stderr | tail -n 1)
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

echo "== Cross-building both programs with the window"
scripts/build-windows.sh "$build" -DQZT_GUI=ON -DCMAKE_PREFIX_PATH="$qt" \
  -DCMAKE_BUILD_TYPE=Release

echo "== The window's tests under wine (offscreen)"
tests_started=$(date +%s)
# Qt's offscreen platform draws with its own 12-point default font on
# Windows (not the system's 9 points), which makes the main window wider than
# the platform's default screen of 800 pixels; a window whose left edge lies
# off the screen is moved back by its frame, and the dialogs centred over the
# main window would be two pixels off. A full-HD screen holds every window.
# Qt splits its platform options at colons, so the file is named by its
# Linux path, which Windows takes on the current drive (Z:, the build's).
screen=$repo/$build/offscreen-screen.json
cat >"$screen" <<'EOF'
{"screens": [{"name": "wine", "x": 0, "y": 0, "width": 1920, "height": 1080,
              "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]}
EOF
(
  # The tests find Qt's DLLs through wine's PATH and its plugins through
  # Qt6Core.dll's own folder. Wine hands no QT_* variable of Linux to
  # Windows programs (so a Linux Qt's settings do not leak in); WINEQT_*
  # reach them as QT_*: the offscreen platform and its screen, a folder of
  # fonts for it (it draws text with FreeType, Qt ships no fonts), and
  # QtTest's report on stdout instead of the debugger channel it uses on
  # Windows when no console is attached.
  export WINEPATH="$(winepath -w "$qt/bin" 2>/dev/null)"
  export WINEQT_QPA_PLATFORM="offscreen:configfile=$screen"
  export WINEQT_QPA_FONTDIR="$(winepath -w /usr/share/fonts/truetype/dejavu 2>/dev/null)"
  export WINEQT_FORCE_STDERR_LOGGING=1
  # The first window program starts wine's desktop process, which outlives
  # it by some 20 seconds holding the program's output pipe: ctest would
  # wait for it after every test. Started here, with its output elsewhere,
  # it serves all the tests.
  wine "$build/bin/qzt_application_tests.exe" -functions </dev/null >/dev/null 2>&1 || true
  ctest --test-dir "$build/tests/app" --output-on-failure -j "$(nproc)"
)
echo "   the window's tests under wine: $(($(date +%s) - tests_started)) s"
programs=("$build/bin/qzt-programmer.exe" "$build/bin/qzt.exe")
data=$build/bin

echo "== Staging $stage"
rm -rf "$out"
mkdir -p "$stage/platforms" "$stage/styles"
cp "${programs[@]}" "$stage/"
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
xvfb_pid=
cleanup() {
  WINEPREFIX=$test_prefix wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$test_prefix"
}
trap cleanup EXIT
# An X server of our own for the window: the first display number free.
display=
for number in $(seq 99 199); do
  if [ ! -e "/tmp/.X$number-lock" ] && [ ! -e "/tmp/.X11-unix/X$number" ]; then
    display=:$number
    break
  fi
done
[ -n "$display" ] || { echo "No free X display number for Xvfb" >&2; exit 1; }
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb_pid=$!
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
  reported=$(wine "$installed/qzt.exe" --version </dev/null | tr -d '\r') ||
    fail "the installed qzt.exe does not start"
  [ "$reported" = "$version" ] || fail "the installed qzt.exe --version says $reported"
  echo "   installed: $(find "$installed" -type f | wc -l) files," \
       "Start-menu entry, .Qzt association, uninstall entry; qzt.exe --version: $reported"

  # The installed window on the simulated unit, photographed. In a wine
  # desktop of the screen's size wine draws the window frames as Windows
  # does (a bare X server has no window manager to draw them). Fonts and
  # font smoothing as a Windows installation has them: wine's own Tahoma
  # (the dialog font) and Marlett (the title bar's buttons) in the Fonts
  # folder, where this prefix looks for them, and ClearType on.
  cp /usr/share/wine/fonts/*.ttf "$test_prefix/drive_c/windows/Fonts/"
  for setting in "FontSmoothing REG_SZ 2" "FontSmoothingType REG_DWORD 2" \
    "FontSmoothingGamma REG_DWORD 1400" "FontSmoothingOrientation REG_DWORD 1"; do
    read -r name type data <<<"$setting"
    wine reg add 'HKCU\Control Panel\Desktop' /v "$name" /t "$type" /d "$data" /f \
      </dev/null >/dev/null 2>&1
  done
  for _ in $(seq 50); do
    xwininfo -display "$display" -root >/dev/null 2>&1 && break
    sleep 0.2
  done
  DISPLAY=$display wine explorer /desktop=QZT,1280x1024 \
    'C:\Program Files\QZT Programmer\qzt-programmer.exe' '--device=sim:C:\users\Public\qzt-unit.bin' \
    </dev/null >/dev/null 2>&1 &
  title='(Default) - QZT Programmer'
  window=
  for _ in $(seq 120); do
    window=$(xwininfo -display "$display" -root -tree 2>/dev/null |
      sed -n "s/^ *\(0x[0-9a-f]*\) \"$title\".*/\1/p" | head -n 1)
    [ -z "$window" ] || break
    sleep 0.5
  done
  [ -n "$window" ] || fail "the installed qzt-programmer.exe opened no window \"$title\""
  sleep 3 # painted, the default configuration shown
  picture=$out/windows-main-window.png
  import -display "$display" -window "$window" "$picture"
  colours=$(identify -format %k "$picture")
  [ "$colours" -gt 16 ] || fail "the window's picture is blank ($colours colours)"
  echo "   installed qzt-programmer.exe opens \"$title\":" \
       "$(identify -format %wx%h "$picture") pixels in $picture"
  # Ends the window and its desktop.
  wineserver -k >/dev/null 2>&1 || true
  wait

  wine "$installed/uninstall.exe" /S </dev/null >/dev/null 2>&1
  wineserver -w
  [ ! -e "$installed" ] || fail "left behind: $(cd "$installed" && find . | head)"
  [ ! -e "$menu" ] || fail "the Start-menu entry is left"
  [ -z "$(registry_value "$uninstall_key" DisplayName)" ] || fail "the uninstall entry is left"
  [ -z "$(registry_value 'HKLM\Software\Classes\.Qzt')" ] ||
    fail "the .Qzt association is left"
  # The program's data (Values.ini, Default.bin, the unit backups) and the
  # user's configurations are the user's: they stay.
  echo "   uninstalled: program folder, Start-menu entry and registry entries gone"
)
echo "The installer installs and uninstalls: $setup"
echo "package-windows.sh: $(($(date +%s) - started)) s"
