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
# their glyphs).
NUV_PACKAGES=(python3-wxgtk4.0 python3-dev pybind11-dev cmake g++ make libgmp-dev
              gettext fonts-wqy-microhei
              python3-pytest python3-pytest-xvfb python3-hypothesis python3-mypy xvfb xauth valgrind)

install_missing_packages() {
    local missing=() p
    for p in "${NUV_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
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
