#!/usr/bin/env bash
# Builds the module for another CPython with every warning an error:
#   bash scripts/compile-check.sh VERSION        e.g. 3.12
# There is no wxPython for such an interpreter here, so building is all that
# can be checked for it. The interpreter is pyenv's newest VERSION.x, else
# pythonVERSION on PATH, taken only when it says it is VERSION and has its
# headers. Without one the check cannot run: under CI (CI set) that fails,
# elsewhere it is skipped with a message.
# pybind11 is the Debian 13 tree's when that tree is there (made by
# scripts/test-platform.sh; 2.13 supports 3.12 and 3.13), else the system's.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

version=${1:?usage: $0 VERSION (e.g. 3.12)}

# Prints the interpreter and succeeds when it is Python VERSION with its C headers.
usable() {
    "$1" - "$version" 2>/dev/null <<'PY'
import os, sys, sysconfig
if "%d.%d" % sys.version_info[:2] == sys.argv[1] and \
        os.path.isfile(os.path.join(sysconfig.get_paths()["include"], "Python.h")):
    print(sys.executable)
else:
    sys.exit(1)
PY
}

find_interpreter() {
    local candidate
    for candidate in $(ls -d "${PYENV_ROOT:-$HOME/.pyenv}"/versions/"$version".*/bin/python"$version" 2>/dev/null | sort -rV) \
                     $(command -v "python$version" || true); do
        usable "$candidate" && return 0
    done
    return 0
}

interpreter=$(find_interpreter)
if [ -z "$interpreter" ]; then
    message="No Python $version with its C headers here (looked in pyenv's versions and for python$version on PATH)"
    if [ -n "${CI:-}" ]; then
        echo "$message: the compile check cannot run." >&2
        exit 1
    fi
    echo "$message: compile check skipped."
    exit 0
fi
install_missing_packages

build=$NUV_ROOT/build-py$version
rm -rf "$build"
options=(-DCMAKE_CXX_FLAGS=-Werror)
tree=$NUV_TREE_CACHE/trixie-$(dpkg --print-architecture)
if [ -d "$tree/usr/lib/cmake/pybind11" ]; then
    # Only pybind11 is taken from the tree (it is headers only): its
    # /usr/include as a whole would bring another C library's headers.
    mkdir -p "$build/pybind11/include" "$build/pybind11/lib/cmake"
    cp -r "$tree/usr/include/pybind11" "$build/pybind11/include/"
    cp -r "$tree/usr/lib/cmake/pybind11" "$build/pybind11/lib/cmake/"
    options+=(-Dpybind11_DIR="$build/pybind11/lib/cmake/pybind11")
fi
PYTHON=$interpreter build_module "$build" "${options[@]}"
echo "Built for $("$interpreter" --version) with every warning an error: none."
