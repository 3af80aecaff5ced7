#!/usr/bin/env bash
# Cross-builds the Windows version (scripts/build-windows.sh) and runs its
# tests under wine: the Qt-free suites through ctest, then the COM-port route
# against the simulated box on a Linux pseudo-terminal linked as COM5 (and
# one that hangs up as COM6), then the command-line tool as a technician
# would run it: over the COM port, over our fake ftd2xx.dll, and without
# the driver.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
dir=build-windows
cache=${XDG_CACHE_HOME:-$HOME/.cache}/qzt-windows
export WINEPREFIX=${WINEPREFIX:-$cache/wine}
export WINEDEBUG=-all

scripts/build-windows.sh "$dir"

# The tests sync every file they write: wine's temporary folder on a memory
# file system, where there is one, makes that cost nothing.
temp="$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/Temp"
if [ -d /dev/shm ] && [ -w /dev/shm ] && [ -d "$(dirname "$temp")" ]; then
  mkdir -p /dev/shm/qzt-wine-temp
  if [ ! -L "$temp" ]; then
    rm -rf "$temp"
    ln -s /dev/shm/qzt-wine-temp "$temp"
  fi
fi

echo "== Windows tests under wine"
# A test that hangs ends at its time-out (qzt_add_gtest's), and the run at
# ctest's.
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 600

echo "== The pseudo-terminal box for the COM-port route"
# The box itself runs on Linux: a Linux build of just that program.
scripts/install-deps.sh
if [ ! -f build-pty-box/CMakeCache.txt ]; then
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S . -B build-pty-box -G Ninja "${launcher[@]}" -DQZT_GUI=OFF >/dev/null
fi
CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1 cmake --build build-pty-box --target qzt-pty-box >/dev/null

work=$(mktemp -d)
boxes=()
cleanup() {
  for pid in "${boxes[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  rm -f "$WINEPREFIX/dosdevices/com5" "$WINEPREFIX/dosdevices/com6"
  rm -rf "$work"
  # CI's run leaves no wineserver behind.
  if [ "${CI:-}" = true ]; then
    wineserver -k 2>/dev/null || true
  fi
}
trap cleanup EXIT

# start_box COMn UNIT [FAULTS]: the box on a pseudo-terminal, linked as COMn.
start_box() {
  local com=$1 unit=$2 faults=${3:-}
  mkfifo "$work/$com.in"
  build-pty-box/bin/qzt-pty-box "$unit" ${faults:+"$faults"} <"$work/$com.in" >"$work/$com.port" &
  boxes+=($!)
  exec {keep}>"$work/$com.in"  # its standard input stays open until the script ends
  for _ in $(seq 100); do
    [ -s "$work/$com.port" ] && break
    sleep 0.05
  done
  ln -sfn "$(head -n1 "$work/$com.port")" "$WINEPREFIX/dosdevices/${com,,}"
}

tools=$root/$dir/bin
run() {  # prints the command and its output as a technician sees them
  echo "\$ qzt.exe $*"
  local rc=0
  (cd "$work/run" && wine "$tools/qzt.exe" "$@") >"$work/output" 2>&1 || rc=$?
  sed 's/^/  /' "$work/output"
  return $rc
}
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

mkdir -p "$work/run"
unit=$work/unit.bin
start_box COM5 "$unit"
start_box COM6 "$work/unplugging.bin" unplug=6

echo "== COM-port route tests"
QZT_TEST_COM_PORT=COM5 QZT_TEST_COM_UNPLUG_PORT=COM6 \
  wine "$tools/qzt_device_tests.exe" --gtest_filter='ComRoute.*' >"$work/output" 2>&1 ||
  { cat "$work/output"; fail "the COM-port route tests"; }
grep -E '^\[  (PASSED|SKIPPED|FAILED) ' "$work/output"

echo "== The command-line tool under wine"
run --version
run read -o unit.Qzt --device=tty:COM5 || fail "read over COM5"
# The memory file holds what the box's unit holds: the first 256 bytes.
cmp <(head -c 256 "$unit") "$work/run/unit.Qzt" || fail "the file read is not the unit's bytes"
echo "  (unit.Qzt is the unit's 256 bytes)"
run set unit.Qzt edtInPassageDelay=45 || fail "set"
run write unit.Qzt --device=tty:COM5 || fail "write over COM5"
run radio-codes --device=tty:COM5 --set=1234,ABCD,0F0F,00FF,BEEF,C0DE || fail "radio-codes --set"
run radio-codes --device=tty:COM5 || fail "radio-codes"

# An image whose bytes include 0x0D, 0x0A and 0x1A (text mode would change
# or cut them) in a folder named with non-ASCII letters.
folder="$work/run/Jürgen/東京"
mkdir -p "$folder"
cp "$work/run/unit.Qzt" "$folder/ä b.Qzt"
printf '\x0d\x0a\x1a' | dd of="$folder/ä b.Qzt" bs=1 seek=226 conv=notrunc status=none
before=$(od -An -tx1 -j 226 -N 3 "$folder/ä b.Qzt" | tr -d ' ')
run set "Jürgen/東京/ä b.Qzt" edtInPassageDelay=30 || fail "set in a non-ASCII folder"
after=$(od -An -tx1 -j 226 -N 3 "$folder/ä b.Qzt" | tr -d ' ')
[ "$before" = 0d0a1a ] && [ "$after" = "$before" ] || fail "bytes 0x0D 0x0A 0x1A changed: $after"
[ "$(stat -c %s "$folder/ä b.Qzt")" = 256 ] || fail "the image's size changed"
echo "  (bytes 226-228, which no field holds, still 0d 0a 1a; 256 bytes)"
run write "Jürgen/東京/ä b.Qzt" --device=tty:COM5 || fail "write from a non-ASCII folder"

echo "== The same over the fake ftd2xx.dll"
# The program beside our DLL, as the driver's DLL is found beside it.
mkdir -p "$work/d2xx"
cp "$tools/qzt.exe" "$tools/Values.i" "$tools/Default.b" "$tools/About.ini" "$dir/fake-d2xx/ftd2xx.dll" "$work/d2xx/"
export QZT_FAKE_D2XX_UNIT
QZT_FAKE_D2XX_UNIT=$(winepath -w "$work/d2xx-unit.bin")
tools=$work/d2xx
run devices || fail "devices with the D2XX driver"
run read -o d2xx.Qzt --device=usb || fail "read over D2XX"
cmp <(head -c 256 "$work/d2xx-unit.bin") "$work/run/d2xx.Qzt" || fail "the D2XX read is not the unit's bytes"
echo "  (d2xx.Qzt is the unit's 256 bytes)"
run write "Jürgen/東京/ä b.Qzt" --device=usb || fail "write over D2XX"
run radio-codes --device=usb:KVD0001A --set=1234,ABCD,0F0F,00FF,BEEF,C0DE || fail "radio-codes over D2XX"

echo "== Without the driver"
tools=$root/$dir/bin
if run read -o none.Qzt --device=usb; then
  fail "a read without the D2XX driver succeeded"
fi
grep -q "Could not find KVD!" "$work/output" && grep -q "D2XX driver is not installed" "$work/output" ||
  fail "no reason given without the D2XX driver"
run devices || true
echo "Windows tests: all passed"
