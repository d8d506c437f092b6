#!/usr/bin/env bash
# Runs the Wine runtime's wineserver for WINEPREFIX (default: the one of
# scripts/run-windows.sh), to hold one Wine session across several programs
# or to end it:
#
#   scripts/wineserver.sh -p60     # keep the session 60 s after its last program
#   scripts/wineserver.sh -k       # end the session
#   scripts/wineserver.sh -w       # wait until it has ended
#
# A new session resets what Wine takes from the host (the computer name), so
# tests that import a registry file and then run programs keep one session.
#
# The server opens the files that the session's programs open, and sees the
# folders that every run sees (see run-windows.sh), WINEPREFIX and the
# current directory: start it from a folder that holds the rest (the
# checkout) when that lies under one of the runtime's own system folders.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-runtime.sh"

export WINEPREFIX=${WINEPREFIX:-$HOME/.cache/hardscan/wine-prefix}
mkdir -p "$WINEPREFIX"
export WINEPREFIX=$(realpath "$WINEPREFIX")
mapfile -d '' env_args < <(wine_runtime_env)
enter_wine_runtime "$WINEPREFIX" "$PWD" -- env "${env_args[@]}" "$wine_runtime_server" "$@"
