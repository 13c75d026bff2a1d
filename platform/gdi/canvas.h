// canvas.h: pixels in memory, and the rectangles that clip them.
//
// Every surface of the layer (a window's pixels, a memory bitmap) is seen
// through a Canvas: a pointer, a size, a stride and a clip rectangle. Pixels
// are 32-bit 0x00RRGGBB. Rectangles are half-open: [left, right) x [top, bottom).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "winsys.h"

namespace ws {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;

    bool empty() const { return right <= left || bottom <= top; }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    Rect offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    Rect intersect(const Rect& o) const {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                std::min(bottom, o.bottom)};
    }
    // The smallest rectangle holding both; an empty side does not count.
    Rect unite(const Rect& o) const {
        if (empty()) return o;
        if (o.empty()) return *this;
        return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
                std::max(bottom, o.bottom)};
    }
    bool operator==(const Rect&) const = default;
};

inline Rect from_win(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}
inline RECT to_win(const Rect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

inline uint32_t pixel_from_colorref(COLORREF c) {
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
inline COLORREF colorref_from_pixel(uint32_t p) {
    return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

// A drawing target: a buffer of pixels seen through an origin and a clip.
// A point (x, y) of the drawing calls is buffer pixel (x + origin_x,
// y + origin_y); only buffer pixels inside `clip` are ever touched, and
// `clip` always lies within the buffer.
struct Canvas {
    uint32_t* pixels = nullptr; // buffer pixel (0, 0)
    int width = 0, height = 0;  // the buffer's extent
    int stride = 0;             // pixels from one row to the next
    int origin_x = 0, origin_y = 0;
    Rect clip; // in buffer coordinates

    uint32_t* row(int y) const { return pixels + static_cast<ptrdiff_t>(y) * stride; }
    // The clip rectangle in drawing coordinates.
    Rect local_clip() const { return clip.offset(-origin_x, -origin_y); }
    // The same buffer with its clip narrowed to r, given in drawing coordinates.
    Canvas clipped_to(const Rect& r) const {
        Canvas c = *this;
        c.clip = clip.intersect(r.offset(origin_x, origin_y));
        return c;
    }
};

#if defined(__x86_64__) && defined(__GNUC__)
// Whether the processor has 256-bit integer lanes, asked once.
inline bool cpu_has_wide_lanes() {
    static const bool wide = (__builtin_cpu_init(), __builtin_cpu_supports("avx2") != 0);
    return wide;
}

// Spans at least this long are stored 32 bytes at a time where the
// processor can; fill_pixels chooses so on each call.
constexpr size_t WIDE_SPAN = 64;
void fill_pixels_wide(uint32_t* p, size_t n, uint32_t v);
#endif

#if defined(__GNUC__)
// Four pixels as one 16-byte value, stored at any pixel boundary. Unlike the
// processor's own vector types it aliases only pixels, so a loop that fills
// spans keeps its other state in registers.
typedef uint32_t Pixels4 __attribute__((vector_size(16), aligned(4)));
#endif

// Stores n copies of v from p on: the inner loop of every fill, so it writes
// 16-byte blocks where the compiler would otherwise store one pixel at a time.
[[gnu::always_inline]] inline void fill_pixels(uint32_t* p, size_t n, uint32_t v) {
#if defined(__GNUC__)
    const Pixels4 x = {v, v, v, v};
    auto store = [&](size_t at) { *reinterpret_cast<Pixels4*>(p + at) = x; };
    if (n >= 16) {
#if defined(__x86_64__)
        if (n >= WIDE_SPAN && cpu_has_wide_lanes()) return fill_pixels_wide(p, n, v);
#endif
        size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            store(i);
            store(i + 4);
        }
        // The last few pixels: stores that overlap what is already done.
        store(n - 8);
        store(n - 4);
        return;
    }
    // Short spans (most rows of small shapes and wide lines): stores that
    // overlap in the middle, or up to three single pixels.
    if (n >= 8) {
        store(0);
        store(4);
        store(n - 8);
        store(n - 4);
        return;
    }
    if (n >= 4) {
        store(0);
        store(n - 4);
        return;
    }
    if (n > 0) {
        p[0] = v;
        p[n - 1] = v;
        p[n >> 1] = v;
    }
#else
    for (size_t i = 0; i < n; ++i)
        p[i] = v;
#endif
}

// A canvas over a whole buffer, origin at its top-left pixel.
inline Canvas make_canvas(uint32_t* pixels, int width, int height, int stride) {
    return Canvas{pixels, width, height, stride, 0, 0, Rect{0, 0, width, height}};
}

// Fills r (drawing coordinates) with one pixel value, within the clip: the
// rasteriser's rectangle fill (raster.cpp).
void fill_rect(const Canvas& c, const Rect& r, uint32_t pixel);

} // namespace ws
