#!/usr/bin/env bash
# Installs what building and testing VekKestra needs, when it is missing.
#   scripts/install-deps.sh            the Linux build, tests and tools
#   scripts/install-deps.sh --windows  also the MinGW cross-compilers, Wine and the LLVM import-library tools
#   scripts/install-deps.sh --fuzz     also clang and its fuzzer runtime
#   scripts/install-deps.sh --tango    also Tango (python3-tango, the tango-db database server on MariaDB,
#                                      the Starter) and Taurus with Xvfb for the panel screenshot
#   scripts/install-deps.sh --packages also lintian, dpkg-dev and devscripts (hardening-check), for
#                                      scripts/check-packages.sh
#   scripts/install-deps.sh --panel    also aiohttp and dygraphs for the operator panel, and headless
#                                      Chromium with its driver and Selenium for its browser tests
# (the flags combine)
set -euo pipefail

packages=(cmake ninja-build g++ make pkg-config python3 python3-venv python3-pip python3-setuptools python3-wheel libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev doxygen
  help2man python3-matplotlib mono-mcs mono-runtime)
for flag in "$@"; do
  case "$flag" in
    --windows)
      # llvm-dlltool makes the MSVC import library; clang and lld-link let the
      # export check link an MSVC-style program against it.
      packages+=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine64
        llvm lld clang) ;;
    --fuzz) packages+=(clang libclang-rt-14-dev) ;;
    --tango) packages+=(mariadb-server mariadb-client tango-db libtango-tools tango-starter python3-tango python3-taurus
      xvfb) ;;
    --packages) packages+=(lintian dpkg-dev devscripts file gzip) ;;
    --panel) packages+=(python3-aiohttp libjs-dygraphs chromium chromium-driver python3-selenium) ;;
    *) echo "unknown flag: $flag" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
echo "installing: ${missing[*]}"
# tango-db would set up its database through dbconfig at install time; the
# tests and the documentation run DataBaseds on a database of their own.
if [[ " ${missing[*]} " == *" tango-db "* ]]; then
  echo "tango-db tango-db/dbconfig-install boolean false" | $sudo debconf-set-selections
fi
# A failing mirror index must not stop the install of what the others have.
$sudo apt-get update -q || true
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
