#!/bin/sh
# Runs the Windows test programs of one target (32- or 64-bit, as the DLL is)
# under the project's Wine runtime in a fresh private prefix.
#
# usage: run-wine-test.sh PREFIX-DIR REG-FILE Hardscan.dll abi_test.exe cpu_ops_test.exe wine_test.exe
#
# The prefix is created anew on every run (wineboot), the registry file is
# imported into the DLL's registry view, and all programs run in the same Wine
# session (wine-session.sh).
set -u

if [ $# -ne 6 ]; then
    echo "usage: $0 PREFIX-DIR REG-FILE DLL ABI-TEST CPU-OPS-TEST WINE-TEST" >&2
    exit 2
fi
prefix=$1
reg=$2
dll=$3
abi_test=$4
cpu_ops_test=$5
wine_test=$6

hs_root=$(cd "$(dirname "$0")/../.." && pwd)
. "$hs_root/tests/windows/wine-session.sh"

for f in "$reg" "$dll" "$abi_test" "$cpu_ops_test" "$wine_test"; do
    if [ ! -f "$f" ]; then
        echo "FAIL: $f does not exist"
        exit 1
    fi
done

bits=$(pe_bits "$dll")
echo "the DLL is a $bits-bit module"
open_wine_session "$prefix" "$bits" "$reg"

failures=0
run() {
    name=$1
    shift
    echo "=== $name"
    run_windows "$@"
    rc=$?
    if [ $rc -ne 0 ]; then
        echo "=== $name FAILED (exit code $rc)"
        failures=$((failures + 1))
    fi
}

run abi_test "$abi_test"
run cpu_ops_test "$cpu_ops_test"
run wine_test "$wine_test" "$(windows_path "$dll")"

if [ $failures -ne 0 ]; then
    echo "$failures of 3 Windows test programs failed"
    exit 1
fi
echo "all 3 Windows test programs passed"
close_wine_session
exit 0
