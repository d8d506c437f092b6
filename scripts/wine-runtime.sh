# Sourced by the scripts that build and enter the Wine runtime: a Debian
# trixie root (Wine 10, 64-bit with its 32-bit PE half, so that it runs both
# 32- and 64-bit Windows programs in WoW64 mode) kept in a cache folder
# outside the checkout.
#
# HARDSCAN_WINE_ROOT names the folder (default /var/cache/hardscan/wine). It
# exists only when it is complete: the build works in a temporary folder next
# to it and renames that at the end.

wine_runtime_root=${HARDSCAN_WINE_ROOT:-/var/cache/hardscan/wine}
wine_runtime_loader=/usr/lib/wine/wine64
wine_runtime_server=/usr/lib/wine/wineserver

wine_runtime_ready() {
    [ -x "$wine_runtime_root$wine_runtime_loader" ] &&
        [ -x "$wine_runtime_root$wine_runtime_server" ] &&
        [ -f "$wine_runtime_root/usr/lib/x86_64-linux-gnu/wine/i386-windows/ntdll.dll" ]
}

# Top-level host folders that the runtime keeps its own copy of; every other
# top-level folder (where checkouts, build trees and home folders live) is
# visible inside at its own path.
wine_runtime_own_dirs=" bin boot dev etc lib lib32 lib64 libx32 lost+found proc run sbin sys usr var "

# Runs COMMAND... inside the runtime, in a mount namespace of its own: the
# mounts vanish with the last process of the namespace (a wineserver that
# outlives the program keeps them until it ends). Every run sees the same
# host folders at the same paths, so one wineserver serves programs started
# by several runs. EXTRA-DIR... (before "--") are bound too when they lie
# under one of the runtime's own folders.
#
#   enter_wine_runtime [EXTRA-DIR...] -- COMMAND [ARGS...]
enter_wine_runtime() {
    local extra=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do
        extra+=("$1")
        shift
    done
    shift
    if [ "$(id -u)" -ne 0 ]; then
        echo "wine runtime: needs root (mount namespace and chroot)" >&2
        return 126
    fi
    if ! wine_runtime_ready; then
        echo "wine runtime: not built in $wine_runtime_root (run scripts/install-deps.sh)" >&2
        return 127
    fi
    local binds=() entry top
    for entry in /*; do
        [ -d "$entry" ] && [ ! -L "$entry" ] || continue
        case "$wine_runtime_own_dirs" in *" ${entry#/} "*) continue ;; esac
        binds+=("$entry")
    done
    for entry in "${extra[@]}"; do
        entry=$(realpath -e "$entry") || return 2
        top=${entry#/}
        top=${top%%/*}
        case "$wine_runtime_own_dirs" in *" $top "*) binds+=("$entry") ;; esac
    done
    unshare --mount --propagation private -- /bin/sh -eu -c '
        root=$1
        shift
        while [ "$1" != "--" ]; do
            mkdir -p "$root$1"
            mount --rbind "$1" "$root$1"
            shift
        done
        shift
        mount -t proc proc "$root/proc"
        mount --rbind /sys "$root/sys"
        mount --rbind /dev "$root/dev"
        exec chroot "$root" "$@"
    ' enter-wine-runtime "$wine_runtime_root" "${binds[@]}" -- "$@"
}

# The environment of a Windows program: the caller's, without what belongs to
# the host's own loader and display, with the runtime's search path. The
# runner's DLL overrides (no Mono or Gecko installers, no display drivers)
# come first; a DLL that the caller's WINEDLLOVERRIDES names is left to it.
wine_runtime_env() {
    local overrides="" dll
    local given=";${WINEDLLOVERRIDES:-};"
    given=${given,,}
    for dll in mscoree mshtml winewayland.drv winex11.drv; do
        case "$given" in
            *[\;,]"$dll"[,=]*) ;;
            *) overrides="$overrides${overrides:+,}$dll" ;;
        esac
    done
    overrides="$overrides="
    [ -z "${WINEDLLOVERRIDES:-}" ] || overrides="$overrides;$WINEDLLOVERRIDES"
    printf '%s\0' -u LD_PRELOAD -u LD_LIBRARY_PATH -u DISPLAY -u WAYLAND_DISPLAY \
        PATH=/usr/sbin:/usr/bin:/sbin:/bin \
        "WINEDEBUG=${WINEDEBUG:--all}" "WINEDLLOVERRIDES=$overrides"
}
