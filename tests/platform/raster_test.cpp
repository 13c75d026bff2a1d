// raster_test.cpp: the span rasteriser on plain buffers: each shape against
// a per-pixel statement of its rule, clipping, and coordinates at the ends
// of int.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "raster.h"
#include "raster_support.h"

using namespace ws;
using namespace raster_test;

namespace {

RasterPaint paint(bool pen, int width, bool brush) {
    RasterPaint p;
    p.has_pen = pen, p.pen = PEN, p.pen_width = width;
    p.has_brush = brush, p.brush = BRUSH;
    return p;
}

// Pixel centre inside the ellipse inscribed in [l, r) x [t, b).
bool in_ellipse(int l, int t, int r, int b, int x, int y) {
    int64_t W = r - l, H = b - t, X = 2 * x + 1 - (l + r), Y = 2 * y + 1 - (t + b);
    return X * X * H * H + Y * Y * W * W <= W * W * H * H;
}

// Pixel centre within w/2 of the segment between the end pixels (for even
// w the pen sits on the pixels' top-left corners); doubled coordinates.
bool in_capsule(int x0, int y0, int x1, int y1, int w, int x, int y) {
    int64_t s = w % 2, ax = 2 * x0 + s, ay = 2 * y0 + s, bx = 2 * x1 + s, by = 2 * y1 + s;
    int64_t cx = 2 * x + 1, cy = 2 * y + 1, r2 = int64_t(w) * w;
    int64_t dx = bx - ax, dy = by - ay, l2 = dx * dx + dy * dy;
    int64_t t = (cx - ax) * dx + (cy - ay) * dy;
    if (t <= 0) return (cx - ax) * (cx - ax) + (cy - ay) * (cy - ay) <= r2;
    if (t >= l2) return (cx - bx) * (cx - bx) + (cy - by) * (cy - by) <= r2;
    int64_t cross = (cx - ax) * dy - (cy - ay) * dx;
    return cross * cross <= r2 * l2;
}

// Alternate rule: an odd number of edges (rows half-open) cross the pixel's
// row at or left of its centre.
bool in_polygon(const std::vector<POINT>& p, int x, int y) {
    int crossings = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        POINT a = p[i], b = p[(i + 1) % p.size()];
        if (a.y > b.y) std::swap(a, b);
        if (y < a.y || y >= b.y) continue;
        crossings += int64_t(x - a.x) * (b.y - a.y) >= int64_t(y - a.y) * (b.x - a.x);
    }
    return crossings % 2 == 1;
}

struct Lcg { // deterministic, so that failures reproduce
    uint32_t s;
    int next(int n) { return int(((s = s * 1664525u + 1013904223u) >> 8) % uint32_t(n)); }
};

} // namespace

TEST(RasterEllipse, FilledShapeFollowsThePixelRuleAndTouchesItsBox) {
    for (int W = 1; W <= 26; ++W)
        for (int H = 1; H <= 26; ++H) {
            Buffer b(32, 32);
            raster_ellipse(b.canvas(), 3, 2, 3 + W, 2 + H, paint(false, 1, true));
            const Rect box{3, 2, 3 + W, 2 + H};
            ASSERT_FALSE(b.touched_outside(box)) << W << "x" << H;
            for (int y = box.top; y < box.bottom; ++y)
                for (int x = box.left; x < box.right; ++x) {
                    // Very flat shapes may add pixels to reach their box, never drop any.
                    bool want = in_ellipse(3, 2, 3 + W, 2 + H, x, y);
                    if (!want && (W < 5 || H < 5)) continue;
                    ASSERT_EQ(b.painted(x, y), want) << W << "x" << H << " at " << x << "," << y;
                }
            for (int y = box.top; y < box.bottom; ++y)
                ASSERT_TRUE(b.painted(3 + (W - 1) / 2, y)) << W << "x" << H << " row " << y;
            for (int x = box.left; x < box.right; ++x)
                ASSERT_TRUE(b.painted(x, 2 + (H - 1) / 2)) << W << "x" << H << " col " << x;
        }
}

TEST(RasterEllipse, OnePixelOutlineIsTheBoundaryOfTheFill) {
    for (int W = 1; W <= 24; ++W)
        for (int H = 1; H <= 24; H += (H < 6 ? 1 : 5)) {
            Buffer fill(30, 30), both(30, 30);
            raster_ellipse(fill.canvas(), 2, 2, 2 + W, 2 + H, paint(false, 1, true));
            raster_ellipse(both.canvas(), 2, 2, 2 + W, 2 + H, paint(true, 1, true));
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 30; ++x) {
                    ASSERT_EQ(fill.painted(x, y), both.painted(x, y));
                    if (!fill.painted(x, y)) continue;
                    bool edge = !fill.painted(x - 1, y) || !fill.painted(x + 1, y) ||
                                !fill.painted(x, y - 1) || !fill.painted(x, y + 1);
                    ASSERT_EQ(both.at(x, y), edge ? PEN : BRUSH)
                        << W << "x" << H << " " << x << "," << y;
                }
        }
}

