# The shadowed label and the scrolling marquee: their arithmetic everywhere, their windows on Windows.
add_library(vermiq_widgets_marquee_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/label_look.cpp
  ${CMAKE_CURRENT_LIST_DIR}/label_layers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/marquee_steps.cpp)

if(WIN32)
  add_library(vermiq_widgets_marquee STATIC
    ${CMAKE_CURRENT_LIST_DIR}/EsLabel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EsMarque.cpp)
  target_link_libraries(vermiq_widgets_marquee PUBLIC vermiq_widgets_marquee_core vermiq_widgets_control winmm gdi32 user32)
endif()
