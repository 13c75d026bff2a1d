# The soak: a long in-process run of the card designer with every effect on
# (20000 frames; KV319_SOAK_FRAMES=200000 for the long run). Its own time
# limit, since it runs far longer than a unit test.
add_executable(soak_test ${CMAKE_CURRENT_LIST_DIR}/soak_test.cpp)
target_link_libraries(soak_test PRIVATE card_editor kv319_runner kv319_runtime_internal kv319_platform_internal GTest::gtest
                      GTest::gtest_main)
gtest_discover_tests(soak_test WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
                     DISCOVERY_TIMEOUT 30 PROPERTIES TIMEOUT 1800 LABELS soak)
