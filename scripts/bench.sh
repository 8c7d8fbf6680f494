#!/usr/bin/env bash
# Runs the benchmarks against a fresh build: bash scripts/bench.sh [--quick] [--only GROUP,...]
# Prints the table, writes the figures to artifacts/bench.json (or --json PATH)
# and the table as Markdown to artifacts/bench.md (or --markdown PATH).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
install_missing_packages
build_module "$NUV_TOUCH_BUILD"

cd "$NUV_ROOT"
start_xvfb
args=("$@")
[[ " $* " == *" --json"* ]] || args+=(--json "$NUV_ROOT/artifacts/bench.json")
[[ " $* " == *" --markdown"* ]] || args+=(--markdown "$NUV_ROOT/artifacts/bench.md")
"$PYTHON" bench/run.py "${args[@]}"
