#!/bin/sh
# Runs the Windows test programs of one target (32- or 64-bit, as the DLL is)
# under the project's Wine runtime, all in one session of a fresh private
# prefix with the registry file imported into the DLL's registry view
# (wine-session.sh). Each program is given the DLL's path.
#
# With --against-32 (the win64 preset) the registry goes into both views, and
# the 32-bit and the 64-bit DLL must answer the same on this one Windows
# installation: each build's Windows test program prints every export's
# answer as bytes (wine_test --dump; the 64-bit one is the last PROGRAM), and
# the two must be equal but for the differences that docs/api.md lists
# (export_answers.h leaves them out of the bytes; compare_answers in
# wine-session.sh); the memory figures are shown.
#
# With --differential, the simulated machine of the native build is then
# compared with Windows in the same session (wine-differential.sh); skipped
# when the native hsinfo is not built.
#
# usage: run-wine-test.sh [--differential hsinfo.exe NATIVE-HSINFO] [--against-32 DLL32 WINE-TEST32]
#                         PREFIX-DIR REG-FILE Hardscan.dll PROGRAM.exe...
set -u

native_hsinfo=
if [ "${1:-}" = --differential ]; then
    hsinfo_exe=$2
    native_hsinfo=$3
    shift 3
fi
dll32=
if [ "${1:-}" = --against-32 ]; then
    dll32=$2
    test32=$3
    shift 3
fi
if [ $# -lt 4 ]; then
    echo "usage: $0 [--differential HSINFO-EXE NATIVE-HSINFO] [--against-32 DLL32 WINE-TEST32]" \
        "PREFIX-DIR REG-FILE DLL PROGRAM..." >&2
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
if [ -n "$dll32" ] && { [ ! -f "$dll32" ] || [ ! -f "$test32" ]; }; then
    echo "32/64-bit comparison skipped: no 32-bit build ($dll32): build the win32 preset first"
    dll32=
fi
views=$bits
[ -n "$dll32" ] && views=both
open_wine_session "$prefix" "$views" "$reg"

failures=0
for program in "$@"; do
    echo "=== $(basename "$program")"
    if ! run_windows "$program" "$(windows_path "$dll")"; then
        echo "=== $(basename "$program") FAILED"
        failures=$((failures + 1))
    fi
done

# One build's answers in PREFIX/answersBITS.txt, and its memory figures.
dump() {
    if ! run_windows "$3" --dump "$(windows_path "$2")" >"$prefix/answers$1.txt" 2>"$prefix/answers$1.err"; then
        echo "the $1-bit answers could not be read:"
        cat "$prefix/answers$1.txt" "$prefix/answers$1.err"
        return 1
    fi
    grep -m 1 '^# [A-Za-z]* memory: ' "$prefix/answers$1.txt" | sed "s/^# [A-Za-z]* /$1-bit /"
}
if [ -n "$dll32" ]; then
    echo "=== the 32-bit and the 64-bit DLL"
    for last in "$@"; do :; done
    if ! dump 32 "$dll32" "$test32" || ! dump 64 "$dll" "$last"; then
        failures=$((failures + 1))
    elif ! compare_answers "$prefix/answers32.txt" "$prefix/answers64.txt"; then
        echo "the two DLLs answer differently (< 32-bit, > 64-bit; lines: export, offset, 64 bytes)"
        failures=$((failures + 1))
    else
        lines=$prefix/answers32.txt.lines
        bytes=$(cut -d ' ' -f 3 "$lines" | tr -d '\n' | wc -c | awk '{ print $1 / 2 }')
        calls=$(cut -d ' ' -f 1 "$lines" | sort -u | wc -l)
        echo "the 32-bit and 64-bit DLLs agree on $bytes bytes of answers from $calls calls," \
            "$(grep -c . "$prefix/answers32.txt.speeds") clock speeds within one bus step"
    fi
fi
if [ -z "$native_hsinfo" ]; then :
elif [ ! -x "$native_hsinfo" ]; then
    echo "the simulated machine against Windows skipped: native hsinfo not built ($native_hsinfo)"
elif ! . "$hs_root/tests/windows/wine-differential.sh"; then
    failures=$((failures + 1))  # the reason is printed
fi
if [ $failures -ne 0 ]; then
    echo "$failures Windows test(s) failed"
    exit 1
fi
echo "all Windows tests passed"
close_wine_session
exit 0
