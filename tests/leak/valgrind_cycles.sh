#!/bin/sh
# Runs load_cycles under valgrind: any error, and any definitely lost block,
# fails. Exits 77 (skipped) where valgrind is not installed.
#   valgrind_cycles.sh LOAD_CYCLES LIBRARY CYCLES
if ! command -v valgrind >/dev/null 2>&1; then
    echo "valgrind is not installed: load/unload cycles not checked for leaks"
    exit 77
fi
exec valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
    "$1" "$2" "$3"
