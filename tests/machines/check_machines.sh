#!/usr/bin/env bash
# Runs hsinfo over sample machine profiles and compares each JSON inventory with
# the expected one under tests/machines/expected/.
#
#   check_machines.sh [--hsinfo PATH] [--update] [NAME...]
#
# NAME is a profile under machines/ without ".reg" (win98se, winxp, ...); no
# names means every sample profile (all of machines/*.reg but default.reg).
# --hsinfo defaults to build/native/hsinfo. On a mismatch the unified diff
# (expected, then actual) is printed and the exit status is 1.
#
# --update, or HS_UPDATE_EXPECTED=1 in the environment, rewrites the expected
# files from the current output instead of comparing, and prints what changed.
# It is for developers after a deliberate change; review the diff before
# committing. Never used by the test runs.
set -u

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
expected_dir="$here/expected"
hsinfo="$root/build/native/hsinfo"
update=0
[ "${HS_UPDATE_EXPECTED:-0}" = "1" ] && update=1
names=()

usage() {
    sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'
}

while [ $# -gt 0 ]; do
    case "$1" in
        --hsinfo) [ $# -ge 2 ] || { usage >&2; exit 2; }; hsinfo=$2; shift 2 ;;
        --hsinfo=*) hsinfo=${1#--hsinfo=}; shift ;;
        --update) update=1; shift ;;
        -h|--help) usage; exit 0 ;;
        -*) echo "check_machines.sh: unknown option $1" >&2; usage >&2; exit 2 ;;
        *) names+=("$1"); shift ;;
    esac
done

if [ ! -x "$hsinfo" ]; then
    echo "check_machines.sh: hsinfo not found or not executable: $hsinfo" >&2
    exit 2
fi

if [ ${#names[@]} -eq 0 ]; then
    for profile in "$root"/machines/*.reg; do
        name=$(basename "$profile" .reg)
        [ "$name" = "default" ] && continue
        names+=("$name")
    done
fi

# The inventory must not depend on the caller's environment.
unset HARDSCAN_MACHINE HARDSCAN_DEBUG_OUTPUT

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
for name in "${names[@]}"; do
    profile="$root/machines/$name.reg"
    expected="$expected_dir/$name.json"
    actual="$work/$name.json"
    if [ ! -f "$profile" ]; then
        echo "FAIL $name: no profile $profile"
        status=1
        continue
    fi
    "$hsinfo" --machine "$profile" --json >"$actual" 2>"$work/$name.err"
    rc=$?
    if [ $rc -ne 0 ] || [ -s "$work/$name.err" ]; then
        echo "FAIL $name: hsinfo exited with status $rc"
        sed 's/^/  stderr: /' "$work/$name.err"
        status=1
        continue
    fi
    if [ $update -eq 1 ]; then
        mkdir -p "$expected_dir"
        if [ -f "$expected" ] && cmp -s "$expected" "$actual"; then
            echo "same $name"
        else
            [ -f "$expected" ] && diff -u --label "$name.json (old)" --label "$name.json (new)" "$expected" "$actual"
            cp "$actual" "$expected"
            echo "wrote $expected"
        fi
        continue
    fi
    if [ ! -f "$expected" ]; then
        echo "FAIL $name: no expected inventory $expected (create it with --update and review it)"
        status=1
        continue
    fi
    if diff -u --label "$name.json (expected)" --label "$name.json (actual)" "$expected" "$actual"; then
        echo "ok   $name"
    else
        echo "FAIL $name: the inventory differs from $expected"
        status=1
    fi
done
exit $status
