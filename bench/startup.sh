#!/usr/bin/env bash
# Start-up benchmark (not a test): how much longer the program takes than a minimal
# Win32 window program to put its window on the screen, under wine64 with a warm
# wineserver. Each round starts both programs once, alternately, and measures from
# the moment the process is started to the moment its window is visible, as seen by
# an inspect.exe that was already watching for it (bench/startup.py).
#
#   bench/startup.sh [ROUNDS]          default 20 rounds; needs scripts/build first
#
# Reports the median of each, their ratio, and the size of the shipped exe.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
rounds=${1:-20}
build=${BENCH_BUILD_DIR:-$root/build/win64}
app_exe=$build/app/SetImageEditor.exe
minimal_exe=$build/bench/minimal_window.exe
inspect_exe=$build/tools/inspect/inspect.exe
shipped_exe=${SHIPPED_EXE:-$root/build/win32/app/SetImageEditor.exe}
for f in "$app_exe" "$minimal_exe" "$inspect_exe"; do
  [ -f "$f" ] || { echo "startup: $f is missing; run scripts/build first" >&2; exit 1; }
done

export WINE_ENV_XVFB=1
export WINE_ENV_DIR=${WINE_ENV_DIR:-$root/build/wine-bench}
# shellcheck source=scripts/wine-env
source scripts/wine-env
trap wine_env_stop EXIT

# One look first: the first Wine program of a new prefix may do first-run work.
"$WINE" "$inspect_exe" >/dev/null 2>&1 || true
python3 bench/startup.py "$rounds" "$app_exe" "$minimal_exe" "$inspect_exe"
if [ -f "$shipped_exe" ]; then
  echo "startup: shipped exe $(stat -c %s "$shipped_exe") bytes ($shipped_exe)"
fi
echo "startup: 64-bit exe $(stat -c %s "$app_exe") bytes"
