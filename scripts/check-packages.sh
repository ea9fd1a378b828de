#!/usr/bin/env bash
# Builds the Debian packages as a release is built (configured for /usr, with
# Debian's hardening build flags, the API reference included), checks them as
# a Debian maintainer would, installs them with dpkg, tries what was installed
# as a user would, purges them and checks that nothing of them is left.
#
#   scripts/check-packages.sh [build dir, default build-packages]
#
# The checks:
# - lintian -I --pedantic reports nothing; an override (the panel's page is
#   no documentation) names its file and follows a comment that says why;
# - every ELF file of every package is hardened (hardening-check: PIE where
#   it applies, stack protector, fortify, relro, bindnow);
# - every package holding ELF files depends, with a version, on the package
#   of each library its files need (dpkg-shlibdeps); the Python package on
#   this very version of both libraries;
# - the library packages carry their symbols file (exactly the library's
#   exports, each at the version that first had it, none later than the
#   package), the ldconfig trigger and no maintainer scripts; the Python
#   packages byte-compile in postinst and clean up in prerm;
# - no README under /usr/share/vekkestra; man pages without CLI11's type
#   names, naming documentation that the installed packages hold;
# - installed: the dynamic linker's cache has both libraries, `vekctl demo`,
#   the man pages, `import vekkestra` and VekKestraDS as root (bytecode
#   written), a program on the library and one on the motion core built
#   against libvekkestra-dev through its CMake package and through pkg-config;
# - purged: no file and no directory that the packages brought remains, and
#   the dynamic linker's cache has forgotten the libraries.
#
# dpkg needs root (sudo is used otherwise).
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
multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)"
libdir="usr/lib/$multiarch"

echo "== build $version for /usr in $build, with dpkg-buildflags' hardening"
# As debian/rules builds: every hardening feature, CPPFLAGS (fortify) given to
# the compilers as CMake takes no CPPFLAGS.
flags="$(cd "$root" && DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
eval "$flags"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DVEK_BUILD_TESTS=OFF -DVEK_BUILD_BENCH=OFF -DCMAKE_C_FLAGS="$CFLAGS $CPPFLAGS" \
  -DCMAKE_CXX_FLAGS="$CXXFLAGS $CPPFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" \
  -DCMAKE_SHARED_LINKER_FLAGS="$LDFLAGS" -DCMAKE_MODULE_LINKER_FLAGS="$LDFLAGS" >"$work/configure.log" ||
  { cat "$work/configure.log"; fail "configure"; }
cmake --build "$build" -j2 >"$work/build.log" || { tail -50 "$work/build.log"; fail "build"; }
cmake --build "$build" --target docs >"$work/docs.log" 2>&1 || { cat "$work/docs.log"; fail "API reference"; }
rm -rf "$build/packages"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$build/packages" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
shopt -s nullglob
debs=("$build"/packages/*.deb)
names=()
for deb in "${debs[@]}"; do names+=("$(dpkg-deb -f "$deb" Package)"); done
for expected in libvekkestra1 libvekkestra-motion1 libvekkestra-dev vekkestra-tools python3-vekkestra; do
  [[ " ${names[*]} " == *" $expected "* ]] || fail "no $expected package among: ${names[*]}"
done
ok "packages: ${names[*]}"
deb_of() { echo "$build/packages/$1_"*.deb; }

echo "== lintian -I --pedantic"
# Anything lintian reports fails; an override must say why (a comment above it).
for deb in "${debs[@]}"; do
  lintian -I --pedantic --fail-on error,warning,info,pedantic --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>&1 ||
    { cat "$work/lintian.txt"; fail "lintian reports on ${deb##*/}"; }
  grep -E '^[EWIPXO]: ' "$work/lintian.txt" && fail "lintian reports on ${deb##*/}"
  ok "lintian -I --pedantic ${deb##*/}: nothing to report"
done

