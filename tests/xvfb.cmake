# SPDX-License-Identifier: MIT
# The real demo run on private X servers (Xvfb), one scenario per test: the
# fullscreen path, the windowed-mode question answered both ways, closing the
# window, a missing data set and no display at all. Each test starts its own
# server on a free display number, so they may run in parallel.
find_program(GLIMMER_XVFB Xvfb)
find_program(GLIMMER_XDOTOOL xdotool)
find_program(GLIMMER_XWININFO xwininfo)
pkg_check_modules(X11LIB IMPORTED_TARGET x11)

if(NOT GLIMMER_XVFB OR NOT GLIMMER_XDOTOOL OR NOT GLIMMER_XWININFO OR NOT X11LIB_FOUND)
  message(STATUS "Xvfb tests left out: need xvfb, xdotool, x11-utils and libx11-dev (scripts/setup.sh)")
else()
  # Sends the close request a window manager sends for the close button.
  add_executable(x11_close_request ${CMAKE_CURRENT_SOURCE_DIR}/x11/close_request.cpp)
  target_compile_options(x11_close_request PRIVATE ${GLIMMER_WARNINGS})
  target_link_libraries(x11_close_request PRIVATE PkgConfig::X11LIB)

  foreach(scenario fullscreen-escape question-yes question-no close-window missing-data no-display
                   display-nowhere term-in-box int-in-question)
    add_test(NAME xvfb.${scenario}
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/scripts/window_session.sh ${scenario}
                     $<TARGET_FILE:glimmervandra> ${CMAKE_BINARY_DIR} $<TARGET_FILE:x11_close_request>)
    set_tests_properties(xvfb.${scenario} PROPERTIES
      ENVIRONMENT "GLIMMER_SCREENSHOT_DIR=${CMAKE_BINARY_DIR}/screenshots"
      SKIP_RETURN_CODE 77
      TIMEOUT 300)
  endforeach()
endif()
