# The Win32 probes, and the Linux tests that run the Windows build under Wine.
#
# On Windows (the cross build) only the probes are made. On Linux the probes
# are made again against our layer, and three test programs compare and
# smoke-test: they need the cross compiler and Wine (and Xvfb, xdotool and
# ImageMagick's import for the smoke test). Two fixture steps come first:
# the cross build of card-designer.exe and the probes in
# ${CMAKE_BINARY_DIR}/windows-cross, and one Wine prefix for the build tree;
# one step comes last and stops the prefix's Wine server.
# A missing tool is a failure, not a skip: scripts/install-deps.sh installs
# them all. KV319_WINDOWS_TESTS=OFF leaves the Wine tests out on a machine
# that is not meant to have them.

if(WIN32)
  add_executable(gdi_probe WIN32 ${CMAKE_CURRENT_LIST_DIR}/gdi_probe.cpp)
  target_link_libraries(gdi_probe PRIVATE winsys)
  add_executable(message_probe WIN32 ${CMAKE_CURRENT_LIST_DIR}/message_probe.cpp)
  target_link_libraries(message_probe PRIVATE winsys)
  return()
endif()

option(KV319_WINDOWS_TESTS "Cross-build for Windows and check the build under Wine" ON)
if(NOT KV319_WINDOWS_TESTS)
  return()
endif()

# The same probes over our layer, on the headless driver.
add_library(win32_probe_entry OBJECT ${CMAKE_CURRENT_LIST_DIR}/probe_entry_headless.cpp)
target_link_libraries(win32_probe_entry PUBLIC winsys PRIVATE kv319_platform_internal)
foreach(probe gdi_probe message_probe)
  add_executable(${probe} ${CMAKE_CURRENT_LIST_DIR}/${probe}.cpp
                 $<TARGET_OBJECTS:win32_probe_entry>)
  target_link_libraries(${probe} PRIVATE winsys)
endforeach()

find_program(KV319_MINGW_CXX x86_64-w64-mingw32-g++)
find_program(KV319_WINE wine)
find_program(KV319_WINESERVER wineserver)
find_program(KV319_XVFB Xvfb)
find_program(KV319_XDOTOOL xdotool)
# ImageMagick's own, not a stand-in that may come first on PATH.
find_program(KV319_IMPORT import PATHS /usr/bin NO_DEFAULT_PATH)

set(win_cross_dir ${CMAKE_BINARY_DIR}/windows-cross)
set(win_prefix ${CMAKE_BINARY_DIR}/wine-prefix)
set(win_missing "")
foreach(tool MINGW_CXX:x86_64-w64-mingw32-g++ WINE:wine WINESERVER:wineserver XVFB:Xvfb
             XDOTOOL:xdotool IMPORT:import)
  string(REPLACE ":" ";" pair ${tool})
  list(GET pair 0 variable)
  list(GET pair 1 program)
  if(NOT KV319_${variable})
    list(APPEND win_missing ${program})
  endif()
endforeach()
if(win_missing)
  message(WARNING "Windows tests: not found: ${win_missing} (scripts/install-deps.sh installs "
                  "them); windows_tools fails until they are there")
endif()
# Fails, naming what is missing, when something is; every Wine test needs it.
add_test(NAME windows_tools
         COMMAND ${CMAKE_COMMAND} "-DMISSING=${win_missing}"
                 -P ${CMAKE_CURRENT_LIST_DIR}/scripts/check_tools.cmake)
set_tests_properties(windows_tools PROPERTIES FIXTURES_SETUP windows_tools TIMEOUT 30)

add_library(wine_support STATIC ${CMAKE_CURRENT_LIST_DIR}/wine_support.cpp)
target_include_directories(wine_support PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(wine_support PUBLIC winsys GTest::gtest PRIVATE kv319_platform_internal)
target_compile_definitions(wine_support PRIVATE
  KV319_WINE_PATH="${KV319_WINE}"
  KV319_WINESERVER_PATH="${KV319_WINESERVER}"
  KV319_XVFB_PATH="${KV319_XVFB}"
  KV319_XDOTOOL_PATH="${KV319_XDOTOOL}"
  KV319_IMPORT_PATH="${KV319_IMPORT}"
  KV319_WINE_PREFIX="${win_prefix}"
  KV319_WINDOWS_BIN="${win_cross_dir}"
  KV319_LINUX_GDI_PROBE="$<TARGET_FILE:gdi_probe>"
  KV319_LINUX_MESSAGE_PROBE="$<TARGET_FILE:message_probe>"
  KV319_WINE_RUN_ROOT="${CMAKE_BINARY_DIR}/wine-runs")
add_dependencies(wine_support gdi_probe message_probe)

add_test(NAME windows_cross_build
         COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DBINARY_DIR=${win_cross_dir}
                 -DTOOLCHAIN=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
                 -DGENERATOR=${CMAKE_GENERATOR} -DWERROR=${KV319_WERROR}
                 -P ${CMAKE_CURRENT_LIST_DIR}/scripts/cross_build.cmake)
add_test(NAME windows_wine_prefix
         COMMAND ${CMAKE_COMMAND} -DWINE=${KV319_WINE} -DWINESERVER=${KV319_WINESERVER}
                 -DPREFIX=${win_prefix} -P ${CMAKE_CURRENT_LIST_DIR}/scripts/wine_prefix.cmake)
add_test(NAME windows_wine_stop
         COMMAND ${CMAKE_COMMAND} -DWINESERVER=${KV319_WINESERVER} -DPREFIX=${win_prefix}
                 -P ${CMAKE_CURRENT_LIST_DIR}/scripts/wine_stop.cmake)
set_tests_properties(windows_cross_build PROPERTIES
                     FIXTURES_SETUP windows FIXTURES_REQUIRED windows_tools TIMEOUT 900)
set_tests_properties(windows_wine_prefix PROPERTIES
                     FIXTURES_SETUP windows FIXTURES_REQUIRED windows_tools TIMEOUT 300
                     RESOURCE_LOCK wine)
set_tests_properties(windows_wine_stop PROPERTIES FIXTURES_CLEANUP windows TIMEOUT 60
                     RESOURCE_LOCK wine)

# One ctest each: a program's cases share one run of the probes.
foreach(t gdi message smoke)
  add_executable(windows_${t}_test ${CMAKE_CURRENT_LIST_DIR}/windows_${t}_test.cpp)
  target_link_libraries(windows_${t}_test PRIVATE wine_support GTest::gtest GTest::gtest_main)
  add_test(NAME windows_${t} COMMAND windows_${t}_test WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(windows_${t} PROPERTIES TIMEOUT 300 FIXTURES_REQUIRED windows
                       RESOURCE_LOCK wine)
endforeach()
