#!/usr/bin/env bash
# Runs the 64-bit Windows build under Wine against the Linux simulator on
# this machine: over TCP on loopback and over pseudo-terminals mapped to Wine
# COM ports. wine_checks.exe covers the Win32 layer of VekKestra.dll,
# wine_motion.exe moves axes through VekKestraMotion.dll; vekctl.exe runs once.
#
#   scripts/wine-tests.sh [windows build dir] [linux build dir with sim/veksim]
#
# Defaults: build-mingw-x64 (built here if needed) and build.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build-mingw-x64}" 2>/dev/null && pwd || echo "${1:-$root/build-mingw-x64}")"
linux_build="${2:-$root/build}"
com_port=6          # mapped to the simulator's pseudo-terminal
faulty_com_port=7   # mapped to the faulty simulator's pseudo-terminal
file_com_port=8     # mapped to a plain file: Wine applies sharing rules to files only
missing_com_port=9  # never mapped
motion_com_port=10  # mapped to the motion check's simulator's pseudo-terminal
limits_com_port=11  # mapped to the pseudo-terminal of the simulator with an X limit at 5000

wine64=""
for candidate in wine64 /usr/lib/wine/wine64 /usr/lib/wine/wine; do
  if command -v "$candidate" >/dev/null 2>&1; then
    wine64="$(command -v "$candidate")"
    break
  fi
done
[[ -n "$wine64" ]] || { echo "wine64 not found (scripts/install-deps.sh --windows)"; exit 1; }
wineserver="$(dirname "$(readlink -f "$wine64")")/wineserver"
[[ -x "$wineserver" ]] || wineserver="$(command -v wineserver || echo wineserver)"

if [[ ! -f "$build/build.ninja" && ! -f "$build/Makefile" ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/x86_64-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVEK_BUILD_TESTS=OFF -DVEK_BUILD_BENCH=OFF
fi
cmake --build "$build" -j2

work="$build/wine"
mkdir -p "$work"
veksim="$linux_build/sim/veksim"
[[ -x "$veksim" ]] || { echo "no $veksim: build veksim in a Linux build and give its directory"; exit 1; }

export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono/Gecko prompts in a fresh prefix
# The DLLs live in the build directory (the library) and its motion folder
# (the motion core, which vekctl.exe loads), not beside each program.
export WINEPATH="Z:${build//\//\\};Z:${build//\//\\}\\motion"
if [[ ! -d "$WINEPREFIX/dosdevices" ]]; then
  echo "== creating the Wine prefix $WINEPREFIX"
  timeout 300 "$wine64" wineboot -i >/dev/null 2>&1 || true
fi

sim_pids=()
cleanup() {
  # Stop this prefix's wineserver before the ptys go away: it holds them
  # as its terminal and would report the hang-up.
  "$wineserver" -k >/dev/null 2>&1 || true
  for pid in "${sim_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  local com
  for com in "$com_port" "$faulty_com_port" "$file_com_port" "$motion_com_port" "$limits_com_port"; do
    rm -f "$WINEPREFIX/dosdevices/com$com"
  done
}
trap cleanup EXIT

# start_sim <name> <COM port> [faults...]: a simulator with a pty mapped to
# the COM port; sets <name>_port to its TCP port.
start_sim() {
  local name="$1" com="$2" out="$work/$1.out"
  shift 2
  "$veksim" --port 0 --pty "$@" >"$out" 2>&1 &
  sim_pids+=($!)
  for _ in $(seq 50); do
    grep -q '^veksim: serial on ' "$out" 2>/dev/null && break
    sleep 0.1
  done
  local port pty
  port="$(sed -n 's/^veksim: listening on [0-9.]*:\([0-9]*\).*/\1/p' "$out")"
  pty="$(sed -n 's/^veksim: serial on \(.*\)$/\1/p' "$out")"
  [[ -n "$port" && -n "$pty" ]] || { echo "veksim $name did not start"; cat "$out"; exit 1; }
  ln -sfn "$pty" "$WINEPREFIX/dosdevices/com$com"
  printf -v "${name}_port" '%s' "$port"
  echo "== veksim $name: tcp 127.0.0.1:$port, COM$com -> $pty"
}
start_sim sim "$com_port"
# Answers nothing; a TCP connection is closed at its second command.
start_sim faulty "$faulty_com_port" --drop-ack-every 1 --close-after 2
# For the motion core: a simulator of its own, and one whose X limit switch is at 5000.
start_sim motion "$motion_com_port"
start_sim limits "$limits_com_port" --limits X=-1000000,5000
rm -f "$WINEPREFIX/dosdevices/com$missing_com_port"
: >"$work/com$file_com_port.file"
ln -sfn "$work/com$file_com_port.file" "$WINEPREFIX/dosdevices/com$file_com_port"

status=0
run() {
  local name="$1"
  shift
  echo "== $name"
  if ! timeout 300 "$wine64" "$@"; then
    echo "== $name FAILED"
    status=1
  fi
}
run wine_checks "$build/tests/wine/wine_checks.exe" "$sim_port" "$com_port" "$faulty_port" "$faulty_com_port" \
  "$missing_com_port" "$file_com_port"

run wine_motion "$build/tests/wine/wine_motion.exe" "$(tr -d ' \n' <"$root/VERSION")" "$motion_port" \
  "$motion_com_port" "$limits_port"

# vekctl.exe against the plain simulator, over TCP and over a COM port.
vekctl="$build/tools/vekctl.exe"
run "vekctl.exe --tcp 127.0.0.1:$sim_port pos" "$vekctl" --tcp "127.0.0.1:$sim_port" pos
run "vekctl.exe --tcp 127.0.0.1:$sim_port move X=500 --wait" "$vekctl" --tcp "127.0.0.1:$sim_port" move X=500 --wait
# What the serial read shows must be the position the TCP move left.
echo "== vekctl.exe --com $com_port pos"
if ! timeout 120 "$wine64" "$vekctl" --com "$com_port" pos | tee "$work/vekctl-com.out" | grep -Eq '^X +500 +500'; then
  cat "$work/vekctl-com.out"
  echo "== vekctl.exe over COM$com_port does not show X at 500"
  status=1
fi

exit $status
