# Tests of the shadowed label and the scrolling marquee.
if(WIN32)
  if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/marquee_label_wine_test.cpp)
    vermiq_test(marquee_label_wine_test
      SOURCES ${CMAKE_CURRENT_LIST_DIR}/marquee_label_wine_test.cpp
      LIBS vermiq_widgets_marquee)
  endif()
  # The banner alone in a window like the dialog's, for screenshots and the CPU measurement;
  # not a test: it runs for as long as it is told.
  if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/marquee_cpu.cpp)
    add_executable(marquee_cpu WIN32 ${CMAKE_CURRENT_LIST_DIR}/marquee_cpu.cpp)
    target_link_libraries(marquee_cpu PRIVATE vermiq_widgets_marquee)
  endif()
else()
  vermiq_test(marquee_label_core_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/label_layers_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/label_look_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/marquee_steps_test.cpp
    LIBS vermiq_widgets_marquee_core)
endif()
