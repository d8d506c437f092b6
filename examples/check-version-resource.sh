#!/bin/sh
# Checks the version resource of a built Hardscan.dll, decompiled by windres:
# file and product version from the project, product name and description.
#
# usage: check-version-resource.sh WINDRES DLL VERSION
set -u

if [ $# -ne 3 ]; then
    echo "usage: $0 WINDRES DLL VERSION" >&2
    exit 2
fi
windres=$1
dll=$2
version=$3

if ! rc=$("$windres" -i "$dll" -O rc 2>&1); then
    echo "FAIL: $windres cannot read the resources of $dll:"
    echo "$rc"
    exit 1
fi
echo "$rc"

# 1.2.3 -> "1, 2, 3, 0"; a missing patch number counts as 0.
numbers=$(echo "$version" | awk -F. '{ printf "%d, %d, %d, 0", $1, $2, ($3 == "" ? 0 : $3) }')
text=$(echo "$version" | awk -F. '{ printf "%d.%d.%d", $1, $2, ($3 == "" ? 0 : $3) }')

failures=0
expect() {
    if ! printf '%s\n' "$rc" | grep -qxF "$1"; then
        echo "FAIL: missing line: $1"
        failures=$((failures + 1))
    fi
}
expect "1 VERSIONINFO"
expect " FILEVERSION $numbers"
expect " PRODUCTVERSION $numbers"
expect " FILETYPE 0x2"
expect "      VALUE \"FileDescription\", \"Hardscan machine inventory library\""
expect "      VALUE \"FileVersion\", \"$text\""
expect "      VALUE \"ProductName\", \"Hardscan\""
expect "      VALUE \"ProductVersion\", \"$text\""
expect "      VALUE \"OriginalFilename\", \"Hardscan.dll\""

if [ $failures -ne 0 ]; then
    echo "$failures version resource checks failed"
    exit 1
fi
echo "version resource of $dll: $text"
exit 0
