# The runtime's shape primitives and graphics text through the real runtime.
add_executable(primitives_bench ${CMAKE_CURRENT_LIST_DIR}/primitives_bench.cpp)
target_link_libraries(primitives_bench PRIVATE kv319_runtime_internal kv319_platform_internal benchmark::benchmark benchmark::benchmark_main)
