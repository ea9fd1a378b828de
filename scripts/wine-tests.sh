#!/usr/bin/env bash
# Runs the 64-bit Windows build under Wine against real peers on this Linux
# machine: the scripted controller of tests/wine/peer.cpp (TCP on loopback
# and a pseudo-terminal mapped to a Wine COM port) and, when a Linux build
# with the simulator is given, veksim for vekctl.exe.
#
#   scripts/wine-tests.sh [windows build dir] [linux build dir with sim/veksim]
#
# Defaults: build-mingw-x64 (built here if needed); no simulator run when the
# second directory is not given or holds no veksim.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build-mingw-x64}" 2>/dev/null && pwd || echo "${1:-$root/build-mingw-x64}")"
linux_build="${2:-}"
com_port=7          # mapped to the peer's pseudo-terminal
missing_com_port=9  # never mapped
file_com_port=8     # mapped to a plain file: Wine applies sharing rules to files only
sim_com_port=6      # mapped to the simulator's pseudo-terminal

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
c++ -std=c++17 -O1 -Wall -Wextra -o "$work/peer" "$root/tests/wine/peer.cpp" -lutil

export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono/Gecko prompts in a fresh prefix
# The DLL lives beside the tests' build directory, not beside each program.
export WINEPATH="Z:${build//\//\\}"
if [[ ! -d "$WINEPREFIX/dosdevices" ]]; then
  echo "== creating the Wine prefix $WINEPREFIX"
  timeout 300 "$wine64" wineboot -i >/dev/null 2>&1 || true
fi

peer_pid=""
sim_pid=""
cleanup() {
  # Stop this prefix's wineserver before the pty goes away: it holds the pty
  # as its terminal and would report the hang-up.
  "$wineserver" -k >/dev/null 2>&1 || true
  [[ -n "$peer_pid" ]] && kill "$peer_pid" 2>/dev/null || true
  [[ -n "$sim_pid" ]] && kill "$sim_pid" 2>/dev/null || true
  rm -f "$WINEPREFIX/dosdevices/com$com_port" "$WINEPREFIX/dosdevices/com$file_com_port" \
    "$WINEPREFIX/dosdevices/com$sim_com_port"
}
trap cleanup EXIT

"$work/peer" 900 "$WINEPREFIX/dosdevices/com$com_port" >"$work/peer.out" &
peer_pid=$!
for _ in $(seq 50); do
  grep -q '^pty ' "$work/peer.out" 2>/dev/null && break
  sleep 0.1
done
tcp_port="$(awk '$1 == "tcp" {print $2}' "$work/peer.out")"
pty_path="$(awk '$1 == "pty" {print $2; exit}' "$work/peer.out")"
[[ -n "$tcp_port" && -n "$pty_path" ]] || { echo "the peer did not start"; exit 1; }
rm -f "$WINEPREFIX/dosdevices/com$missing_com_port"
: >"$work/com$file_com_port.file"
ln -sfn "$work/com$file_com_port.file" "$WINEPREFIX/dosdevices/com$file_com_port"
echo "== peer: tcp 127.0.0.1:$tcp_port, COM$com_port -> $pty_path"

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
run wine_checks "$build/tests/wine/wine_checks.exe" "$tcp_port" "$com_port" "$missing_com_port" "$file_com_port"

# vekctl.exe against the Linux simulator, over TCP and over a COM port.
veksim="${linux_build:+$linux_build/sim/veksim}"
vekctl="$build/tools/vekctl.exe"
if [[ -n "$veksim" && -x "$veksim" && -f "$vekctl" ]]; then
  "$veksim" --port 0 --pty >"$work/veksim.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 50); do
    grep -q '^veksim: serial on ' "$work/veksim.out" 2>/dev/null && break
    sleep 0.1
  done
  sim_port="$(sed -n 's/^veksim: listening on [0-9.]*:\([0-9]*\).*/\1/p' "$work/veksim.out")"
  sim_pty="$(sed -n 's/^veksim: serial on \(.*\)$/\1/p' "$work/veksim.out")"
  ln -sfn "$sim_pty" "$WINEPREFIX/dosdevices/com$sim_com_port"
  run "vekctl.exe --tcp 127.0.0.1:$sim_port pos" "$vekctl" --tcp "127.0.0.1:$sim_port" pos
  run "vekctl.exe --tcp 127.0.0.1:$sim_port move X=500 --wait" "$vekctl" --tcp "127.0.0.1:$sim_port" move X=500 --wait
  run "vekctl.exe --com $sim_com_port pos" "$vekctl" --com "$sim_com_port" pos
  # What the serial read shows must be the position the TCP move left.
  if ! timeout 120 "$wine64" "$vekctl" --com "$sim_com_port" pos | grep -Eq '^X +500 +500'; then
    echo "== vekctl.exe over COM$sim_com_port does not show X at 500"
    status=1
  fi
else
  echo "== vekctl.exe: skipped (needs $vekctl and sim/veksim in a Linux build given as the second argument)"
fi

exit $status
