#!/usr/bin/env bash
# Runs the operator-panel demo. On a display it opens the window; without one
# it runs under Xvfb, takes the scripted tour and saves screenshots.
#   bash scripts/demo.sh            (screenshots go to artifacts/tour/)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
install_missing_packages
build_module "$NUV_TOUCH_BUILD"

cd "$NUV_ROOT"
if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
    exec "$PYTHON" examples/operator_panel.py "$@"
fi
shots=${NUV_TOUCH_SHOTS:-$NUV_ROOT/artifacts/tour}
display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
sleep 1
DISPLAY=$display "$PYTHON" examples/operator_panel.py --tour "$shots" "$@"
