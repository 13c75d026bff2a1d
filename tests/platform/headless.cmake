# The headless display driver and PNG files.
kv319_test(headless_driver_test SOURCES headless_driver_test.cpp LIBS kv319_platform_internal)
kv319_test(png_io_test SOURCES png_io_test.cpp LIBS kv319_platform_internal PkgConfig::LIBPNG)
# Kept by the build: a driver's header brings no canvas (see the file).
add_library(driver_header_check OBJECT driver_header_check.cpp)
target_link_libraries(driver_header_check PRIVATE kv319_platform_internal)
