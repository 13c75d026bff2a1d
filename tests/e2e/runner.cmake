# The headless runner: its scripted user, and end-to-end runs of the card
# designer through it.
kv319_test(runner_script_test SOURCES runner_script_test.cpp LIBS kv319_runner kv319_platform_internal)

# runner_harness: runs card-designer-headless in a directory of its own, for
# any end-to-end test (see tests/support/runner_harness.h).
if(NOT TARGET runner_harness)
  add_library(runner_harness STATIC ${CMAKE_SOURCE_DIR}/tests/support/runner_harness.cpp)
  target_include_directories(runner_harness PUBLIC ${CMAKE_SOURCE_DIR}/tests/support)
  target_link_libraries(runner_harness PUBLIC winsys GTest::gtest PRIVATE kv319_platform_internal)
  target_compile_definitions(runner_harness PRIVATE
    KV319_HEADLESS_PATH="$<TARGET_FILE:card-designer-headless>"
    KV319_RUN_ROOT="${CMAKE_BINARY_DIR}/e2e-runs")
  add_dependencies(runner_harness card-designer-headless)
endif()

kv319_test(runner_test SOURCES runner_test.cpp LIBS runner_harness)
