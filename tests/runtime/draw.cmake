# The runtime's drawing: colours, primitives, renderer, graphics text, and
# the text console with its line-input dialog.
kv319_test(runtime_draw_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/draw_test.cpp ${CMAKE_CURRENT_LIST_DIR}/draw_text_test.cpp
  LIBS kv319_runtime_internal kv319_platform_internal)

kv319_test(runtime_console_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/console_test.cpp ${CMAKE_CURRENT_LIST_DIR}/console_gets_test.cpp
  LIBS kv319_runtime_internal kv319_platform_internal)
