#!/bin/sh
# Planted and missing system DLLs, under the project's Wine runtime.
#
# The IP helper, NetBIOS, spooler and multimedia-timer DLLs are not KnownDLLs:
# Windows looks for them in the host's folder and its current directory
# before the system folder. Wine is told to do the same for these names
# (native first). Three runs of the same host program:
#   clean    no fakes anywhere: the answers of every export;
#   planted  fakes of the four DLLs (each leaves a marker file when loaded)
#            beside the host and in its current directory: no marker may
#            appear and every answer must equal the clean one (a measured
#            clock speed within a bus step); the platform's loader, run directly
#            there, must find the system folder's DLLs only;
#   missing  the four DLLs disabled: the library must still load, the host
#            checks the answers without them, and the families that do not
#            use them must equal the clean answers.
#
# The registry files are imported first, into both registry views (the
# machine's identity, programs, drives and devices, and a printer), in a
# fresh prefix (wine-session.sh).
#
# usage: planting-test.sh WORK-DIR PLANTED-DIR Hardscan.dll planting_host.exe system_library_test.exe REG-FILE...
set -u

if [ $# -lt 6 ]; then
    echo "usage: $0 WORK-DIR PLANTED-DIR DLL HOST SYSTEM-LIBRARY-TEST REG-FILE..." >&2
    exit 2
fi
work=$1
planted=$2
dll=$3
host=$4
loader_test=$5
shift 5
hs_root=$(cd "$(dirname "$0")/../.." && pwd)
. "$hs_root/tests/windows/wine-session.sh"

require_files "$dll" "$host" "$loader_test" "$planted/iphlpapi.dll" "$planted/netapi32.dll" "$planted/winspool.drv" \
         "$planted/winmm.dll" "$planted/hs-planted-only.dll" "$@"

names="iphlpapi,netapi32,winspool.drv,winmm"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

for d in clean clean-cwd planted planted-cwd missing; do
    rm -rf "${work:?}/$d"
    mkdir -p "$work/$d"
done
for d in clean planted missing; do
    cp "$dll" "$work/$d/Hardscan.dll"
    cp "$host" "$work/$d/planting_host.exe"
done
cp "$loader_test" "$work/planted/"
for d in planted planted-cwd; do
    cp "$planted"/*.dll "$planted"/*.drv "$work/$d/"
done
open_wine_session "$work/prefix" both "$@"

# run NAME CWD OVERRIDES PROGRAM [ARGS...]: the program's output in NAME.txt;
# prints what is not an answer line, and fails when the program does.
run() {
    name=$1 cwd=$2 overrides=$3
    shift 3
    (cd "$cwd" && WINEDLLOVERRIDES="$overrides" run_windows "$@") >"$work/$name.txt" 2>"$work/$name.err"
    rc=$?
    grep -v '^Hsi\|^# Hsi' "$work/$name.txt"
    [ $rc -eq 0 ] || { fail "$name run exited with $rc"; tail -n 20 "$work/$name.err"; }
}

run clean "$work/clean-cwd" "" "$work/clean/planting_host.exe"
run planted "$work/planted-cwd" "$names=n,b" "$work/planted/planting_host.exe"
run loader "$work/planted-cwd" "$names=n,b" "$work/planted/system_library_test.exe"
run missing "$work/missing" "$names=" "$work/missing/planting_host.exe" missing

markers=$(find "$work/planted" "$work/planted-cwd" -name '*.loaded' | sort)
[ -z "$markers" ] || fail "planted DLLs were loaded:
$markers"

# The clean run must have used the spooler (the imported printer), or the
# comparisons below would not cover it.
grep -q '^types.* Printer' "$work/clean.txt" || fail "the clean run lists no printer: the spooler was not used"

compare_answers "$work/clean.txt" "$work/planted.txt" || fail "answers differ with the fakes present (< clean, > planted)"

unaffected='^(HsiGetCpu|HsiGetCommonInfo|HsiGetSoftware|HsiGetDriverInfo)'
grep -E "$unaffected" "$work/clean.txt" >"$work/clean.unaffected"
grep -E "$unaffected" "$work/missing.txt" >"$work/missing.unaffected"
if ! diff "$work/clean.unaffected" "$work/missing.unaffected" >"$work/missing.diff"; then
    fail "answers that need none of the four DLLs differ when they are missing (< clean, > missing):"
    cut -c 1-120 "$work/missing.diff" | grep '^[<>]'
fi

if [ $failures -ne 0 ]; then
    echo "$failures planting check(s) failed; the runs are in $work"
    exit 1
fi
echo "planted DLLs: none loaded, $(grep -c '^Hsi' "$work/clean.txt") answer lines equal;" \
     "missing DLLs: the library loads and answers as it must"
close_wine_session
exit 0
