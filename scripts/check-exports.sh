#!/usr/bin/env bash
# Checks the Windows DLLs against their public headers: VekKestra.dll against
# vekkestra.h, VekKestraMotion.dll against vekkestra_motion.h and
# vekkestra_motion_calls.h. For each: the export table holds exactly the
# headers' functions, undecorated, and nothing else; the 32-bit build's
# stdcall argument sizes (the @N of its decorated names) match the headers'
# parameter lists; the import libraries resolve those names for MinGW and for
# MSVC-style linkers; the DLL needs no MinGW runtime DLL.
#
#   scripts/check-exports.sh [build-mingw-x64] [build-mingw-i686]
# (cmake/VekKestra.def is written from the operation table by the build:
# cmake --build build --target update-generated.)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
deffile="$root/cmake/VekKestra.def"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
pass() { echo "ok:   $*"; }

# "Name N" for every function that the headers declare as "<api> type <call>
# Name(...);" (a declaration may run over several lines): N is the bytes its
# arguments take on the 32-bit stack (4 per pointer, function pointer or
# 32-bit integer, 8 per double or 64-bit integer).
#   declared <api macro> <call macro> <header>...
declared() {
  local api="$1" call="$2"
  shift 2
  cat "$@" | awk -v api="$api" '
    { if (index($0, api " ") == 1) { decl = $0; open = 1 } else if (open) { decl = decl " " $0 } }
    open && /\);/ { print decl; open = 0 }' |
    sed -E "s/^.* $call ([A-Za-z_0-9]+)\((.*)\);.*$/\1|\2/" |
    awk -F'|' '{
      args = $2; bytes = 0
      gsub(/^ +| +$/, "", args)
      if (args != "void" && args != "") {
        n = split(args, a, ",")
        for (i = 1; i <= n; i++) bytes += (a[i] ~ /\*/) ? 4 : ((a[i] ~ /(^| )(double|int64_t|uint64_t)( |$)/) ? 8 : 4)
      }
      print $1, bytes
    }' | sort
}

declared VEK_API VEK_CALL "$root/include/vekkestra.h" >"$work/VekKestra.expected"
declared VEKM_API VEKM_CALL "$root/include/vekkestra_motion.h" "$root/include/vekkestra_motion_calls.h" \
  >"$work/VekKestraMotion.expected"
for dll in VekKestra VekKestraMotion; do
  awk '{print $1}' "$work/$dll.expected" >"$work/$dll.names"
done
count=$(wc -l <"$work/VekKestra.expected")
[[ "$count" -eq 145 ]] && pass "vekkestra.h declares 145 exports" || fail "vekkestra.h declares $count exports, not 145"
# The motion core's count is whatever its headers declare; they must declare some.
motion_count=$(wc -l <"$work/VekKestraMotion.expected")
((motion_count > 0)) && pass "the motion core's headers declare $motion_count functions" ||
  fail "no VEKM_API declarations found in the motion core's headers"

# The committed .def must say what the header says.
grep -E '^\s+[A-Za-z_0-9]+@[0-9]+\s*$' "$deffile" | sed -E 's/^\s+([A-Za-z_0-9]+)@([0-9]+)\s*$/\1 \2/' | sort >"$work/def"
if diff -u "$work/VekKestra.expected" "$work/def" >"$work/diff"; then
  pass "cmake/VekKestra.def matches the header"
else
  fail "cmake/VekKestra.def differs from the header (cmake --build <build> --target update-generated):"
  cat "$work/diff"
fi

# Names in a DLL's export table, one a line.
dll_exports() {
  "$1-objdump" -p "$2" | awk '/^\[Ordinal\/Name Pointer\] Table/ {on = 1; next} on && /^\s*$/ {on = 0} on {print $NF}' | sort
}

#   check_dll <triplet> <build dir> <DLL name>
check_dll() {
  local triplet="$1" dir="$2" name="$3" dll="$2/$3.dll"
  if [[ ! -f "$dll" ]]; then
    fail "$dll is missing"
    return
  fi
  dll_exports "$triplet" "$dll" >"$work/$triplet.$name.exports"
  if diff -u "$work/$name.names" "$work/$triplet.$name.exports" >"$work/diff"; then
    pass "$triplet: $name.dll exports exactly the $(wc -l <"$work/$name.names") names of its headers, undecorated"
  else
    fail "$triplet: $name.dll's export table differs from its headers:"
    cat "$work/diff"
  fi
  # No MinGW runtime DLL may be needed beside ours.
  local deps
  deps=$("$triplet-objdump" -p "$dll" | awk '/DLL Name:/ {print tolower($3)}' | sort -u | tr '\n' ' ')
  if grep -qE 'libgcc|libstdc|libwinpthread' <<<"$deps"; then
    fail "$triplet: $name.dll needs MinGW runtime DLLs: $deps"
  else
    pass "$triplet: $name.dll depends only on system DLLs and ours ($deps)"
  fi
}

# The decorated names the 32-bit compiler gave the exported functions, read
# from an import library: "Name N".
decorated_from_implib() {
  "$1-nm" "$2" 2>/dev/null | sed -nE 's/^.* [A-Z] __imp__([A-Za-z_0-9]+)@([0-9]+)$/\1 \2/p' | sort -u
}

