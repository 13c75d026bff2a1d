// raster_pipeline_test.cpp: the rasteriser's one pipeline against per-pixel
// statements of its rules, over sizes, slopes and positions well beyond what
// the card draws (coordinates up to the ends of int, where the arithmetic
// must not overflow), with the exact cases where a row bound lands on a
// pixel centre; and the shape cache, which must paint the same pixels
// switched on as off, wherever a cached shape lands.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "raster.h"
#include "raster_support.h"
#include "shape_cache.h"

using namespace ws;
using namespace raster_test;

namespace {

using i128 = __int128; // the references are plain statements, exact at any size

// Pixel centre within w/2 of the segment between the end pixels (doubled
// coordinates, pen on the pixel corners for even w).
bool in_capsule(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t w, int64_t x, int64_t y) {
    int64_t s = w % 2, ax = 2 * x0 + s, ay = 2 * y0 + s, bx = 2 * x1 + s, by = 2 * y1 + s;
    int64_t cx = 2 * x + 1, cy = 2 * y + 1;
    i128 r2 = i128(w) * w, dx = bx - ax, dy = by - ay, l2 = dx * dx + dy * dy;
    i128 t = i128(cx - ax) * dx + i128(cy - ay) * dy;
    if (t <= 0) return i128(cx - ax) * (cx - ax) + i128(cy - ay) * (cy - ay) <= r2;
    if (t >= l2) return i128(cx - bx) * (cx - bx) + i128(cy - by) * (cy - by) <= r2;
    i128 cross = i128(cx - ax) * dy - i128(cy - ay) * dx;
    return cross * cross <= r2 * l2;
}

struct Lcg {
    uint32_t s;
    int next(int n) { return int(((s = s * 1664525u + 1013904223u) >> 8) % uint32_t(n)); }
};

// Runs f with the shape cache switched on (twice, so that the second run
// paints from the cache) and off, and restores the setting.
template <typename F> void with_cache_on_and_off(F&& f) {
    bool was = shape_cache_enable(true);
    f("cache on, made");
    f("cache on, cached");
    shape_cache_enable(false);
    f("cache off");
    shape_cache_enable(was);
}

void expect_capsule(int x0, int y0, int x1, int y1, int w, const Rect& clip, int ox, int oy,
                    const char* what) {
    Buffer b(96, 80);
    Rect got = raster_wide_line(b.canvas(clip, ox, oy), x0, y0, x1, y1, w, PEN);
    Rect want_box;
    for (int y = 0; y < b.h; ++y)
        for (int x = 0; x < b.w; ++x) {
            bool want =
                clip.contains(x, y) && in_capsule(int64_t{x0} + ox, int64_t{y0} + oy,
                                                  int64_t{x1} + ox, int64_t{y1} + oy, w, x, y);
            ASSERT_EQ(b.painted(x, y), want) << what << " (" << x0 << "," << y0 << ")-(" << x1
                                             << "," << y1 << ") w=" << w << " at " << x << "," << y;
            if (want) want_box = want_box.unite(Rect{x - ox, y - oy, x - ox + 1, y - oy + 1});
        }
    ASSERT_EQ(got, want_box) << what;
}

} // namespace

TEST(RasterWideLine, RandomLinesFollowTheCapsuleRuleWithAndWithoutTheCache) {
    Lcg rng{90210};
    for (int round = 0; round < 300; ++round) {
        // Pens past the widths that are cached, now and then.
        int w = 2 + rng.next(round % 8 == 0 ? 80 : round % 8 == 4 ? 120 : 20);
        int x0 = rng.next(140) - 20, y0 = rng.next(120) - 20;
        int x1 = rng.next(140) - 20, y1 = rng.next(120) - 20;
        with_cache_on_and_off([&](const char* what) {
            expect_capsule(x0, y0, x1, y1, w, {0, 0, 96, 80}, 0, 0, what);
            // The same through a clip and a shifted origin.
            expect_capsule(x0, y0, x1, y1, w, {13, 9, 71, 58}, -7, 5, what);
        });
    }
}

TEST(RasterWideLine, CachedShapesRepaintTheSamePixelsWhereverTheyLand) {
    // The same shapes again and again, at other places and through other
    // clips, with enough other shapes in between to fill the cache several
    // times over and make it start afresh.
    Lcg rng{5150};
    for (int round = 0; round < 30; ++round) {
        int w = 2 + rng.next(30), dx = rng.next(80) - 40, dy = rng.next(80) - 40;
        for (int place = 0; place < 4; ++place) {
            int x0 = rng.next(100) - 10, y0 = rng.next(90) - 10;
            Rect clip = place % 2 ? Rect{0, 0, 96, 80} : Rect{5 + place, 3, 70, 66 - place};
            expect_capsule(x0, y0, x0 + dx, y0 + dy, w, clip, place - 2, 1 - place, "cached");
        }
        Buffer scratch(96, 80);
        for (int other = 0; other < 2000; ++other)
            raster_wide_line(scratch.canvas(), 40, 40, 40 + rng.next(500) - 250,
                             40 + rng.next(500) - 250, 2 + rng.next(60), PEN);
    }
}

