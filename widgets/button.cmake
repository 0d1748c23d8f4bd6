# The gradient push button and the "STR0" string tables: a portable core (arithmetic and the
# table reader over bytes), the Win32 control and resource reader, and the generated resources.

add_library(vermiq_widgets_button_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/button_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/str0_table.cpp)

# vermiq_str0_rc(<out.rc> <tables.txt>): an .rc file with one "STR0" resource per table,
# made at build time; add the .rc to an executable's sources to link the tables in.
function(vermiq_str0_rc rc tables)
  add_custom_command(OUTPUT ${rc}
    COMMAND ${CMAKE_COMMAND} -DTABLES=${tables} -DOUTPUT=${rc} -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/str0_generate.cmake
    DEPENDS ${tables} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/str0_generate.cmake
    COMMENT "Generating string tables ${rc}"
    VERBATIM)
endfunction()

if(WIN32)
  add_library(vermiq_widgets_button STATIC
    ${CMAKE_CURRENT_LIST_DIR}/plButton.cpp
    ${CMAKE_CURRENT_LIST_DIR}/plButton_input.cpp
    ${CMAKE_CURRENT_LIST_DIR}/plButton_paint.cpp
    ${CMAKE_CURRENT_LIST_DIR}/plButton_properties.cpp
    ${CMAKE_CURRENT_LIST_DIR}/plPicture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EsSrMgr.cpp)
  target_link_libraries(vermiq_widgets_button PUBLIC vermiq_widgets_button_core vermiq_widgets_control gdi32 user32 msimg32)

  # The widget set's string tables, linked into every program that reads them (Vermiq.exe):
  #   get_property(rc GLOBAL PROPERTY VERMIQ_STR0_RC)
  #   target_sources(Vermiq PRIVATE ${rc}) ; add_dependencies(Vermiq vermiq_str0)
  set(vermiq_str0_rc_file ${CMAKE_BINARY_DIR}/widgets/str0.rc)
  vermiq_str0_rc(${vermiq_str0_rc_file} ${CMAKE_CURRENT_LIST_DIR}/str0_tables.txt)
  add_custom_target(vermiq_str0 DEPENDS ${vermiq_str0_rc_file})
  set_property(GLOBAL PROPERTY VERMIQ_STR0_RC ${vermiq_str0_rc_file})
endif()