#   check_i686_decorations <build dir> <DLL name> <object directory pattern> <name pattern>
check_i686_decorations() {
  local dir="$1" name="$2" objects="$3" names="$4"
  # What the compiler decided: the symbols of the DLL's own objects.
  find "$dir" -name '*.obj' -path "$objects" -print0 | xargs -0 -r i686-w64-mingw32-nm --defined-only 2>/dev/null |
    sed -nE "s/^.* T _(($names)[A-Za-z_0-9]*)@([0-9]+)\$/\\1 \\3/p" | sort -u >"$work/compiled"
  if diff -u "$work/$name.expected" "$work/compiled" >"$work/diff"; then
    pass "i686: the compiler's stdcall decorations of $name.dll match its headers' argument sizes"
  else
    fail "i686: $name.dll's compiled decorations differ from its headers' argument sizes:"
    cat "$work/diff"
  fi
  for lib in "lib$name.dll.a" "$name.lib"; do
    if [[ ! -f "$dir/$lib" ]]; then
      fail "i686: $lib is missing"
      continue
    fi
    decorated_from_implib i686-w64-mingw32 "$dir/$lib" >"$work/implib"
    if diff -u "$work/$name.expected" "$work/implib" >"$work/diff"; then
      pass "i686: $lib resolves Name@N for all $(wc -l <"$work/implib") exports"
    else
      fail "i686: $lib does not match the headers:"
      cat "$work/diff"
    fi
  done
}

# Links a program that takes the address of every export against an import
# library and checks that its import table asks the DLL for the undecorated
# names.
#   check_link <triplet> <build dir> mingw|msvc <DLL name> <header>
check_link() {
  local triplet="$1" dir="$2" how="$3" name="$4" header="$5"
  local exe="$work/$triplet-$how-$name.exe" implib
  {
    echo "#include \"$header\""
    echo 'typedef void (*AnyFunction)(void);'
    echo 'AnyFunction used[] = {'
    sed 's/^\(.*\)$/  (AnyFunction)\&\1,/' "$work/$name.names"
    echo '};'
  } >"$work/calls.c"
  case "$how" in
    mingw)
      implib="lib$name.dll.a"
      echo 'int main(void) { return used[0] == 0; }' >>"$work/calls.c"
      "$triplet-gcc" -I"$root/include" -o "$exe" "$work/calls.c" "$dir/$implib" 2>"$work/link.log" || {
        fail "$triplet: a MinGW program does not link against $implib:"
        head -5 "$work/link.log"
        return
      }
      ;;
    msvc)
      implib="$name.lib"
      if ! command -v lld-link >/dev/null || ! command -v clang >/dev/null; then
        echo "skip: $triplet: clang/lld-link not installed, $implib not link-tested"
        return
      fi
      local target machine
      if [[ "$triplet" == i686* ]]; then target=i686-pc-windows-msvc machine=x86; else target=x86_64-pc-windows-msvc machine=x64; fi
      # No C runtime: an entry point of our own keeps the test free of MSVC's libraries.
      echo 'int _fltused; int __cdecl start(void) { return used[0] == 0; }' >>"$work/calls.c"
      clang --target="$target" -ffreestanding -I"$root/include" -c "$work/calls.c" -o "$work/calls.obj" &&
        lld-link /nologo /machine:"$machine" /entry:start /nodefaultlib /subsystem:console /out:"$exe" \
          "$work/calls.obj" "$dir/$implib" >"$work/link.log" 2>&1 || {
        fail "$triplet: an MSVC-style program does not link against $implib:"
        head -5 "$work/link.log"
        return
      }
      ;;
  esac
  "$triplet-objdump" -p "$exe" | awk -v dll="$name.dll" '$1 == "DLL" && $2 == "Name:" {on = ($3 == dll); next}
    on && NF == 3 && $1 ~ /^[0-9a-f]+$/ {print $3}' | sort >"$work/imports"
  if diff -u "$work/$name.names" "$work/imports" >"$work/diff"; then
    pass "$triplet: a $how program imports all $(wc -l <"$work/imports") names from $name.dll"
  else
    fail "$triplet: the $how program's imports from $name.dll differ:"
    head -20 "$work/diff"
  fi
}

x64dir="${1:-$root/build-mingw-x64}"
i686dir="${2:-$root/build-mingw-i686}"

for spec in VekKestra:vekkestra.h VekKestraMotion:vekkestra_motion_calls.h; do
  name="${spec%%:*}" header="${spec#*:}"
  echo "== $name.dll"
  check_dll x86_64-w64-mingw32 "$x64dir" "$name"
  check_link x86_64-w64-mingw32 "$x64dir" mingw "$name" "$header"
  check_link x86_64-w64-mingw32 "$x64dir" msvc "$name" "$header"
  check_dll i686-w64-mingw32 "$i686dir" "$name"
  if [[ "$name" == VekKestra ]]; then
    check_i686_decorations "$i686dir" "$name" '*vekkestra_objects*' 'VEKnet_|VEKser_|VEK_'
  else
    check_i686_decorations "$i686dir" "$name" '*vekkestra_motion_objects*' 'vekm_'
  fi
  check_link i686-w64-mingw32 "$i686dir" mingw "$name" "$header"
  check_link i686-w64-mingw32 "$i686dir" msvc "$name" "$header"
done

if [[ $failures -ne 0 ]]; then
  echo "export check: $failures failure(s)"
  exit 1
fi
echo "export check: all passed"
