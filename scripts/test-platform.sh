#!/usr/bin/env bash
# Runs the README's test command inside a Debian tree of another release or
# architecture:
#   bash scripts/test-platform.sh [--build-only] SUITE [ARCH] [pytest args]
# e.g. bash scripts/test-platform.sh trixie amd64 -q
#      bash scripts/test-platform.sh trixie arm64 -q tests/test_digit_keypad.py
# The tree is made once and kept under NUV_TREE_CACHE (default
# /var/cache/nuv-touch/SUITE-ARCH, see trees.sh); packages the set-up adds
# later are installed into it. The checkout is copied in on every run; the
# module is built in the tree by the tree's own compiler, for the tree's own
# Python.
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
source "$(dirname "${BASH_SOURCE[0]}")/trees.sh"
arch=$host_arch
if [ $# -gt 0 ] && [[ $1 != -* ]] && [[ $1 != */* ]] && [[ $1 != *.py ]]; then
    arch=$1; shift
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "$0 needs root (mmdebstrap, chroot and bind mounts)." >&2
    exit 1
fi
use_tree "$suite" "$arch"

install_missing_packages "${host_tools[@]}"
enable_emulation
lock_tree "$tree" 9
unmount_leftovers "$tree"
trap unmount_all EXIT
trap 'exit 130' INT TERM HUP
make_tree
mount_system_dirs "$tree"
copy_checkout "$tree/root/nuv_touch"

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
