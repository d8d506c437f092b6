#!/bin/sh
# Runs the example host program under the project's Wine runtime, in a fresh
# private prefix over a small machine (wine-example.reg, imported into the
# registry view of the programs' word size): both builds of it, the one
# linked with libHardscan.dll.a and the one linked with Hardscan.lib, must
# exit 0 and print the machine's two drives and one program.
#
# usage: run-example-wine.sh PREFIX-DIR list_inventory.exe list_inventory_msvc_implib.exe
set -u

if [ $# -ne 3 ]; then
    echo "usage: $0 PREFIX-DIR list_inventory.exe list_inventory_msvc_implib.exe" >&2
    exit 2
fi
prefix=$1
here=$(cd "$(dirname "$0")" && pwd)
reg=$here/wine-example.reg

hs_root=$(cd "$here/.." && pwd)
. "$hs_root/tests/windows/wine-session.sh"
open_wine_session "$prefix" "$(pe_bits "$2")" "$reg"

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

shift
for program in "$@"; do
    name=$(basename "$program")
    out=$prefix/$name.txt
    run_windows "$program" >"$out" 2>&1
    rc=$?
    # Wine writes its text with CR LF line ends.
    tr -d '\r' <"$out" >"$out.lf"
    echo "=== $name (exit code $rc)"
    cat "$out.lf"
    [ $rc -eq 0 ] || fail "$name exited with $rc"
    for line in "Drives: 2" "  [FloppyDisk] Example floppy disk drive" "  [CDROM] Example DVD-ROM drive" \
                "Programs: 1" "  Example Program 1.0"; do
        grep -qxF "$line" "$out.lf" || fail "$name did not print the line '$line'"
    done
    grep -qE '^Devices: [0-9]+$' "$out.lf" || fail "$name did not print the device count"
done

if [ $failures -ne 0 ]; then
    echo "$failures checks failed"
    exit 1
fi
close_wine_session
echo "both example programs passed under Wine"
exit 0
