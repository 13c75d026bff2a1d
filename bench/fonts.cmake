# Text drawing through the GDI calls, as the runtime makes them.
add_executable(fonts_bench ${CMAKE_CURRENT_LIST_DIR}/fonts_bench.cpp)
target_link_libraries(fonts_bench PRIVATE winsys benchmark::benchmark benchmark::benchmark_main)
