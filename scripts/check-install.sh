#!/usr/bin/env bash
# Checks what `cmake --install` delivers (Linux): installs a build into a
# temporary prefix, builds examples/consumer (a program on the library, one
# on the motion core) against that prefix alone, once through the CMake
# package and once through pkg-config, runs them, and checks both shared
# libraries' files, SONAMEs and exports, that the motion core uses the
# installed library, that the installed vekctl finds the libraries by itself,
# and that the installed Python package imports.
#
#   scripts/check-install.sh [build dir, default build]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
src="$root/examples/consumer"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"

fail() { echo "check-install: $*" >&2; exit 1; }
ok() { echo "ok: $*"; }

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "install failed"; }
libdir="$prefix/$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")"
export PKG_CONFIG_LIBDIR="$libdir/pkgconfig"  # this prefix's .pc files only
unset PKG_CONFIG_PATH
version="$(pkg-config --modversion vekkestra)" || fail "no vekkestra.pc in $libdir/pkgconfig"
[[ "$(pkg-config --modversion vekkestra-motion)" == "$version" ]] || fail "vekkestra-motion.pc is not version $version"
[[ "$(pkg-config --libs vekkestra-motion)" == *"-lvekkestra-motion"*"-lvekkestra"* ]] ||
  fail "vekkestra-motion.pc does not bring the library along: $(pkg-config --libs vekkestra-motion)"
soname_of() { echo "lib$1.so.${version%%.*}"; }

# Each shared library: a real file named by the full version, the SONAME
# link and the development link, SONAME lib<name>.so.<major>, and exactly
# the functions its installed headers declare exported, nothing more.
#   check_library <name> <declaration macro> <calling-convention macro> <header>...
check_library() {
  local name="$1" api="$2" call="$3" soname lib
  shift 3
  soname="$(soname_of "$name")"
  lib="$libdir/$soname"
  [[ -f "$libdir/lib$name.so.$version" && ! -L "$libdir/lib$name.so.$version" ]] || fail "no lib$name.so.$version"
  [[ "$(readlink "$lib")" == "lib$name.so.$version" ]] || fail "$lib does not point at lib$name.so.$version"
  [[ "$(readlink "$libdir/lib$name.so")" == "$soname" ]] || fail "lib$name.so does not point at $soname"
  [[ "$(readelf -d "$lib")" == *"Library soname: [$soname]"* ]] || fail "SONAME of $lib is not $soname"
  local header
  for header in "$@"; do
    [[ -f "$prefix/include/$header" ]] || fail "$header is not installed"
    grep -E "^$api .* $call [A-Za-z_0-9]+\(" "$prefix/include/$header" | sed -E "s/^.* $call ([A-Za-z_0-9]+)\(.*$/\1/"
  done | sort >"$work/$name.declared"
  [[ -s "$work/$name.declared" ]] || fail "no $api declarations found in $*"
  nm -D --defined-only "$lib" | awk '$2 == "T" { print $3 }' | sort >"$work/$name.exported"
  diff "$work/$name.declared" "$work/$name.exported" >&2 ||
    fail "lib$name exports differ from $* (< header, > library)"
  ok "lib$name.so.$version, SONAME $soname, $(wc -l <"$work/$name.exported") exports: those of $*"
}
check_library vekkestra VEK_API VEK_CALL vekkestra.h
check_library vekkestra-motion VEKM_API VEKM_CALL vekkestra_motion.h vekkestra_motion_calls.h
motion_lib="$libdir/$(soname_of vekkestra-motion)"
[[ "$(readelf -d "$motion_lib")" == *"Shared library: [$(soname_of vekkestra)]"* ]] ||
  fail "the motion core does not need $(soname_of vekkestra)"
[[ "$(LD_LIBRARY_PATH="$libdir" ldd "$motion_lib")" == *"$(soname_of vekkestra) => $libdir/$(soname_of vekkestra) "* ]] ||
  fail "the motion core does not load the prefix's library: $(LD_LIBRARY_PATH="$libdir" ldd "$motion_lib")"
ok "the motion core needs and loads $libdir/$(soname_of vekkestra)"

