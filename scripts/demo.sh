#!/usr/bin/env bash
# Sets everything up, builds the Windows programs and shows the tool under Wine on a virtual
# display, leaving a screenshot whose path is printed at the end.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
"$top/scripts/bootstrap.sh"
mkdir -p "$build"
configure_and_build "$build/win" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" -- Vermiq

out=$build/demo
mkdir -p "$out"
stop_wine
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
cleanup() { stop_wine; kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
sleep 1

"$build/win/wine-run.sh" "$build/win/app/Vermiq.exe" &
for _ in $(seq 1 100); do
  xdotool search --name '辺長値を描画する' >/dev/null 2>&1 && break
  sleep 0.2
done
sleep 1.5
shot=$out/vermiq-dialog.png
import -window root "$shot"
echo "$shot"
