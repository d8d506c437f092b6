#!/usr/bin/env bash
# Builds the native library and hsinfo, then prints the inventory of the
# built-in default machine (a Windows XP desktop on this machine's processor).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --no-wine-runtime
cmake --preset native >/dev/null
cmake --build --preset native --target hsinfo hardscan >/dev/null
exec build/native/hsinfo "$@"
