#!/usr/bin/env bash
# Builds the module for another CPython with every warning an error:
#   bash scripts/compile-check.sh VERSION        e.g. 3.12
# There is no wxPython for such an interpreter here, so building is all that
# can be checked for it. The interpreter is pyenv's newest VERSION.x, else
# pythonVERSION on PATH; with neither, the check says so and passes.
# pybind11 is the Debian 13 tree's when that tree is there (made by
# scripts/test-platform.sh; 2.13 supports 3.12 and 3.13), else the system's.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

version=${1:?usage: $0 VERSION (e.g. 3.12)}
interpreter=$(ls -d "$HOME"/.pyenv/versions/"$version".*/bin/python"$version" 2>/dev/null | sort -V | tail -1)
[ -n "$interpreter" ] || interpreter=$(command -v "python$version" || true)
if [ -z "$interpreter" ]; then
    echo "No Python $version here: compile check skipped."
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
