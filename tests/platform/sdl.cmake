# The real-window driver's parts that need no display.
if(KV319_BUILD_SDL)
  kv319_test(sdl_input_test SOURCES sdl_input_test.cpp sdl_pixels_test.cpp LIBS winsys_sdl_input kv319_platform_internal)
endif()
