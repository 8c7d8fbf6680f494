#!/usr/bin/env bash
# Debian trees of other releases and architectures, made with mmdebstrap and
# kept under NUV_TREE_CACHE. Sourced after setup.sh by test-platform.sh and
# package.sh; `use_tree SUITE ARCH` chooses the trees the functions work on:
#   $NUV_TREE_CACHE/SUITE-ARCH-fresh  what `mmdebstrap --variant=apt` makes,
#       never changed afterwards: the packages' install tests run in copies;
#   $NUV_TREE_CACHE/SUITE-ARCH        a copy of it with the set-up's packages,
#       where the module is built and tested.
# A foreign architecture runs under qemu; making its tree takes a quarter of
# an hour and more, so it is made once and copied.

host_arch=$(dpkg --print-architecture)

use_tree() {
    suite=$1 arch=$2
    tree=$NUV_TREE_CACHE/$suite-$arch
    fresh_tree=$tree-fresh
    host_tools=("${NUV_PLATFORM_TOOLS[@]}")
    [ "$arch" != "$host_arch" ] && host_tools+=("${NUV_EMULATION_TOOLS[@]}")
    # Under emulation everything runs several times slower: the tests scale
    # their waits and timeouts by this factor.
    time_scale=1
    [ "$arch" != "$host_arch" ] && time_scale=${NUV_TOUCH_EMULATED_TIME_SCALE:-10}
    return 0
}

log() { echo "[$suite/$arch] $*" >&2; }

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

# lock_tree DIR FD: one user of a tree at a time (a tree made in the
# background is waited for).
lock_tree() {
    mkdir -p "$(dirname "$1")"
    eval "exec $2>\"\$1.lock\""
    flock "$2"
}

is_made() { [ -f "$1/.nuv-touch-packages" ] && [ "$(cat "$1/.nuv-touch-packages")" = "$2" ]; }

make_fresh_tree() {
    lock_tree "$fresh_tree" 8
    if ! is_made "$fresh_tree" "$suite $arch"; then
        log "making the fresh tree in $fresh_tree"
        local started=$SECONDS
        remove_tree "$fresh_tree.new"
        mmdebstrap --quiet --variant=apt --arch="$arch" "$suite" "$fresh_tree.new"
        echo "$suite $arch" >"$fresh_tree.new/.nuv-touch-packages"
        remove_tree "$fresh_tree"
        mv "$fresh_tree.new" "$fresh_tree"
        log "fresh tree made in $((SECONDS - started)) s"
    fi
    flock -u 8
}

# copy_fresh_tree DIR: a new copy of the fresh tree.
copy_fresh_tree() {
    make_fresh_tree
    remove_tree "$1"
    cp -a --reflink=auto "$fresh_tree" "$1"
}

# The build tree: the fresh tree and the set-up's packages. Packages the
# set-up adds later are installed into the kept tree when the module is built.
make_tree() {
    is_made "$tree" "$suite $arch" && return 0
    log "making the tree in $tree"
    local started=$SECONDS
    copy_fresh_tree "$tree.new"
    run_in "$tree.new" apt_in_tree install --no-install-recommends "${NUV_PACKAGES[@]}"
    echo "$suite $arch" >"$tree.new/.nuv-touch-packages"
    remove_tree "$tree"
    mv "$tree.new" "$tree"
    log "tree made in $((SECONDS - started)) s"
}

# apt_in_tree ARGS: runs in a tree (see run_in): apt-get install or the like.
# Without dpkg's syncs, as mmdebstrap does: a tree cut short is made again.
apt_in_tree() {
    in_tree apt-get -q update >/dev/null
    DEBIAN_FRONTEND=noninteractive in_tree apt-get -q -y -o DPkg::Options::=--force-unsafe-io "$@" >/dev/null
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

# mount_system_dirs DIR: what programs in a tree need of the host; unmounted
# by unmount_all, which the caller sets as its EXIT trap.
mount_system_dirs() {
    local d
    for d in proc sys dev dev/pts; do
        mount --bind "/$d" "$1/$d"
        mounted+=("$1/$d")
    done
}

# run_in DIR COMMAND...: COMMAND on the host with in_tree working in DIR,
# its system directories mounted meanwhile. A failure ends the script (never
# call it in an `if` or beside `||`, which would turn that off), and the
# caller's EXIT trap runs unmount_all.
run_in() {
    local dir=$1 saved=$tree; shift
    mount_system_dirs "$dir"
    tree=$dir
    "$@"
    tree=$saved
    unmount_all
}

# copy_checkout DIR: the sources as they are in the working copy, without the
# host's builds. Only files whose content changed are written, and they get
# the time of the copy: a source's own mtime may be older than the tree's
# last build of it (a merge, a checkout), which would leave a stale object.
copy_checkout() {
    mkdir -p "$1"
    rsync --recursive --links --checksum --delete --delete-excluded \
        --exclude=/.git --exclude=/build --exclude='/build-*' --exclude=/artifacts \
        --exclude=/dist --exclude='*.egg-info' \
        --exclude=__pycache__ --exclude=.pytest_cache --exclude=.hypothesis \
        "$NUV_ROOT/" "$1/"
}

# in_tree COMMAND...: COMMAND in the current tree, in the copy of the checkout.
in_tree() {
    chroot "$tree" /usr/bin/env -i HOME=/root LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        ${DEBIAN_FRONTEND:+DEBIAN_FRONTEND=$DEBIAN_FRONTEND} \
        NUV_TOUCH_BUILD=/root/nuv_touch-build NUV_TOUCH_TIME_SCALE="$time_scale" \
        ${NUV_TOUCH_FUZZ_EXAMPLES:+NUV_TOUCH_FUZZ_EXAMPLES=$NUV_TOUCH_FUZZ_EXAMPLES} \
        ${NUV_TOUCH_FUZZ_SEED:+NUV_TOUCH_FUZZ_SEED=$NUV_TOUCH_FUZZ_SEED} \
        bash -c 'cd /root/nuv_touch 2>/dev/null || cd /root; "$@"' in_tree "$@"
}
