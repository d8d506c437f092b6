#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, when missing, and
# builds the Wine runtime that runs the Windows tests (scripts/wine-runtime.sh;
# once, into a cache folder outside the checkout) unless --no-wine-runtime is
# given. Quiet and quick when everything is already there.
#
#   scripts/install-deps.sh [--no-wine-runtime]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
wine_runtime=yes
[ "${1:-}" != "--no-wine-runtime" ] || wine_runtime=no
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

build_wine_runtime() {
    [ "$wine_runtime" = yes ] || exit 0
    exec $sudo env ${HARDSCAN_WINE_ROOT:+HARDSCAN_WINE_ROOT="$HARDSCAN_WINE_ROOT"} \
        "$here/build-wine-runtime.sh"
}

# python3-jsonschema validates the GLPI documents (tests/glpi/check_glpi.py).
# hsinfo --hives reads hive files with libhivex (regf) and libcreg (CREG; its
# header needs libbfio's); its tests make hives with hivexregedit.
packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libgmock-dev
          libbenchmark-dev nlohmann-json3-dev libcli11-dev valgrind binutils debootstrap
          python3 python3-jsonschema
          pkg-config libhivex-dev libcreg-dev libbfio-dev libhivex-bin libwin-hivex-perl)
# The cross compilers come from the stable archive: their dependencies can
# disagree with the security archive's.
cross_packages=(g++-mingw-w64-i686 g++-mingw-w64-x86-64)

missing() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}

need=($(missing "${packages[@]}"))
need_cross=($(missing "${cross_packages[@]}"))
if [ ${#need[@]} -eq 0 ] && [ ${#need_cross[@]} -eq 0 ]; then
    build_wine_runtime
fi

export DEBIAN_FRONTEND=noninteractive
echo "install-deps: installing ${need[*]} ${need_cross[*]}"
$sudo apt-get update -qq
if [ ${#need[@]} -gt 0 ]; then
    $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
if [ ${#need_cross[@]} -gt 0 ]; then
    $sudo apt-get install -y -qq --no-install-recommends -t bookworm "${need_cross[@]}" >/dev/null
fi
build_wine_runtime