TEST(RasterWideLine, BoundsOnPixelCentresAreDecidedExactly) {
    // Slopes whose side and end bounds fall on pixel centres: axis-aligned,
    // diagonal, 3-4-5 and 5-12-13 directions, at odd and even widths.
    const int dirs[][2] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}, {3, 4}, {4, -3}, {5, 12}, {-12, 5}};
    for (auto& d : dirs)
        for (int len = 0; len <= 4; ++len)
            for (int w = 2; w <= 26; w += 3) {
                int x0 = 40, y0 = 38;
                expect_capsule(x0, y0, x0 + d[0] * len * 2, y0 + d[1] * len * 2, w, {0, 0, 96, 80},
                               0, 0, "exact");
            }
}

TEST(RasterWideLine, FarEndsAndHugePensDrawOnlyTheirVisiblePartByTheRule) {
    // One end far off the canvas, the other near it: the pixels follow the
    // same rule however far the far end is.
    Buffer far(96, 80), near(96, 80);
    raster_wide_line(far.canvas(), 10, 40, 9000000, 40, 6, PEN);
    raster_wide_line(near.canvas(), 10, 40, 200, 40, 6, PEN);
    EXPECT_EQ(far.px, near.px);
    expect_capsule(-3000, -2000, 60, 50, 9, {0, 0, 96, 80}, 0, 0, "long");
    // Ends anywhere in the int range, through an origin that takes them past
    // it, and pens up to tens of thousands of pixels wide: a segment partly
    // on the canvas, or one whose round end reaches it.
    Lcg rng{8086};
    for (int round = 0; round < 120; ++round) {
        auto far_value = [&](int near) {
            switch (rng.next(4)) {
            case 0:
                return near + rng.next(200) - 100;
            case 1:
                return rng.next(2) ? INT_MAX - rng.next(50) : INT_MIN + rng.next(50);
            default:
                return int(int64_t(rng.next(1 << 23)) * 256 - (int64_t(1) << 30)) + near;
            }
        };
        int x0 = far_value(40), y0 = far_value(40);
        // The other end mirrored through the canvas, so the line crosses it.
        int x1 = int(std::clamp<int64_t>(80 - int64_t{x0}, INT_MIN, INT_MAX));
        int y1 = int(std::clamp<int64_t>(80 - int64_t{y0} + rng.next(9) - 4, INT_MIN, INT_MAX));
        int w = round % 3 == 0 ? 2 + rng.next(40000) : 2 + rng.next(30);
        expect_capsule(x0, y0, x1, y1, w, {5, 4, 90, 77}, round % 2 ? -3 : 3, 2, "far");
    }
}

// The one-pixel line as its rule states it: step i of the major axis paints
// the minor coordinate i * an / am rounded, ties to the smaller coordinate.
// Only the steps whose major coordinate lands in the buffer are visited.
std::vector<uint32_t> reference_line(int w, int h, const Rect& clip, int ox, int oy, int x0, int y0,
                                     int x1, int y1) {
    std::vector<uint32_t> px(size_t(w) * h, BACK);
    int64_t dx = int64_t{x1} - x0, dy = int64_t{y1} - y0;
    bool x_major = std::llabs(dx) >= std::llabs(dy);
    int64_t am = std::llabs(x_major ? dx : dy), an = std::llabs(x_major ? dy : dx);
    int64_t sm = (x_major ? dx : dy) < 0 ? -1 : 1, sn = (x_major ? dy : dx) < 0 ? -1 : 1;
    int64_t m0 = (x_major ? x0 : y0) + (x_major ? ox : oy),
            n0 = (x_major ? y0 : x0) + (x_major ? oy : ox);
    for (int64_t m = 0; m < (x_major ? w : h); ++m) {
        int64_t i = (m - m0) * sm;
        if (i < 0 || i >= am) continue;
        // Exactly half way: towards the smaller minor coordinate.
        i128 twice = i128(2) * i * an, off = twice / (2 * am), rest = twice % (2 * am);
        if (rest > am || (rest == am && sn < 0)) ++off;
        i128 n = n0 + sn * off;
        int64_t x = x_major ? m : int64_t(n), y = x_major ? int64_t(n) : m;
        if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom)
            px[size_t(y) * w + size_t(x)] = PEN;
    }
    return px;
}

