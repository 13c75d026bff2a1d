# Whole card frames drawn through the real runtime on the headless driver.
add_executable(display_bench ${CMAKE_CURRENT_LIST_DIR}/display_bench.cpp)
target_link_libraries(display_bench PRIVATE card_display kv319 winsys benchmark::benchmark
                      benchmark::benchmark_main)
