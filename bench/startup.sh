#!/usr/bin/env bash
# Start-up benchmark (not a test): how much longer the program takes than a minimal
# Win32 window program to put its window on the screen, under wine64 with a warm
# wineserver. Each round starts both programs once, alternately, and measures from
# the moment the process is started to the moment its window is visible, as seen by
# an inspect.exe that was already watching for it (polling every millisecond).
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

# Prints the microseconds from start to visible window of one run.
measure() {
  local exe=$1 title=$2 line t0 t1 app
  coproc watcher { "$WINE" "$inspect_exe" --wait-title "$title" --timeout 30000 --ready; }
  read -r line <&"${watcher[0]}"  # "ready": it is watching
  t0=$(date +%s%N)
  "$WINE" "$exe" &
  app=$!
  if ! read -r line <&"${watcher[0]}"; then
    echo "startup: no window from $exe" >&2
    exit 1
  fi
  t1=$(date +%s%N)
  wait "$watcher_PID" 2>/dev/null || true
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  sleep 0.3  # let the server forget the process before the next start
  echo $(((t1 - t0) / 1000))
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

title='请用管理员打开我'
# Warm-up: the first start of each loads its DLLs into the page cache.
measure "$app_exe" "$title" >/dev/null
measure "$minimal_exe" "minimal window" >/dev/null

app_times=() minimal_times=()
for ((i = 1; i <= rounds; i++)); do
  app_times+=("$(measure "$app_exe" "$title")")
  minimal_times+=("$(measure "$minimal_exe" "minimal window")")
done

app_median=$(printf '%s\n' "${app_times[@]}" | median)
minimal_median=$(printf '%s\n' "${minimal_times[@]}" | median)
echo "startup: $rounds rounds, start to visible window under wine64 (microseconds)"
echo "startup: program:        ${app_times[*]}"
echo "startup: minimal window: ${minimal_times[*]}"
echo "startup: median program $app_median us, minimal window $minimal_median us"
awk -v a="$app_median" -v m="$minimal_median" 'BEGIN { printf "startup: ratio %.3f (target <= 1.10)\n", a / m }'
if [ -f "$shipped_exe" ]; then
  echo "startup: shipped exe $(stat -c %s "$shipped_exe") bytes ($shipped_exe)"
fi
echo "startup: 64-bit exe $(stat -c %s "$app_exe") bytes"
