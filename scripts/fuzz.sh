#!/usr/bin/env bash
# Builds the fuzz targets and runs each for a while (default 30 s each).
#   scripts/fuzz.sh [seconds]
# The buffer targets run millions of inputs in that time; the two reader
# targets, at some tens of milliseconds per input over a real socket and a
# pseudo-terminal, run about a thousand. Five targets at 15 s keep a CI run
# near 80 s.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
targets=(notification_filters answers sim_model ethernet_reader serial_reader)
cmake --preset fuzz >/dev/null && cmake --build --preset fuzz --target "${targets[@]/%/_fuzz}"
# A UBSan report counts as a fault, as an ASan one does.
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$target
  artifacts=build-fuzz/artifacts
  log=build-fuzz/fuzz-$target.log
  mkdir -p "$corpus" "$artifacts"
  echo "== fuzzing $target for ${seconds}s"
  status=0
  build-fuzz/fuzz/${target}_fuzz -max_total_time="$seconds" -max_len=512 -timeout=20 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$target-" "$corpus" fuzz/seeds/$target >"$log" 2>&1 || status=$?
  grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY)' "$log" || true
  # libFuzzer exits non-zero and leaves a crash-, leak-, timeout- or oom-
  # file behind when it finds a fault.
  if [ "$status" -ne 0 ]; then
    echo "fuzzing $target found a fault (exit $status):"
    tail -n 40 "$log"
    ls "$artifacts"/"$target"-* 2>/dev/null || true
    exit 1
  fi
done
