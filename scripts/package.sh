#!/usr/bin/env bash
# Builds and checks what users install:
#   bash scripts/package.sh wheel              the source archive and the
#       wheel built from it as pip builds one (artifacts/dist/); then that
#       wheel installed into a venv, the smoke test, `pip uninstall`
#   bash scripts/package.sh deb SUITE ARCH     python3-nuv-touch for Debian
#       SUITE on ARCH (artifacts/SUITE-ARCH/), checked by lintian
#   bash scripts/package.sh install SUITE ARCH [pytest args]
#       that package installed with apt-get into a fresh tree of SUITE and
#       ARCH, and the smoke test there; with pytest arguments, then those
#       tests there against the installed package
#   bash scripts/package.sh tree SUITE ARCH    only makes that fresh tree
# e.g. bash scripts/package.sh deb trixie arm64
# The package for the machine's own release and architecture is built on the
# machine. The others are built in the amd64 tree of their release (see
# trees.sh), a foreign architecture cross-built there: emulated, a build
# takes ten times as long. Needs root (apt-get, chroot, bind mounts).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
source "$(dirname "${BASH_SOURCE[0]}")/trees.sh"

ARTIFACTS=${NUV_ARTIFACTS:-$NUV_ROOT/artifacts}
# What is tested is what was installed, never the checkout's modules.
unset PYTHONPATH
# Debian's own tools: an interpreter of one's own first on PATH (pyenv) has
# neither wx nor the build modules.
DEBIAN_PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin

