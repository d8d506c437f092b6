#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, when missing.
# Quiet and quick when everything is already there.
set -euo pipefail

# python3-jsonschema validates the GLPI documents (tests/glpi/check_glpi.py).
packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libgmock-dev
          libbenchmark-dev nlohmann-json3-dev libcli11-dev valgrind binutils python3 python3-jsonschema)
# The cross compilers and Wine come from the stable archive: their
# dependencies can disagree with the security archive's.
cross_packages=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64)

missing() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}

need=($(missing "${packages[@]}"))
need_cross=($(missing "${cross_packages[@]}"))
if [ ${#need[@]} -eq 0 ] && [ ${#need_cross[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
echo "install-deps: installing ${need[*]} ${need_cross[*]}"
$sudo apt-get update -qq
if [ ${#need[@]} -gt 0 ]; then
    $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
if [ ${#need_cross[@]} -gt 0 ]; then
    $sudo apt-get install -y -qq --no-install-recommends -t bookworm "${need_cross[@]}" >/dev/null
fi
