#!/usr/bin/env bash
# Runs the test suite against a fresh build: bash scripts/test.sh [pytest args]
# (or some of it: bash scripts/test.sh -q tests/test_digit_keypad.py)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
install_missing_packages
build_module "$NUV_TOUCH_BUILD"

cd "$NUV_ROOT"
# One X server of our own for the whole run: more reliable here than the
# per-session server of pytest-xvfb.
start_xvfb
# The whole suite, unless the arguments name some of its files.
suite=(tests)
for arg in "$@"; do
    [[ $arg == tests/* ]] && suite=()
done
set +e
"$PYTHON" -m pytest -p no:cacheprovider -p no:xvfb "$@" "${suite[@]}"
status=$?
set -e
# pytest exits 5 when it collected no test: that is no pass.
[ $status -eq 5 ] && echo "No tests ran." >&2
exit $status
