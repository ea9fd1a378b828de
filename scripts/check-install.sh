#!/usr/bin/env bash
# Checks what `cmake --install` delivers (Linux): installs a build into a
# temporary prefix, builds examples/consumer against that prefix alone, once
# through the CMake package and once through pkg-config, runs both, and checks
# the installed library's SONAME and exports, that the installed vekctl finds
# the library by itself, and that the installed Python package imports.
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

# The shared library: a real file named by the full version, the SONAME link
# and the development link, SONAME libvekkestra.so.<major>.
lib="$libdir/libvekkestra.so.${version%%.*}"
[[ -f "$libdir/libvekkestra.so.$version" && ! -L "$libdir/libvekkestra.so.$version" ]] ||
  fail "no libvekkestra.so.$version"
[[ "$(readlink "$lib")" == "libvekkestra.so.$version" ]] || fail "$lib does not point at libvekkestra.so.$version"
[[ "$(readlink "$libdir/libvekkestra.so")" == "${lib##*/}" ]] || fail "libvekkestra.so does not point at ${lib##*/}"
dynamic="$(readelf -d "$lib")"
[[ "$dynamic" == *"Library soname: [${lib##*/}]"* ]] || fail "SONAME of $lib is not ${lib##*/}"
ok "libvekkestra.so.$version, SONAME ${lib##*/}"

# Exactly the header's functions are exported, nothing more.
grep -E '^VEK_API .* VEK_CALL [A-Za-z_0-9]+\(' "$prefix/include/vekkestra.h" |
  sed -E 's/^.* VEK_CALL ([A-Za-z_0-9]+)\(.*$/\1/' | sort >"$work/header-names"
nm -D --defined-only "$lib" | awk '$2 == "T" { print $3 }' | sort >"$work/exported-names"
diff "$work/header-names" "$work/exported-names" >&2 || fail "exports differ from the installed header (< header, > library)"
ok "$(wc -l <"$work/exported-names") exports, those of the installed header"

# The consumer, built against the prefix only, run with the prefix's library.
run_consumer() {
  local binary="$1" how="$2" needed loaded output
  needed="$(readelf -d "$binary")"
  [[ "$needed" == *"Shared library: [${lib##*/}]"* ]] || fail "$how consumer does not need ${lib##*/}"
  loaded="$(LD_LIBRARY_PATH="$libdir" ldd "$binary")"
  [[ "$loaded" == *"${lib##*/} => $lib "* ]] || fail "$how consumer does not load $lib: $loaded"
  output="$(LD_LIBRARY_PATH="$libdir" "$binary")" || fail "$how consumer: $output"
  [[ "$output" == "version: VekKestra DLL v"*"result 202, system error "* ]] || fail "$how consumer printed: $output"
  ok "$how consumer: ${output//$'\n'/; }"
}

cmake -S "$src" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF \
  -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF >"$work/cmake.log" || { cat "$work/cmake.log"; fail "consumer configure"; }
package_dir="$(sed -n 's/^VekKestra_DIR:PATH=//p' "$work/cmake/CMakeCache.txt")"
[[ "$package_dir" == "$prefix/"* ]] || fail "find_package took VekKestra from $package_dir"
cmake --build "$work/cmake" >"$work/build.log" || { cat "$work/build.log"; fail "consumer build (CMake)"; }
run_consumer "$work/cmake/consumer" "CMake package"

mkdir "$work/pkg-config"
make -s -C "$work/pkg-config" -f "$src/Makefile" SRCDIR="$src" || fail "consumer build (pkg-config)"
run_consumer "$work/pkg-config/consumer" "pkg-config"

# The installed tools find the library through their own run path.
for tool in vekctl veksim; do
  if [[ -x "$prefix/bin/$tool" ]]; then
    env -u LD_LIBRARY_PATH "$prefix/bin/$tool" --help >/dev/null || fail "installed $tool --help"
    ok "installed $tool runs"
  fi
done

# The Python package, imported from the prefix (not from the source tree),
# finds the prefix's library by itself.
python_dir="$prefix/share/vekkestra/python"
if [[ -d "$python_dir/vekkestra" ]] && command -v python3 >/dev/null; then
  imported="$(cd "$work" && env -u VEKKESTRA_LIBRARY PYTHONPATH="$python_dir" PYTHONDONTWRITEBYTECODE=1 \
    python3 -c 'import vekkestra; print(vekkestra.__file__); print(vekkestra.version()); print(vekkestra.library_path())')" ||
    fail "Python import"
  [[ "$imported" == "$python_dir/vekkestra/__init__.py"$'\n'"VekKestra DLL v"*$'\n'"$lib" ]] || fail "Python: $imported"
  ok "Python package from $python_dir loads ${lib#"$prefix"/}"
fi
