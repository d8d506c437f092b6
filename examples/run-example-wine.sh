#!/bin/sh
# Runs the example host program under Wine (64-bit) in a fresh private
# prefix over a small machine (wine-example.reg): both builds of it, the one
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

# Wine sees the host's root as drive Z:.
windows_path() {
    printf 'Z:%s' "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" | tr '/' '\\'
}

export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

rm -rf "$prefix"
mkdir -p "$prefix"
stop_server() {
    "$wineserver" -k >/dev/null 2>&1
    "$wineserver" -w >/dev/null 2>&1
}
trap stop_server EXIT
trap 'stop_server; exit 1' INT TERM

# One session from the import to the last program.
"$wineserver" -p
if ! timeout 300 "$wine" wineboot -i >"$prefix/wineboot.log" 2>&1; then
    echo "FAIL: wineboot did not finish within 300 s:"
    tail -n 20 "$prefix/wineboot.log"
    exit 1
fi
if ! timeout 120 "$wine" regedit /S "$(windows_path "$reg")" >"$prefix/regedit.log" 2>&1; then
    echo "FAIL: importing $reg failed:"
    cat "$prefix/regedit.log"
    exit 1
fi

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

shift
for program in "$@"; do
    name=$(basename "$program")
    out=$prefix/$name.txt
    timeout 120 "$wine" "$program" >"$out" 2>&1
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
stop_server
rm -rf "$prefix"
echo "both example programs passed under Wine"
exit 0