work=""
cleanup() {
    unmount_all
    [ -n "$work" ] && rm -rf "$work"
    return 0
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP
new_work_dir() { work=$(mktemp -d); }

# quietly LOG COMMAND...: the command's output goes to LOG, shown on failure.
quietly() {
    local log=$1; shift
    "$@" >"$log" 2>&1 || { local status=$?; cat "$log" >&2; return $status; }
}

# What an index would serve: the source archive, built first so that a file
# it leaves out fails the wheel's build, which starts from it as pip's does.
package_wheel() {
    new_work_dir
    copy_checkout "$work/src"
    (cd "$work/src" && quietly "$work/sdist.log" env PATH=$DEBIAN_PATH \
        "$PYTHON" -m build --sdist --no-isolation --outdir "$work/dist")
    "$PYTHON" -m venv --system-site-packages "$work/venv"
    local pip=("$work/venv/bin/pip" --disable-pip-version-check --no-input)
    quietly "$work/wheel.log" "${pip[@]}" wheel --no-deps --no-build-isolation --no-index \
        --wheel-dir "$work/dist" "$work"/dist/nuv[-_]touch-*.tar.gz
    quietly "$work/pip.log" "${pip[@]}" install --no-index "$work"/dist/nuv_touch-*.whl
    "$work/venv/bin/python" "$work/src/debian/tests/smoke"
    quietly "$work/pip.log" "${pip[@]}" uninstall -y nuv-touch
    local left
    left=$(find "$work/venv" \( -name 'nuv_touch*' -o -name 'nuv_engines*' -o -name 'nuv_wxtools*' -o -name 'nuv-touch*' \))
    if [ -n "$left" ]; then
        echo "pip uninstall left behind:" "$left" >&2
        return 1
    fi
    mkdir -p "$ARTIFACTS/dist"
    rm -f "$ARTIFACTS"/dist/nuv[-_]touch-*
    cp "$work"/dist/nuv[-_]touch-* "$ARTIFACTS/dist/"
    ls -l "$ARTIFACTS"/dist/nuv[-_]touch-*
}

host_suite() { (. /etc/os-release && echo "$VERSION_CODENAME"); }

build_deb_on_host() {
    new_work_dir
    copy_checkout "$work/nuv-touch"
    (cd "$work" && quietly "$work/deps.log" mk-build-deps --install --remove \
        --tool "apt-get -y -q -o DPkg::Lock::Timeout=$NUV_APT_WAIT --no-install-recommends" \
        nuv-touch/debian/control)
    (cd "$work/nuv-touch" && quietly "$work/build.log" env -i PATH=$DEBIAN_PATH HOME="$HOME" LANG=C.UTF-8 \
        dpkg-buildpackage -us -uc -b)
    cp "$work"/*.deb "$1/"
}

# In the release's amd64 tree: its build dependencies for the target
# architecture, then the build (a cross build for a foreign one).
build_deb_in_tree() {
    local target=$1 cross=()
    if [ "$target" != "$host_arch" ]; then
        in_tree dpkg --add-architecture "$target"
        cross=(-a "$target")
    fi
    in_tree apt-get -q update >/dev/null
    if [ ${#cross[@]} -gt 0 ]; then
        DEBIAN_FRONTEND=noninteractive in_tree apt-get -q -y --no-install-recommends install \
            "crossbuild-essential-$target" >/dev/null
    fi
    rm -rf "$tree/root/package"
    copy_checkout "$tree/root/package/nuv-touch"
    in_tree bash -c 'cd /root/package/nuv-touch && DEBIAN_FRONTEND=noninteractive \
        apt-get -q -y --no-install-recommends build-dep "$@" ./ >/dev/null' build_deps "${cross[@]}"
    quietly "$work/build.log" in_tree bash -c 'cd /root/package/nuv-touch && dpkg-buildpackage -us -uc -b "$@"' \
        build "${cross[@]}"
}

package_deb() {
    local suite=$1 target=$2 out=$ARTIFACTS/$1-$2
    mkdir -p "$out"
    rm -f "$out"/*.deb
    if [ "$suite" = "$(host_suite)" ] && [ "$target" = "$host_arch" ]; then
        build_deb_on_host "$out"
    else
        use_tree "$suite" "$host_arch"
        install_missing_packages "${host_tools[@]}"
        lock_tree "$tree" 9
        unmount_leftovers "$tree"
        make_tree
        new_work_dir
        run_in "$tree" build_deb_in_tree "$target"
        cp "$tree"/root/package/*.deb "$out/"
    fi
    ls -l "$out"/*.deb
    # Errors fail the build; the warnings and notes are printed.
    lintian --fail-on error --info "$out"/python3-nuv-touch_*.deb
}

# In a copy of the fresh tree: the package with apt-get as a user installs
# it, an X server for the smoke test, then the smoke test; given pytest
# arguments, then those tests against the installed package (with only the
# tests copied in, no compiler and no module of the checkout's).
install_and_smoke() {
    local deb=$1; shift
    apt_in_tree install /root/"$(basename "$deb")" xvfb xauth
    in_tree python3 /root/smoke
    log "installed size of python3-nuv-touch: $(in_tree dpkg-query -W -f='${Installed-Size}' python3-nuv-touch) KiB"
    [ $# -eq 0 ] && return 0
    apt_in_tree install --no-install-recommends python3-pytest
    rsync --recursive --exclude=__pycache__ "$NUV_ROOT/tests" "$tree/root/nuv_touch/"
    local started=$SECONDS
    # The tree has no checkout's scripts: our X server's start is handed in.
    in_tree bash -c "$(declare -f start_xvfb)"'
        start_xvfb
        python3 -m pytest -p no:cacheprovider "$@"' run_tests "$@"
    log "tests against the installed package passed in $((SECONDS - started)) s"
}

package_install() {
    local suite=$1 target=$2 deb
    shift 2
    deb=$(ls "$ARTIFACTS/$suite-$target"/python3-nuv-touch_*_"$target".deb)
    use_tree "$suite" "$target"
    install_missing_packages "${host_tools[@]}"
    enable_emulation
    local scratch=$NUV_TREE_CACHE/$suite-$target-install
    lock_tree "$scratch" 7
    copy_fresh_tree "$scratch"
    cp "$deb" "$NUV_ROOT/debian/tests/smoke" "$scratch/root/"
    run_in "$scratch" install_and_smoke "$deb" "$@"
    remove_tree "$scratch"
}

usage() { sed -n '2,13p' "$0" >&2; exit 2; }
case "${1:-}" in
    wheel) [ $# -eq 1 ] || usage ;;
    deb|tree) [ $# -eq 3 ] || usage ;;
    install) [ $# -ge 3 ] || usage ;;
    *) usage ;;
esac
install_missing_packages "${NUV_PACKAGING_TOOLS[@]}"
case $1 in
    wheel) package_wheel ;;
    deb) package_deb "$2" "$3" ;;
    install) shift; package_install "$@" ;;
    tree)
        use_tree "$2" "$3"
        install_missing_packages "${host_tools[@]}"
        enable_emulation
        make_fresh_tree
        ;;
esac
