#!/bin/sh
# Runs the Windows test programs of one target (32- or 64-bit, as the DLL is)
# under the project's Wine runtime, all in one session of a fresh private
# prefix with the registry file imported into the DLL's registry view
# (wine-session.sh). Each program is given the DLL's path.
#
# usage: run-wine-test.sh PREFIX-DIR REG-FILE Hardscan.dll PROGRAM.exe...
set -u

if [ $# -lt 4 ]; then
    echo "usage: $0 PREFIX-DIR REG-FILE DLL PROGRAM..." >&2
    exit 2
fi
prefix=$1
reg=$2
dll=$3
shift 3
hs_root=$(cd "$(dirname "$0")/../.." && pwd)
. "$hs_root/tests/windows/wine-session.sh"

require_files "$reg" "$dll" "$@"
bits=$(pe_bits "$dll")
echo "the DLL is a $bits-bit module"
open_wine_session "$prefix" "$bits" "$reg"

failures=0
for program in "$@"; do
    echo "=== $(basename "$program")"
    if ! run_windows "$program" "$(windows_path "$dll")"; then
        echo "=== $(basename "$program") FAILED"
        failures=$((failures + 1))
    fi
done
if [ $failures -ne 0 ]; then
    echo "$failures of $# Windows test programs failed"
    exit 1
fi
echo "all $# Windows test programs passed"
close_wine_session
exit 0
