#!/usr/bin/env bash
# Checks the Windows DLLs against the public header: the export table holds
# exactly the header's functions, undecorated, and nothing else; the 32-bit
# build's stdcall argument sizes (the @N of its decorated names) match the
# header's parameter lists; the import libraries resolve those names for
# MinGW and for MSVC-style linkers.
#
#   scripts/check-exports.sh [build-mingw-x64] [build-mingw-i686]
# (cmake/VekKestra.def is written from the operation table by the build:
# cmake --build build --target update-generated.)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
header="$root/include/vekkestra.h"
deffile="$root/cmake/VekKestra.def"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# "Name N" for every export of the header: N is the bytes its arguments take
# on the 32-bit stack (4 per pointer or 32-bit integer, 8 per double).
header_exports() {
  grep -E '^VEK_API .* VEK_CALL [A-Za-z_0-9]+\(.*\);$' "$header" |
    sed -E 's/^.* VEK_CALL ([A-Za-z_0-9]+)\((.*)\);$/\1|\2/' |
    awk -F'|' '{
      args = $2; bytes = 0
      if (args != "void" && args != "") {
        n = split(args, a, ",")
        for (i = 1; i <= n; i++) bytes += (a[i] ~ /\*/) ? 4 : ((a[i] ~ /(^| )(double|int64_t|uint64_t)( |$)/) ? 8 : 4)
      }
      print $1, bytes
    }' | sort
}

header_exports >"$work/expected"
count=$(wc -l <"$work/expected")


failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
pass() { echo "ok:   $*"; }

[[ "$count" -eq 145 ]] && pass "header declares 145 exports" || fail "header declares $count exports, not 145"

# The committed .def must say what the header says.
grep -E '^\s+[A-Za-z_0-9]+@[0-9]+\s*$' "$deffile" | sed -E 's/^\s+([A-Za-z_0-9]+)@([0-9]+)\s*$/\1 \2/' | sort >"$work/def"
if diff -u "$work/expected" "$work/def" >"$work/diff"; then
  pass "cmake/VekKestra.def matches the header"
else
  fail "cmake/VekKestra.def differs from the header (cmake --build <build> --target update-generated):"
  cat "$work/diff"
fi

awk '{print $1}' "$work/expected" >"$work/names"

# Names in a DLL's export table, one a line.
dll_exports() {
  "$1-objdump" -p "$2" | awk '/^\[Ordinal\/Name Pointer\] Table/ {on = 1; next} on && /^\s*$/ {on = 0} on {print $NF}' | sort
}

check_dll() {
  local triplet="$1" dir="$2" dll="$2/VekKestra.dll"
  if [[ ! -f "$dll" ]]; then
    fail "$dll is missing"
    return
  fi
  dll_exports "$triplet" "$dll" >"$work/$triplet.exports"
  if diff -u "$work/names" "$work/$triplet.exports" >"$work/diff"; then
    pass "$triplet: VekKestra.dll exports exactly the 145 names, undecorated"
  else
    fail "$triplet: export table differs from the header:"
    cat "$work/diff"
  fi
  # No MinGW runtime DLL may be needed beside ours.
  local deps
  deps=$("$triplet-objdump" -p "$dll" | awk '/DLL Name:/ {print tolower($3)}' | sort -u | tr '\n' ' ')
  if grep -qE 'libgcc|libstdc|libwinpthread' <<<"$deps"; then
    fail "$triplet: VekKestra.dll needs MinGW runtime DLLs: $deps"
  else
    pass "$triplet: depends only on system DLLs ($deps)"
  fi
}

# The decorated names the 32-bit compiler gave the exported functions, read
# from the import library: "Name N".
decorated_from_implib() {
  "$1-nm" "$2" 2>/dev/null | sed -nE 's/^.* [A-Z] __imp__([A-Za-z_0-9]+)@([0-9]+)$/\1 \2/p' | sort -u
}