TEST(RasterLine, RandomLinesFollowTheSteppingRuleThroughAnyClip) {
    Lcg rng{4242};
    for (int round = 0; round < 4000; ++round) {
        // Mostly inside the buffer, some crossing its edges or the clip, and
        // some with ends anywhere in the int range.
        int reach = round % 3 == 0 ? 160 : 90;
        auto end = [&]() {
            if (round % 4 != 3) return rng.next(reach) - (reach - 90) / 2;
            int far = rng.next(3);
            return far == 0   ? INT_MIN + rng.next(9)
                   : far == 1 ? INT_MAX - rng.next(9)
                              : rng.next(1 << 30) - (1 << 29);
        };
        int x0 = end(), y0 = end(), x1 = end(), y1 = end();
        if (round % 5 == 0)
            y1 = int(std::clamp<int64_t>(y0 + (int64_t{x1} - x0), INT_MIN, INT_MAX));
        if (round % 7 == 0) y1 = int(y0 + (int64_t{x1} - x0) / 2); // ties on every other step
        if (round % 4 == 3 && round % 8 != 3) {
            // Through the buffer: the far end mirrored about its middle.
            x1 = int(std::clamp<int64_t>(90 - int64_t{x0}, INT_MIN, INT_MAX));
            y1 = int(std::clamp<int64_t>(80 - int64_t{y0} + rng.next(5), INT_MIN, INT_MAX));
        }
        Rect clip = round % 2 ? Rect{0, 0, 96, 80} : Rect{11, 7, 73, 61};
        int ox = round % 4 == 1 ? -5 : 0, oy = round % 4 == 1 ? 3 : 0;
        Buffer b(96, 80);
        raster_line(b.canvas(clip, ox, oy), x0, y0, x1, y1, PEN);
        std::vector<uint32_t> want = reference_line(96, 80, clip, ox, oy, x0, y0, x1, y1);
        ASSERT_EQ(b.px, want) << "(" << x0 << "," << y0 << ")-(" << x1 << "," << y1 << ") round "
                              << round << "\n"
                              << picture(b);
    }
}

TEST(RasterPolygon, TrianglesThroughAClipAndAnOrigin) {
    auto in_triangle = [](const POINT* p, int64_t x, int64_t y) {
        int crossings = 0;
        for (int i = 0; i < 3; ++i) {
            POINT a = p[i], b = p[(i + 1) % 3];
            if (a.y > b.y) std::swap(a, b);
            if (y < a.y || y >= b.y) continue;
            crossings += (x - a.x) * (b.y - a.y) >= (y - a.y) * (b.x - a.x);
        }
        return crossings % 2 == 1;
    };
    Lcg rng{777};
    const Rect clip{9, 6, 80, 71};
    for (int round = 0; round < 600; ++round) {
        POINT p[3];
        for (POINT& q : p)
            q = {rng.next(130) - 20, rng.next(110) - 20};
        if (round % 4 == 0) p[2].y = p[1].y; // a flat side
        for (int moved = 0; moved < 2; ++moved) {
            const int ox = 4 + 13 * moved, oy = -3 - 9 * moved;
            Buffer b(96, 80);
            raster_polygon_fill(b.canvas(clip, ox, oy), p, 3, BRUSH);
            for (int y = 0; y < b.h; ++y)
                for (int x = 0; x < b.w; ++x)
                    ASSERT_EQ(b.painted(x, y),
                              clip.contains(x, y) && in_triangle(p, x - ox, y - oy))
                        << round << (moved ? " moved" : "") << " at " << x << "," << y;
        }
    }
}

TEST(RasterRectangle, SpansOfEveryLengthCoverExactlyTheirPixels) {
    // Spans are stored several pixels at a time, overlapping: every length
    // and position must paint its own pixels and not one more.
    for (int left = 0; left < 9; ++left)
        for (int n = 0; n <= 70; ++n) {
            Buffer b(96, 3);
            Rect r = raster_fill_rect(b.canvas(Rect{0, 1, 96, 2}), left, 0, left + n, 3, PEN);
            for (int x = 0; x < 96; ++x) {
                ASSERT_EQ(b.painted(x, 1), x >= left && x < left + n)
                    << left << "+" << n << " at " << x;
                ASSERT_FALSE(b.painted(x, 0) || b.painted(x, 2));
            }
            EXPECT_EQ(r, (n ? Rect{left, 1, left + n, 2} : Rect{}));
        }
}

