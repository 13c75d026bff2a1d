# The rasteriser's and the GDI layer's fast roads, against their rules.
kv319_test(raster_fast_paths_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/raster_fast_paths_test.cpp
           LIBS winsys)
kv319_test(gdi_reuse_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/gdi_reuse_test.cpp LIBS winsys)
target_compile_definitions(raster_fast_paths_test
                           PRIVATE RASTER_GOLDEN_DIR="${CMAKE_CURRENT_LIST_DIR}/golden")
# What handles reach: stale, forged and reused ones, selection and stock objects.
kv319_test(gdi_handles_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/gdi_handles_test.cpp LIBS winsys)
