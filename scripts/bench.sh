#!/usr/bin/env bash
# Measures the figures the README quotes, on this machine:
#   - start-up of the main window to its first paint (offscreen) and its peak memory
#   - decoding plus encoding one configuration image
#   - the link and the three device commands over the simulated box (latency
#     timer lowered to 2 ms and at its power-on 16 ms), against
#     the modelled line's physical lower bound (ratio) and their processor share
#   - the time the commands take to give up under each simulated fault, and
#     from a box pulled out mid-command to the command's end
#   - one unit of a series (write, verify, radio codes) against the line's bound
# Release build in build-bench/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build-bench -DCMAKE_BUILD_TYPE=Release -DQZT_BUILD_BENCH=ON \
  -DQZT_BUILD_TESTS=OFF >/dev/null

echo "== Machine"
echo "$(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores," \
     "$(free -g | awk '/^Mem:/{print $2}') GiB, $(. /etc/os-release; echo "$PRETTY_NAME")"

echo
echo "== Start-up to the first paint (offscreen, 20 runs)"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/Documents"
runs=()
for i in $(seq 20); do
  start=$(date +%s%N)
  line=$(HOME="$home" XDG_DATA_HOME= XDG_CONFIG_HOME= QT_QPA_PLATFORM=offscreen \
         build-bench/bin/qzt_startup_bench 2>/dev/null)
  paint=$(sed -n 's/.*first_paint_realtime_ns=\([0-9]*\).*/\1/p' <<<"$line")
  rss=$(sed -n 's/.*peak_rss_kb=\([0-9]*\).*/\1/p' <<<"$line")
  runs+=("$(( (paint - start) / 1000 )) $rss")
done
printf '%s\n' "${runs[@]}" | sort -n | awk '
  { ms[NR] = $1 / 1000; rss[NR] = $2 }
  END { printf "median %.1f ms (fastest %.1f, slowest %.1f), peak resident memory %.1f MB\n",
               ms[int((NR + 1) / 2)], ms[1], ms[NR], rss[int((NR + 1) / 2)] / 1024 }'
echo "targets: under 300 ms, under 60 MB"

echo
echo "== Decoding plus encoding one image"
build-bench/bin/qzt_codec_bench --benchmark_min_time=1 2>/dev/null | grep -E '^BM_'
echo "target: decode plus encode under 20 us"

echo
echo "== The link over the simulated box"
build-bench/bin/qzt_link_bench 2>/dev/null | tail -6

echo
echo "== The device commands over the simulated box"
build-bench/bin/qzt_device_commands_bench 2>/dev/null | tail -8

echo
echo "== Faults: time to give up, and a box pulled out mid-command"
build-bench/bin/qzt_fault_bench

echo
echo "== A series of units: one unit from the look that finds it to the next look"
build-bench/bin/qzt_series_bench 2>/dev/null | grep -E '^BM_|^SeriesUnit|^aims' | sed 's/^BM_.*program_ms=\([0-9.k]*\).*/program (write, verify, codes): \1 ms/'
