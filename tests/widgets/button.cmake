# Tests of the gradient push button and the "STR0" string tables: the portable arithmetic and
# table reader natively, the control and the resources under Wine.
if(NOT WIN32)
  vermiq_test(button_layout_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/button_layout_test.cpp
    LIBS vermiq_widgets_button_core)
  vermiq_test(str0_table_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/str0_table_test.cpp
    LIBS vermiq_widgets_button_core)
else()
  # The program's own tables plus a test table (double-byte texts) and two broken ones.
  set(button_test_rc ${CMAKE_CURRENT_BINARY_DIR}/str0_test_tables.rc)
  vermiq_str0_rc(${button_test_rc} ${CMAKE_CURRENT_LIST_DIR}/str0_test_tables.txt)
  get_property(button_str0_rc GLOBAL PROPERTY VERMIQ_STR0_RC)
  vermiq_test(button_win_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/button_win_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/str0_win_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/str0_broken.rc
            ${button_str0_rc} ${button_test_rc}
    LIBS vermiq_widgets_button)
  add_dependencies(button_win_test vermiq_str0)

  # A window with the dialog's two buttons, for a look and a screenshot (not a test).
  add_executable(button_showcase WIN32 ${CMAKE_CURRENT_LIST_DIR}/button_showcase.cpp)
  target_link_libraries(button_showcase PRIVATE vermiq_widgets_button)
endif()
