# Script recording and playback.
kv319_test(runtime_script_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/script_test.cpp
  LIBS kv319_runtime_internal kv319_platform_internal)
