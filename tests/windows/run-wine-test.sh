#!/bin/sh
# Runs the Windows test programs under Wine in a fresh private prefix.
#
# usage: run-wine-test.sh PREFIX-DIR REG-FILE Hardscan.dll abi_test.exe cpu_ops_test.exe wine_test.exe
#
# The prefix is created anew on every run (wineboot), the registry file is
# imported with regedit, and all programs run in the same Wine session: a new
# session resets the computer name from the host, so the wineserver is kept
# alive from the import to the last program and stopped at the end.
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

# The 64-bit loader: wine64 on the path, Debian's private location, or the
# wine wrapper of a 64-bit-only installation.
wine=""
for candidate in "$(command -v wine64 2>/dev/null)" /usr/lib/wine/wine64 /usr/lib64/wine/wine64 /opt/wine-stable/bin/wine64; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
        wine=$candidate
        break
    fi
done
if [ -z "$wine" ]; then
    echo "SKIPPED: wine64 is not installed (Debian package wine64)"
    exit 0
fi
wineserver=""
for candidate in "$(dirname "$wine")/wineserver" "$(command -v wineserver 2>/dev/null)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
        wineserver=$candidate
        break
    fi
done
if [ -z "$wineserver" ]; then
    echo "FAIL: wine64 found at $wine but no wineserver"
    exit 1
fi

for f in "$reg" "$dll" "$abi_test" "$cpu_ops_test" "$wine_test"; do
    if [ ! -f "$f" ]; then
        echo "FAIL: $f does not exist"
        exit 1
    fi
done

# Wine sees the host's root as drive Z:.
windows_path() {
    printf 'Z:%s' "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" | tr '/' '\\'
}

export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEARCH=win64
# No Mono or Gecko installers, no display.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

# A server left over from an interrupted run of this prefix goes first.
if [ -d "$prefix" ]; then
    "$wineserver" -k >/dev/null 2>&1
fi
rm -rf "$prefix"
mkdir -p "$prefix"

stop_server() {
    "$wineserver" -k >/dev/null 2>&1
    "$wineserver" -w >/dev/null 2>&1
}
trap stop_server EXIT
trap 'stop_server; exit 1' INT TERM

started=$(date +%s)
# The server outlives each program by 60 s, so the session (and the
# imported registry) lasts from the import to the last program.
"$wineserver" -p60
if ! timeout 300 "$wine" wineboot -i >"$prefix/wineboot.log" 2>&1; then
    echo "FAIL: wineboot did not finish within 300 s:"
    tail -n 20 "$prefix/wineboot.log"
    exit 1
fi
echo "prefix $prefix ready in $(($(date +%s) - started)) s"

if ! timeout 120 "$wine" regedit /S "$(windows_path "$reg")" >"$prefix/regedit.log" 2>&1; then
    echo "FAIL: importing $reg failed:"
    cat "$prefix/regedit.log"
    exit 1
fi

failures=0
run() {
    name=$1
    shift
    echo "=== $name"
    timeout 300 "$wine" "$@"
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
exit 0
