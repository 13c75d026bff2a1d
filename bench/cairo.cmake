# The heavy frame's primitive list drawn by our layer and by Cairo, the
# reference (a benchmark-only dependency: libcairo2-dev).
pkg_check_modules(CAIRO QUIET IMPORTED_TARGET cairo)
if(CAIRO_FOUND)
  add_executable(cairo_reference_bench ${CMAKE_CURRENT_LIST_DIR}/cairo_reference_bench.cpp)
  target_include_directories(cairo_reference_bench PRIVATE ${CMAKE_SOURCE_DIR}/display
                             ${CMAKE_SOURCE_DIR}/runtime/include)
  target_link_libraries(cairo_reference_bench PRIVATE card_display_objects kv319_platform_internal
                        PkgConfig::CAIRO benchmark::benchmark benchmark::benchmark_main)
endif()
