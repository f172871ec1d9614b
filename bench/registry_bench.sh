#!/bin/bash
# Median time of one registry write and one probe under wine64, next to one reg add
# process, in the same run.
#
#   bench/registry_bench.sh [build dir] [calls] [reg runs]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win64}
own_env=0
[ -n "${WINE_ENV_DIR:-}" ] || own_env=1
source scripts/wine-env
# A prefix made for this run goes away with it; a given one is left running.
[ "$own_env" = 0 ] || trap 'wine_env_stop; rm -rf "$WINE_ENV_DIR"' EXIT
"$WINE" "$build/bench/registry_bench.exe" "${2:-2000}" "${3:-20}"
