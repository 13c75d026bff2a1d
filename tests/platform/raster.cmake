# The rasteriser on plain buffers, and the GDI drawing calls through the API.
# Golden pictures live in golden/; KV319_REGENERATE_GOLDEN=1 rewrites them.
foreach(t raster_test raster_gdi_test)
  kv319_test(${t} SOURCES ${t}.cpp LIBS winsys)
  target_compile_definitions(${t} PRIVATE RASTER_GOLDEN_DIR="${CMAKE_CURRENT_SOURCE_DIR}/golden")
endforeach()
