#!/usr/bin/env bash
# Builds the API reference of the public headers with Doxygen and fails on
# any warning: an export, parameter or return value left undocumented, or a
# comment Doxygen cannot read.
#   scripts/docs.sh [output-dir]     (default: build-docs-reference; HTML in <output-dir>/html)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/build-docs-reference}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

if ! command -v doxygen >/dev/null; then
  echo "doxygen is not installed (scripts/install-deps.sh installs it)" >&2
  exit 1
fi

cd "$root"
log="$out/warnings.log"
if ! VEK_DOCS_OUTPUT="$out" doxygen docs/Doxyfile 2>"$log"; then
  cat "$log" >&2
  echo "docs: the reference has warnings (doxygen $(doxygen --version))" >&2
  exit 1
fi
if [[ -s "$log" ]]; then
  cat "$log" >&2
  echo "docs: doxygen reported problems" >&2
  exit 1
fi
echo "docs: reference built without warnings in $out/html"
