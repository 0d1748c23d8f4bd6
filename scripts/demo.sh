#!/usr/bin/env bash
# Sets everything up, builds the Windows programs and runs the tool against the stand-in CAD
# under Wine on a virtual display, as a user would: tick "連続", press "実　行", select four
# elements in the CAD and click where each label goes (the stand-in's scripted user does that);
# then switch "各辺に記入" on in the dialog's system menu and run again over a parcel. Last, in a
# second drawing drawn in millimetres, set the factor 0.001 in "表示の設定...", switch
# "面積を記入" on, and label a parcel's sides and its area in metres in one pass. Then, in a third
# drawing whose user's coordinate system is turned and whose angles count from north clockwise,
# set a label layer in "表示の設定..." and label a parcel again: the sides along themselves, the
# area level in the user's system, all on the label layer. Last a take-off: in a fourth drawing,
# of a road and a site on several layers, switch "集計表をコピー" on, select everything, and print
# the table that the tool put on the clipboard, checked against the export.
# Leaves a screenshot of each drawing and prints their paths, with a line per label.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
"$top/scripts/bootstrap.sh" --demo
mkdir -p "$build"
export VERMIQ_WINEPREFIX=$build/wineprefix-demo
configure_and_build "$build/win" "${win_build_args[@]}" -- Vermiq StandinCad control_at
configure_and_build "$build/native" -- dxflen

out=$build/demo
rm -rf "$out"; mkdir -p "$out"
data=$top/tests/data/standin
winpath() { echo "Z:${1//\//\\}"; }
run_wine() { "$build/win/wine-run.sh" "$@"; }

