#!/bin/sh
# Checks that example programs import the exports they call from Hardscan.dll
# by their plain names: one linked with the MinGW import library, one with
# Hardscan.lib.
#
# usage: check-example-imports.sh OBJDUMP PROGRAM.exe...
set -u

if [ $# -lt 2 ]; then
    echo "usage: $0 OBJDUMP PROGRAM.exe..." >&2
    exit 2
fi
objdump=$1
shift

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

for program in "$@"; do
    if ! headers=$("$objdump" -p "$program" 2>&1); then
        fail "$objdump -p $program failed: $headers"
        continue
    fi
    # The names imported from Hardscan.dll: the lines after its "DLL Name"
    # up to the next DLL.
    names=$(printf '%s\n' "$headers" | awk '
        /DLL Name:/ { inside = ($3 == "Hardscan.dll"); next }
        NF == 0 { inside = 0; next }
        inside && NF >= 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print $3 }' | sort -u)
    want="HsiGetDeviceInfo
HsiGetDriverInfo
HsiGetSoftwareInfo"
    if [ "$names" != "$want" ]; then
        fail "$(basename "$program") imports from Hardscan.dll:
$names
expected:
$want"
    else
        echo "$(basename "$program"): imports $(echo $names) from Hardscan.dll"
    fi
done

if [ $failures -ne 0 ]; then
    exit 1
fi
exit 0
