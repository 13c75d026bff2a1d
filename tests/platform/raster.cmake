# The rasteriser on plain buffers, its one pipeline and the shape cache
# against their rules, and the GDI drawing calls through the API. Golden
# pictures live in golden/; KV319_REGENERATE_GOLDEN=1 rewrites them.
foreach(t raster_test raster_pipeline_test raster_gdi_test)
  kv319_test(${t} SOURCES ${CMAKE_CURRENT_LIST_DIR}/${t}.cpp LIBS kv319_platform_internal)
  target_compile_definitions(${t} PRIVATE RASTER_GOLDEN_DIR="${CMAKE_CURRENT_LIST_DIR}/golden")
endforeach()
# What the GDI layer's speed-ups must not change: reused drawing objects,
# blended text, lines along a row or column.
kv319_test(gdi_reuse_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/gdi_reuse_test.cpp LIBS kv319_platform_internal)