stop_wine
display=${VERMIQ_DEMO_DISPLAY:-:$((90 + RANDOM % 100))}
Xvfb "$display" -screen 0 "${demo_screen}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
cleanup() { stop_wine; kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
sleep 1

# start_cad NAME SUFFIX [options...]: the stand-in CAD with drawing and scenario NAME, its log and
# state in cad-log$SUFFIX.txt and cad-state$SUFFIX.txt, once it has written its first state;
# restart_cad first closes the one running.
start_cad() {
  local name=$1 suffix=$2; shift 2
  run_wine "$build/win/standin/StandinCad.exe" --drawing "$(winpath "$data/$name.drawing")" \
    --scenario "$(winpath "$data/$name.scenario")" --log "$(winpath "$out/cad-log$suffix.txt")" \
    --state "$(winpath "$out/cad-state$suffix.txt")" "$@" &
  for _ in $(seq 1 100); do [ -f "$out/cad-state$suffix.txt" ] && break; sleep 0.2; done
}
restart_cad() {
  run_wine taskkill /IM StandinCad.exe >/dev/null 2>&1 || true
  sleep 2
  start_cad "$@"
}

start_cad demo ""
run_wine "$build/win/app/Vermiq.exe" &

# ids of the check box and the execute button (app/control_ids.h)
click() {
  local xy
  xy=$(run_wine "$build/win/tests/e2e/control_at.exe" TVermiqF "$1" | tr -d '\r')
  [ -n "$xy" ] || { echo "demo: the dialog did not appear" >&2; exit 1; }
  # shellcheck disable=SC2086
  xdotool mousemove $xy click 1
  sleep 0.5
}
# Alt+Space, pressed again while no menu shows: just after another window of the tool closed,
# the keyboard may still be on its way back and the chord lost.
system_menu() {
  for _ in 1 2 3; do
    xdotool key alt+space
    run_wine "$build/win/tests/e2e/control_at.exe" --menu && return 0
  done
  echo "demo: the system menu did not open" >&2; exit 1
}
sleep 1
click 105   # 連続
click 106   # 実　行

# wait_for_log N [SUFFIX]: until the stand-in has logged N commands in cad-log$SUFFIX.txt.
wait_for_log() {
  for _ in $(seq 1 450); do
    [ "$(wc -l <"$out/cad-log${2:-}.txt" 2>/dev/null || echo 0)" -ge "$1" ] && break
    sleep 0.2
  done
}
# Four passes and the cancelled fifth selection: 4 × 12 commands + 3.
wait_for_log 51
sleep 1.5
# The second run labels every side: "各辺に記入" switched on in the dialog's system menu from the
# keyboard (Alt+Space, up past "要素に沿って記入" to it, Enter). One pass over the parcel (five
# commands around its four labels) and the cancelled selection: 51 + 9 + 3.
click 100   # the banner: the dialog takes the keyboard
system_menu
xdotool key Up; sleep 0.3; xdotool key Up; sleep 0.3; xdotool key Return; sleep 0.5
click 106   # 実　行
wait_for_log 63
sleep 1.5
shot=$out/vermiq-demo.png
import -window root "$shot"
/usr/bin/python3 "$top/scripts/demo_report.py" "$data/demo.drawing" "$out/cad-state.txt" "$build/native/dxf/dxflen" 5

# The last run: the user opens a drawing in millimetres (the stand-in restarted with it), types
# the size 700, picks two decimals, sets the factor 0.001 in "表示の設定..." (Alt+Space, up to it, Enter, the
# factor, Enter) and switches "面積を記入" on; "各辺に記入" and "連続" are still on. One pass
# labels the four sides and, at the click, the area; then the selection is cancelled: 16 + 3.
restart_cad demo_mm -mm
sleep 1
click 102   # 注記の大きさ
xdotool key End BackSpace BackSpace BackSpace BackSpace; xdotool type 700; sleep 0.3
click 104   # 延長値小数点以下桁数: two items down, 小数点以下2位
xdotool key Down; sleep 0.3; xdotool key Down; sleep 0.3
click 100
system_menu
xdotool key Up; sleep 0.3; xdotool key Up; sleep 0.3; xdotool key Up; sleep 0.3; xdotool key Return; sleep 1
xdotool type 0.001; sleep 0.3; xdotool key Return; sleep 0.5
system_menu
for _ in 1 2 3 4; do xdotool key Up; sleep 0.3; done
xdotool key Return; sleep 0.5
click 106   # 実　行
wait_for_log 19 -mm
sleep 1.5
shot_mm=$out/vermiq-demo-mm.png
import -window root "$shot_mm"
/usr/bin/python3 "$top/scripts/demo_report.py" "$data/demo_mm.drawing" "$out/cad-state-mm.txt" \
  "$build/native/dxf/dxflen" 1 0.001

# The last run: a survey drawing in millimetres whose user's coordinate system is turned 30
# degrees about 5000,5000 and whose angles count from north, clockwise. The user types the label
# layer ANNO into "表示の設定..." (two Tabs past the factor and the unit); everything else stays
# on. One pass: the drawing's conventions read (8 commands), the layer made current, the four
# sides, the layer back, the pick (6), again for the area (6 with C8), then the cancelled
# selection: 4 + 8 + 8 + 6 + 6 + 3.
restart_cad demo_ucs -ucs --readonly UCSORG=5000,5000,0 \
  --readonly UCSXDIR=0.8660254037844387,0.5,0 --readonly UCSYDIR=-0.5,0.8660254037844387,0 \
  --var ANGBASE=90 --var ANGDIR=1
sleep 1
click 100
system_menu
xdotool key Up; sleep 0.3; xdotool key Up; sleep 0.3; xdotool key Up; sleep 0.3; xdotool key Return; sleep 1
xdotool key Tab; sleep 0.3; xdotool key Tab; sleep 0.3; xdotool type ANNO; sleep 0.3; xdotool key Return; sleep 0.5
click 106   # 実　行
wait_for_log 35 -ucs
sleep 1.5
shot_ucs=$out/vermiq-demo-ucs.png
import -window root "$shot_ucs"
/usr/bin/python3 "$top/scripts/demo_report.py" "$data/demo_ucs.drawing" "$out/cad-state-ucs.txt" \
  "$build/native/dxf/dxflen" 1 0.001
# The take-off: the user opens a drawing of a road and a site in millimetres, switches
# "集計表をコピー" on (Alt+Space, six up from the bottom, Enter) and runs: one selection takes every
# element, and the table of counts, lengths and areas by layer and kind goes to the clipboard, in
# metres (the factor is still 0.001) with two decimals; a message says so. Five commands: C1,
# SELECT, DXFOUT, FILEDIA 1, and FILEDIA 1 after Ctrl+C.
restart_cad demo_takeoff -takeoff
sleep 1
click 100
system_menu
for _ in 1 2 3 4 5 6; do xdotool key Up; sleep 0.3; done
xdotool key Return; sleep 0.5
click 106   # 実　行
wait_for_log 5 -takeoff
sleep 2   # the message
shot_takeoff=$out/vermiq-demo-takeoff.png
import -window root "$shot_takeoff"
xdotool key Return   # OK
sleep 0.5
run_wine "$build/win/tests/e2e/control_at.exe" --clipboard >"$out/takeoff-clipboard.txt" || true
export_dxf=$(find "$VERMIQ_WINEPREFIX/drive_c/users" -path '*Tallomir*' -name '*.dxf' -printf '%T@ %p\n' |
             sort -n | tail -1 | cut -d' ' -f2-)
/usr/bin/python3 "$top/scripts/demo_report.py" --takeoff "$export_dxf" "$out/takeoff-clipboard.txt" 0.001 2
echo "dxflen --table of the export (drawing units, before the factor):"
"$build/native/dxf/dxflen" --table "$export_dxf" | sed 's/^/  /'
echo "$shot"
echo "$shot_mm"
echo "$shot_ucs"
echo "$shot_takeoff"
