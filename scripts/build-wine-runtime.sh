#!/usr/bin/env bash
# Builds the Wine runtime that runs the Windows programs of the tests (see
# wine-runtime.sh): a minimal Debian trixie root with Wine 10, plus the 32-bit
# PE half of Wine from trixie's libwine:i386, which makes Wine run 32-bit
# programs in WoW64 mode inside its 64-bit process (no 32-bit Linux code
# needed). Debug information is stripped from the PE folders: Wine copies
# them into every prefix. Unattended, as root; a no-op when already built.
#
# The packages come from the Debian archive that this machine's apt uses.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-runtime.sh"

wine_runtime_ready && exit 0
if [ "$(id -u)" -ne 0 ]; then
    echo "build-wine-runtime: needs root (debootstrap, chroot)" >&2
    exit 1
fi

# One build at a time; a second caller waits and finds it done.
mkdir -p "$(dirname "$wine_runtime_root")"
exec 9>"$wine_runtime_root.lock"
flock 9
wine_runtime_ready && exit 0

export DEBIAN_FRONTEND=noninteractive
started=$(date +%s)
echo "build-wine-runtime: building $wine_runtime_root (a few minutes, about 1 GB)"
apt-get update -qq
# The archive key of trixie and its bootstrap script.
apt-get install -y -qq --no-install-recommends debian-archive-keyring debootstrap \
    binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 >/dev/null

# The archive of this machine's own release (not its security or updates
# suites), as apt knows it.
mirror=$(apt-get indextargets --format '$(ORIGIN)|$(LABEL)|$(CODENAME)|$(REPO_URI)' |
    awk -F'|' '$1 == "Debian" && $2 == "Debian" && $3 !~ /-/ { print $4; exit }')
if [ -z "$mirror" ]; then
    echo "build-wine-runtime: no Debian archive found in this machine's apt sources" >&2
    exit 1
fi

work=$(mktemp -d "$wine_runtime_root.build.XXXXXX")
trap 'rm -rf --one-file-system "$work"' EXIT
root=$work/root
debootstrap --variant=minbase trixie "$root" "$mirror" >"$work/debootstrap.log" 2>&1 || {
    tail -n 30 "$work/debootstrap.log" >&2
    exit 1
}

# Inside the new root, in a mount namespace that vanishes afterwards.
in_root() {
    unshare --mount --propagation private -- /bin/sh -eu -c '
        mount -t proc proc "$1/proc"
        mount --rbind /dev "$1/dev"
        root=$1
        shift
        exec chroot "$root" env DEBIAN_FRONTEND=noninteractive PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"
    ' in-root "$root" "$@"
}
in_root apt-get update -qq
in_root apt-get install -y -qq --no-install-recommends wine64 wine >"$work/wine.log" 2>&1 || {
    tail -n 30 "$work/wine.log" >&2
    exit 1
}

# The 32-bit PE half, of exactly the installed version.
version=$(in_root dpkg-query -W -f='${Version}' libwine)
in_root dpkg --add-architecture i386
in_root apt-get update -qq
in_root sh -c "cd /tmp && apt-get download -qq libwine:i386=$version"
dpkg-deb -x "$root"/tmp/libwine_*_i386.deb "$work/libwine-i386"
pe32=usr/lib/x86_64-linux-gnu/wine/i386-windows
mkdir -p "$root/$pe32"
cp -a "$work/libwine-i386/usr/lib/i386-linux-gnu/wine/i386-windows/." "$root/$pe32/"
rm -f "$root"/tmp/libwine_*_i386.deb
in_root dpkg --remove-architecture i386
in_root apt-get clean
rm -rf "$root"/var/lib/apt/lists/*

strip_pe() {
    local strip=$1 folder=$2 file
    find "$folder" -type f -print0 | while IFS= read -r -d '' file; do
        # Not every file there is a PE image (import libraries, fake DLLs);
        # those are left as they are.
        "$strip" --strip-debug "$file" 2>/dev/null || true
    done
}
strip_pe i686-w64-mingw32-strip "$root/$pe32"
strip_pe x86_64-w64-mingw32-strip "$root/usr/lib/x86_64-linux-gnu/wine/x86_64-windows"

mv "$root" "$wine_runtime_root"
echo "build-wine-runtime: Wine $version ready in $wine_runtime_root" \
    "($(du -sh "$wine_runtime_root" | cut -f1), $(($(date +%s) - started)) s)"
