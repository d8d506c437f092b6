# Steps shared by the packaging checks; sourced, with $work set.
#   fail TEXT            counts a failed check and prints it
#   install_package DIR  cmake --install of build DIR into $prefix ($work/prefix,
#                        made anew); ends the check when the install fails
#   find_pkg_config      sets $pc to pkg-config (or pkgconf), empty when missing
#   finish               prints the summary and exits with the result

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

install_package() {
    rm -rf "$work"
    mkdir -p "$work"
    prefix=$work/prefix
    if ! "$cmake" --install "$1" --prefix "$prefix" >"$work/install.log" 2>&1; then
        echo "FAIL: cmake --install failed:"
        cat "$work/install.log"
        exit 1
    fi
}

find_pkg_config() {
    pc=$(command -v pkg-config || command -v pkgconf || true)
    [ -n "$pc" ] || fail "pkg-config is not installed (Debian package pkgconf)"
}

finish() {
    if [ $failures -ne 0 ]; then
        echo "$failures packaging checks failed"
        exit 1
    fi
    echo "packaging: all checks passed"
    exit 0
}
