# The example programs under examples/, end to end through their headless
# builds: the runner harness, built once for each program.
if(TARGET bounce-headless AND TARGET sketch-headless)
  foreach(example bounce sketch)
    add_library(${example}_harness STATIC ${CMAKE_SOURCE_DIR}/tests/support/runner_harness.cpp)
    target_include_directories(${example}_harness PUBLIC ${CMAKE_SOURCE_DIR}/tests/support)
    target_link_libraries(${example}_harness PUBLIC winsys GTest::gtest PRIVATE kv319_platform_internal)
    target_compile_definitions(${example}_harness PRIVATE
      KV319_HEADLESS_PATH="$<TARGET_FILE:${example}-headless>"
      KV319_RUN_ROOT="${CMAKE_BINARY_DIR}/e2e-runs")
    add_dependencies(${example}_harness ${example}-headless)
    kv319_test(example_${example}_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/example_${example}_test.cpp
               LIBS ${example}_harness)
  endforeach()
endif()
