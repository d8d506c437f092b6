#!/bin/sh
# Static check of a built Hardscan.dll, from the PE headers as objdump prints
# them:
#   - the file format and optional-header magic of the target (PE32 for i386,
#     PE32+ for x86-64), and the DLL characteristic;
#   - the hardening flags: a random base (DYNAMIC_BASE) and no executable data
#     (NX_COMPAT), on x86-64 also addresses above 4 GiB (HIGH_ENTROPY_VA);
#   - the export table holds exactly the plain names of the module definition
#     file, nothing more and nothing decorated;
#   - every imported DLL is one of the allowed Windows system DLLs, which
#     current Windows loads from its KnownDLLs whatever the host's folder
#     holds (the IP helper, NetBIOS, the spooler and the multimedia timer are
#     not KnownDLLs: the library loads them from the system folder at run
#     time, through LoadLibraryExA, GetProcAddress and GetSystemDirectoryA);
#   - no function that writes to the registry or to files is imported.
#
# usage: check-dll.sh DLL DEF-FILE win32|win64 [OBJDUMP]
set -u

if [ $# -lt 3 ]; then
    echo "usage: $0 DLL DEF-FILE win32|win64 [OBJDUMP]" >&2
    exit 2
fi
dll=$1
def=$2
target=$3

case $target in
win32)
    default_objdump=i686-w64-mingw32-objdump
    want_format=pei-i386
    want_magic='010b (PE32)'
    want_flags="DYNAMIC_BASE NX_COMPAT"
    ;;
win64)
    default_objdump=x86_64-w64-mingw32-objdump
    want_format=pei-x86-64
    want_magic='020b (PE32+)'
    want_flags="DYNAMIC_BASE NX_COMPAT HIGH_ENTROPY_VA"
    ;;
*)
    echo "unknown target '$target' (win32 or win64)" >&2
    exit 2
    ;;
esac
objdump=${4:-$default_objdump}

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if [ ! -f "$dll" ]; then
    echo "FAIL: $dll does not exist"
    exit 1
fi
if ! command -v "$objdump" >/dev/null 2>&1; then
    echo "FAIL: $objdump not found"
    exit 1
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM
if ! "$objdump" -p "$dll" >"$tmp/headers" 2>"$tmp/errors"; then
    echo "FAIL: $objdump -p $dll failed:"
    cat "$tmp/errors"
    exit 1
fi

# File format and magic.
format=$(sed -n 's/^.*file format \([^ ]*\)$/\1/p' "$tmp/headers" | head -n 1)
[ "$format" = "$want_format" ] || fail "file format is '$format', expected '$want_format'"
magic=$(sed -n 's/^Magic[[:space:]]*\(.*\)$/\1/p' "$tmp/headers" | tr -s ' \t' ' ' | head -n 1)
[ "$magic" = "$want_magic" ] || fail "optional header magic is '$magic', expected '$want_magic'"
# The characteristics block lists one flag per line, DLL among them.
sed -n '/^Characteristics/,/^$/p' "$tmp/headers" | grep -qx '[[:space:]]*DLL' ||
    fail "the image is not marked as a DLL"
# DllCharacteristics lists one flag per line as well.
sed -n '/^DllCharacteristics/,/^[^[:space:]]/p' "$tmp/headers" | sed '1d;$d' | tr -d ' \t' >"$tmp/dll_flags"
for flag in $want_flags; do
    grep -qx "$flag" "$tmp/dll_flags" || fail "DllCharacteristics lacks $flag"
done

# Exports: the names after "[Ordinal/Name Pointer] Table", sorted, against the
# EXPORTS section of the definition file.
sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' "$tmp/headers" |
    sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*\([^[:space:]]*\).*$/\1/p' |
    LC_ALL=C sort >"$tmp/exports"
sed -n '/^EXPORTS/,$p' "$def" | sed '1d' |
    sed -e 's/;.*$//' -e 's/^[[:space:]]*//' -e 's/[[:space:]].*$//' | grep -v '^$' |
    LC_ALL=C sort >"$tmp/expected"
expected_count=$(wc -l <"$tmp/expected")
[ "$expected_count" -eq 15 ] || fail "$def lists $expected_count exports, expected 15"
if ! cmp -s "$tmp/exports" "$tmp/expected"; then
    fail "export names differ from $def (< exported, > expected):"
    diff "$tmp/exports" "$tmp/expected" | grep '^[<>]'
fi
grep -n '[@?]' "$tmp/exports" >/dev/null && fail "decorated export names: $(grep '[@?]' "$tmp/exports" | tr '\n' ' ')"

# Imports: DLL names, case-insensitive, against the allowed list.
allowed="kernel32.dll advapi32.dll ws2_32.dll msvcrt.dll"
sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*\(.*\)$/\1/p' "$tmp/headers" | tr 'A-Z' 'a-z' >"$tmp/dlls"
[ -s "$tmp/dlls" ] || fail "no import table found"
while read -r name; do
    ok=0
    for a in $allowed; do
        [ "$name" = "$a" ] && ok=1
    done
    [ $ok -eq 1 ] || fail "imports from $name, which is not an allowed system DLL"
done <"$tmp/dlls"

# Imported functions: the member names under each "DLL Name:" block.
awk '
    /^[[:space:]]*DLL Name:/ { dll = tolower($3); inblock = 1; next }
    /^[[:space:]]*$/ { inblock = 0; next }
    inblock && /^[[:space:]]*[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+[^[:space:]]+/ { print dll, $3 }
' "$tmp/headers" >"$tmp/functions"
[ -s "$tmp/functions" ] || fail "no imported functions found"
grep -E ' (RegSetValue|RegCreateKey|RegDeleteKey|RegDeleteValue|CreateFile|WriteFile$|WriteFileEx$|WriteFileGather$)' \
    "$tmp/functions" >"$tmp/writers"
if [ -s "$tmp/writers" ]; then
    fail "imports functions that write to the registry or to files:"
    sed 's/^/    /' "$tmp/writers"
fi

dll_count=$(wc -l <"$tmp/dlls")
function_count=$(wc -l <"$tmp/functions")
export_count=$(wc -l <"$tmp/exports")
if [ $failures -ne 0 ]; then
    echo "$dll: $failures check(s) failed"
    exit 1
fi
echo "$dll: $format, $export_count exports, $function_count functions imported from $dll_count DLLs ($(tr '\n' ' ' <"$tmp/dlls")): ok"
exit 0
