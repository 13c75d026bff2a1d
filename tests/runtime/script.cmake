# Script recording and playback.
kv319_test(runtime_script_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/script_test.cpp
  LIBS kv319)
target_include_directories(runtime_script_test PRIVATE ${CMAKE_SOURCE_DIR}/runtime/draw)
