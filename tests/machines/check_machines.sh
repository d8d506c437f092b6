#!/usr/bin/env bash
# Runs hsinfo over machine profiles and compares what it prints with the
# expected files under tests/machines/expected/:
#   NAME.json  the --json inventory (one call of HsiGetSysInfo for most
#              families);
#   NAME.txt   the text inventory (every family through its own exports),
#              then what the library sent to the debugger during each run.
#
#   check_machines.sh [--hsinfo PATH] [--update] [NAME...]
#
# NAME is a sample profile under machines/ (win98se, winxp, ...) or a test
# profile under tests/machines/profiles/, without ".reg"; no names means all
# of them but machines/default.reg. --hsinfo defaults to build/native/hsinfo.
# On a mismatch the unified diff (expected, then actual) is printed and the
# exit status is 1.
#
# --update, or HS_UPDATE_EXPECTED=1 in the environment, rewrites the expected
# files from the current output instead of comparing, and prints what changed.
# It is for developers after a deliberate change; review the diff before
# committing. Never used by the test runs.
set -u

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
hsinfo="$root/build/native/hsinfo"
update=0
[ "${HS_UPDATE_EXPECTED:-0}" = "1" ] && update=1
names=()

while [ $# -gt 0 ]; do
    case "$1" in
        --hsinfo) [ $# -ge 2 ] || { sed -n '2,21p' "$0" >&2; exit 2; }; hsinfo=$2; shift 2 ;;
        --update) update=1; shift ;;
        -h|--help) sed -n '2,21p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        -*) echo "check_machines.sh: unknown option $1" >&2; exit 2 ;;
        *) names+=("$1"); shift ;;
    esac
done
if [ ! -x "$hsinfo" ]; then
    echo "check_machines.sh: hsinfo not found or not executable: $hsinfo" >&2
    exit 2
fi
if [ ${#names[@]} -eq 0 ]; then
    for profile in "$root"/machines/*.reg "$here"/profiles/*.reg; do
        [ "$profile" = "$root/machines/default.reg" ] || names+=("$(basename "$profile" .reg)")
    done
fi

# The inventory must not depend on the caller's environment.
unset HARDSCAN_MACHINE HARDSCAN_DEBUG_OUTPUT
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs hsinfo over the profile with the given arguments into $work/out and
# appends the debugger output to $work/trace under a heading.
run() {
    local profile=$1 label=$2
    shift 2
    : >"$work/debug"
    HARDSCAN_DEBUG_OUTPUT=$work/debug "$hsinfo" --machine "$profile" "$@" >"$work/out" 2>"$work/err"
    local rc=$?
    { echo "--- debugger output, $label ---"; cat "$work/debug"; echo; } >>"$work/trace"
    if [ $rc -ne 0 ] || [ -s "$work/err" ]; then
        echo "FAIL $name: hsinfo $label exited with status $rc"
        sed 's/^/  stderr: /' "$work/err"
        return 1
    fi
}

# Compares (or with --update rewrites) one expected file.
compare() {
    local actual=$1 expected=$here/expected/$2
    if [ $update -eq 1 ]; then
        cmp -s "$expected" "$actual" && return 0
        [ -f "$expected" ] && diff -u --label "$2 (old)" --label "$2 (new)" "$expected" "$actual"
        cp "$actual" "$expected" && echo "wrote $expected"
    elif [ ! -f "$expected" ]; then
        echo "FAIL $name: no $expected (create it with --update and review it)"
        return 1
    elif ! diff -u --label "$2 (expected)" --label "$2 (actual)" "$expected" "$actual"; then
        echo "FAIL $name: the output differs from $expected"
        return 1
    fi
}

status=0
for name in "${names[@]}"; do
    profile=$root/machines/$name.reg
    [ -f "$profile" ] || profile=$here/profiles/$name.reg
    if [ ! -f "$profile" ]; then
        echo "FAIL $name: no profile $name.reg under machines/ or tests/machines/profiles/"
        status=1
        continue
    fi
    : >"$work/trace"
    run "$profile" "--json run" --json && cp "$work/out" "$work/$name.json" &&
        run "$profile" "text run" && cat "$work/out" "$work/trace" >"$work/$name.txt" || { status=1; continue; }
    ok=1
    compare "$work/$name.json" "$name.json" || ok=0
    compare "$work/$name.txt" "$name.txt" || ok=0
    [ $ok -eq 1 ] && echo "ok   $name" || status=1
done
exit $status
