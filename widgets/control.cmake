# What every widget offers besides its drawing: the geometry arithmetic everywhere, the shared
# Win32 base (hint, menu, cursors, anchors, tab order, action, dragging) on Windows.
add_library(vermiq_widgets_control_core STATIC ${CMAKE_CURRENT_LIST_DIR}/control_geometry.cpp)

if(WIN32)
  add_library(vermiq_widgets_control STATIC ${CMAKE_CURRENT_LIST_DIR}/WidgetControl.cpp)
  target_link_libraries(vermiq_widgets_control PUBLIC vermiq_widgets_control_core comctl32 user32)
endif()
