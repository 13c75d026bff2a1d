// shape_cache.h: the rows of shapes drawn before, for the rasteriser.
//
// A wide line's pixels depend only on its width and the difference between
// its end pixels, a one-colour triangle's only on the differences between
// its vertices: moved by whole pixels, the shape covers the same pixels
// moved. The card draws the same few thousand of them frame after frame
// (the spirals' segments, the border's tiles), so their rows are cached
// relative to a reference pixel, and the rasteriser replays them through its
// span sink wherever the shape lands. Only shapes whose every row is one
// span are cached. Bounded: the cache starts afresh when full.
#pragma once

#include <cstdint>
#include <vector>

namespace ws {

struct ShapeKey {
    int32_t kind = 0; // 0: a free slot
    int32_t a = 0, b = 0, c = 0, d = 0;
    bool operator==(const ShapeKey&) const = default;
};

// Columns [x, x + n) of one row, relative to the reference pixel.
struct CachedRow {
    int16_t x = 0, n = 0;
};

struct CachedShape {
    ShapeKey key;
    int32_t top = 0;               // the first row, relative to the reference pixel
    int32_t left = 0, right = 0;   // the columns [left, right) that the rows cover
    uint32_t start = 0, count = 0; // its rows in the cache
    bool whole = true;             // false: a row is not one span, nothing cached
};

// Takes a shape's spans as the rasteriser's row generators make it, rows
// [top, top + rows) relative to the reference pixel, uniting each row's.
struct ShapeRecorder {
    struct {
        int64_t l, t, r, b;
    } bounds{};                  // as a sink's bounds: no clip but the rows
    std::vector<int64_t> lo, hi; // each row's span [lo, hi), empty when lo >= hi
    bool whole = true;
    void span(int64_t y, int64_t x0, int64_t x1, uint32_t pixel);
    void span_inside(int64_t y, int64_t x0, int64_t x1, uint32_t pixel) { span(y, x0, x1, pixel); }
    template <typename Box> void note(const Box&) {}
};

// The shape cached under `key`, or nullptr (also when the cache is off).
const CachedShape* shape_cache_find(const ShapeKey& key);

// A recorder for a shape of `rows` rows from `top` on, or nullptr when the
// cache is off or the shape is too tall for it.
ShapeRecorder* shape_cache_recorder(int64_t top, int64_t rows);

// Caches what the recorder took under `key`; a shape with a gap in a row is
// stored as not cacheable (whole false).
const CachedShape* shape_cache_store(const ShapeKey& key, const ShapeRecorder& recorder);

const CachedRow* shape_cache_rows(const CachedShape& shape);

// Switches the cache on (the default) or off, emptying it; returns the
// previous setting. Tests run the rasteriser both ways.
bool shape_cache_enable(bool on);

} // namespace ws
