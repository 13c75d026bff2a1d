# The headless driver's present and screen composition, and PNG writing.
add_executable(headless_bench ${CMAKE_CURRENT_LIST_DIR}/headless_bench.cpp)
target_link_libraries(headless_bench PRIVATE kv319_platform_internal benchmark::benchmark benchmark::benchmark_main)
