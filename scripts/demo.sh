#!/usr/bin/env bash
# Runs the operator-panel demo. On a display it opens the window; without one
# it runs under Xvfb, takes the scripted tour and saves screenshots, then
# opens every keypad on an 800x480 screen (the common 7-inch panel) and
# saves shots of that whole screen, and again on a 480x800 portrait panel;
# last, one keypad in GTK's dark theme.
#   bash scripts/demo.sh            (screenshots go to artifacts/tour/,
#                                    artifacts/tour/800x480/, 480x800/ and dark/)
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
start_xvfb 800x480
"$PYTHON" examples/operator_panel.py --tour "$shots/800x480" --screen-tour "$@"
start_xvfb 480x800
"$PYTHON" examples/operator_panel.py --tour "$shots/480x800" --screen-tour "$@"
start_xvfb
GTK_THEME=Adwaita:dark "$PYTHON" examples/operator_panel.py --tour "$shots/dark" --keypad-tour "$@"
