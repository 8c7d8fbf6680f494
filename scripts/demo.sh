#!/usr/bin/env bash
# Runs the operator-panel demo. On a display it opens the window; without one
# it runs under Xvfb, takes the scripted tour and saves screenshots.
#   bash scripts/demo.sh            (screenshots go to artifacts/tour/)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
install_missing_packages imagemagick
build_module "$NUV_TOUCH_BUILD"

cd "$NUV_ROOT"
if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
    exec "$PYTHON" examples/operator_panel.py "$@"
fi
shots=${NUV_TOUCH_SHOTS:-$NUV_ROOT/artifacts/tour}
start_xvfb
"$PYTHON" examples/operator_panel.py --tour "$shots" "$@"
