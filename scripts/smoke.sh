#!/usr/bin/env bash
# Keeps the README's other scripts working: builds the benchmarks and the fuzz
# targets and runs each briefly (the benchmarks on the lowered latency only,
# the fuzz targets a few seconds each). CI runs it after the test suite.
#   scripts/smoke.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

echo "== Benchmarks: build and a short run of each"
# The test build's tree, with the benchmarks added: only they are compiled.
scripts/build.sh build -DQZT_BUILD_BENCH=ON >/dev/null
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/Documents"
export HOME="$home" XDG_DATA_HOME= XDG_CONFIG_HOME= QT_QPA_PLATFORM=offscreen
build/bin/qzt_startup_bench >/dev/null
build/bin/qzt_codec_bench --benchmark_min_time=0.01 2>/dev/null | grep -E '^BM_'
for bench in link device_commands series; do
  build/bin/qzt_${bench}_bench --benchmark_filter=/2/ 2>/dev/null | grep -E 'latency:2ms'
done
# The fault benchmark waits for every time-out in real time (minutes): built,
# and run by scripts/bench.sh only.
test -x build/bin/qzt_fault_bench

echo "== Fuzz targets: build and a short run of each"
scripts/fuzz.sh 5
