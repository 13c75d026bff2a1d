// raster_fast_paths_test.cpp: the rasteriser's everyday roads (wide lines of
// ordinary size, small polygons) against a per-pixel statement of their
// rules, over sizes and slopes well beyond what the card draws, with the
// exact cases where a row bound lands on a pixel centre.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "raster.h"
#include "raster_support.h"

using namespace ws;
using namespace raster_test;

namespace {

// Pixel centre within w/2 of the segment between the end pixels (doubled
// coordinates, pen on the pixel corners for even w), in 128 bits.
bool in_capsule(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t w, int64_t x, int64_t y) {
    using i128 = __int128;
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

void expect_capsule(int x0, int y0, int x1, int y1, int w, const Rect& clip, int ox, int oy,
                    const char* what) {
    Buffer b(96, 80);
    raster_wide_line(b.canvas(clip, ox, oy), x0, y0, x1, y1, w, PEN);
    for (int y = 0; y < b.h; ++y)
        for (int x = 0; x < b.w; ++x) {
            bool want = clip.contains(x, y) && in_capsule(x0 + ox, y0 + oy, x1 + ox, y1 + oy, w, x, y);
            ASSERT_EQ(b.painted(x, y), want) << what << " (" << x0 << "," << y0 << ")-(" << x1
                                             << "," << y1 << ") w=" << w << " at " << x << "," << y;
        }
}

} // namespace

TEST(RasterFastWideLine, RandomLinesFollowTheCapsuleRule) {
    Lcg rng{90210};
    for (int round = 0; round < 400; ++round) {
        // Pens past the widths that have a disc table, now and then.
        int w = 2 + rng.next(round % 8 == 0 ? 60 : round % 8 == 4 ? 120 : 20);
        int x0 = rng.next(140) - 20, y0 = rng.next(120) - 20;
        int x1 = rng.next(140) - 20, y1 = rng.next(120) - 20;
        expect_capsule(x0, y0, x1, y1, w, {0, 0, 96, 80}, 0, 0, "whole");
        // The same through a clip and a shifted origin.
        expect_capsule(x0, y0, x1, y1, w, {13, 9, 71, 58}, -7, 5, "clipped");
    }
}

TEST(RasterFastWideLine, KeptShapesRepaintTheSamePixelsWhereverTheyLand) {
    // The same shapes again and again, at other places and through other
    // clips, with enough other shapes in between to fill the store of kept
    // shapes several times over and make it start afresh.
    Lcg rng{5150};
    for (int round = 0; round < 30; ++round) {
        int w = 2 + rng.next(30), dx = rng.next(80) - 40, dy = rng.next(80) - 40;
        for (int place = 0; place < 4; ++place) {
            int x0 = rng.next(100) - 10, y0 = rng.next(90) - 10;
            Rect clip = place % 2 ? Rect{0, 0, 96, 80} : Rect{5 + place, 3, 70, 66 - place};
            expect_capsule(x0, y0, x0 + dx, y0 + dy, w, clip, place - 2, 1 - place, "kept");
        }
        Buffer scratch(96, 80);
        for (int other = 0; other < 2000; ++other)
            raster_wide_line(scratch.canvas(), 40, 40, 40 + rng.next(500) - 250,
                             40 + rng.next(500) - 250, 2 + rng.next(60), PEN);
    }
}

TEST(RasterFastWideLine, BoundsOnPixelCentresAreDecidedExactly) {
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

TEST(RasterFastWideLine, FarEndsStillDrawTheirVisiblePart) {
    // One end far off the canvas: too long for the fast road; the other
    // near it: the pixels must follow the same rule either way.
    Buffer far(96, 80), near(96, 80);
    raster_wide_line(far.canvas(), 10, 40, 9000000, 40, 6, PEN);
    raster_wide_line(near.canvas(), 10, 40, 200, 40, 6, PEN);
    EXPECT_EQ(far.px, near.px);
    expect_capsule(-3000, -2000, 60, 50, 9, {0, 0, 96, 80}, 0, 0, "long");
}

// The one-pixel line as its rule states it: step i of the major axis paints
// the minor coordinate i * an / am rounded, ties to the smaller coordinate.
std::vector<uint32_t> reference_line(int w, int h, const Rect& clip, int ox, int oy, int x0, int y0,
                                     int x1, int y1) {
    std::vector<uint32_t> px(size_t(w) * h, BACK);
    int64_t dx = x1 - x0, dy = y1 - y0;
    bool x_major = std::abs(dx) >= std::abs(dy);
    int64_t am = std::abs(x_major ? dx : dy), an = std::abs(x_major ? dy : dx);
    int64_t sm = (x_major ? dx : dy) < 0 ? -1 : 1, sn = (x_major ? dy : dx) < 0 ? -1 : 1;
    for (int64_t i = 0; i < am; ++i) {
        // Exactly half way: towards the smaller minor coordinate.
        int64_t twice = 2 * i * an, off = twice / (2 * am), rest = twice % (2 * am);
        if (rest > am || (rest == am && sn < 0)) ++off;
        int64_t m = (x_major ? x0 : y0) + sm * i, n = (x_major ? y0 : x0) + sn * off;
        int64_t x = (x_major ? m : n) + ox, y = (x_major ? n : m) + oy;
        if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom)
            px[size_t(y) * w + size_t(x)] = PEN;
    }
    return px;
}

TEST(RasterFastLine, RandomLinesFollowTheSteppingRuleThroughAnyClip) {
    Lcg rng{4242};
    for (int round = 0; round < 3000; ++round) {
        // Mostly inside the buffer (the pointer walk), some crossing its
        // edges or the clip (the solved range).
        int reach = round % 3 == 0 ? 160 : 90;
        int x0 = rng.next(reach) - (reach - 90) / 2, y0 = rng.next(reach) - (reach - 90) / 2;
        int x1 = rng.next(reach) - (reach - 90) / 2, y1 = rng.next(reach) - (reach - 90) / 2;
        if (round % 5 == 0) y1 = y0 + (x1 - x0); // exact diagonals
        if (round % 7 == 0) y1 = y0 + (x1 - x0) / 2; // ties on every other step
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

TEST(RasterFastPolygon, TrianglesThroughAClipAndAnOrigin) {
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
        for (POINT& q : p) q = {rng.next(130) - 20, rng.next(110) - 20};
        if (round % 4 == 0) p[2].y = p[1].y; // a flat side
        // The same shape again, moved: the second is painted from the
        // first one's kept rows.
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

TEST(RasterFastRectangle, SpansOfEveryLengthCoverExactlyTheirPixels) {
    // Spans are stored several pixels at a time, overlapping: every length
    // and position must paint its own pixels and not one more.
    for (int left = 0; left < 9; ++left)
        for (int n = 0; n <= 70; ++n) {
            Buffer b(96, 3);
            Rect r = raster_fill_rect(b.canvas(Rect{0, 1, 96, 2}), left, 0, left + n, 3, PEN);
            for (int x = 0; x < 96; ++x) {
                ASSERT_EQ(b.painted(x, 1), x >= left && x < left + n) << left << "+" << n << " at " << x;
                ASSERT_FALSE(b.painted(x, 0) || b.painted(x, 2));
            }
            EXPECT_EQ(r, (n ? Rect{left, 1, left + n, 2} : Rect{}));
        }
}

TEST(RasterFastRectangle, OneColourFillCoversWhatPenAndBrushTogetherCover) {
    // A rectangle whose pen and brush share a colour is filled as one box:
    // it must cover exactly the pixels of its pen and its brush drawn apart.
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

TEST(RasterFastPolygon, SmallAndLargePolygonsFollowTheAlternateRule) {
    auto in_polygon = [](const std::vector<POINT>& p, int x, int y) {
        int crossings = 0;
        for (size_t i = 0; i < p.size(); ++i) {
            POINT a = p[i], b = p[(i + 1) % p.size()];
            if (a.y > b.y) std::swap(a, b);
            if (y < a.y || y >= b.y) continue;
            crossings += int64_t(x - a.x) * (b.y - a.y) >= int64_t(y - a.y) * (b.x - a.x);
        }
        return crossings % 2 == 1;
    };
    Lcg rng{31337};
    for (int round = 0; round < 200; ++round) {
        // Triangles (the border's tiles) and polygons past the stack's room.
        int n = round % 3 == 0 ? 3 + rng.next(30) : 3;
        std::vector<POINT> p;
        for (int i = 0; i < n; ++i) p.push_back({rng.next(110) - 10, rng.next(90) - 10});
        Buffer b(96, 80);
        raster_polygon_fill(b.canvas(), p.data(), n, BRUSH);
        for (int y = 0; y < b.h; ++y)
            for (int x = 0; x < b.w; ++x)
                ASSERT_EQ(b.painted(x, y), in_polygon(p, x, y)) << round << " n=" << n << " at "
                                                                << x << "," << y;
    }
}

namespace {

// The inside and a one-pixel outline in one colour, painted directly: what a
// kept figure is made from and must repaint wherever it lands.
Rect fill_and_outline(const Canvas& c, const POINT* p, int n, uint32_t pixel) {
    Rect touched = raster_polygon_fill(c, p, n, pixel);
    for (int i = 0; i < n; ++i) {
        const POINT &a = p[i], &b = p[(i + 1) % n];
        touched = touched.unite(raster_line(c, a.x, a.y, b.x, b.y, pixel));
    }
    return touched;
}

} // namespace

TEST(RasterKeptFigure, TrianglesRepaintTheSamePixelsWhereverTheyLand) {
    // Each shape at three places, through other clips and origins, partly
    // outside now and then; slivers whose rows have gaps are never kept and
    // are painted directly.
    Lcg rng{4242};
    int from_kept = 0;
    for (int round = 0; round < 300; ++round) {
        const int s = round % 10 == 0 ? 300 : 30; // now and then one too big to keep
        const POINT d[3] = {{0, 0},
                            {rng.next(2 * s) - s, rng.next(2 * s) - s},
                            {rng.next(2 * s) - s, rng.next(2 * s) - s}};
        for (int place = 0; place < 3; ++place) {
            const int x = rng.next(110) - 15, y = rng.next(100) - 15;
            POINT p[3];
            for (int i = 0; i < 3; ++i) p[i] = {x + d[i].x, y + d[i].y};
            const Rect clip = place == 1 ? Rect{7, 5, 81, 70} : Rect{0, 0, 96, 80};
            const int ox = place - 1, oy = 2 - place;
            Buffer a(96, 80), b(96, 80);
            Rect ta;
            const bool kept = raster_kept_figure(a.canvas(clip, ox, oy), p, 3, PEN, fill_and_outline, ta);
            if (!kept) ta = fill_and_outline(a.canvas(clip, ox, oy), p, 3, PEN);
            from_kept += kept;
            const Rect tb = fill_and_outline(b.canvas(clip, ox, oy), p, 3, PEN);
            ASSERT_EQ(a.px, b.px) << "round " << round << " place " << place << ": (" << d[1].x
                                  << "," << d[1].y << ") (" << d[2].x << "," << d[2].y << ")";
            ASSERT_EQ(ta, tb) << "round " << round << " place " << place;
        }
    }
    EXPECT_GT(from_kept, 400); // most came from kept rows
}
