#!/usr/bin/env bash
# Builds the Debian packages as a release is built (configured for /usr, the
# API reference included), checks them with lintian, installs them with dpkg
# and tries what was installed as a user would: `vekctl demo` from /usr/bin,
# the man pages, the Python package with the system's python3 and no
# VEKKESTRA_LIBRARY, a program built against libvekkestra-dev through its
# CMake package and its pkg-config file. The packages are removed again at
# the end, whatever happened.
#
#   scripts/check-packages.sh [build dir, default build-packages]
#
# dpkg needs root (sudo is used otherwise). Lintian errors fail the check;
# the warnings that remain are printed (the README's install section says
# why each is there).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-packages}"
work="$(mktemp -d)"
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
installed=()

fail() { echo "check-packages: $*" >&2; exit 1; }
ok() { echo "ok: $*"; }

# dpkg with its lock shared by every engineer and CI on the machine: wait for
# it instead of failing.
dpkg_locked() {
  local tries=0
  until $sudo dpkg "$@" 2>"$work/dpkg.err"; do
    if grep -q "lock" "$work/dpkg.err" && ((tries++ < 90)); then sleep 10; continue; fi
    cat "$work/dpkg.err" >&2
    return 1
  done
}
cleanup() {
  ((${#installed[@]} == 0)) || dpkg_locked --purge "${installed[@]}" >/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

version="$(tr -d ' \n' <"$root/VERSION")"
echo "== build $version for /usr in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DVEK_BUILD_TESTS=OFF -DVEK_BUILD_BENCH=OFF >"$work/configure.log" || { cat "$work/configure.log"; fail "configure"; }
cmake --build "$build" -j2 >"$work/build.log" || { tail -50 "$work/build.log"; fail "build"; }
cmake --build "$build" --target docs >"$work/docs.log" 2>&1 || { cat "$work/docs.log"; fail "API reference"; }
rm -rf "$build/packages"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$build/packages" >"$work/cpack.log" ||
  { cat "$work/cpack.log"; fail "cpack"; }
shopt -s nullglob
debs=("$build"/packages/*.deb)
names=()
for deb in "${debs[@]}"; do names+=("$(dpkg-deb -f "$deb" Package)"); done
for expected in libvekkestra1 libvekkestra-dev vekkestra-tools python3-vekkestra; do
  [[ " ${names[*]} " == *" $expected "* ]] || fail "no $expected package among: ${names[*]}"
done
ok "packages: ${names[*]}"

echo "== lintian"
for deb in "${debs[@]}"; do
  # Lintian's own exit status fails on errors only; warnings are shown.
  lintian --fail-on error --tag-display-limit 0 "$deb" | tee "$work/lintian.txt" ||
    fail "lintian finds errors in ${deb##*/}"
  ok "lintian ${deb##*/}: $(grep -c '^E:' "$work/lintian.txt" || true) errors, $(grep -c '^W:' "$work/lintian.txt" || true) warnings"
done

echo "== what each package holds"
contents() { dpkg-deb -c "$build/packages/$1"_*.deb | awk '{ print $6 }'; }
expect() {  # package, path patterns that must be there
  local package="$1" listing
  shift
  listing="$(contents "$package")"
  for pattern in "$@"; do
    grep -qE "^\./$pattern\$" <<<"$listing" || fail "$package lacks $pattern"
  done
  grep -qE "^\./usr/share/doc/$package/copyright$" <<<"$listing" || fail "$package has no copyright file"
  ok "$package holds ${*//\\/}"
}
multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)"
expect libvekkestra1 "usr/lib/$multiarch/libvekkestra\.so\.1" "usr/lib/$multiarch/libvekkestra\.so\.$version"
expect libvekkestra-dev usr/include/vekkestra\.h "usr/lib/$multiarch/libvekkestra\.so" \
  "usr/lib/$multiarch/pkgconfig/vekkestra\.pc" "usr/lib/$multiarch/cmake/VekKestra/VekKestraConfig\.cmake" \
  usr/share/doc/libvekkestra-dev/html/index\.html usr/share/doc/libvekkestra-dev/examples/move_xy\.c
expect vekkestra-tools usr/bin/vekctl usr/bin/veksim usr/share/man/man1/vekctl\.1\.gz usr/share/man/man1/veksim\.1\.gz
expect python3-vekkestra usr/lib/python3/dist-packages/vekkestra/__init__\.py \
  usr/lib/python3/dist-packages/vekkestra/plot\.py
dpkg-deb --ctrl-tarfile "$build/packages/libvekkestra1_"*.deb | tar -xO ./triggers 2>/dev/null |
  grep -q "^activate-noawait ldconfig" || fail "libvekkestra1 has no ldconfig trigger"
dpkg-deb -f "$build/packages/libvekkestra1_"*.deb Version | grep -qx "$version" || fail "libvekkestra1 is not $version"
ok "libvekkestra1 $version with an ldconfig trigger"

echo "== install with dpkg"
for name in "${names[@]}"; do
  if dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "ok installed"; then
    fail "$name is installed already; remove it first (this check removes what it installs)"
  fi
done
installed=("${names[@]}")
dpkg_locked --install "${debs[@]}" >"$work/dpkg.log" || { cat "$work/dpkg.log"; fail "dpkg --install"; }
ok "installed ${names[*]}"

echo "== try what was installed"
cd "$work"
[[ "$(command -v vekctl)" == /usr/bin/vekctl ]] || fail "vekctl is not /usr/bin/vekctl but $(command -v vekctl)"
[[ "$(env -u LD_LIBRARY_PATH /usr/bin/vekctl --version | head -1)" == "vekctl $version" ]] ||
  fail "vekctl --version: $(/usr/bin/vekctl --version)"
env -u LD_LIBRARY_PATH /usr/bin/vekctl demo >"$work/demo.out" 2>"$work/demo.err" ||
  { cat "$work/demo.out" "$work/demo.err"; fail "vekctl demo"; }
grep -qE "^X +8000 " "$work/demo.out" && grep -q "^demo finished$" "$work/demo.err" ||
  { cat "$work/demo.out" "$work/demo.err"; fail "vekctl demo printed something else"; }
ok "vekctl demo from the package: $(grep -E '^[XY] ' "$work/demo.out" | tr -s ' ' | paste -sd';')"
for page in vekctl veksim; do
  zcat "/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH ${page^^} \"1\"" || fail "man page of $page"
done
ok "man pages of vekctl and veksim"
zcat /usr/share/man/man1/VekKestraDS.1.gz | grep -q '^\.TH VEKKESTRADS 1 "" "VekKestra '"$version"'"' ||
  fail "man page of VekKestraDS"
tango_version="$(env -u PYTHONPATH -u VEKKESTRA_LIBRARY /usr/bin/VekKestraDS --version 2>&1)" ||
  fail "VekKestraDS --version: $tango_version"
[[ "$tango_version" == *"$version"* ]] || fail "VekKestraDS --version: $tango_version"
ok "VekKestraDS from the package: ${tango_version//$'\n'/; }"

python=/usr/bin/python3
found="$(env -u VEKKESTRA_LIBRARY -u PYTHONPATH PYTHONDONTWRITEBYTECODE=1 $python -c \
  'import vekkestra; print(vekkestra.__file__); print(vekkestra.__version__); print(vekkestra.version())')" ||
  fail "the system's python3 cannot import vekkestra"
[[ "$found" == "/usr/lib/python3/dist-packages/vekkestra/__init__.py"$'\n'"$version"$'\n'"VekKestra DLL v"* ]] ||
  fail "import vekkestra gave: $found"
ok "python3: ${found//$'\n'/; }"
if $python -c 'import matplotlib' 2>/dev/null; then
  env -u LD_LIBRARY_PATH /usr/bin/vekctl demo --plot "$work/demo.png" >/dev/null 2>"$work/plot.err" ||
    { cat "$work/plot.err"; fail "vekctl demo --plot"; }
  [[ "$(head -c 8 "$work/demo.png" | od -An -tx1 | tr -d ' \n')" == 89504e470d0a1a0a ]] || fail "demo.png is no PNG"
  ok "vekctl demo --plot drew demo.png from demo.csv ($(($(wc -l <"$work/demo.csv") - 1)) rows)"
fi

# A program built against the installed development package alone.
src="$root/examples/consumer"
cmake -S "$src" -B "$work/consumer" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >"$work/consumer.log" &&
  cmake --build "$work/consumer" >>"$work/consumer.log" || { cat "$work/consumer.log"; fail "consumer (CMake)"; }
grep -q "^VekKestra_DIR:PATH=/usr/lib/$multiarch/cmake/VekKestra$" "$work/consumer/CMakeCache.txt" ||
  fail "the consumer did not take the installed CMake package"
mkdir "$work/pkg-config"
make -s -C "$work/pkg-config" -f "$src/Makefile" SRCDIR="$src" >/dev/null || fail "consumer (pkg-config)"
for consumer in "$work/consumer/consumer" "$work/pkg-config/consumer"; do
  output="$(env -u LD_LIBRARY_PATH "$consumer")" || fail "$consumer: $output"
  [[ "$output" == "version: VekKestra DLL v"* ]] || fail "$consumer printed: $output"
  # /lib is /usr/lib on a merged-/usr system; the dynamic linker may name either.
  ldd "$consumer" | grep -qE "libvekkestra\.so\.1 => (/usr)?/lib/$multiarch/libvekkestra\.so\.1 " ||
    fail "$consumer does not load the installed library: $(ldd "$consumer")"
done
ok "consumer built with the CMake package and with pkg-config, runs with /usr/lib/$multiarch/libvekkestra.so.1"
echo "check-packages: all checks passed"
