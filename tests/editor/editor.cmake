# The editor's click routing, actions and card files, with the real display
# procedures over the recording runtime stand-in, under the
# undefined-behaviour sanitizer (card_display_fake brings it).
add_library(card_editor_fake STATIC
  ${CMAKE_SOURCE_DIR}/editor/editor_state.cpp
  ${CMAKE_SOURCE_DIR}/editor/editing.cpp
  ${CMAKE_SOURCE_DIR}/editor/frame.cpp
  ${CMAKE_SOURCE_DIR}/editor/card_files.cpp)
target_include_directories(card_editor_fake PUBLIC ${CMAKE_SOURCE_DIR}/editor)
target_link_libraries(card_editor_fake PUBLIC card_display_fake)

kv319_test(card_editor_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/editing_test.cpp ${CMAKE_CURRENT_LIST_DIR}/card_files_test.cpp
  LIBS card_editor_fake)

# The entry point's frame and item panel dispatch, over the same stand-in.
kv319_test(card_frame_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/frame_test.cpp ${CMAKE_SOURCE_DIR}/editor/main.cpp
  LIBS card_editor_fake)

# The layers, kept by the build: compiled with the include paths of the
# editor and of the display, a file that sees the runtime's or the window
# system's insides fails to build.
foreach(layer card_editor card_display_objects)
  add_library(${layer}_layers_check OBJECT ${CMAKE_CURRENT_LIST_DIR}/layers_check.cpp)
  target_link_libraries(${layer}_layers_check PRIVATE ${layer})
endforeach()