# A consumer, built against the prefix only, run with the prefix's libraries
# (the library it calls, and what that one loads in turn):
#   run_consumer <binary> <how> <library it needs> <what its output must look like>
run_consumer() {
  local binary="$1" how="$2" needs="$3" expected="$4" loaded output name
  [[ "$(readelf -d "$binary")" == *"Shared library: [$(soname_of "$needs")]"* ]] ||
    fail "$how ${binary##*/} does not need lib$needs"
  loaded="$(LD_LIBRARY_PATH="$libdir" ldd "$binary")"
  for name in $needs vekkestra; do
    [[ "$loaded" == *"$(soname_of "$name") => $libdir/$(soname_of "$name") "* ]] ||
      fail "$how ${binary##*/} does not load the prefix's lib$name: $loaded"
  done
  output="$(LD_LIBRARY_PATH="$libdir" "$binary")" || fail "$how ${binary##*/}: $output"
  # shellcheck disable=SC2053  # the pattern is meant to match
  [[ "$output" == $expected ]] || fail "$how ${binary##*/} printed: $output"
  ok "$how ${binary##*/}: ${output//$'\n'/; }"
}
consumer_pattern="version: VekKestra DLL v*result 202, system error *"
# vekkestra_motion.h: VEKM_LIMIT is 1001, of kind "limit"; 202 is a connection failure.
motion_pattern="motion core: $version"$'\n'"code 1001: VEKM_LIMIT, kind limit"$'\n'
motion_pattern+="open 127.0.0.1:1: VEK_ERROR_ETHERNET_CONNECT (202), kind connection, controller none"
run_consumers() {
  run_consumer "$1/consumer" "$2" vekkestra "$consumer_pattern"
  run_consumer "$1/motion_consumer" "$2" vekkestra-motion "$motion_pattern"
}

cmake -S "$src" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF \
  -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF >"$work/cmake.log" || { cat "$work/cmake.log"; fail "consumer configure"; }
package_dir="$(sed -n 's/^VekKestra_DIR:PATH=//p' "$work/cmake/CMakeCache.txt")"
[[ "$package_dir" == "$prefix/"* ]] || fail "find_package took VekKestra from $package_dir"
cmake --build "$work/cmake" >"$work/build.log" || { cat "$work/build.log"; fail "consumer build (CMake)"; }
run_consumers "$work/cmake" "CMake package"

mkdir "$work/pkg-config"
make -s -C "$work/pkg-config" -f "$src/Makefile" SRCDIR="$src" || fail "consumer build (pkg-config)"
run_consumers "$work/pkg-config" "pkg-config"

# The installed tools find the libraries through their own run path.
for tool in vekctl veksim; do
  if [[ -x "$prefix/bin/$tool" ]]; then
    env -u LD_LIBRARY_PATH "$prefix/bin/$tool" --help >/dev/null || fail "installed $tool --help"
    ok "installed $tool runs"
  fi
done

# The Python package, imported from the prefix (not from the source tree),
# finds the prefix's library and motion core by itself: the process maps
# them, and no other VekKestra library.
python_dir="$prefix/share/vekkestra/python"
if [[ -d "$python_dir/vekkestra" ]] && command -v python3 >/dev/null; then
  imported="$(cd "$work" && env -u VEKKESTRA_LIBRARY -u VEKKESTRA_MOTION_LIBRARY PYTHONPATH="$python_dir" \
    PYTHONDONTWRITEBYTECODE=1 python3 -c '
import vekkestra
print(vekkestra.__file__)
print(vekkestra.version())
print(vekkestra.core_version())
with open("/proc/self/maps") as maps:
    print(" ".join(sorted({line.split()[-1] for line in maps if "libvekkestra" in line})))')" || fail "Python import"
  expected="$python_dir/vekkestra/__init__.py"$'\n'"VekKestra DLL v*"$'\n'"$version"$'\n'
  expected+="$libdir/libvekkestra-motion.so.$version $libdir/libvekkestra.so.$version"
  # shellcheck disable=SC2053  # the pattern is meant to match
  [[ "$imported" == $expected ]] || fail "Python: $imported"
  ok "Python package from $python_dir: ${imported//$'\n'/; }"
fi
