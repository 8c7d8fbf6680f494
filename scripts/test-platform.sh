#!/usr/bin/env bash
# Runs the README's test command inside a Debian tree of another release or
# architecture:
#   bash scripts/test-platform.sh [--build-only] SUITE [ARCH] [pytest args]
# e.g. bash scripts/test-platform.sh trixie amd64 -q
#      bash scripts/test-platform.sh trixie arm64 -q tests/test_digit_keypad.py
# The tree is made once with mmdebstrap and kept under NUV_TREE_CACHE
# (default /var/cache/nuv-touch/SUITE-ARCH); packages the set-up adds later
# are installed into it. The checkout is copied in on every run; the module is
# built in the tree by the tree's own compiler, for the tree's own Python.
# --build-only makes the tree and builds the module, and runs no test.
# Needs root (mmdebstrap, chroot, bind mounts).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

build_only=false
if [ "${1:-}" = --build-only ]; then build_only=true; shift; fi
if [ $# -lt 1 ]; then
    echo "usage: $0 [--build-only] SUITE [ARCH] [pytest args]" >&2
    exit 2
fi
suite=$1; shift
host_arch=$(dpkg --print-architecture)
arch=$host_arch
if [ $# -gt 0 ] && [[ $1 != -* ]] && [[ $1 != */* ]] && [[ $1 != *.py ]]; then
    arch=$1; shift
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "$0 needs root (mmdebstrap, chroot and bind mounts)." >&2
    exit 1
fi

cache=$NUV_TREE_CACHE
tree=$cache/$suite-$arch
stamp_file=$tree/.nuv-touch-packages
# What the tree is made of. Packages the set-up adds later are installed into
# the kept tree by the build step below, so they do not make it again (an
# arm64 tree takes a quarter of an hour and more to make).
stamp="$suite $arch"

host_tools=("${NUV_PLATFORM_TOOLS[@]}")
[ "$arch" != "$host_arch" ] && host_tools+=("${NUV_EMULATION_TOOLS[@]}")

# Under emulation everything runs several times slower: the tests scale their
# waits and timeouts by this factor.
time_scale=1
[ "$arch" != "$host_arch" ] && time_scale=${NUV_TOUCH_EMULATED_TIME_SCALE:-10}

# A foreign tree runs under qemu, through binfmt_misc: systemd sets that up
# at boot, a machine or container without it needs it done here.
enable_emulation() {
    [ "$arch" = "$host_arch" ] && return 0
    [ -e /proc/sys/fs/binfmt_misc/status ] ||
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    local emulator
    emulator=$(case $arch in arm64) echo aarch64 ;; armhf|armel) echo arm ;; *) echo "$arch" ;; esac)
    grep -qsx enabled "/proc/sys/fs/binfmt_misc/qemu-$emulator" ||
        update-binfmts --enable "qemu-$emulator"
    arch-test "$arch" >/dev/null
}

log() { echo "[$suite/$arch] $*" >&2; }

make_tree() {
    if [ -f "$stamp_file" ] && [ "$(cat "$stamp_file")" = "$stamp" ]; then
        return 0
    fi
    log "making the tree in $tree"
    local started=$SECONDS packages
    packages=$(IFS=,; echo "${NUV_PACKAGES[*]}")
    remove_tree "$tree.new"
    mmdebstrap --quiet --variant=apt --arch="$arch" --include="$packages" \
        "$suite" "$tree.new"
    echo "$stamp" >"$tree.new/.nuv-touch-packages"
    remove_tree "$tree"
    mv "$tree.new" "$tree"
    log "tree made in $((SECONDS - started)) s"
}

# A run killed before its trap left mounts behind: removing the tree then
# would reach into the host's /dev, so unmount first and never cross a mount.
unmount_leftovers() {
    local dir=$1 target
    awk -v dir="$dir" '$2 == dir || index($2, dir "/") == 1 {print $2}' /proc/self/mounts | sort -r |
        while read -r target; do umount "$target" || umount -l "$target"; done
}

remove_tree() {
    [ -e "$1" ] || return 0
    unmount_leftovers "$1"
    rm -rf --one-file-system "$1"
}

mounted=()
unmount_all() {
    # A second signal (CI stopping its whole group, an impatient ^C) must not
    # cut the unmounting short.
    trap '' INT TERM HUP
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" || true
    done
    mounted=()
}

mount_system_dirs() {
    local d
    for d in proc sys dev dev/pts; do
        mount --bind "/$d" "$tree/$d"
        mounted+=("$tree/$d")
    done
}

copy_checkout() {
    mkdir -p "$tree/root/nuv_touch"
    # Sources as they are in the working copy, without the host's builds. Only
    # files whose content changed are written, and they get the time of the
    # copy: a source's own mtime may be older than the tree's last build of
    # it (a merge, a checkout), which would leave a stale object in place.
    rsync --recursive --links --checksum --delete --delete-excluded \
        --exclude=/.git --exclude=/build --exclude='/build-*' --exclude=/artifacts \
        --exclude=__pycache__ --exclude=.pytest_cache --exclude=.hypothesis \
        "$NUV_ROOT/" "$tree/root/nuv_touch/"
}

in_tree() {
    chroot "$tree" /usr/bin/env -i HOME=/root LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        NUV_TOUCH_BUILD=/root/nuv_touch-build NUV_TOUCH_TIME_SCALE="$time_scale" \
        ${NUV_TOUCH_FUZZ_EXAMPLES:+NUV_TOUCH_FUZZ_EXAMPLES=$NUV_TOUCH_FUZZ_EXAMPLES} \
        bash -c 'cd /root/nuv_touch && "$@"' in_tree "$@"
}

install_missing_packages "${host_tools[@]}"
enable_emulation
mkdir -p "$cache"
# One run at a time per tree: a tree made in the background is waited for.
exec 9>"$tree.lock"
flock 9
unmount_leftovers "$tree"
make_tree
trap unmount_all EXIT
trap 'exit 130' INT TERM HUP
mount_system_dirs
copy_checkout

started=$SECONDS
in_tree bash -c 'source scripts/setup.sh && install_missing_packages && build_module "$NUV_TOUCH_BUILD"'
log "module built in $((SECONDS - started)) s"
$build_only && exit 0

started=$SECONDS
set +e
in_tree bash scripts/test.sh "$@"
status=$?
set -e
log "tests finished in $((SECONDS - started)) s, exit status $status"
exit $status
