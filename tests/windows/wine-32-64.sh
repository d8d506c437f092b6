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
for f in "$reg" "$5" "$6"; do
    if [ ! -f "$f" ]; then
        echo "FAIL: $f does not exist"
        exit 1
    fi
done

. "$here/wine-session.sh"
open_wine_session "$prefix" both "$reg"

dump() {
    bits=$1
    if ! run_windows "$3" --dump "$(windows_path "$2")" >"$prefix/answers$bits.txt" 2>"$prefix/answers$bits.err"; then
        echo "FAIL: the $bits-bit answers could not be read:"
        cat "$prefix/answers$bits.txt" "$prefix/answers$bits.err"
        exit 1
    fi
    tr -d '\r' <"$prefix/answers$bits.txt" >"$prefix/answers$bits.lf"
    grep -v '^#' "$prefix/answers$bits.lf" >"$prefix/bytes$bits.txt"
    grep '^# [A-Za-z]* memory: ' "$prefix/answers$bits.lf" | head -n 1 | sed "s/^# [A-Za-z]* /$bits-bit /"
    sed -n 's/^# \([A-Za-z]*\) speed: \([0-9]*\) MHz$/\1 \2/p' "$prefix/answers$bits.lf" >"$prefix/speeds$bits.txt"
}
dump 32 "$3" "$4"
dump 64 "$5" "$6"

status=0
if ! diff -u --label "32-bit DLL" --label "64-bit DLL" "$prefix/bytes32.txt" "$prefix/bytes64.txt"; then
    echo "FAIL: the two DLLs answer differently (lines: export, offset, 64 bytes)"
    status=1
fi
if ! paste -d ' ' "$prefix/speeds32.txt" "$prefix/speeds64.txt" | awk '
        { n++; d = $2 - $4; if (d < 0) d = -d
          if ($1 != $3 || d > 67) { print "FAIL: " $1 " speed " $2 " MHz (32-bit), " $4 " MHz (64-bit)"; bad = 1 } }
        END { if (n == 0) { print "FAIL: no clock speeds in the answers"; bad = 1 }
              else print n " clock speeds within one bus step"; exit bad }'; then
    status=1
fi
[ "$(wc -l <"$prefix/speeds32.txt")" -eq "$(wc -l <"$prefix/speeds64.txt")" ] || {
    echo "FAIL: the two DLLs report different numbers of clock speeds"
    status=1
}
[ $status -ne 0 ] && exit 1
echo "the 32-bit and 64-bit DLLs agree on $(cut -d ' ' -f 3 "$prefix/bytes32.txt" | tr -d '\n' | wc -c | awk '{ print $1 / 2 }') bytes" \
    "of answers from $(cut -d ' ' -f 1 "$prefix/bytes32.txt" | sort -u | wc -l) exports"
close_wine_session
exit 0
