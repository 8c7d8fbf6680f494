#!/usr/bin/env bash
# Soak test: open-confirm-destroy cycles through every prompt and proxy,
# with resident memory, top-level windows, gc-tracked objects and allocated
# blocks checked flat at the end (scripts/soak.py prints the figures and
# the tolerances). The keyboard opened by a proxy is judged against the
# same focus hand-off in plain wx, run beside it in its process.
#   bash scripts/soak.sh                  10,000 cycles of each kind
#   bash scripts/soak.sh --cycles 2000    fewer (also NUV_TOUCH_SOAK_CYCLES)
# The kinds run in two processes at once on a machine with two cores or
# more (NUV_TOUCH_SOAK_JOBS=1 runs them one after the other).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
install_missing_packages
build_module "$NUV_TOUCH_BUILD"

cd "$NUV_ROOT"
start_xvfb

jobs=${NUV_TOUCH_SOAK_JOBS:-$(nproc)}
# Two groups of about the same length: a keyboard cycle costs about three
# numeric-keypad cycles.
groups=("input_text input_password digit_proxy"
        "alpha_proxy input_integer input_float input_digit_password digit_proxy_grid")
if [ "$jobs" -lt 2 ]; then
    groups=("${groups[0]} ${groups[1]}")
fi

logs=$(mktemp -d "${TMPDIR:-/tmp}/nuv-soak.XXXXXX")
pids=()
for i in "${!groups[@]}"; do
    # shellcheck disable=SC2086  # the group is a list of kinds
    "$PYTHON" scripts/soak.py "$@" ${groups[$i]} >"$logs/$i.log" 2>&1 &
    pids+=($!)
done
status=0
for i in "${!pids[@]}"; do
    wait "${pids[$i]}" || status=1
    cat "$logs/$i.log"
done
rm -rf "$logs"
[ $status -eq 0 ] && echo "soak: flat" || echo "soak: FAILED" >&2
exit $status