TEST(RasterRectangle, OneColourFillCoversWhatPenAndBrushTogetherCover) {
    // A rectangle whose pen and brush share a colour is filled as one span a
    // row: it must cover exactly the pixels of its pen and its brush drawn apart.
    Lcg rng{2718};
    for (int round = 0; round < 500; ++round) {
        int l = rng.next(120) - 20, t = rng.next(100) - 20, r = rng.next(120) - 20,
            b = rng.next(100) - 20;
        RasterPaint apart{true, PEN, 1 + rng.next(round % 3 ? 3 : 12), true, BRUSH};
        RasterPaint together = apart;
        together.brush = PEN;
        Rect clip = round % 2 ? Rect{0, 0, 96, 80} : Rect{7, 5, 83, 66};
        Buffer one(96, 80), two(96, 80);
        Rect a = raster_rectangle(one.canvas(clip, 3, -2), l, t, r, b, together);
        Rect c = raster_rectangle(two.canvas(clip, 3, -2), l, t, r, b, apart);
        for (uint32_t& p : two.px)
            if (p == BRUSH) p = PEN;
        ASSERT_EQ(one.px, two.px) << round << ": " << l << "," << t << " " << r << "," << b;
        EXPECT_EQ(a, c) << round;
    }
}

TEST(RasterPolygon, SmallAndLargePolygonsFollowTheAlternateRule) {
    auto in_polygon = [](const std::vector<POINT>& p, int64_t x, int64_t y) {
        int crossings = 0;
        for (size_t i = 0; i < p.size(); ++i) {
            POINT a = p[i], b = p[(i + 1) % p.size()];
            if (a.y > b.y) std::swap(a, b);
            if (y < a.y || y >= b.y) continue;
            crossings +=
                i128(x - a.x) * (int64_t{b.y} - a.y) >= i128(y - a.y) * (int64_t{b.x} - a.x);
        }
        return crossings % 2 == 1;
    };
    Lcg rng{31337};
    for (int round = 0; round < 240; ++round) {
        // Triangles (the border's tiles), polygons past the stack's room, and
        // vertices anywhere in the int range, seen through an origin.
        int n = round % 3 == 0 ? 3 + rng.next(30) : 3;
        const bool far = round % 6 == 5;
        std::vector<POINT> p;
        for (int i = 0; i < n; ++i) {
            if (far && rng.next(2))
                p.push_back({rng.next(2) ? INT_MAX - rng.next(9) : INT_MIN + rng.next(9),
                             rng.next(2) ? INT_MAX - rng.next(9) : INT_MIN + rng.next(9)});
            else
                p.push_back({rng.next(110) - 10, rng.next(90) - 10});
        }
        const int ox = far ? -7 : 0, oy = far ? 5 : 0;
        Buffer b(96, 80);
        raster_polygon_fill(b.canvas({0, 0, 96, 80}, ox, oy), p.data(), n, BRUSH);
        for (int y = 0; y < b.h; ++y)
            for (int x = 0; x < b.w; ++x)
                ASSERT_EQ(b.painted(x, y), in_polygon(p, int64_t{x} - ox, int64_t{y} - oy))
                    << round << " n=" << n << " at " << x << "," << y;
    }
}

TEST(RasterPolygon, FiguresPaintTheSamePixelsWithAndWithoutTheCache) {
    // One-colour triangles (the border's tiles, the buttons' corners) come
    // from the shape cache: each shape at three places, through other clips
    // and origins, partly outside now and then, must paint what the same
    // polygon paints with the cache off. Slivers whose rows have gaps are not
    // cached and are painted directly; now and then one is too big to cache.
    Lcg rng{4242};
    const RasterPaint one{true, PEN, 1, true, PEN};
    for (int round = 0; round < 300; ++round) {
        const int s = round % 10 == 0 ? 300 : 30;
        const POINT d[3] = {{0, 0},
                            {rng.next(2 * s) - s, rng.next(2 * s) - s},
                            {rng.next(2 * s) - s, rng.next(2 * s) - s}};
        for (int place = 0; place < 3; ++place) {
            const int x = rng.next(110) - 15, y = rng.next(100) - 15;
            POINT p[3];
            for (int i = 0; i < 3; ++i)
                p[i] = {x + d[i].x, y + d[i].y};
            const Rect clip = place == 1 ? Rect{7, 5, 81, 70} : Rect{0, 0, 96, 80};
            const int ox = place - 1, oy = 2 - place;
            Buffer off(96, 80);
            bool was = shape_cache_enable(false);
            const Rect t_off = raster_polygon(off.canvas(clip, ox, oy), p, 3, one);
            shape_cache_enable(true);
            for (int again = 0; again < 2; ++again) {
                Buffer on(96, 80);
                const Rect t_on = raster_polygon(on.canvas(clip, ox, oy), p, 3, one);
                ASSERT_EQ(on.px, off.px)
                    << "round " << round << " place " << place << ": (" << d[1].x << "," << d[1].y
                    << ") (" << d[2].x << "," << d[2].y << ")";
                ASSERT_EQ(t_on, t_off) << "round " << round << " place " << place;
            }
            shape_cache_enable(was);
        }
    }
}
