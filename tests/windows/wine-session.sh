# Sourced by the scripts that run Windows programs under Wine: finds the
# 64-bit loader, and opens one session in a fresh private prefix with a
# registry file imported. A new session resets the computer name from the
# host, so the wineserver is kept alive from the import to the last program
# and stopped at the end.
#
#   . wine-session.sh; open_wine_session PREFIX-DIR REG-FILE
#
# Without wine64 it prints "SKIPPED: ..." and exits 0.

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

# Wine sees the host's root as drive Z:.
windows_path() {
    printf 'Z:%s' "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" | tr '/' '\\'
}

stop_wine_session() {
    "$wineserver" -k >/dev/null 2>&1
    "$wineserver" -w >/dev/null 2>&1
}

open_wine_session() {
    prefix=$1
    reg=$2
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
    trap stop_wine_session EXIT
    trap 'stop_wine_session; exit 1' INT TERM

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
}
