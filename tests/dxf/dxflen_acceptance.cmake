# dxflen's acceptance cases on files written by another DXF writer, run in one go (a Windows
# program start under Wine is slow, a test entry per case slower still):
#   cmake -DEMULATOR=<wine wrapper or empty> -DPROGRAM=<dxflen> -DDATA=<tests/data/dxf> -P dxflen_acceptance.cmake
# Each case gives the exit status, the whole standard output (line ends compared without CR)
# and the start of the standard error, then dxflen's arguments. dxflen's texts are UTF-8 on
# Linux and in the console's code page (932 under the tests' Wine) on Windows; the latter are
# converted to compare them with the UTF-8 of this script.
set(failures "")

function(expect exit_expected out_expected err_start)
  execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGN}
    RESULT_VARIABLE exit_status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(EMULATOR AND err)
    file(WRITE ${WORK}/dxflen_err.txt "${err}")
    execute_process(COMMAND iconv -f CP932 -t UTF-8 INPUT_FILE ${WORK}/dxflen_err.txt OUTPUT_VARIABLE err)
  endif()
  if(EMULATOR AND out)
    file(WRITE ${WORK}/dxflen_out.txt "${out}")
    execute_process(COMMAND iconv -f CP932 -t UTF-8 INPUT_FILE ${WORK}/dxflen_out.txt OUTPUT_VARIABLE out)
  endif()
  string(REPLACE "\r" "" out "${out}")
  string(REPLACE "\r" "" err "${err}")
  string(REGEX REPLACE "\n$" "" out "${out}")
  set(problem "")
  if(NOT exit_status STREQUAL exit_expected)
    string(APPEND problem "  exit status ${exit_status}, expected ${exit_expected}\n")
  endif()
  if(NOT out STREQUAL out_expected)
    string(APPEND problem "  output [${out}], expected [${out_expected}]\n")
  endif()
  string(FIND "${err}" "${err_start}" at)
  if(NOT at EQUAL 0)
    string(APPEND problem "  error output [${err}] does not start with [${err_start}]\n")
  endif()
  if(problem)
    set(failures "${failures}dxflen ${ARGN}\n${problem}" PARENT_SCOPE)
  endif()
endfunction()

# A length got by quadrature, printed with 17 digits, may differ from the reference in the last
# one or two: it is compared as a number (CMake compares numbers as doubles).
function(expect_between low high)
  execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGN} RESULT_VARIABLE exit_status OUTPUT_VARIABLE out)
  string(STRIP "${out}" out)
  if(NOT exit_status EQUAL 0 OR NOT out MATCHES "^[0-9.]+$" OR out LESS low OR out GREATER high)
    set(failures "${failures}dxflen ${ARGN}\n  exit status ${exit_status}, output [${out}], expected ${low} to ${high}\n"
        PARENT_SCOPE)
  endif()
endfunction()

expect(0 "5" "" ${DATA}/line_3d.dxf)
expect(0 "15.707963267948966" "" ${DATA}/arc_quarter.dxf)
expect(0 "40" "" ${DATA}/lwpolyline_closed_square.dxf)
expect(0 "15.707963267948966" "" ${DATA}/lwpolyline_bulge.dxf)
expect(0 "none" "" ${DATA}/text_only.dxf)
expect(0 "45.707963267948969" "" ${DATA}/polyline_closed_bulge.dxf)
expect(0 "LineCount 1\nTextCount 0\nArcCount 0\nCircleCount 0\nPolylineCount 0\nEllipseCount 0\nSplineCount 0" ""
       --counts ${DATA}/block_and_line.dxf)
expect(0 "LineCount 0\nTextCount 0\nArcCount 0\nCircleCount 0\nPolylineCount 0\nEllipseCount 1\nSplineCount 1" ""
       --counts ${DATA}/ellipse_spline.dxf)
# The spline decides; its length to 30 digits (tests/dxf/curve_reference.py): 15.9290447875221667927...
expect_between(15.92904478752215 15.92904478752218 ${DATA}/ellipse_spline.dxf)
# Areas and totals. The square's area; the polyline's square of 10 and the half circle on its
# side, 100 + 12.5π; the closed rational spline by Green's theorem (curve_reference.py --area):
# 7500.39360040326531254..., its length 322.528578258586562006... and the line's 50 beside it
# for the total; within a relative 1e-12. With nothing closed, both flags give the total length.
expect(0 "100" "" --area ${DATA}/lwpolyline_closed_square.dxf)
expect(0 "139.26990816987242" "" --area ${DATA}/polyline_closed_bulge.dxf)
expect(0 "45.707963267948969" "" --total ${DATA}/polyline_closed_bulge.dxf)
expect_between(7500.3936003957 7500.3936004108 --area ${DATA}/spline_closed.dxf)
expect_between(7500.3936003957 7500.3936004108 --total --area ${DATA}/spline_closed.dxf)
expect_between(372.52857825821 372.52857825896 --total ${DATA}/spline_closed.dxf)
expect_between(322.52857825826 322.52857825891 ${DATA}/spline_closed.dxf)
expect(0 "15.707963267948966" "" --area --total ${DATA}/arc_quarter.dxf)
expect(2 "" "usage: dxflen" --counts --area ${DATA}/arc_quarter.dxf)
# The take-off table, by layer and kind, before the factor.
expect(0 "画層\t種類\t本数\t延長\t面積\n外形\t線分\t1\t5\t\n合計\t\t1\t5\t" "" --table ${DATA}/line_3d.dxf)
expect(2 "" "usage: dxflen" --table --total ${DATA}/arc_quarter.dxf)
expect(1 "" "ファイル \"${DATA}/no-such-file.dxf\" が見つかりません" ${DATA}/no-such-file.dxf)
expect(1 "" "\"${DATA}\" はフォルダーです。" ${DATA})
expect(1 "" "ファイル \"${DATA}/line_binary.dxf\" はバイナリ DXF です。バイナリ DXF には対応していません"
       ${DATA}/line_binary.dxf)
expect(1 "" "'20 ' は整数ではありません" ${DATA}/bad_group_code.dxf)
# A file cut short before its EOF pair (half of an export still being written) is no
# measurement; bytes after the EOF pair, as some writers leave, change nothing. (file(READ) drops
# CRs: these fixtures have none.)
file(SIZE ${DATA}/lwpolyline_closed_square.dxf size)
math(EXPR half "${size} / 2")
file(READ ${DATA}/lwpolyline_closed_square.dxf part LIMIT ${half})
file(WRITE ${WORK}/half.dxf "${part}")
file(READ ${DATA}/arc_quarter.dxf whole)
string(ASCII 26 eof_mark)
file(WRITE ${WORK}/trailing.dxf "${whole}${eof_mark}\nleft over\n")
expect(1 "" "ファイル \"${WORK}/half.dxf\" は途中で終わっています。DXF の終わり (0/EOF) がありません" ${WORK}/half.dxf)
expect(1 "" "ファイル \"${WORK}/half.dxf\" は途中で終わっています" --counts ${WORK}/half.dxf)
expect(0 "15.707963267948966" "" ${WORK}/trailing.dxf)
expect(2 "" "usage: dxflen")

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
