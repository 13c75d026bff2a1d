// png_io.h: PNG files of 0x00RRGGBB pixel buffers.
//
// Written files are 8-bit RGB, no alpha, no gamma chunk. Reading accepts
// any common PNG (palette, gray, 16-bit, interlaced); alpha is dropped, not
// composed. Both report every failure (a missing file, a damaged stream, an
// absurd size) as false; neither ever aborts the process.
//
// Files are written whole (write_file_whole): a failure never costs what
// the name held before.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

namespace ws {

// Largest width or height read_png accepts; larger files are refused
// rather than allocated.
inline constexpr int PNG_MAX_SIDE = 16384;

// Writes a file through `write`, which puts the contents into the stream
// it is given and says whether it could. A regular file (or a new name) is
// written into a new file beside it, which takes its place, with its mode,
// only once complete; a symbolic link keeps pointing at the file it names.
// Anything else (a device, a pipe) is written in place. False on any
// failure, after which `path` is as it was: only the file this call made
// is removed.
bool write_file_whole(const char* path, const std::function<bool(std::FILE*)>& write);

// Writes width x height pixels, rows `stride` pixels apart, as an RGB PNG,
// whole (see write_file_whole).
bool write_png(const char* path, const uint32_t* pixels, int width, int height, int stride);

// Reads a PNG into width x height pixels, rows packed (stride = width).
// On failure the outputs are left empty (width = height = 0).
bool read_png(const char* path, std::vector<uint32_t>& pixels, int& width, int& height);

} // namespace ws
