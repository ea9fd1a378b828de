#!/usr/bin/env bash
# Builds the fuzz targets and runs each for a while (default 30 s each).
#   scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
cmake --preset fuzz >/dev/null && cmake --build --preset fuzz --target notification_filters_fuzz answers_fuzz sim_model_fuzz
for target in notification_filters answers sim_model; do
  corpus=build-fuzz/corpus/$target
  mkdir -p "$corpus"
  echo "== fuzzing $target for ${seconds}s"
  build-fuzz/fuzz/${target}_fuzz -max_total_time="$seconds" -max_len=512 -print_final_stats=1 \
    "$corpus" fuzz/seeds/$target 2>&1 | grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY)' || true
  # libFuzzer leaves a crash-* file behind when it finds a fault.
  if compgen -G "crash-*" >/dev/null || compgen -G "leak-*" >/dev/null; then
    echo "fuzzing $target found a fault:"; ls crash-* leak-* 2>/dev/null; exit 1
  fi
done
