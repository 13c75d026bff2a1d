# The runtime's drawing: colours, primitives, renderer, graphics text, and
# the text console with its line-input dialog.
kv319_test(runtime_draw_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/draw_test.cpp ${CMAKE_CURRENT_LIST_DIR}/draw_text_test.cpp
  LIBS kv319)
target_include_directories(runtime_draw_test PRIVATE ${CMAKE_SOURCE_DIR}/runtime/draw)

kv319_test(runtime_console_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/console_test.cpp ${CMAKE_CURRENT_LIST_DIR}/console_gets_test.cpp
  LIBS kv319)
target_include_directories(runtime_console_test PRIVATE ${CMAKE_SOURCE_DIR}/runtime/draw)
