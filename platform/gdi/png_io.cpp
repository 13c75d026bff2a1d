// png_io.cpp: PNG files of pixel buffers.
