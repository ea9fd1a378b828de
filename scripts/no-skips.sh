#!/usr/bin/env bash
# Runs a test command and fails when CTest reports a test that did not run.
#
#   scripts/no-skips.sh [--build DIR] COMMAND...
#   scripts/no-skips.sh cmake --workflow --preset test
#
# CI installs everything the tests need, so a test skipped there (a missing
# package, a test that cannot run on this link) is a defect, not a pass.
# The command's output goes through unchanged; afterwards each test in
# CTest's "did not run" list is named with the reason it printed (from
# DIR/Testing/Temporary/LastTest.log, DIR default build). The status is the
# command's when it failed, else 1 when a test did not run, else 0.
set -uo pipefail

build=build
if [[ ${1:-} == --build ]]; then
  build=$2
  shift 2
fi
if [[ $# -eq 0 ]]; then
  echo "usage: scripts/no-skips.sh [--build DIR] COMMAND..." >&2
  exit 2
fi

output=$(mktemp)
trap 'rm -f "$output"' EXIT
"$@" 2>&1 | tee "$output"
status=$?
if [[ $status -ne 0 ]]; then
  exit "$status"
fi

# CTest's summary: "The following tests did not run:" then lines
# "<tab>  42 - name (Skipped)" (or Disabled), up to the first other line.
mapfile -t names < <(awk '/^The following tests did not run:/ { listing = 1; next }
  listing && /^\t/ { sub(/^\t *[0-9]+ - /, ""); sub(/ \([A-Za-z]+\)$/, ""); print; next }
  { listing = 0 }' "$output")
if [[ ${#names[@]} -eq 0 ]]; then
  echo "no-skips: every test ran"
  exit 0
fi

log=$build/Testing/Temporary/LastTest.log
echo "no-skips: ${#names[@]} test(s) did not run; here each must run:"
for name in "${names[@]}"; do
  echo "  $name"
  # The test's own output in the log, between its command line and "<end of output>".
  if [[ -f $log ]]; then
    awk -v name="$name" '$0 ~ /^[0-9]+\/[0-9]+ Test: / { sub(/^[0-9]+\/[0-9]+ Test: /, ""); inside = ($0 == name); seen = 0; next }
      inside && /^Output:$/ { next }
      inside && /^-+$/ { seen = 1; next }
      inside && /^<end of output>$/ { inside = 0; next }
      inside && seen && NF { print "    " $0 }' "$log" | tail -n 5
  fi
done
exit 1
