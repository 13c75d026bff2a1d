// sdl_pixels.h: the real-window driver's pixel work that needs no display:
// finding what a present really changed, and scaling of a surface's part
// into a window's (larger) pixels.
//
// Pixels are 32-bit 0x00RRGGBB; strides are in pixels.
#pragma once

#include <cstdint>

#include "canvas.h"

namespace ws::sdl_pixels {

// Compares `area` of `now` with the same area of `shown` (the pixels last
// shown), copies every row part that differs into `shown`, and returns the
// smallest rectangle holding all differing pixels (empty when none did).
// Both images share one coordinate space; `area` must lie inside both.
Rect take_changes(const uint32_t* now, int now_stride, uint32_t* shown, int shown_stride,
                  const Rect& area);

// A `from_w` x `from_h` image shown stretched over `to_w` x `to_h` native
// pixels: native pixel X covers the image from X * from_w / to_w to
// (X + 1) * from_w / to_w, and likewise for rows. The native pixels whose
// cover meets `area` of the image.
Rect scaled_area(const Rect& area, int from_w, int from_h, int to_w, int to_h);

// Writes the native pixels of scaled_area(area, ...) into `to`, each the
// average of the image over what it covers (a picture grows at least as
// large as the image: to >= from), with `set_bits` added (an opaque alpha,
// for one). So the picture stays sharp: at a whole ratio each image pixel
// becomes a block of its own colour, and otherwise only a native pixel
// that straddles two image pixels mixes them.
void scale_area(const uint32_t* from, int from_stride, int from_w, int from_h, const Rect& area,
                uint32_t* to, int to_stride, int to_w, int to_h, uint32_t set_bits = 0);

} // namespace ws::sdl_pixels
