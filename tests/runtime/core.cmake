kv319_test(runtime_core_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/core_test.cpp
  LIBS kv319_runtime_internal kv319_platform_internal)
