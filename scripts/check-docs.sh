#!/usr/bin/env bash
# Runs every code block of the documentation against the simulator
# (scripts/check-docs.py says how, and how a block is marked when it cannot
# run here). Build first; the system's python3 runs the check, as it runs the
# Python blocks.
#
#   scripts/check-docs.sh [build dir, default build] [FILE.md ...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
shift || true
python=/usr/bin/python3
[[ -x "$python" ]] || python="$(command -v python3)"
exec "$python" "$root/scripts/check-docs.py" --build "$build" "$@"
