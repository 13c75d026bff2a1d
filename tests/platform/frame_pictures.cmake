# The 33 frames of bench/frame_pictures.h against their golden pictures
# (golden/frame_*.png): whole frames through the runtime, the display and
# the drawing engine. KV319_REGENERATE_GOLDEN=1 rewrites them.
kv319_test(frame_pictures_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/frame_pictures_test.cpp
           LIBS card_display kv319_runtime_internal kv319_platform_internal)
target_include_directories(frame_pictures_test PRIVATE ${CMAKE_SOURCE_DIR}/bench)
target_compile_definitions(frame_pictures_test
                           PRIVATE RASTER_GOLDEN_DIR="${CMAKE_CURRENT_LIST_DIR}/golden")
