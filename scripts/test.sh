#!/usr/bin/env bash
# Runs the test suite against a fresh build: bash scripts/test.sh [pytest args]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
install_missing_packages
build_module "$NUV_TOUCH_BUILD"

cd "$NUV_ROOT"
# One X server of our own for the whole run: more reliable here than the
# per-session server of pytest-xvfb.
start_xvfb
set +e
"$PYTHON" -m pytest -p no:cacheprovider -p no:xvfb "$@" tests
status=$?
set -e
# pytest exits 5 when it collected no test: that is no pass.
[ $status -eq 5 ] && echo "No tests ran." >&2
exit $status
