// png_io.h: PNG files of 0x00RRGGBB pixel buffers.
//
// Written files are 8-bit RGB, no alpha, no gamma chunk. Reading accepts
// any common PNG (palette, gray, 16-bit, interlaced); alpha is dropped, not
// composed. Both report every failure (a missing file, a damaged stream, an
// absurd size) as false; neither ever aborts the process.
#pragma once

#include <cstdint>
#include <vector>

namespace ws {

// Largest width or height read_png accepts; larger files are refused
// rather than allocated.
inline constexpr int kPngMaxSide = 16384;

// Writes width x height pixels, rows `stride` pixels apart, as an RGB PNG.
bool write_png(const char* path, const uint32_t* pixels, int width, int height, int stride);

// Reads a PNG into width x height pixels, rows packed (stride = width).
// On failure the outputs are left empty (width = height = 0).
bool read_png(const char* path, std::vector<uint32_t>& pixels, int& width, int& height);

}  // namespace ws
