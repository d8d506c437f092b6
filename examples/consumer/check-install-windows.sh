#!/bin/sh
# Installs a Windows build into a scratch prefix, checks that the installed
# DLL and hsinfo.exe are stripped with their debug information linked beside
# them, and builds host programs against the installed package with the same
# cross toolchain, once with find_package(Hardscan) and once with pkg-config;
# both must import the exports from Hardscan.dll by their plain names.
#
# usage: check-install-windows.sh BUILD-DIR WORK-DIR CMAKE TOOLCHAIN-FILE CC OBJDUMP
set -u

if [ $# -ne 6 ]; then
    echo "usage: $0 BUILD-DIR WORK-DIR CMAKE TOOLCHAIN-FILE CC OBJDUMP" >&2
    exit 2
fi
build=$1
work=$2
cmake=$3
toolchain=$4
cc=$5
objdump=$6
here=$(cd "$(dirname "$0")" && pwd)
. "$here/install-steps.sh"

install_package "$build"

for f in include/hardscan.h bin/Hardscan.dll bin/hsinfo.exe bin/Hardscan.dll.debug bin/hsinfo.exe.debug \
         lib/libHardscan.dll.a lib/Hardscan.lib \
         lib/Hardscan.def lib/cmake/Hardscan/HardscanConfig.cmake lib/cmake/Hardscan/HardscanConfigVersion.cmake \
         lib/cmake/Hardscan/HardscanTargets.cmake lib/pkgconfig/hardscan.pc; do
    [ -e "$prefix/$f" ] || fail "$f was not installed"
done

/usr/bin/python3 "$here/check-debug-link.py" "$objdump" "$prefix/bin/Hardscan.dll" "$prefix/bin/hsinfo.exe" ||
    fail "the installed release files are not stripped with their debug information beside them"

# 1. find_package(Hardscan) with the cross toolchain.
if "$cmake" -S "$here" -B "$work/cmake-consumer" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release >"$work/cmake-consumer.log" 2>&1 &&
   "$cmake" --build "$work/cmake-consumer" >>"$work/cmake-consumer.log" 2>&1; then
    sh "$here/../check-example-imports.sh" "$objdump" "$work/cmake-consumer/list_inventory.exe" ||
        fail "the find_package consumer does not import from Hardscan.dll as expected"
else
    fail "the find_package consumer did not build:"
    cat "$work/cmake-consumer.log"
fi

# 2. pkg-config with the cross compiler.
find_pkg_config
if [ -n "$pc" ]; then
    if ! flags=$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" "$pc" --cflags --libs hardscan 2>"$work/pkg-config.log"); then
        fail "pkg-config does not know hardscan:"
        cat "$work/pkg-config.log"
    else
        echo "pkg-config: $flags"
        # shellcheck disable=SC2086
        if "$cc" -o "$work/pkg-config-consumer.exe" "$here/../list_inventory.c" $flags \
                >"$work/pkg-config-consumer.log" 2>&1; then
            sh "$here/../check-example-imports.sh" "$objdump" "$work/pkg-config-consumer.exe" ||
                fail "the pkg-config consumer does not import from Hardscan.dll as expected"
        else
            fail "the pkg-config consumer did not build:"
            cat "$work/pkg-config-consumer.log"
        fi
    fi
fi

[ $failures -ne 0 ] || rm -rf "$work"
finish
