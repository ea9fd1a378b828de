#!/usr/bin/env bash
# Runs every code block of the documentation against the simulator
# (scripts/check-docs.py says how, and how a block is marked when it cannot
# run here). Build first; the system's python3 runs the check, as it runs the
# Python blocks.
#
#   scripts/check-docs.sh [build dir, default build] [-v] [FILE.md ...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
if [[ $# -gt 0 && "$1" != *.md && "$1" != -* ]]; then
  build="$1"
  shift
fi
python=/usr/bin/python3
[[ -x "$python" ]] || python="$(command -v python3)"
exec "$python" "$root/scripts/check-docs.py" --build "$build" "$@"