TEST(RasterEllipse, WideOutlineIsCentredAndClosed) {
    for (int w : {2, 3, 4, 5, 8})
        for (int H : {6, 9, 25}) {
            Buffer b(110, 40);
            Rect got = raster_ellipse(b.canvas(), 5, 5, 105, 5 + H, paint(true, w, false));
            Rect outer{5 - w / 2, 5 - w / 2, 105 + (w - 1) / 2, 5 + H + (w - 1) / 2};
            ASSERT_EQ(got, outer) << "w=" << w << " H=" << H;
            // w pixels across at the left and right ends, the middle untouched.
            int cy = 5 + (H - 1) / 2;
            for (int i = 0; i < w; ++i) {
                EXPECT_EQ(b.at(outer.left + i, cy), PEN) << "w=" << w << " H=" << H;
                EXPECT_EQ(b.at(outer.right - 1 - i, cy), PEN) << "w=" << w << " H=" << H;
            }
            if (H == 25) { // flatter ends curve too sharply to be exactly w across
                EXPECT_EQ(b.at(outer.left + w, cy), BACK) << "w=" << w << " H=" << H;
            }
            // No holes, even where a flat ring is thin: a flood from outside
            // stays outside.
            std::vector<char> seen(b.px.size(), 0);
            std::vector<std::pair<int, int>> todo{{0, 0}};
            while (!todo.empty()) {
                auto [x, y] = todo.back();
                todo.pop_back();
                if (x < 0 || y < 0 || x >= b.w || y >= b.h) continue;
                size_t i = size_t(y) * b.w + x;
                if (seen[i] || b.px[i] != BACK) continue;
                seen[i] = 1;
                todo.insert(todo.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
            }
            EXPECT_FALSE(seen[size_t(cy) * b.w + 55]) << "w=" << w << " H=" << H;
        }
}

TEST(RasterPolygon, FillFollowsTheAlternateRule) {
    Lcg rng{12345};
    for (int round = 0; round < 300; ++round) {
        // Random, often self-intersecting, partly off the canvas.
        std::vector<POINT> p(static_cast<size_t>(3 + rng.next(7)));
        for (POINT& q : p)
            q = POINT{rng.next(40) - 4, rng.next(40) - 4};
        Buffer b(32, 32);
        raster_polygon_fill(b.canvas(), p.data(), int(p.size()), BRUSH);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                ASSERT_EQ(b.painted(x, y), in_polygon(p, x, y)) << round << ": " << x << "," << y;
    }
}

TEST(RasterLine, EveryOctantStepsOnePixelAndLeavesOutTheEnd) {
    const int c = 40;
    std::vector<POINT> ends; // all round a square, and a few short ones
    for (int k = -30; k < 30; k += 3)
        ends.insert(ends.end(),
                    {{c + k, c - 30}, {c + 30, c + k}, {c - k, c + 30}, {c - 30, c - k}});
    for (int k = -3; k <= 3; ++k)
        ends.insert(ends.end(), {{c + k, c + 2}, {c + 2, c - k}});
    for (POINT e : ends) {
        Buffer b(81, 81), mirror(81, 81);
        raster_line(b.canvas(), c, c, e.x, e.y, PEN);
        bool x_major = std::abs(e.x - c) >= std::abs(e.y - c);
        int n = std::max(std::abs(e.x - c), std::abs(e.y - c));
        EXPECT_EQ(b.count(PEN), size_t(n)) << e.x << "," << e.y;
        EXPECT_EQ(b.at(c, c), PEN);
        EXPECT_EQ(b.at(e.x, e.y), BACK) << e.x << "," << e.y;
        // One pixel per major step; the minor coordinate moves by at most
        // one and ends next to the end point.
        int sm = (x_major ? e.x : e.y) > c ? 1 : -1, prev = c;
        for (int i = 0; i < n; ++i) {
            int m = c + sm * i, found = 0, at = 0;
            for (int k = 0; k < 81; ++k)
                if (x_major ? b.painted(m, k) : b.painted(k, m)) ++found, at = k;
            ASSERT_EQ(found, 1) << e.x << "," << e.y << " step " << i;
            ASSERT_LE(std::abs(at - prev), 1) << e.x << "," << e.y << " step " << i;
            prev = at;
        }
        EXPECT_LE(std::abs((x_major ? e.y : e.x) - prev), 1) << e.x << "," << e.y;
        // Mirrored across its major axis a line keeps its pixels (ties go to
        // the smaller minor coordinate, which such a mirror leaves alone).
        if (x_major)
            raster_line(mirror.canvas(), c, c, 2 * c - e.x, e.y, PEN);
        else
            raster_line(mirror.canvas(), c, c, e.x, 2 * c - e.y, PEN);
        for (int y = 0; y < 81; ++y)
            for (int x = 0; x < 81; ++x)
                ASSERT_EQ(b.painted(x, y),
                          x_major ? mirror.painted(2 * c - x, y) : mirror.painted(x, 2 * c - y));
    }
}

TEST(RasterLine, ClippingKeepsTheSamePixels) {
    Lcg rng{777};
    for (int round = 0; round < 300; ++round) {
        int x0 = rng.next(300) - 100, y0 = rng.next(300) - 100;
        int x1 = rng.next(300) - 100, y1 = rng.next(300) - 100;
        Buffer whole(100, 100), part(100, 100);
        const Rect clip{31, 17, 64, 71};
        raster_line(whole.canvas({0, 0, 100, 100}, 5, -3), x0, y0, x1, y1, PEN);
        raster_line(part.canvas(clip, 5, -3), x0, y0, x1, y1, PEN);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                ASSERT_EQ(part.painted(x, y), clip.contains(x, y) && whole.painted(x, y))
                    << round << ": " << x << "," << y;
    }
}

TEST(RasterWideLine, FollowsTheCapsuleRuleInBothDirections) {
    Lcg rng{4242};
    for (int round = 0; round < 300; ++round) {
        int w = 2 + rng.next(14);
        int x0 = rng.next(40) - 4, y0 = rng.next(40) - 4, x1 = rng.next(40) - 4,
            y1 = rng.next(40) - 4;
        if (round % 10 == 0) x1 = x0; // vertical, sometimes a dot
        if (round % 10 == 1) y1 = y0; // horizontal
        Buffer b(32, 32), back(32, 32);
        raster_wide_line(b.canvas(), x0, y0, x1, y1, w, PEN);
        raster_wide_line(back.canvas(), x1, y1, x0, y0, w, PEN);
        ASSERT_EQ(b.px, back.px) << round;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                ASSERT_EQ(b.painted(x, y), in_capsule(x0, y0, x1, y1, w, x, y))
                    << round << " w=" << w << ": " << x << "," << y;
    }
    // A dot is the disc that an ellipse of the pen's size fills.
    for (int w = 2; w <= 12; ++w) {
        Buffer dot(30, 30), disc(30, 30);
        raster_wide_line(dot.canvas(), 14, 14, 14, 14, w, BRUSH);
        int l = 14 - w / 2;
        raster_ellipse(disc.canvas(), l, l, l + w, l + w, paint(false, 1, true));
        EXPECT_EQ(dot.px, disc.px) << "w=" << w;
    }
}

TEST(RasterExtremes, HugeShapesFinishAndStayInsideTheClip) {
    const Rect clip{10, 10, 50, 40};
    const int M = INT_MAX, m = INT_MIN;
    auto draw = [&](auto shape) {
        Buffer b(64, 64);
        shape(b.canvas(clip, 30, 25));
        EXPECT_FALSE(b.touched_outside(clip));
        return b;
    };
    const size_t all = 40 * 30;
    // Edges far outside: only the inside shows.
    EXPECT_EQ(draw([&](const Canvas& c) {
                  raster_rectangle(c, m, m, M, M, paint(true, 1, true));
              }).count(BRUSH),
              all);
    EXPECT_EQ(draw([&](const Canvas& c) {
                  raster_ellipse(c, m, m, M, M, paint(true, 1, true));
              }).count(BRUSH),
              all);
    POINT tri[] = {{m, m}, {M, m}, {0, M}};
    EXPECT_EQ(draw([&](const Canvas& c) { raster_polygon_fill(c, tri, 3, BRUSH); }).count(BRUSH),
              all);
    // A circle of radius 2^31 - 1 whose left edge crosses the clip.
    size_t rim = draw([&](const Canvas& c) {
                     raster_ellipse(c, -20, m / 2, M - 20, M / 2, paint(true, 1, false));
                 }).count(PEN);
    EXPECT_GT(rim, size_t(29));
    EXPECT_LT(rim, size_t(80));
    // Lines across the whole int range: the diagonal, and one pixel per column.
    Buffer diag = draw([&](const Canvas& c) { raster_line(c, m, m, M, M, PEN); });
    EXPECT_EQ(diag.count(PEN), size_t(30));
    EXPECT_EQ(diag.at(20, 15), PEN); // drawing (-10, -10)
    EXPECT_EQ(draw([&](const Canvas& c) { raster_line(c, m, m / 2, M, M / 2, PEN); }).count(PEN),
              size_t(40));
    // Pens as wide as an int can say.
    EXPECT_EQ(draw([&](const Canvas& c) { raster_wide_line(c, m, 0, M, 0, M, PEN); }).count(PEN),
              all);
    EXPECT_EQ(draw([&](const Canvas& c) {
                  raster_rectangle(c, -5, -5, 5, 5, paint(true, M, true));
              }).count(PEN),
              all);
    draw([&](const Canvas& c) { raster_ellipse(c, m, m, M, M, paint(true, M, true)); });
    draw([&](const Canvas& c) { raster_ellipse(c, 0, 0, 3, 3, paint(true, M, false)); });
    draw([&](const Canvas& c) { raster_wide_line(c, m, m, M, M, 9, PEN); });
    draw([&](const Canvas& c) { raster_wide_line(c, -3, m, 4, M, 6, PEN); });
}
