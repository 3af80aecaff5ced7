#!/usr/bin/env bash
# Runs every fuzz target for a while (default 60 seconds each):
#   scripts/fuzz.sh [SECONDS]
# Builds them with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# in build-fuzz/, seeds each corpus from code, and stops with an error at the
# first finding (the crashing input is left in build-fuzz/findings/).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/install-deps.sh
for package in clang libclang-rt-14-dev; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    sudo=(); [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev
    break
  fi
done

# Only the fuzz targets and what they link are built (no windows).
# ccache as scripts/build.sh uses it: CI's runs on one machine take seconds.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "${launcher[@]}" -DQZT_FUZZ=ON -DQZT_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target fuzz_codec fuzz_link_reply fuzz_settings fuzz_config_file \
  fuzz_series_plan qzt-fuzz-seeds >/dev/null

corpus=build-fuzz/corpus
findings=build-fuzz/findings
mkdir -p "$findings"
build-fuzz/fuzz/qzt-fuzz-seeds "$corpus/seeds" >/dev/null
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

for target in codec:codec link_reply:link settings:settings config_file:file series_plan:plan; do
  name=${target%%:*}
  seeds=${target##*:}
  mkdir -p "$corpus/$name"
  echo "== fuzz_$name for ${seconds}s"
  build-fuzz/fuzz/fuzz_$name -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$findings/$name-" -print_final_stats=1 \
    "$corpus/$name" "$corpus/seeds/$seeds" 2>&1 | grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==|SUMMARY|.*ERROR)' || true
  if ls "$findings/$name-"* >/dev/null 2>&1; then
    echo "fuzz_$name found a problem: $(ls "$findings/$name-"*)"
    exit 1
  fi
done
echo "No findings."
