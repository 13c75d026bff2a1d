kv319_test(platform_queue_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/queue_test.cpp
  LIBS kv319_platform_internal)
