// sdl_pixels.cpp: change detection and nearest-pixel scaling for the
// real-window driver's presents.
//
// A frame that redraws everything but changes little (a halted card, a
// spiral that flashes) should cost the window system only the pixels that
// differ; an identical frame costs one read of the area and nothing else.
#include "sdl_pixels.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ws::sdl_pixels {

namespace {

// The first column in [from, to) where the two rows differ, or `to`. Four
// pixels are compared at a time: in a row that changed, this scan and the
// next are most of a present's work.
int first_difference(const uint32_t* a, const uint32_t* b, int from, int to) {
    int x = from;
#if defined(__SSE2__)
    for (; x + 4 <= to; x += 4) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
        const int same = _mm_movemask_epi8(_mm_cmpeq_epi32(va, vb));
        if (same != 0xFFFF) return x + (__builtin_ctz(~same & 0xFFFF) >> 2);
    }
#endif
    for (; x < to; ++x)
        if (a[x] != b[x]) return x;
    return to;
}

// The last column in [from, to) where the two rows differ; they differ at `from`.
int last_difference(const uint32_t* a, const uint32_t* b, int from, int to) {
    int x = to;
#if defined(__SSE2__)
    for (; x - 4 >= from; x -= 4) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x - 4));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x - 4));
        const int same = _mm_movemask_epi8(_mm_cmpeq_epi32(va, vb));
        if (same != 0xFFFF) return x - 4 + ((31 - __builtin_clz(~same & 0xFFFF)) >> 2);
    }
#endif
    while (x > from && a[x - 1] == b[x - 1]) --x;
    return x - 1;
}

}  // namespace

Rect take_changes(const uint32_t* now, int now_stride, uint32_t* shown, int shown_stride,
                  const Rect& area) {
    Rect changed;
    if (area.empty()) return changed;
    const size_t bytes = static_cast<size_t>(area.width()) * sizeof(uint32_t);
    for (int y = area.top; y < area.bottom; ++y) {
        const uint32_t* a = now + static_cast<ptrdiff_t>(y) * now_stride;
        uint32_t* b = shown + static_cast<ptrdiff_t>(y) * shown_stride;
        // A row that did not change (most of them, most of the time) costs
        // one comparison of the library's, the fastest there is.
        if (std::memcmp(a + area.left, b + area.left, bytes) == 0) continue;
        const int first = first_difference(a, b, area.left, area.right);
        const int last = last_difference(a, b, first, area.right);
        std::memcpy(b + first, a + first, static_cast<size_t>(last - first + 1) * sizeof(uint32_t));
        changed = changed.unite({first, y, last + 1, y + 1});
    }
    return changed;
}

namespace {

// The first native index that shows image index v or a later one.
int first_showing(int v, int from, int to) {
    int64_t n = int64_t{v} * to;
    return static_cast<int>((n + from - 1) / from);
}

}  // namespace

Rect scaled_area(const Rect& area, int from_w, int from_h, int to_w, int to_h) {
    if (from_w <= 0 || from_h <= 0 || to_w <= 0 || to_h <= 0) return {};
    Rect a = area.intersect({0, 0, from_w, from_h});
    if (a.empty()) return {};
    return {first_showing(a.left, from_w, to_w), first_showing(a.top, from_h, to_h),
            first_showing(a.right, from_w, to_w), first_showing(a.bottom, from_h, to_h)};
}

void scale_area(const uint32_t* from, int from_stride, int from_w, int from_h, const Rect& area,
                uint32_t* to, int to_stride, int to_w, int to_h, uint32_t set_bits) {
    Rect n = scaled_area(area, from_w, from_h, to_w, to_h);
    if (n.empty()) return;
    if (from_w == to_w && from_h == to_h && set_bits == 0) {
        const size_t bytes = static_cast<size_t>(n.width()) * sizeof(uint32_t);
        for (int y = n.top; y < n.bottom; ++y)
            std::memcpy(to + static_cast<ptrdiff_t>(y) * to_stride + n.left,
                        from + static_cast<ptrdiff_t>(y) * from_stride + n.left, bytes);
        return;
    }
    std::vector<int> column(static_cast<size_t>(n.width()));
    for (int x = n.left; x < n.right; ++x)
        column[static_cast<size_t>(x - n.left)] =
            static_cast<int>(int64_t{x} * from_w / to_w);
    int last_source = -1;
    uint32_t* last_row = nullptr;
    for (int y = n.top; y < n.bottom; ++y) {
        int sy = static_cast<int>(int64_t{y} * from_h / to_h);
        uint32_t* out = to + static_cast<ptrdiff_t>(y) * to_stride;
        if (sy == last_source) {
            // The same image row again: copy the native row just written.
            std::memcpy(out + n.left, last_row + n.left,
                        static_cast<size_t>(n.width()) * sizeof(uint32_t));
            continue;
        }
        const uint32_t* in = from + static_cast<ptrdiff_t>(sy) * from_stride;
        for (int x = n.left; x < n.right; ++x)
            out[x] = in[column[static_cast<size_t>(x - n.left)]] | set_bits;
        last_source = sy;
        last_row = out;
    }
}

}  // namespace ws::sdl_pixels
