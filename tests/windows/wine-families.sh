#!/bin/sh
# Each Windows family's paths under the real Windows API, and the 32-bit
# DLL's calls under Wine's relay trace against its import floor
# (docs/windows-versions.md: "Calls made at run time", "Each family under
# Wine"). For every sample machine named on the command line
# (machines/NAME.reg), in a prefix set to its Windows version with its drive
# letters and registry keys, hsinfo.exe reads the families that come from the
# registry through the DLL and must agree with the native hsinfo over the
# machine's profile. wine-families/NAME.reg holds registry lines, each with
# its reason, that even out where Wine differs from that Windows; they go to
# both sides. One prefix, booted once, serves every machine; it is removed
# when every machine passed.
#
# usage: wine-families.sh PREFIX-DIR Hardscan.dll hsinfo.exe volatile_keys.exe NATIVE-HSINFO NAME:VERSION...
set -u

if [ $# -lt 6 ]; then
    echo "usage: $0 PREFIX-DIR DLL HSINFO-EXE VOLATILE-KEYS-EXE NATIVE-HSINFO NAME:VERSION..." >&2
    exit 2
fi
prefix=$1
dll=$2
hsinfo_exe=$3
volatile_keys=$4
native_hsinfo=$5
shift 5
here=$(cd "$(dirname "$0")" && pwd)
hs_root=$(cd "$here/../.." && pwd)

if [ ! -x "$native_hsinfo" ]; then
    echo "SKIPPED: native hsinfo not built ($native_hsinfo)"
    exit 0
fi
. "$here/wine-session.sh"
. "$here/registry-facts.sh"
require_files "$dll" "$hsinfo_exe" "$volatile_keys"

bits=$(pe_bits "$dll")
open_wine_session "$prefix" "$bits"
stop_wine_session
booted=$prefix/registry-as-booted
mkdir -p "$booted"
cp "$prefix"/*.reg "$booted/"

# The lines of a profile without the machine facts (HKEY_SIMULATION keys).
registry_keys() {
    awk '/^\[/ { facts = (toupper($0) ~ /^\[-?HKEY_SIMULATION/) } !facts' "$1"
}

# One "LETTER TYPE READY" line per drive of the machine facts: the letter in
# lower case, Wine's name of what GetDriveTypeA answers, and 1 when _chdrive
# can make the drive current ("Ready", by default the fixed, remote and RAM
# drives).
machine_drives() {
    awk '
        /^\[/ { drives = (toupper($0) ~ /^\[HKEY_SIMULATION\\DRIVES\]/); next }
        !drives { next }
        /^"[A-Za-z]"=dword:/ { type[tolower(substr($0, 2, 1))] = substr($0, 12, 8) + 0 }
        /^"Ready"="/ { ready = tolower($0); sub(/^"ready"="/, "", ready); sub(/".*$/, "", ready); has_ready = 1 }
        END {
            split("floppy hd network cdrom ramdisk", name, " ")
            for (letter in type) {
                t = type[letter]
                r = has_ready ? index(ready, letter) > 0 : (t == 3 || t == 4 || t == 6)
                print letter, (t >= 2 && t <= 6 ? name[t - 1] : "hd"), r ? 1 : 0
            }
        }
    ' "$1"
}

# The machine's drive letters as Wine drives: one that the machine can make
# current links to a folder, any other to a folder that does not exist (a
# drive without a medium); the type goes to HKLM\Software\Wine\Drives, where
# Wine's mount manager reads it when the session starts. C: stays Wine's
# system drive and Z: the root through which the programs are reached: no
# machine's registry names Z:, and neither is a CD-ROM drive.
set_up_drives() {
    for link in "$prefix"/dosdevices/?:; do
        case "$link" in
            */c: | */z:) ;;
            *) rm -f "$link" ;;
        esac
    done
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\n' >"$2/drives.reg"
    machine_drives "$1" | while read -r letter type ready; do
        printf '"%s:"="%s"\n' "$letter" "$type" >>"$2/drives.reg"
        [ "$letter" = c ] || [ "$letter" = z ] && continue
        [ "$ready" = 1 ] && mkdir -p "$2/drive-$letter"
        ln -s "$2/drive-$letter" "$prefix/dosdevices/$letter:"
    done
    start_wine_session && import_registry 64 "$2/drives.reg"
    stop_wine_session
}

