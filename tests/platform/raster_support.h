// raster_support.h: pixel buffers, text pictures and golden files for the
// rasteriser's tests.
//
// A golden is a PNG stored under tests/platform/golden/. A mismatch
// writes <name>.actual.png and <name>.diff.png (red where the pixels differ)
// into the test's working directory and, for a small picture, prints it as
// text; KV319_REGENERATE_GOLDEN=1 rewrites the stored file instead.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "canvas.h"
#include "png_io.h"

namespace raster_test {

constexpr uint32_t BACK = 0x102030; // what untouched pixels hold
constexpr uint32_t PEN = 0x000000;
constexpr uint32_t BRUSH = 0xFFFFFF;
constexpr uint32_t OTHER = 0xFF0000;

// A buffer of w x h pixels, all BACK.
struct Buffer {
    int w, h;
    std::vector<uint32_t> px;
    Buffer(int width, int height) : w(width), h(height), px(size_t(width) * height, BACK) {}
    ws::Canvas canvas() { return ws::make_canvas(px.data(), w, h, w); }
    // A canvas clipped to r (buffer coordinates), its origin at (ox, oy).
    ws::Canvas canvas(const ws::Rect& r, int ox = 0, int oy = 0) {
        ws::Canvas c = canvas();
        c.clip = r, c.origin_x = ox, c.origin_y = oy;
        return c;
    }
    uint32_t at(int x, int y) const { return px[size_t(y) * w + x]; }
    bool painted(int x, int y) const {
        return x >= 0 && y >= 0 && x < w && y < h && at(x, y) != BACK;
    }
    size_t count(uint32_t p) const {
        size_t n = 0;
        for (uint32_t v : px)
            n += v == p;
        return n;
    }
    // Whether anything outside r (buffer coordinates) changed.
    bool touched_outside(const ws::Rect& r) const {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (!r.contains(x, y) && at(x, y) != BACK) return true;
        return false;
    }
};

// '.' untouched, '#' pen, 'o' brush, 'r' OTHER, '?' anything else.
inline char glyph_of(uint32_t p) {
    switch (p) {
    case BACK:
        return '.';
    case PEN:
        return '#';
    case BRUSH:
        return 'o';
    case OTHER:
        return 'r';
    default:
        return '?';
    }
}

inline std::string picture(const uint32_t* px, int w, int h, int stride) {
    std::string s;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            s += glyph_of(px[size_t(y) * stride + x]);
        s += '\n';
    }
    return s;
}
inline std::string picture(const Buffer& b) {
    return picture(b.px.data(), b.w, b.h, b.w);
}

// Compares w x h pixels (rows `stride` apart) with the stored golden PNG.
inline void expect_golden(const std::string& name, const uint32_t* px, int w, int h, int stride) {
    std::string path = std::string(RASTER_GOLDEN_DIR) + "/" + name + ".png";
    const char* regen = std::getenv("KV319_REGENERATE_GOLDEN");
    if (regen && std::string(regen) == "1") {
        ASSERT_TRUE(ws::write_png(path.c_str(), px, w, h, stride)) << path;
        return;
    }
    std::vector<uint32_t> want;
    int gw = 0, gh = 0;
    bool ok = ws::read_png(path.c_str(), want, gw, gh);
    bool same = ok && gw == w && gh == h;
    std::vector<uint32_t> diff(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t a = px[size_t(y) * stride + x];
            bool differs = !(ok && x < gw && y < gh) || want[size_t(y) * gw + x] != a;
            // Differences in red over a dimmed copy of the actual picture.
            diff[size_t(y) * w + x] = differs ? 0xFF0000u : (a >> 2) & 0x3F3F3Fu;
            same = same && !differs;
        }
    if (same) return;
    ws::write_png((name + ".actual.png").c_str(), px, w, h, stride);
    ws::write_png((name + ".diff.png").c_str(), diff.data(), w, h, w);
    constexpr int SMALL_PICTURE = 64 * 64; // printed as text on failure
    ADD_FAILURE() << "golden " << path << (ok ? " differs" : " is missing") << "; wrote " << name
                  << ".actual.png and " << name << ".diff.png (KV319_REGENERATE_GOLDEN=1 "
                  << "rewrites the golden)"
                  << (w * h <= SMALL_PICTURE ? "\nactual:\n" + picture(px, w, h, stride) : "");
}

} // namespace raster_test