echo "== what each package holds"
contents() { dpkg-deb -c "$(deb_of "$1")" | awk '{ print $6 }'; }
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
expect libvekkestra1 "$libdir/libvekkestra\.so\.1" "$libdir/libvekkestra\.so\.$version"
expect libvekkestra-motion1 "$libdir/libvekkestra-motion\.so\.1" "$libdir/libvekkestra-motion\.so\.$version"
expect libvekkestra-dev usr/include/vekkestra\.h usr/include/vekkestra_motion\.h usr/include/vekkestra_motion_calls\.h \
  "$libdir/libvekkestra\.so" "$libdir/libvekkestra-motion\.so" "$libdir/pkgconfig/vekkestra\.pc" \
  "$libdir/pkgconfig/vekkestra-motion\.pc" "$libdir/cmake/VekKestra/VekKestraConfig\.cmake" \
  "$libdir/cmake/VekKestra/VekKestraTargets\.cmake" usr/share/doc/libvekkestra-dev/html/index\.html \
  usr/share/doc/libvekkestra-dev/examples/move_xy\.c usr/share/doc/libvekkestra-dev/examples/consumer/motion_consumer\.c
expect vekkestra-tools usr/bin/vekctl usr/bin/veksim usr/share/man/man1/vekctl\.1\.gz usr/share/man/man1/veksim\.1\.gz \
  usr/share/doc/vekkestra-tools/vekctl\.md usr/share/doc/vekkestra-tools/simulator\.md
expect python3-vekkestra usr/lib/python3/dist-packages/vekkestra/__init__\.py \
  usr/lib/python3/dist-packages/vekkestra/plot\.py
for name in "${names[@]}"; do
  ! contents "$name" | grep -E '^\./usr/share/vekkestra/.*README' || fail "$name has a README under /usr/share/vekkestra"
  for override in $(contents "$name" | sed -nE 's|^\./(usr/share/lintian/overrides/.+)$|\1|p'); do
    dpkg-deb --fsys-tarfile "$(deb_of "$name")" | tar -xOf - "./$override" | awk -v file="$override" '
      /^#/ { reason = 1; next }
      /^[[:space:]]*$/ { next }
      !reason || $0 !~ /\[.+\]$/ { print file ": an override without its reason or its file: " $0; bad = 1 }
      { reason = 0 }
      END { exit bad }' || fail "$name overrides lintian without saying why"
  done
done
ok "no README under /usr/share/vekkestra; every lintian override says why"

echo "== control files"
unpacked="$work/unpacked"
mkdir "$unpacked"
for name in "${names[@]}"; do
  dpkg-deb -x "$(deb_of "$name")" "$unpacked/$name"
  dpkg-deb -e "$(deb_of "$name")" "$unpacked/$name.control"
  [[ "$(dpkg-deb -f "$(deb_of "$name")" Version)" == "$version" ]] || fail "$name is not version $version"
done
depends() { dpkg-deb -f "$(deb_of "$1")" Depends; }

# The library packages: their exports in the symbols file, the trigger, no scripts.
for pair in libvekkestra1:libvekkestra libvekkestra-motion1:libvekkestra-motion; do
  package="${pair%%:*}" soname="${pair#*:}.so.${version%%.*}"
  control="$unpacked/$package.control"
  grep -qx "activate-noawait ldconfig" "$control/triggers" || fail "$package has no ldconfig trigger"
  for script in preinst postinst prerm postrm; do
    [[ ! -e "$control/$script" ]] || fail "$package has a $script: $(cat "$control/$script")"
  done
  head -1 "$control/symbols" | grep -qx "$soname $package #MINVER#" || fail "$package's symbols file is not for $soname"
  sed -nE 's/^ ([A-Za-z_0-9]+)@Base .*$/\1/p' "$control/symbols" | sort >"$work/symbols"
  nm -D --defined-only "$unpacked/$package/$libdir/$soname" | awk '$2 == "T" { print $3 }' | sort >"$work/exports"
  diff "$work/symbols" "$work/exports" >&2 || fail "$package's symbols file differs from its library's exports"
  # A symbol's version is the first that had it: never one later than this package.
  while read -r symbol since; do
    dpkg --compare-versions "$since" le "$version" || fail "$package: $symbol is said to come with $since, after $version"
  done < <(sed -nE 's/^ ([A-Za-z_0-9]+@Base) (.*)$/\1 \2/p' "$control/symbols")
  ok "$package: ldconfig trigger, no maintainer scripts, symbols file of its $(wc -l <"$work/exports") exports"
