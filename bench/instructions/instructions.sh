#!/bin/bash
# User-space instructions of one VEKnet_GetAxisMotorPosition and one
# VEKnet_Query call, counted by callgrind inside the export alone, against a
# veksim on loopback. Prints figures; asserts nothing.
#   bench/instructions/instructions.sh [BUILD_DIR] [CALLS]
set -euo pipefail
build=${1:-build}
calls=${2:-100}
probe=$build/bench/instructions/instruction_probe
veksim=$build/sim/veksim
command -v valgrind > /dev/null || { echo "valgrind is needed" >&2; exit 2; }
[ -x "$probe" ] && [ -x "$veksim" ] || { echo "build $probe and $veksim first" >&2; exit 2; }

work=$(mktemp -d)
"$veksim" --port 0 > "$work/veksim.out" 2>&1 &
sim=$!
trap 'kill $sim 2> /dev/null; wait $sim 2> /dev/null; rm -rf "$work"' EXIT
port=""
for _ in $(seq 50); do
  port=$(sed -n 's/^veksim: listening on .*:\([0-9]*\)$/\1/p' "$work/veksim.out" | head -1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "veksim printed no port" >&2; exit 1; }

measure() {  # export, probe mode
  # Symbols bound at load, so that no call pays the first-call lookup.
  LD_BIND_NOW=1 valgrind --tool=callgrind --callgrind-out-file="$work/cg.out" --toggle-collect="$1" \
    "$probe" "$port" "$calls" "$2" 2> "$work/cg.err" || { cat "$work/cg.err" >&2; exit 1; }
  local total
  total=$(grep -o 'Collected : [0-9]*' "$work/cg.err" | grep -o '[0-9]*$')
  printf '%-30s %8d instructions per call (%d calls)\n' "$1" $((total / calls)) "$calls"
}
measure VEKnet_GetAxisMotorPosition typed
measure VEKnet_Query query
