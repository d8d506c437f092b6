#!/bin/sh
# Checks that the 32-bit and the 64-bit DLL answer the same on one Windows
# installation: in one fresh prefix, with the test registry file imported
# into both registry views, each build's Windows test program prints every
# export's answer as bytes (wine_test --dump) and the two must be equal.
#
# Left out of the bytes, and compared here as they may differ:
# - the address fields: the next fields of chained records and the records
#   field of the list headers are stored relative to the caller's buffer (a
#   32-bit DLL writes full addresses, a 64-bit one their low 32 bits), and the
#   next fields in the HsiGetSysInfo block name released staging buffers;
# - the memory figures of COMMONINFO (all but dwLength): GlobalMemoryStatus
#   reports them differently to a 32-bit process (at most 2 GiB of physical
#   and virtual memory) and they change from moment to moment; shown only;
# - the clock speed: each process measures it anew and two measurements may
#   snap to neighbouring bus steps; the speeds must lie within 67 MHz.
#
# usage: wine-32-64.sh PREFIX-DIR REG-FILE DLL32 WINE-TEST32 DLL64 WINE-TEST64
set -u

if [ $# -ne 6 ]; then
    echo "usage: $0 PREFIX-DIR REG-FILE DLL32 WINE-TEST32 DLL64 WINE-TEST64" >&2
    exit 2
fi
prefix=$1
reg=$2
here=$(cd "$(dirname "$0")" && pwd)
hs_root=$(cd "$here/../.." && pwd)

for f in "$3" "$4"; do
    if [ ! -f "$f" ]; then
        echo "SKIPPED: the 32-bit build is missing ($f): build the win32 preset first"
        exit 0
    fi
done
. "$here/wine-session.sh"
require_files "$reg" "$5" "$6"
open_wine_session "$prefix" both "$reg"

dump() {
    if ! run_windows "$3" --dump "$(windows_path "$2")" >"$prefix/answers$1.txt" 2>"$prefix/answers$1.err"; then
        echo "FAIL: the $1-bit answers could not be read:"
        cat "$prefix/answers$1.txt" "$prefix/answers$1.err"
        exit 1
    fi
    grep -m 1 '^# [A-Za-z]* memory: ' "$prefix/answers$1.txt" | sed "s/^# [A-Za-z]* /$1-bit /"
}
dump 32 "$3" "$4"
dump 64 "$5" "$6"
if ! compare_answers "$prefix/answers32.txt" "$prefix/answers64.txt"; then
    echo "FAIL: the two DLLs answer differently (< 32-bit, > 64-bit; lines: export, offset, 64 bytes)"
    exit 1
fi
echo "the 32-bit and 64-bit DLLs agree on $(cut -d ' ' -f 3 "$prefix/answers32.txt.lines" | tr -d '\n' | wc -c | awk '{ print $1 / 2 }') bytes" \
    "of answers from $(cut -d ' ' -f 1 "$prefix/answers32.txt.lines" | sort -u | wc -l) calls," \
    "$(grep -c . "$prefix/answers32.txt.speeds") clock speeds within one bus step"
close_wine_session
exit 0
