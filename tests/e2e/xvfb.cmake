# The card designer and the runtime in real windows on a private X server
# (Xvfb), driven with xdotool and checked on screenshots (ImageMagick's
# import). Without those tools installed the tests fail.
if(KV319_BUILD_SDL)
  pkg_check_modules(XVFB_X11 REQUIRED IMPORTED_TARGET x11)

  # A small program on the runtime that shows the text window and the
  # line-input dialog, which the card designer never opens.
  add_executable(kv319-console-probe ${CMAKE_CURRENT_LIST_DIR}/console_probe.cpp
                 $<TARGET_OBJECTS:winsys_entry_sdl>)
  target_link_libraries(kv319-console-probe PRIVATE kv319 winsys_entry_sdl)

  kv319_test(xvfb_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/xvfb_test.cpp ${CMAKE_CURRENT_LIST_DIR}/xvfb_session.cpp
    LIBS kv319_platform_internal PkgConfig::XVFB_X11)
  target_compile_definitions(xvfb_test PRIVATE
    CARD_DESIGNER_PATH="$<TARGET_FILE:card-designer>"
    CONSOLE_PROBE_PATH="$<TARGET_FILE:kv319-console-probe>"
    KV319_XVFB_RUN_ROOT="${CMAKE_BINARY_DIR}/xvfb-runs")
  add_dependencies(xvfb_test card-designer kv319-console-probe)
endif()
