# The font system and the GDI text calls.
kv319_test(fonts_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/fonts_test.cpp LIBS kv319_platform_internal)
