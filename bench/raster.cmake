# The span rasteriser: fills and outlines of card-sized shapes.
add_executable(raster_bench ${CMAKE_CURRENT_LIST_DIR}/raster_bench.cpp)
target_link_libraries(raster_bench PRIVATE kv319_platform_internal benchmark::benchmark benchmark::benchmark_main)
