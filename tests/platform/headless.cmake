# The headless display driver and PNG files.
kv319_test(headless_driver_test SOURCES headless_driver_test.cpp LIBS winsys)
kv319_test(png_io_test SOURCES png_io_test.cpp LIBS winsys PkgConfig::LIBPNG)
