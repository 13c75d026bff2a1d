# Editing a card end to end: the card designer driven through the headless
# runner, checked by the card files it saves.
if(NOT TARGET runner_harness)
  add_library(runner_harness STATIC ${CMAKE_SOURCE_DIR}/tests/support/runner_harness.cpp)
  target_include_directories(runner_harness PUBLIC ${CMAKE_SOURCE_DIR}/tests/support)
  target_link_libraries(runner_harness PUBLIC winsys GTest::gtest PRIVATE kv319_platform_internal)
  target_compile_definitions(runner_harness PRIVATE
    KV319_HEADLESS_PATH="$<TARGET_FILE:card-designer-headless>"
    KV319_RUN_ROOT="${CMAKE_BINARY_DIR}/e2e-runs")
  add_dependencies(runner_harness card-designer-headless)
endif()

kv319_test(editor_card_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/editor_card_test.cpp
  LIBS runner_harness card_layout)
