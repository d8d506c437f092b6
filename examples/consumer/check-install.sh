#!/bin/sh
# Installs a built tree into a scratch prefix and builds host programs against
# the installed package, once with find_package(Hardscan) and once with
# pkg-config; both must run and print what the in-tree example prints.
#
# usage: check-install.sh BUILD-DIR WORK-DIR CMAKE CC "CFLAGS" IN-TREE-EXAMPLE LIBDIR
# (LIBDIR: the library folder under the prefix, CMAKE_INSTALL_LIBDIR)
set -u

if [ $# -ne 7 ]; then
    echo "usage: $0 BUILD-DIR WORK-DIR CMAKE CC CFLAGS IN-TREE-EXAMPLE LIBDIR" >&2
    exit 2
fi
build=$1
work=$2
cmake=$3
cc=$4
cflags=$5
in_tree=$6
libdir=$7
case $libdir in
    /*) echo "SKIPPED: the library folder $libdir is absolute, the package cannot move to a scratch prefix"; exit 0 ;;
esac
here=$(cd "$(dirname "$0")" && pwd)
. "$here/install-steps.sh"

# The built-in default machine for every program below.
unset HARDSCAN_MACHINE HARDSCAN_DEBUG_OUTPUT

install_package "$build"

for f in include/hardscan.h $libdir/libhardscan.so $libdir/cmake/Hardscan/HardscanConfig.cmake \
         $libdir/cmake/Hardscan/HardscanConfigVersion.cmake $libdir/cmake/Hardscan/HardscanTargets.cmake \
         $libdir/pkgconfig/hardscan.pc bin/hsinfo libexec/hardscan/hsinfo; do
    [ -e "$prefix/$f" ] || fail "$f was not installed"
done
if ! cmp -s "$here/../../include/hardscan.h" "$prefix/include/hardscan.h"; then
    fail "the installed hardscan.h differs from include/hardscan.h"
fi

# The reference output: the in-tree example over the same machine.
if ! "$in_tree" >"$work/expected.txt" 2>&1; then
    fail "the in-tree example failed:"
    cat "$work/expected.txt"
fi

# The installed library must be the one that the consumers load.
check_consumer() {
    name=$1
    program=$2
    if [ ! -x "$program" ]; then
        fail "$name: $program was not built"
        return
    fi
    loaded=$(LD_TRACE_LOADED_OBJECTS=1 "$program" 2>/dev/null | sed -n 's/.*libhardscan\.so => \([^ ]*\).*/\1/p')
    case $loaded in
        "$prefix/$libdir"/*) ;;
        *) fail "$name: loads libhardscan.so from '$loaded', not from $prefix/$libdir" ;;
    esac
    if ! "$program" >"$work/$name.txt" 2>&1; then
        fail "$name: the program failed:"
        cat "$work/$name.txt"
        return
    fi
    if ! cmp -s "$work/expected.txt" "$work/$name.txt"; then
        fail "$name: the output differs from the in-tree example:"
        diff "$work/expected.txt" "$work/$name.txt"
        return
    fi
    echo "$name: builds against the installed package and prints $(grep -c '' "$work/$name.txt") lines as expected"
}

# 1. find_package(Hardscan) from a separate CMake project.
if "$cmake" -S "$here" -B "$work/cmake-consumer" -DCMAKE_PREFIX_PATH="$prefix" \
        -DCMAKE_C_COMPILER="$cc" -DCMAKE_C_FLAGS="$cflags" -DCMAKE_BUILD_TYPE=Release >"$work/cmake-consumer.log" 2>&1 &&
   "$cmake" --build "$work/cmake-consumer" >>"$work/cmake-consumer.log" 2>&1; then
    check_consumer find_package "$work/cmake-consumer/list_inventory"
else
    fail "the find_package consumer did not build:"
    cat "$work/cmake-consumer.log"
fi

# 2. pkg-config, relocated: the .pc file finds its prefix from its own place.
find_pkg_config
if [ -n "$pc" ]; then
    export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
    if ! flags=$("$pc" --cflags --libs hardscan 2>"$work/pkg-config.log"); then
        fail "pkg-config does not know hardscan:"
        cat "$work/pkg-config.log"
    else
        version=$("$pc" --modversion hardscan)
        echo "pkg-config: hardscan $version: $flags"
        # shellcheck disable=SC2086
        if "$cc" $cflags -o "$work/pkg-config-consumer" "$here/../list_inventory.c" $flags \
                -Wl,-rpath,"$prefix/$libdir" >"$work/pkg-config-consumer.log" 2>&1; then
            check_consumer pkg-config "$work/pkg-config-consumer"
        else
            fail "the pkg-config consumer did not build:"
            cat "$work/pkg-config-consumer.log"
        fi
    fi
fi

# 3. The installed hsinfo finds the installed library by itself and prints
#    what the in-tree hsinfo prints.
if [ -x "$build/hsinfo" ] && "$build/hsinfo" drives >"$work/hsinfo-expected.txt" 2>&1 &&
   "$prefix/bin/hsinfo" drives >"$work/hsinfo.txt" 2>&1; then
    if cmp -s "$work/hsinfo-expected.txt" "$work/hsinfo.txt"; then
        echo "installed hsinfo: prints the drives as the in-tree hsinfo does ($(grep -c '' "$work/hsinfo.txt") lines)"
    else
        fail "the installed hsinfo prints other drives than the in-tree one:"
        diff "$work/hsinfo-expected.txt" "$work/hsinfo.txt"
    fi
else
    fail "hsinfo failed (in-tree or installed):"
    cat "$work/hsinfo-expected.txt" "$work/hsinfo.txt" 2>/dev/null
fi

finish
