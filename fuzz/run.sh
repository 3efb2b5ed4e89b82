#!/usr/bin/env bash
# Builds the fuzz targets and runs each for a bounded time from its seed corpus.
# Usage: fuzz/run.sh [SECONDS_PER_TARGET] [TARGET...]   (default 60 s, every target)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=($(sed -n 's/^orvane_fuzz_target(\(.*\))$/\1/p' fuzz/CMakeLists.txt))

for target in "${targets[@]}"; do
  work=build/fuzz/corpus/$target
  rm -f build/fuzz/$target-*
  mkdir -p "$work"
  seeds=fuzz/seeds/$target
  echo "== $target: ${seconds}s"
  build/fuzz/fuzz/$target -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="build/fuzz/$target-" "$work" $( [ -d "$seeds" ] && echo "$seeds" ) 2>&1 |
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)|(DONE|INITED) +cov:|ERROR|SUMMARY' || true
  # A finding leaves an artifact and a non-zero exit; fail loudly.
  if ls build/fuzz/$target-* >/dev/null 2>&1; then
    echo "fuzz: $target found a failing input:"; ls build/fuzz/$target-*; exit 1
  fi
done
