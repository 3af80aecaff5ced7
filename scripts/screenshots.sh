#!/usr/bin/env bash
# Makes the README's pictures (docs/*.png) from the real program on Qt's
# offscreen platform: the main window after a read from a simulated unit, the
# radio-code dialog, the default folder dialog, the about box, the
# connection dialog and the series dialog after a ward of three beds. A scratch
# home keeps the user's own settings out of the pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build >/dev/null
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/Documents"
HOME="$home" XDG_DATA_HOME= XDG_CONFIG_HOME= QT_QPA_PLATFORM=offscreen \
  build/bin/qzt-screenshots docs "--device=sim:$home/unit.bin" --sim-timing=zero
