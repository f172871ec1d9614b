#!/bin/bash
# The two buttons under wine64, each next to the reg processes that would do the same
# work, as ratios within one run (see commands_bench.py).
#
#   bench/commands_bench.sh [build dir] [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win64}
own_env=0
[ -n "${WINE_ENV_DIR:-}" ] || own_env=1
source scripts/wine-env
# A prefix made for this run goes away with it; a given one is left running.
[ "$own_env" = 0 ] || trap 'wine_env_stop; rm -rf "$WINE_ENV_DIR"' EXIT
export APP_EXE="$build/app/SetImageEditor.exe" INSPECT_EXE="$build/tools/inspect/inspect.exe"
export BASELINE_EXE="$build/bench/commands_dialog_baseline.exe"
python3 bench/commands_bench.py "${2:-5}"
