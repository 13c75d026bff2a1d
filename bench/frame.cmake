# Frames, their layers, the primitives and the image copy, through the real
# runtime on the headless driver.
add_executable(frame_bench ${CMAKE_CURRENT_LIST_DIR}/frame_bench.cpp)
target_link_libraries(frame_bench PRIVATE card_display kv319_runtime_internal kv319_platform_internal benchmark::benchmark
                      benchmark::benchmark_main)

# The same frames as PNG files, to check a drawing change pixel for pixel.
add_executable(frame_pictures ${CMAKE_CURRENT_LIST_DIR}/frame_pictures.cpp)
target_link_libraries(frame_pictures PRIVATE card_display kv319_runtime_internal kv319_platform_internal)
