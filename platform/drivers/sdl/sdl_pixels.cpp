// sdl_pixels.cpp: change detection and scaling for the real-window
// driver's presents.
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
    while (x > from && a[x - 1] == b[x - 1])
        --x;
    return x - 1;
}

} // namespace

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

// Where native pixel `n` of a `to` long axis takes its colour from an image
// axis `from` long: image pixel `first`, weighted `weight` / 256, and the
// next one, weighted the rest. A native pixel covers 1 / ratio image pixels,
// at most two of them when the picture grows; one that shrinks it takes the
// pixel under its start.
struct Tap {
    int first;
    int weight;
};

Tap tap(int n, int from, int to) {
    const int64_t start = int64_t{n} * from; // in 1 / to of an image pixel
    const int first = static_cast<int>(start / to);
    const int64_t boundary = int64_t{first + 1} * to;
    if (to < from || start + from <= boundary || first + 1 >= from) return {first, 256};
    return {first, static_cast<int>(((boundary - start) * 256 + from / 2) / from)};
}

// (a * wa + b * (256 - wa)) / 256, channel by channel.
uint32_t mix(uint32_t a, uint32_t b, int wa) {
    if (wa == 256) return a;
    const uint32_t wb = static_cast<uint32_t>(256 - wa), w = static_cast<uint32_t>(wa);
    const uint32_t rb = ((a & 0xFF00FF) * w + (b & 0xFF00FF) * wb + 0x800080) >> 8;
    const uint32_t g = ((a & 0x00FF00) * w + (b & 0x00FF00) * wb + 0x008000) >> 8;
    return (rb & 0xFF00FF) | (g & 0x00FF00);
}

// The first native index whose cover reaches image index v or beyond it,
// and the first past those whose cover starts before image index v.
int first_reaching(int v, int from, int to) {
    return static_cast<int>(int64_t{v} * to / from);
}
int first_past(int v, int from, int to) {
    return static_cast<int>((int64_t{v} * to + from - 1) / from);
}

} // namespace

Rect scaled_area(const Rect& area, int from_w, int from_h, int to_w, int to_h) {
    if (from_w <= 0 || from_h <= 0 || to_w <= 0 || to_h <= 0) return {};
    Rect a = area.intersect({0, 0, from_w, from_h});
    if (a.empty()) return {};
    // A picture that shrinks takes each native pixel from the image pixel
    // under its start alone.
    auto lo = [](int v, int from, int to) {
        return to < from ? first_past(v, from, to) : first_reaching(v, from, to);
    };
    return Rect{lo(a.left, from_w, to_w), lo(a.top, from_h, to_h),
                first_past(a.right, from_w, to_w), first_past(a.bottom, from_h, to_h)}
        .intersect({0, 0, to_w, to_h});
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
    std::vector<Tap> column(static_cast<size_t>(n.width()));
    bool columns_whole = true;
    for (int x = n.left; x < n.right; ++x) {
        Tap& t = column[static_cast<size_t>(x - n.left)];
        t = tap(x, from_w, to_w);
        columns_whole = columns_whole && t.weight == 256;
    }
    Tap last{-1, 0};
    uint32_t* last_row = nullptr;
    for (int y = n.top; y < n.bottom; ++y) {
        const Tap row = tap(y, from_h, to_h);
        uint32_t* out = to + static_cast<ptrdiff_t>(y) * to_stride;
        if (row.first == last.first && row.weight == last.weight) {
            // The same image rows in the same mix again: copy the native row just written.
            std::memcpy(out + n.left, last_row + n.left,
                        static_cast<size_t>(n.width()) * sizeof(uint32_t));
            continue;
        }
        const uint32_t* in = from + static_cast<ptrdiff_t>(row.first) * from_stride;
        const uint32_t* below = row.weight == 256 ? in : in + from_stride;
        if (row.weight == 256 && columns_whole) {
            for (int x = n.left; x < n.right; ++x)
                out[x] = in[column[static_cast<size_t>(x - n.left)].first] | set_bits;
        } else {
            for (int x = n.left; x < n.right; ++x) {
                const Tap& c = column[static_cast<size_t>(x - n.left)];
                const int next = c.weight == 256 ? c.first : c.first + 1;
                out[x] = mix(mix(in[c.first], in[next], c.weight),
                             mix(below[c.first], below[next], c.weight), row.weight) |
                         set_bits;
            }
        }
        last = row;
        last_row = out;
    }
}

} // namespace ws::sdl_pixels
