#!/usr/bin/env bash
# Builds the three targets (and the sanitizer build of the native tests) and
# runs every test. The last line sums up all test runs.
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh || { echo "install-deps failed"; exit 1; }

presets=(native native-asan win32 win64)
passed=0
failed=0
status=0
for preset in "${presets[@]}"; do
    echo "=== $preset: build"
    if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset"; then
        echo "=== $preset: build failed"
        status=1
        failed=$((failed + 1))
        continue
    fi
    echo "=== $preset: test"
    log=$(mktemp)
    ctest --preset "$preset" 2>&1 | tee "$log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
    summary=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
    if [ -n "$summary" ]; then
        total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$summary")
        bad=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$summary")
        passed=$((passed + total - bad))
        failed=$((failed + bad))
    fi
    rm -f "$log"
done
echo "tests: $passed passed, $failed failed"
exit $status
