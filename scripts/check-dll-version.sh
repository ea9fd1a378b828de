#!/usr/bin/env bash
# Reads the version resource back out of each built DLL, VekKestra.dll and
# VekKestraMotion.dll (MinGW's windres turns it into resource-script text), and
# checks it against the file VERSION and the licence: file and product
# version, as numbers and as text, product, file and internal name, the
# copyright line and the licence's name.
#
#   scripts/check-dll-version.sh [build-mingw-x64] [build-mingw-i686]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
version="$(tr -d ' \n' <"$root/VERSION")"
copyright="$(grep -m1 '^Copyright (c) ' "$root/LICENSE")"
IFS=. read -r major minor patch <<<"$version"
dirs=("$@")
((${#dirs[@]} > 0)) || dirs=("$root/build-mingw-x64" "$root/build-mingw-i686")

fail() { echo "check-dll-version: $*" >&2; exit 1; }

for dir in "${dirs[@]}"; do
  for name in VekKestra VekKestraMotion; do
    dll="$dir/$name.dll"
    [[ -f "$dll" ]] || fail "no $dll (build it first)"
    case "$(objdump -f "$dll" 2>/dev/null | sed -n 's/.*file format //p')" in
      pei-x86-64) windres=x86_64-w64-mingw32-windres ;;
      pei-i386) windres=i686-w64-mingw32-windres ;;
      *) fail "$dll is not a Windows DLL objdump knows" ;;
    esac
    resource="$($windres -i "$dll" -O rc)" || fail "$windres cannot read the resources of $dll"
    expect() {
      grep -qF -- "$1" <<<"$resource" || fail "$dll: no $1 in its version resource:"$'\n'"$resource"
    }
    expect "FILEVERSION $major, $minor, $patch, 0"
    expect "PRODUCTVERSION $major, $minor, $patch, 0"
    expect "FILETYPE 0x2"
    expect "VALUE \"FileVersion\", \"$version\""
    expect "VALUE \"ProductVersion\", \"$version\""
    expect "VALUE \"ProductName\", \"VekKestra\""
    expect "VALUE \"OriginalFilename\", \"$name.dll\""
    expect "VALUE \"InternalName\", \"$name\""
    expect "VALUE \"LegalCopyright\", \"$copyright; MIT License\""
    echo "ok: $dll: version resource $version ($(grep -o '[0-9]*-bit' <<<"$resource"))"
  done
done
