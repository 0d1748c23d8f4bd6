# dxflen's acceptance cases on files written by another DXF writer, run in one go (a Windows
# program start under Wine is slow, a test entry per case slower still):
#   cmake -DEMULATOR=<wine wrapper or empty> -DPROGRAM=<dxflen> -DDATA=<tests/data/dxf> -P dxflen_acceptance.cmake
# Each case gives the exit status, the whole standard output (line ends compared without CR)
# and the start of the standard error, then dxflen's arguments.
set(failures "")

function(expect exit_expected out_expected err_start)
  execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGN}
    RESULT_VARIABLE exit_status OUTPUT_VARIABLE out ERROR_VARIABLE err)
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

expect(0 "5" "" ${DATA}/line_3d.dxf)
expect(0 "15.707963267948966" "" ${DATA}/arc_quarter.dxf)
expect(0 "40" "" ${DATA}/lwpolyline_closed_square.dxf)
expect(0 "15.707963267948966" "" ${DATA}/lwpolyline_bulge.dxf)
expect(0 "none" "" ${DATA}/text_only.dxf)
expect(0 "45.707963267948969" "" ${DATA}/polyline_closed_bulge.dxf)
expect(0 "LineCount 1\nTextCount 0\nArcCount 0\nCircleCount 0\nPolylineCount 0" "" --counts ${DATA}/block_and_line.dxf)
expect(0 "none" "" ${DATA}/no-such-file.dxf)
expect(1 "" "'20 ' " ${DATA}/bad_group_code.dxf)
expect(2 "" "usage: dxflen")

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
