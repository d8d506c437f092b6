#!/usr/bin/env bash
# Runs a 32- or 64-bit Windows program under the project's Wine runtime and
# exits with the program's exit code.
#
#   scripts/run-windows.sh PROGRAM.exe [ARGS...]
#
# The current directory and the program's folder are visible at the same
# paths, as is every top-level folder other than the runtime's own system
# folders (/usr, /var, /etc, ...: see wine-runtime.sh); Z: is the root.
# WINEPREFIX is taken from the environment when set, otherwise a private
# prefix under ~/.cache/hardscan is used; WINEDLLOVERRIDES from the
# environment is added to the runner's own (no Mono or Gecko installers, no
# display drivers). WINEDEBUG defaults to -all.
# PROGRAM may also be a Windows path or a program of Wine itself (regedit,
# wineboot, C:\windows\syswow64\regedit.exe).
#
# Several runs may share one Wine session: a wineserver started by one run
# serves the next while it lives (see scripts/wineserver.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-runtime.sh"

if [ $# -lt 1 ]; then
    echo "usage: $0 PROGRAM.exe [ARGS...]" >&2
    exit 2
fi
program=$1
shift

export WINEPREFIX=${WINEPREFIX:-$HOME/.cache/hardscan/wine-prefix}
mkdir -p "$WINEPREFIX"
export WINEPREFIX=$(realpath "$WINEPREFIX")
folders=("$PWD" "$WINEPREFIX")
if [ -f "$program" ]; then
    program=$(realpath "$program")
    folders+=("$(dirname "$program")")
fi

mapfile -d '' env_args < <(wine_runtime_env)
enter_wine_runtime "${folders[@]}" -- \
    env "${env_args[@]}" /bin/sh -c 'cd "$1" && shift && exec "$@"' run-windows "$PWD" \
    "$wine_runtime_loader" "$program" "$@"