check_i686_decorations() {
  local dir="$1"
  # What the compiler decided: the symbols of the library's own objects.
  find "$dir" -name '*.obj' -path '*vekkestra_objects*' -print0 | xargs -0 -r i686-w64-mingw32-nm --defined-only 2>/dev/null |
    sed -nE 's/^.* T _((VEKnet_|VEKser_|VEK_)[A-Za-z_0-9]+)@([0-9]+)$/\1 \3/p' | sort -u >"$work/compiled"
  if diff -u "$work/expected" "$work/compiled" >"$work/diff"; then
    pass "i686: the compiler's stdcall decorations match the header's argument sizes"
  else
    fail "i686: compiled decorations differ from the header's argument sizes:"
    cat "$work/diff"
  fi
  for lib in libVekKestra.dll.a VekKestra.lib; do
    if [[ ! -f "$dir/$lib" ]]; then
      fail "i686: $lib is missing"
      continue
    fi
    decorated_from_implib i686-w64-mingw32 "$dir/$lib" >"$work/implib"
    if diff -u "$work/expected" "$work/implib" >"$work/diff"; then
      pass "i686: $lib resolves Name@N for all 145 exports"
    else
      fail "i686: $lib does not match the header:"
      cat "$work/diff"
    fi
  done
}

# Links a program that calls every export against an import library and
# checks that its import table asks VekKestra.dll for the undecorated names.
check_link() {
  local triplet="$1" dir="$2" how="$3"
  local exe="$work/$1-$3.exe"
  {
    echo '#include "vekkestra.h"'
    echo 'typedef void (*AnyFunction)(void);'
    echo 'AnyFunction used[] = {'
    sed 's/^\(.*\)$/  (AnyFunction)\&\1,/' "$work/names"
    echo '};'
  } >"$work/calls.c"
  case "$how" in
    mingw)
      echo 'int main(void) { return used[0] == 0; }' >>"$work/calls.c"
      "$triplet-gcc" -I"$root/include" -o "$exe" "$work/calls.c" "$dir/libVekKestra.dll.a" 2>"$work/link.log" || {
        fail "$triplet: a MinGW program does not link against libVekKestra.dll.a:"
        head -5 "$work/link.log"
        return
      }
      ;;
    msvc)
      if ! command -v lld-link >/dev/null || ! command -v clang >/dev/null; then
        echo "skip: $triplet: clang/lld-link not installed, VekKestra.lib not link-tested"
        return
      fi
      local target machine
      if [[ "$triplet" == i686* ]]; then target=i686-pc-windows-msvc machine=x86; else target=x86_64-pc-windows-msvc machine=x64; fi
      # No C runtime: an entry point of our own keeps the test free of MSVC's libraries.
      echo 'int _fltused; int __cdecl start(void) { return used[0] == 0; }' >>"$work/calls.c"
      clang --target="$target" -ffreestanding -I"$root/include" -c "$work/calls.c" -o "$work/calls.obj" &&
        lld-link /nologo /machine:"$machine" /entry:start /nodefaultlib /subsystem:console /out:"$exe" \
          "$work/calls.obj" "$dir/VekKestra.lib" >"$work/link.log" 2>&1 || {
        fail "$triplet: an MSVC-style program does not link against VekKestra.lib:"
        head -5 "$work/link.log"
        return
      }
      ;;
  esac
  "$triplet-objdump" -p "$exe" | awk '/DLL Name: VekKestra.dll/ {on = 1; next} on && /DLL Name:/ {on = 0} on && NF == 3 && $1 ~ /^[0-9a-f]+$/ {print $3}' | sort >"$work/imports"
  if diff -u "$work/names" "$work/imports" >"$work/diff"; then
    pass "$triplet: a $how program imports all 145 names from VekKestra.dll"
  else
    fail "$triplet: the $how program's imports differ:"
    head -20 "$work/diff"
  fi
}

x64dir="${1:-$root/build-mingw-x64}"
i686dir="${2:-$root/build-mingw-i686}"

check_dll x86_64-w64-mingw32 "$x64dir"
check_link x86_64-w64-mingw32 "$x64dir" mingw
check_link x86_64-w64-mingw32 "$x64dir" msvc
check_dll i686-w64-mingw32 "$i686dir"
check_i686_decorations "$i686dir"
check_link i686-w64-mingw32 "$i686dir" mingw
check_link i686-w64-mingw32 "$i686dir" msvc

if [[ $failures -ne 0 ]]; then
  echo "export check: $failures failure(s)"
  exit 1
fi
echo "export check: all passed"
