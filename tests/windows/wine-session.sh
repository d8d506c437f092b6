# Sourced by the scripts that run Windows programs: opens one Wine session in
# a fresh private prefix, with registry files imported, through the project's
# runtime (scripts/run-windows.sh). A new session resets the computer name
# from the host, so the wineserver is kept alive from the import to the last
# program and stopped when the script exits.
#
#   hs_root=CHECKOUT; . wine-session.sh
#   require_files FILE...                           # each must exist
#   open_wine_session PREFIX-DIR BITS REG-FILE...   # BITS: 32, 64 or "both"
#   run_windows PROGRAM.exe [ARGS...]               # within the session
#   close_wine_session                              # after success: ends it, removes the prefix
#
# BITS names the registry view that the files go to: a 32-bit program reads
# HKLM\Software from its own view, which only the 32-bit regedit writes.
# A runtime that cannot be set up fails the script (exit code 1).

run_windows_sh=${hs_root:?}/scripts/run-windows.sh
wineserver_sh=$hs_root/scripts/wineserver.sh

# Wine sees the host's root as drive Z:.
windows_path() {
    printf 'Z:%s' "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" | tr '/' '\\'
}

# 32 or 64: the word size of a PE file, from its machine field.
pe_bits() {
    pe_offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    case "$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$1" | tr -d ' ')" in
        014c) echo 32 ;;
        8664) echo 64 ;;
        *) echo unknown ;;
    esac
}

# Fails the script (exit code 1) when one of the files does not exist.
require_files() {
    for required in "$@"; do
        [ -f "$required" ] || { echo "FAIL: $required does not exist"; exit 1; }
    done
}

run_windows() {
    timeout 300 "$run_windows_sh" "$@"
}

stop_wine_session() {
    "$wineserver_sh" -k >/dev/null 2>&1
    "$wineserver_sh" -w >/dev/null 2>&1
}

# A prefix takes about 0.5 GB: it is kept only when a check failed.
close_wine_session() {
    trap - EXIT INT TERM
    stop_wine_session
    rm -rf "$WINEPREFIX"
}

# The regedit that works on the registry view of BITS (32 or 64).
regedit_program() {
    case "$1" in
        32) printf '%s\n' 'C:\windows\syswow64\regedit.exe' ;;
        *) printf '%s\n' regedit ;;
    esac
}

# Imports REG-FILE into the registry view of BITS (32 or 64).
import_registry() {
    if ! timeout 120 "$run_windows_sh" "$(regedit_program "$1")" /S "$(windows_path "$2")" \
            >"$WINEPREFIX/regedit.log" 2>&1; then
        echo "FAIL: importing $2 into the $1-bit registry failed:"
        cat "$WINEPREFIX/regedit.log"
        exit 1
    fi
}

# A server that outlives each program by 60 s, so that the session (and the
# imported registry) lasts from the import to the last program. Started from
# the checkout: it opens the files of every program.
start_wine_session() {
    (cd "$hs_root" && "$wineserver_sh" -p60)
}

open_wine_session() {
    prefix=$1
    bits=$2
    shift 2
    export WINEPREFIX="$prefix"
    export WINEDEBUG=-all
    # Wine takes its ANSI code page from the locale; this one gives the
    # Windows-1252 page of a western Windows, in which the profiles and the
    # simulated machine are written.
    export LC_ALL=C.UTF-8

    # A server left over from an interrupted run of this prefix goes first.
    if [ -d "$prefix" ]; then
        stop_wine_session
    fi
    rm -rf "$prefix"
    mkdir -p "$prefix"
    trap stop_wine_session EXIT
    trap 'stop_wine_session; exit 1' INT TERM

    started=$(date +%s)
    if ! start_wine_session >"$prefix/wineserver.log" 2>&1; then
        echo "FAIL: the Wine runtime cannot start a wineserver:"
        cat "$prefix/wineserver.log"
        exit 1
    fi
    if ! timeout 300 "$run_windows_sh" wineboot -i >"$prefix/wineboot.log" 2>&1; then
        echo "FAIL: wineboot did not finish within 300 s:"
        tail -n 20 "$prefix/wineboot.log"
        exit 1
    fi
    echo "prefix $prefix ready in $(($(date +%s) - started)) s"
    for reg in "$@"; do
        case "$bits" in
            both)
                import_registry 64 "$reg"
                import_registry 32 "$reg"
                ;;
            *) import_registry "$bits" "$reg" ;;
        esac
    done
}

# Compares two outputs of export_answers (wine_test --dump, planting_host):
# every line but the notes equal, and the clock speeds of the notes within
# 67 MHz (each process measures anew, and two measurements may snap to
# neighbouring bus steps). Prints what differs; 0 when nothing does.
compare_answers() {
    for f in "$1" "$2"; do
        tr -d '\r' <"$f" | grep -v '^#' >"$f.lines"
        tr -d '\r' <"$f" | sed -n 's/^# \([^ ]*\) speed: \([0-9]*\) MHz$/\1 \2/p' >"$f.speeds"
    done
    if ! cmp -s "$1.lines" "$2.lines"; then
        diff "$1.lines" "$2.lines" | grep '^[<>]' | cut -c 1-150
        return 1
    fi
    [ "$(wc -l <"$1.speeds")" -eq "$(wc -l <"$2.speeds")" ] || { echo "different numbers of clock speeds"; return 1; }
    paste -d ' ' "$1.speeds" "$2.speeds" | awk '
        { n++; d = $2 - $4; if (d < 0) d = -d; if ($1 != $3 || d > 67) { print $0; bad = 1 } }
        END { if (n == 0) { print "no clock speeds"; bad = 1 }; exit bad }'
}
