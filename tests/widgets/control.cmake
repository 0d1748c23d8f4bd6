# Tests of what every widget offers besides its drawing: the geometry natively, the shared
# properties over the three widget families under Wine.
if(NOT WIN32)
  vermiq_test(control_geometry_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/control_geometry_test.cpp
    LIBS vermiq_widgets_control_core)
elseif(EXISTS ${CMAKE_CURRENT_LIST_DIR}/control_wine_test.cpp)
  vermiq_test(control_wine_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/control_wine_test.cpp
    LIBS vermiq_widgets_button vermiq_widgets_marquee)
endif()
