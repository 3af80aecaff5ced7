#!/usr/bin/env bash
# Installs what is missing, builds QZT Programmer and starts it. Arguments are
# passed to the program (a configuration folder or file, --device=...).
#
# Unless QZT_DEVICE names a device, the program talks to a simulated KVD box
# with a QZT unit whose memory is kept in the user's data folder, so every
# command can be tried without hardware. A --device= argument overrides it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo

device=()
if [ -z "${QZT_DEVICE:-}" ]; then
  data="${XDG_DATA_HOME:-$HOME/.local/share}/ORVI/QZT Programmer (EN)"
  mkdir -p "$data"
  device=("--device=sim:$data/Simulated unit.bin")
fi
exec build/bin/qzt-programmer ${device[@]+"${device[@]}"} "$@"
