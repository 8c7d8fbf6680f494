#!/usr/bin/env bash
# Installs the Debian packages that are missing and builds what is stale.
# Sourced by the other scripts; PYTHON, NUV_TOUCH_BUILD and NUV_TREE_CACHE may be overridden.
set -euo pipefail

NUV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PYTHON=${PYTHON:-/usr/bin/python3}
NUV_TOUCH_BUILD=${NUV_TOUCH_BUILD:-$NUV_ROOT/build}
# Where scripts/test-platform.sh keeps its Debian trees between runs.
NUV_TREE_CACHE=${NUV_TREE_CACHE:-/var/cache/nuv-touch}
export PYTHON NUV_TOUCH_BUILD NUV_TREE_CACHE

# gettext compiles the translation catalogs; fonts-wqy-microhei draws the
# Chinese default prompts of the numeric keypad, which are empty boxes on a
# machine without a CJK font (the smallest Debian sans-serif font that has
# their glyphs). libgooglepinyin0-dev is the pinyin engine of the Chinese
# keyboard (its dictionary comes with libgooglepinyin0). The other engines
# are built against their headers and loaded at their first use:
# libhangul-dev (Korean), libchewing3-dev (zhuyin, its data in
# libchewing3-data), libanthy-dev (Japanese, its dictionary in anthy-common)
# and libm17n-dev with m17n-db (Cangjie).
NUV_PACKAGES=(python3-wxgtk4.0 python3-dev pybind11-dev cmake g++ make libgmp-dev libxkbcommon-dev iso-codes
              libgooglepinyin0-dev libhangul-dev libchewing3-dev libanthy-dev libm17n-dev m17n-db
              pkgconf gettext fonts-wqy-microhei fonts-noto-core
              python3-pytest python3-pytest-xvfb python3-hypothesis python3-mypy xvfb xauth valgrind)

# The host's tools for runs in Debian trees of other releases and architectures
# (scripts/test-platform.sh); the emulation ones only for a foreign architecture.
NUV_PLATFORM_TOOLS=(mmdebstrap rsync)
NUV_EMULATION_TOOLS=(qemu-user-static binfmt-support arch-test)
# What scripts/package.sh builds and checks the wheel and the Debian packages
# with (python3-pybind11: the wheel's build requirement, as Debian has it).
NUV_PACKAGING_TOOLS=(rsync python3-build python3-venv python3-wheel python3-pybind11 devscripts equivs lintian)

missing_packages() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || echo "$p"
    done
}

# apt_get ARGS: apt-get that waits for another apt to finish instead of failing
# on its lock. Installing waits through dpkg's own timeout; `apt-get update`
# has none for the package lists' lock, so a lock error is tried again.
NUV_APT_WAIT=${NUV_APT_WAIT:-900}
apt_get() {
    local sudo="" deadline=$((SECONDS + NUV_APT_WAIT)) output status
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    while :; do
        status=0
        output=$(DEBIAN_FRONTEND=noninteractive $sudo apt-get -q -o DPkg::Lock::Timeout="$NUV_APT_WAIT" "$@" 2>&1) ||
            status=$?
        if [ $status -eq 0 ]; then return 0; fi
        if ! grep -q "Could not get lock" <<<"$output" || [ $SECONDS -ge $deadline ]; then
            printf '%s\n' "$output" >&2
            return $status
        fi
        sleep 5
    done
}

# install_missing_packages [PACKAGE...]: the set-up's packages and the ones
# named. Our scripts take turns on one lock of their own, so two started
# together install once, and the second finds the packages there.
install_missing_packages() {
    local missing
    missing=$(missing_packages "${NUV_PACKAGES[@]}" "$@")
    [ -z "$missing" ] && return 0
    local lock=/var/lib/apt/nuv-touch.lock
    [ "$(id -u)" -ne 0 ] && lock=${TMPDIR:-/tmp}/nuv-touch-apt.lock
    (
        flock -w "$NUV_APT_WAIT" 9 || { echo "Another installation held $lock too long." >&2; exit 1; }
        missing=$(missing_packages "${NUV_PACKAGES[@]}" "$@")
        [ -z "$missing" ] && exit 0
        echo "Installing:" $missing
        apt_get update -qq
        # shellcheck disable=SC2086
        apt_get install -y -qq --no-install-recommends $missing >/dev/null
    ) 9>"$lock"
}

# build_module DIR [cmake options...]: configures once, then rebuilds what changed.
build_module() {
    local dir=$1; shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$NUV_ROOT" -B "$dir" -DPython_EXECUTABLE="$PYTHON" "$@" >/dev/null
    fi
    cmake --build "$dir" -j "$(nproc)" >/dev/null
}

# start_xvfb [WIDTHxHEIGHT]: a private X server (free display number, no
# reset between clients, 1280x1024 unless told), exported as DISPLAY; every
# server started so is stopped when the calling script exits.
NUV_XVFB_PIDS=""
start_xvfb() {
    local fifo display
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 "${1:-1280x1024}x24" -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
    NUV_XVFB_PIDS="$NUV_XVFB_PIDS $!"
    read -r display <"$fifo"
    rm -f "$fifo"
    export DISPLAY=":$display"
    trap 'kill $NUV_XVFB_PIDS 2>/dev/null || true' EXIT
}

# The module and the layout modules importable from the source tree.
export PYTHONPATH="$NUV_TOUCH_BUILD:$NUV_ROOT/layouts${PYTHONPATH:+:$PYTHONPATH}"