done

# Every library an ELF file needs, named with a version in its package's
# Depends: the package that holds the library here or on this system.
elf_files() { find "$unpacked/$1" -type f -exec sh -c 'head -c4 "$1" | grep -q "^.ELF"' _ {} \; -print; }
package_of_soname() {
  case "$1" in
    libvekkestra.so.*) echo libvekkestra1 ;;
    libvekkestra-motion.so.*) echo libvekkestra-motion1 ;;
    *)
      # dpkg knows a file by the path its package ships, with or without /usr.
      local path
      path="$(ldconfig -p | awk -v s="$1" -v m="/$multiarch/" '$1 == s && index($NF, m) { print $NF; exit }')"
      [[ -n "$path" ]] || return 0
      for candidate in "$path" "${path#/usr}" "/usr$path"; do
        dpkg -S "$candidate" 2>/dev/null | sed 's/:.*//' && return 0
      done
      ;;
  esac
}
elf_packages=()
for name in "${names[@]}"; do
  mapfile -t elves < <(elf_files "$name")
  ((${#elves[@]} > 0)) || continue
  elf_packages+=("$name")
  # Hardened: hardening-check fails on any feature missing (PIE is not asked of
  # a shared library; control-flow protection is not among Debian's flags).
  hardening-check --nocfprotection "${elves[@]}" >"$work/hardening.txt" ||
    { cat "$work/hardening.txt"; fail "$name holds binaries that are not hardened"; }
  needed="$(for elf in "${elves[@]}"; do readelf -d "$elf" | sed -nE 's/.*Shared library: \[(.*)\]/\1/p'; done | sort -u)"
  for soname in $needed; do
    package="$(package_of_soname "$soname")"
    [[ -n "$package" ]] || fail "no package holds $soname"
    [[ ", $(depends "$name")" == *", $package (>= "* ]] ||
      fail "$name needs $soname but does not depend on $package with a version: $(depends "$name")"
  done
  ok "$name: ${#elves[@]} ELF files hardened; Depends: $(depends "$name")"
done
[[ " ${elf_packages[*]} " == *" vekkestra-tools "* ]] || fail "vekkestra-tools holds no ELF file"

# The Python package: both libraries of this very version; the Python
# packages compile in postinst and clean in prerm.
for library in libvekkestra1 libvekkestra-motion1; do
  [[ ", $(depends python3-vekkestra)," == *", $library (= $version),"* ]] ||
    fail "python3-vekkestra does not depend on $library (= $version): $(depends python3-vekkestra)"
done
python_packages=(python3-vekkestra)
[[ " ${names[*]} " == *" vekkestra-tango "* ]] && python_packages+=(vekkestra-tango)
for name in "${python_packages[@]}"; do
  grep -q "py3compile -p $name" "$unpacked/$name.control/postinst" || fail "$name's postinst does not byte-compile"
  grep -q "py3clean -p $name" "$unpacked/$name.control/prerm" || fail "$name's prerm does not clean up"
done
ok "python3-vekkestra: Depends: $(depends python3-vekkestra); ${python_packages[*]}: py3compile, py3clean"

# Man pages: option words, not CLI11's type names; documentation paths that
# are files of the packages.
for page in "$unpacked"/*/usr/share/man/man1/*.1.gz; do
  text="$(zcat "$page")"
  ! grep -nE '\b(TEXT|INT|UINT|FLOAT):' <<<"$text" || fail "${page##*/} shows CLI11's type names"
  for path in $(grep -oE '/usr/share/doc/[^ ]+' <<<"$text" | sed 's/\\-/-/g'); do
    holders=("$unpacked"/*"$path")
    ((${#holders[@]} > 0)) || fail "${page##*/} names $path, which no package holds"
  done
done
ok "man pages: no CLI11 type names, their documentation paths are in the packages"

echo "== install with dpkg"
for name in "${names[@]}"; do
  if dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "ok installed"; then
    fail "$name is installed already; remove it first (this check removes what it installs)"
  fi
done
# What the packages bring: their files, and the directories that are not there yet.
for name in "${names[@]}"; do
  (cd "$unpacked/$name" && find . -mindepth 1 | sed 's/^\.//')
done | sort -u >"$work/paths"
while read -r path; do
  [[ -e "$path" || -L "$path" ]] && ! [[ -d "$path" && ! -L "$path" ]] && fail "$path exists before the install"
  [[ -d "$path" ]] || echo "$path"
done <"$work/paths" >"$work/brought"
installed=("${names[@]}")
dpkg_locked --install "${debs[@]}" >"$work/dpkg.log" || { cat "$work/dpkg.log"; fail "dpkg --install"; }
ok "installed ${names[*]}"
for soname in libvekkestra.so.1 libvekkestra-motion.so.1; do
  ldconfig -p | grep -qE "^\s+$soname \(.*\) => (/usr)?/lib/$multiarch/$soname$" ||
    fail "the dynamic linker's cache has no $soname (did the ldconfig trigger run?)"
done
ok "the ldconfig trigger put both libraries into the dynamic linker's cache"

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

# As root, as an administrator would try it: python3 writes its bytecode
# next to the modules (PYTHONDONTWRITEBYTECODE unset), and bytecode of a
# second optimisation level is written as `python3 -O` would (py_compile, so
# that the standard library gets none).
python=/usr/bin/python3
for dir in /usr/lib/python3/dist-packages/vekkestra /usr/share/vekkestra/tango; do
  [[ ! -d "$dir" || -n "$(find "$dir" -name '*.pyc' -print -quit)" ]] || fail "the postinst compiled nothing in $dir"
done
as_root() { $sudo env -u VEKKESTRA_LIBRARY -u VEKKESTRA_MOTION_LIBRARY -u PYTHONPATH -u PYTHONDONTWRITEBYTECODE \
  -u PYTHONPYCACHEPREFIX -u LD_LIBRARY_PATH "$@"; }
# It finds both installed libraries by itself (and maps no other).
found="$(as_root $python -c '
import vekkestra
print(vekkestra.__file__)
print(vekkestra.__version__)
print(vekkestra.core_version())
print(vekkestra.version())
with open("/proc/self/maps") as maps:
    print(" ".join(sorted({line.split()[-1] for line in maps if "libvekkestra" in line})))')" ||
  fail "the system's python3 cannot import vekkestra"
mapfile -t lines <<<"$found"
# /lib is /usr/lib on a merged-/usr system; the dynamic linker may name either.
mapped="^(/usr)?/lib/$multiarch/libvekkestra-motion\.so\.$version (/usr)?/lib/$multiarch/libvekkestra\.so\.$version\$"
[[ ${#lines[@]} -eq 5 && "${lines[0]}" == /usr/lib/python3/dist-packages/vekkestra/__init__.py &&
   "${lines[1]}" == "$version" && "${lines[2]}" == "$version" && "${lines[3]}" == "VekKestra DLL v"* &&
   "${lines[4]}" =~ $mapped ]] || fail "import vekkestra gave: $found"
as_root $python -c 'import pathlib, py_compile
for module in pathlib.Path("/usr/lib/python3/dist-packages/vekkestra").rglob("*.py"):
    py_compile.compile(str(module), optimize=1, doraise=True)' || fail "py_compile as root"
[[ -n "$(find /usr/lib/python3/dist-packages/vekkestra -name '*.opt-1.pyc' -print -quit)" ]] ||
  fail "no optimised bytecode was written as root"
ok "python3 as root: ${found//$'\n'/; }"
if [[ " ${names[*]} " == *" vekkestra-tango "* ]]; then
  zcat /usr/share/man/man1/VekKestraDS.1.gz | grep -q '^\.TH VEKKESTRADS 1 "" "VekKestra '"$version"'"' ||
    fail "man page of VekKestraDS"
  tango_version="$(as_root /usr/bin/VekKestraDS --version 2>&1)" || fail "VekKestraDS --version: $tango_version"
  [[ "$tango_version" == *"$version"* ]] || fail "VekKestraDS --version: $tango_version"
  ok "VekKestraDS from the package, as root: ${tango_version//$'\n'/; }"
fi
if $python -c 'import matplotlib' 2>/dev/null; then
  env -u LD_LIBRARY_PATH /usr/bin/vekctl demo --plot "$work/demo.png" >/dev/null 2>"$work/plot.err" ||
    { cat "$work/plot.err"; fail "vekctl demo --plot"; }
  [[ "$(head -c 8 "$work/demo.png" | od -An -tx1 | tr -d ' \n')" == 89504e470d0a1a0a ]] || fail "demo.png is no PNG"
  ok "vekctl demo --plot drew demo.png from demo.csv ($(($(wc -l <"$work/demo.csv") - 1)) rows)"
fi

# Programs built against the installed development package alone.
src="$root/examples/consumer"
cmake -S "$src" -B "$work/consumer" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >"$work/consumer.log" &&
  cmake --build "$work/consumer" >>"$work/consumer.log" || { cat "$work/consumer.log"; fail "consumer (CMake)"; }
grep -q "^VekKestra_DIR:PATH=/$libdir/cmake/VekKestra$" "$work/consumer/CMakeCache.txt" ||
  fail "the consumer did not take the installed CMake package"
mkdir "$work/pkg-config"
make -s -C "$work/pkg-config" -f "$src/Makefile" SRCDIR="$src" >/dev/null || fail "consumer (pkg-config)"
# /lib is /usr/lib on a merged-/usr system; the dynamic linker may name either.
loads() { ldd "$1" | grep -qE "$2 => (/usr)?/lib/$multiarch/$2 " || fail "$1 does not load the installed $2: $(ldd "$1")"; }
for dir in "$work/consumer" "$work/pkg-config"; do
  output="$(env -u LD_LIBRARY_PATH "$dir/consumer")" || fail "$dir/consumer: $output"
  [[ "$output" == "version: VekKestra DLL v"* ]] || fail "$dir/consumer printed: $output"
  loads "$dir/consumer" libvekkestra.so.1
  output="$(env -u LD_LIBRARY_PATH "$dir/motion_consumer")" || fail "$dir/motion_consumer: $output"
  [[ "$output" == "motion core: $version"$'\n'* ]] || fail "$dir/motion_consumer printed: $output"
  loads "$dir/motion_consumer" libvekkestra-motion.so.1
  loads "$dir/motion_consumer" libvekkestra.so.1
done
ok "consumers of the library and of the motion core, built with the CMake package and with pkg-config, run"

echo "== purge"
cd "$root"
dpkg_locked --purge "${installed[@]}" >"$work/purge.log" || { cat "$work/purge.log"; fail "dpkg --purge"; }
installed=()
left=()
while read -r path; do
  [[ -e "$path" || -L "$path" ]] && left+=("$path")
done <"$work/brought"
((${#left[@]} == 0)) || { printf '%s\n' "${left[@]}" | head -20; fail "the purge left ${#left[@]} paths behind"; }
for soname in libvekkestra.so.1 libvekkestra-motion.so.1; do
  ! ldconfig -p | grep -q " $soname " || fail "the dynamic linker's cache still has $soname"
done
ok "purged: nothing the packages brought (files, directories, bytecode) is left, nor a cache entry"
echo "check-packages: all checks passed"