# Runs hsinfo.exe with every family under the relay trace, writes its JSON to
# WORK/wine.json and the DLL's calls to WORK/calls (relay-calls.awk).
run_traced() {
    pe_offset=$(od -An -tu4 -j60 -N4 "$dll" | tr -d ' ')
    image_size=$(od -An -tu4 -j$((pe_offset + 24 + 56)) -N4 "$dll" | tr -d ' ')
    {
        WINEDEBUG=+relay,+loaddll run_windows "$hsinfo_exe" --library "$(windows_path "$dll")" --json \
            2>&1 >"$1/wine.json"
        echo $? >"$1/status"
    } | awk -v module="$(basename "$dll")" -v size="$image_size" -v other="$1/wine.err" \
        -f "$here/relay-calls.awk" >"$1/calls"
    return "$(cat "$1/status")"
}

# The floor of the calls that the trace caught.
check_calls() {
    if [ ! -s "$1/calls" ]; then
        echo "FAIL: the relay trace holds no call of $(basename "$dll")"
        return 1
    fi
    awk -v calls=1 -f "$hs_root/scripts/import-floor.awk" "$hs_root/scripts/win32-imports.txt" \
        "$1/calls" >"$1/floor"
    if [ -s "$1/floor" ]; then
        cat "$1/floor"
        return 1
    fi
    grep -v ' looked-up$' "$1/calls" >"$1/calls-made"
    echo "$(grep -c . "$1/calls-made") calls of $(sort -u "$1/calls-made" | grep -c .) functions" \
         "made by the DLL, none above the import floor"
}

# Runs one machine; 0 when both sides agree.
run_machine() {
    machine=$1
    version=$2
    profile=$hs_root/machines/$machine.reg
    adjustment=$here/wine-families/$machine.reg
    work=$prefix/families/$machine
    started=$(date +%s)
    echo "=== $machine, Wine set to $version, $bits-bit DLL"
    if [ ! -f "$profile" ]; then
        echo "FAIL: $profile does not exist"
        return 1
    fi
    rm -rf "$work"
    mkdir -p "$work"

    # What both sides read: the machine's registry keys, then the adjustments.
    : >"$work/adjustment"
    [ -f "$adjustment" ] && sed 1d "$adjustment" >"$work/adjustment"
    cat "$profile" "$work/adjustment" >"$work/native.reg"
    { registry_keys "$profile"; cat "$work/adjustment"; } >"$work/keys.reg"
    if head -n 1 "$profile" | grep -q '^REGEDIT4'; then
        import=$work/keys.reg
    else
        # regedit reads a "Version 5.00" file as UTF-16LE; the profiles are UTF-8.
        import=$work/keys-utf16.reg
        { printf '\377\376'; iconv -f UTF-8 -t UTF-16LE "$work/keys.reg"; } >"$import"
    fi
    sed -n 's/^\[HKEY_LOCAL_MACHINE\\\(HARDWARE\\[^]]*\)\]\r\{0,1\}$/\1/Ip' "$work/keys.reg" >"$work/volatile-keys"

    stop_wine_session
    cp "$booted"/*.reg "$prefix/"
    set_up_drives "$profile" "$work"
    start_wine_session
    if ! run_windows winecfg -v "$version" >"$work/winecfg.log" 2>&1; then
        echo "FAIL: winecfg -v $version failed:"
        cat "$work/winecfg.log"
        return 1
    fi
    if [ -s "$work/volatile-keys" ] &&
            ! run_windows "$volatile_keys" "$(windows_path "$work/volatile-keys")" >"$work/volatile.log" 2>&1; then
        cat "$work/volatile.log"
        return 1
    fi
    import_registry "$bits" "$import"

    if [ "$bits" = 32 ]; then
        run_traced "$work"
    else
        run_windows "$hsinfo_exe" --library "$(windows_path "$dll")" --json $registry_families \
            >"$work/wine.json" 2>"$work/wine.err"
    fi
    rc=$?
    if [ $rc -ne 0 ]; then
        echo "FAIL: hsinfo.exe under Wine exited with $rc:"
        tail -n 20 "$work/wine.err"
        return 1
    fi
    if ! compare_with_native "$work" "$work/native.reg" "native library, machines/$machine.reg"; then
        echo "FAIL: $machine differs between Wine and the native library (files in $work)"
        return 1
    fi
    [ "$bits" = 32 ] && ! check_calls "$work" && return 1
    echo "$machine: $(grep -c . "$work/native.txt") facts equal, $(($(date +%s) - started)) s"
}

failures=0
for entry in "$@"; do
    run_machine "${entry%%:*}" "${entry#*:}" || failures=$((failures + 1))
done
if [ $failures -ne 0 ]; then
    echo "$failures of $# machines failed"
    exit 1
fi
echo "all $# machines agree with the native library"
close_wine_session
exit 0
