// shape_cache.cpp: the cache of shapes drawn before (see shape_cache.h): an
// open-addressing table of shapes over one array of rows, both bounded and
// emptied together when either is full.
#include "shape_cache.h"

#include <algorithm>
#include <climits>

namespace ws {

namespace {

constexpr size_t SLOTS = 8192;               // a power of two
constexpr size_t MAX_ROWS = size_t{1} << 19; // rows of all cached shapes together

struct Cache {
    bool on = true;
    std::vector<CachedShape> slots = std::vector<CachedShape>(SLOTS);
    std::vector<CachedRow> rows;
    size_t used = 0;
    ShapeRecorder recorder;

    void clear() {
        std::fill(slots.begin(), slots.end(), CachedShape{});
        rows.clear();
        used = 0;
    }
};

Cache& cache() {
    static Cache* c = new Cache; // drawn with until the process ends
    return *c;
}

// Two multiplications; the slot comes from the product's top bits, which
// depend on every bit of the key.
size_t slot_of(const ShapeKey& k) {
    const uint64_t ab = static_cast<uint32_t>(k.a) | uint64_t{static_cast<uint32_t>(k.b)} << 32;
    const uint64_t cd = static_cast<uint32_t>(k.c) | uint64_t{static_cast<uint32_t>(k.d)} << 32;
    const uint64_t h =
        (ab ^ (cd * 0x9E3779B97F4A7C15u + static_cast<uint32_t>(k.kind))) * 0xBF58476D1CE4E5B9u;
    return static_cast<size_t>(h >> 40) & (SLOTS - 1);
}

} // namespace

void ShapeRecorder::span(int64_t y, int64_t x0, int64_t x1, uint32_t) {
    if (x0 >= x1 || y < bounds.t || y >= bounds.b) return;
    const size_t i = static_cast<size_t>(y - bounds.t);
    if (lo[i] < hi[i]) {
        // Spans that neither overlap nor touch leave a gap in the row.
        whole = whole && x1 >= lo[i] && x0 <= hi[i];
        x0 = std::min(x0, lo[i]);
        x1 = std::max(x1, hi[i]);
    }
    lo[i] = x0;
    hi[i] = x1;
}

const CachedShape* shape_cache_find(const ShapeKey& key) {
    Cache& c = cache();
    if (!c.on) return nullptr;
    for (size_t i = slot_of(key);; i = (i + 1) & (SLOTS - 1)) {
        if (c.slots[i].key.kind == 0) return nullptr;
        if (c.slots[i].key == key) return &c.slots[i];
    }
}

ShapeRecorder* shape_cache_recorder(int64_t top, int64_t rows) {
    Cache& c = cache();
    if (!c.on || rows <= 0 || rows > static_cast<int64_t>(MAX_ROWS / 8)) return nullptr;
    c.recorder.bounds = {INT_MIN, top, INT_MAX, top + rows};
    c.recorder.lo.assign(static_cast<size_t>(rows), 0);
    c.recorder.hi.assign(static_cast<size_t>(rows), 0);
    c.recorder.whole = true;
    return &c.recorder;
}

const CachedShape* shape_cache_store(const ShapeKey& key, const ShapeRecorder& r) {
    Cache& c = cache();
    const size_t rows = r.whole ? r.lo.size() : 0;
    if (c.used * 4 >= SLOTS * 3 || c.rows.size() + rows > MAX_ROWS) c.clear();
    size_t at = slot_of(key);
    while (c.slots[at].key.kind != 0)
        at = (at + 1) & (SLOTS - 1);
    ++c.used;
    CachedShape& e = c.slots[at];
    e = {key,       static_cast<int32_t>(r.bounds.t),     INT32_MAX,
         INT32_MIN, static_cast<uint32_t>(c.rows.size()), static_cast<uint32_t>(rows),
         r.whole};
    // Relative to the reference pixel every column fits 16 bits: the
    // rasteriser caches shapes of everyday size only.
    for (size_t i = 0; i < rows; ++i) {
        const int64_t n = std::max<int64_t>(r.hi[i] - r.lo[i], 0), x = n ? r.lo[i] : 0;
        c.rows.push_back({static_cast<int16_t>(x), static_cast<int16_t>(n)});
        if (n > 0) {
            e.left = std::min<int32_t>(e.left, x);
            e.right = std::max<int32_t>(e.right, x + n);
        }
    }
    return &e;
}

const CachedRow* shape_cache_rows(const CachedShape& shape) {
    return cache().rows.data() + shape.start;
}

bool shape_cache_enable(bool on) {
    const bool was = cache().on;
    cache().on = on;
    cache().clear();
    return was;
}

} // namespace ws
