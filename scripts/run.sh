#!/usr/bin/env bash
# Installs what is missing, builds QZT Programmer and starts it. Arguments are
# passed to the program (a configuration folder or file, --device=...).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec build/bin/qzt-programmer "$@"
