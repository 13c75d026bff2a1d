# What users can do wrong with the card designer's files, end to end through
# the headless runner.
if(NOT TARGET runner_harness)
  add_library(runner_harness STATIC ${CMAKE_SOURCE_DIR}/tests/support/runner_harness.cpp)
  target_include_directories(runner_harness PUBLIC ${CMAKE_SOURCE_DIR}/tests/support)
  target_link_libraries(runner_harness PUBLIC winsys GTest::gtest PRIVATE kv319_platform_internal)
  target_compile_definitions(runner_harness PRIVATE
    KV319_HEADLESS_PATH="$<TARGET_FILE:card-designer-headless>"
    KV319_RUN_ROOT="${CMAKE_BINARY_DIR}/e2e-runs")
  add_dependencies(runner_harness card-designer-headless)
endif()

# Preloaded into a run, it notes what the program forces to the disk and
# renames. Never instrumented: it loads ahead of everything else.
add_library(sync_probe SHARED ${CMAKE_CURRENT_LIST_DIR}/sync_probe.cpp)
target_link_libraries(sync_probe PRIVATE ${CMAKE_DL_LIBS})
target_compile_options(sync_probe PRIVATE -fno-sanitize=all)

kv319_test(faults_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/faults_test.cpp
  LIBS runner_harness card_layout)
target_compile_definitions(faults_test PRIVATE KV319_SYNC_PROBE="$<TARGET_FILE:sync_probe>")
add_dependencies(faults_test sync_probe)
