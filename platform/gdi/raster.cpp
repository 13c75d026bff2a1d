// raster.cpp: the span rasteriser (pixel rules in raster.h).
//
// One pipeline for every shape. A drawing call is clipped once, where it
// enters: the canvas clip in buffer coordinates becomes the span sink's
// bounds. The shape's row generator (rectangle, ellipse, polygon edges, line
// steps, capsule) visits only the rows inside those bounds and hands each
// row's spans to the sink, which cuts them to the bounds' columns, fills
// them and grows the changed rectangle. Shapes from the shape cache
// (shape_cache.h) are replayed through the same sink.
//
// Coordinates are held in 64 bits: a drawing coordinate is an int, a buffer
// coordinate an int plus the canvas origin, and the doubled coordinates of
// ellipses and capsules one bit more. Every result is exact, computed in
// 64-bit integers, except for shapes whose products outgrow them: ellipses
// whose box has an area of 2^32 pixels or more, and wide lines longer than
// 2^25 pixels or whose width times length passes 2^30. Those are computed in
// double precision, to within a tiny fraction of a pixel.
#include "raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <type_traits>
#include <vector>

#include "shape_cache.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace ws {

namespace {

using i64 = int64_t;
using u64 = uint64_t;

constexpr i64 I64_MAX = std::numeric_limits<i64>::max();
constexpr i64 I64_MIN = std::numeric_limits<i64>::min();

// Divisions rounding down and up; the divisor must be positive.
i64 floor_div(i64 a, i64 b) {
    const i64 q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}
i64 ceil_div(i64 a, i64 b) {
    const i64 q = a / b;
    return (a % b != 0 && a > 0) ? q + 1 : q;
}
// The same in double precision, for the rows of huge shapes: within a tiny
// fraction, and held well inside 64 bits.
i64 floor_div(double a, double b) {
    return static_cast<i64>(std::clamp(std::floor(a / b), -0x1p62, 0x1p62));
}
i64 ceil_div(double a, double b) {
    return static_cast<i64>(std::clamp(std::ceil(a / b), -0x1p62, 0x1p62));
}

// The square root of n, rounded down.
u64 isqrt(u64 n) {
    constexpr u64 ROOT_MAX = 0xFFFFFFFFu; // the root of every u64 fits 32 bits
    u64 r = std::min(static_cast<u64>(std::sqrt(static_cast<double>(n))), ROOT_MAX);
    while (r * r > n)
        --r;
    while (r < ROOT_MAX && (r + 1) * (r + 1) <= n)
        ++r;
    return r;
}

// floor(a * b / d) and its remainder, for d > 0 and a quotient well inside
// 64 bits, where the product itself may not fit: a double estimate, then the
// remainder, which is small, in wrapping 64-bit arithmetic settles it.
void mul_div(i64 a, i64 b, i64 d, i64& q, i64& r) {
    q = static_cast<i64>(std::floor(static_cast<double>(a) * static_cast<double>(b) / d));
    r = static_cast<i64>(static_cast<u64>(a) * static_cast<u64>(b) - static_cast<u64>(q) * d);
    const i64 fix = floor_div(r, d);
    q += fix;
    r -= fix * d;
}

// floor((n + k * step) / den) for k = 0, 1, 2, ...: one addition and one
// comparison a step.
struct FloorWalk {
    i64 q = 0, rem = 0, dq = 0, drem = 0, den = 1;
    // n = q0 * den + r0 with 0 <= r0 < den.
    void start(i64 q0, i64 r0, i64 step, i64 d) {
        q = q0;
        rem = r0;
        den = d;
        dq = floor_div(step, d);
        drem = step - dq * d;
    }
    [[gnu::always_inline]] void next() {
        q += dq;
        rem += drem;
        if (rem >= den) {
            rem -= den;
            ++q;
        }
    }
};

// A box in buffer coordinates, [l, r) x [t, b).
struct Box {
    i64 l = 0, t = 0, r = 0, b = 0;
    bool empty() const { return r <= l || b <= t; }
    Box meet(const Box& o) const {
        return {std::max(l, o.l), std::max(t, o.t), std::min(r, o.r), std::min(b, o.b)};
    }
};

// A run of pixels [x0, x1) within one row.
struct Span {
    i64 x0 = 0, x1 = 0;
    bool empty() const { return x1 <= x0; }
};

Span intersect(Span a, Span b) {
    return {std::max(a.x0, b.x0), std::min(a.x1, b.x1)};
}
// The smallest span holding both; an empty one does not count.
Span hull(Span a, Span b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return {std::min(a.x0, b.x0), std::max(a.x1, b.x1)};
}

// The canvas clip in buffer coordinates, within the buffer.
Box clip_box(const Canvas& c) {
    if (!c.pixels) return {};
    return Box{c.clip.left, c.clip.top, c.clip.right, c.clip.bottom}.meet(
        {0, 0, c.width, c.height});
}

// Where every span ends: cut to the clip, filled, and noted in the changed
// rectangle. Row generators read `bounds` to visit only the rows (and, for
// lines, the steps) inside it.
class SpanSink {
  public:
    explicit SpanSink(const Canvas& c)
        : bounds(clip_box(c)), ox(c.origin_x), oy(c.origin_y), pixels_(c.pixels),
          stride_(c.stride) {}
    Box bounds;
    i64 ox, oy; // drawing coordinates plus these are buffer coordinates

    [[gnu::always_inline]] void span(i64 y, i64 x0, i64 x1, uint32_t pixel) {
        x0 = std::max(x0, bounds.l);
        x1 = std::min(x1, bounds.r);
        if (x0 >= x1 || y < bounds.t || y >= bounds.b) return;
        span_inside(y, x0, x1, pixel);
        note({x0, y, x1, y + 1});
    }
    // A span that lies within the bounds, and the changed rectangle's growth,
    // for the shapes that know their spans lie inside (a line's steps within
    // the bounds, a cached shape wholly inside): their box is noted once.
    [[gnu::always_inline]] void span_inside(i64 y, i64 x0, i64 x1, uint32_t pixel) {
        fill_pixels(pixels_ + y * stride_ + x0, static_cast<size_t>(x1 - x0), pixel);
    }
    void note(const Box& box) {
        changed_ = {std::min(changed_.l, box.l), std::min(changed_.t, box.t),
                    std::max(changed_.r, box.r), std::max(changed_.b, box.b)};
    }
    // What was painted, in drawing coordinates.
    Rect touched() const {
        if (changed_.empty()) return {};
        return {static_cast<int>(changed_.l - ox), static_cast<int>(changed_.t - oy),
                static_cast<int>(changed_.r - ox), static_cast<int>(changed_.b - oy)};
    }

  private:
    uint32_t* pixels_;
    i64 stride_;
    Box changed_{I64_MAX, I64_MAX, I64_MIN, I64_MIN};
};

// The box of a shape given by two corners in either order, in buffer coordinates.
Box normalised_box(const SpanSink& s, int left, int top, int right, int bottom) {
    return {std::min(left, right) + s.ox, std::min(top, bottom) + s.oy,
            std::max(left, right) + s.ox, std::max(top, bottom) + s.oy};
}

// The width of the pen that outlines a shape: none (0) without a pen.
i64 pen_width(const RasterPaint& paint) {
    return paint.has_pen ? std::max(paint.pen_width, 1) : 0;
}

// The box that a pen of width w centred on the one-pixel outline of `box`
// covers (the box itself for no pen), and the box just inside that pen.
Box pen_outer(const Box& box, i64 w) {
    const i64 before = w / 2, after = std::max<i64>(w - 1, 0) / 2;
    return {box.l - before, box.t - before, box.r + after, box.b + after};
}
Box pen_inner(const Box& box, i64 w) {
    const Box o = pen_outer(box, w);
    return {o.l + w, o.t + w, o.r - w, o.b - w};
}

// Paints a closed shape row by row. For each row, `outer` is the shape's span
// and `core` the part left to the brush (empty where the pen covers all).
template <typename RowFn>
Rect paint_rows(SpanSink& s, i64 top, i64 bottom, const RasterPaint& paint, RowFn row) {
    if (!paint.has_pen && !paint.has_brush) return {};
    // A pen and a brush of one colour paint each row as one span.
    const bool one_colour = !paint.has_pen || (paint.has_brush && paint.pen == paint.brush);
    for (i64 y = std::max(top, s.bounds.t), end = std::min(bottom, s.bounds.b); y < end; ++y) {
        Span outer, core;
        row(y, outer, core);
        if (one_colour) {
            s.span(y, outer.x0, outer.x1, paint.has_pen ? paint.pen : paint.brush);
        } else if (core.empty()) {
            s.span(y, outer.x0, outer.x1, paint.pen);
        } else {
            s.span(y, outer.x0, core.x0, paint.pen);
            s.span(y, core.x1, outer.x1, paint.pen);
            if (paint.has_brush) s.span(y, core.x0, core.x1, paint.brush);
        }
    }
    return s.touched();
}

// ---- Ellipses --------------------------------------------------------------
//
// In doubled coordinates about the box's centre, pixel x of row y has
// X = 2x + 1 - (l + r) and Y = 2y + 1 - (t + b); it is inside when
// (X / W)^2 + (Y / H)^2 <= 1, W and H being the box's width and height.

// The largest |X| allowed on the row with |Y| = ay (ay < H).
i64 ellipse_half_span(i64 W, i64 H, i64 ay) {
    i64 s;
    if (W < (i64{1} << 32) && H < (i64{1} << 32) && static_cast<u64>(W) * H < (u64{1} << 32)) {
        // (s / W)^2 <= 1 - (ay / H)^2, every product within 64 bits.
        const u64 h2 = static_cast<u64>(H) * H;
        const u64 num = static_cast<u64>(W) * W * (h2 - static_cast<u64>(ay) * ay);
        s = static_cast<i64>(isqrt(num / h2));
    } else {
        const double f = std::sqrt(static_cast<double>(H - ay) * static_cast<double>(H + ay));
        s = static_cast<i64>(
            std::clamp(std::floor(static_cast<double>(W) * f / H), 0.0, static_cast<double>(W)));
    }
    // Keep the shape touching its box: the middle row(s) span the whole
    // width, and every row holds its middle pixel (two when W is even).
    if (ay <= 1) s = std::max(s, W - 1);
    if (W % 2 == 0) s = std::max<i64>(s, 1);
    return s;
}

// Row y of the filled ellipse inscribed in `e`.
Span ellipse_row(const Box& e, i64 y) {
    if (e.empty() || y < e.t || y >= e.b) return {};
    const i64 W = e.r - e.l, H = e.b - e.t, Y = 2 * y + 1 - (e.t + e.b);
    const i64 s = ellipse_half_span(W, H, Y < 0 ? -Y : Y), S = e.l + e.r;
    // -s <= 2x + 1 - S <= s
    return {ceil_div(S - 1 - s, 2), floor_div(S - 1 + s, 2) + 1};
}

// ---- Polygons --------------------------------------------------------------

// The inside of the polygon through `count` points (moved by (dx, dy)) by the
// alternate rule: on each row, the spans between pairs of edge crossings.
template <typename Sink>
void polygon_rows(Sink& s, const POINT* points, int count, i64 dx, i64 dy, uint32_t pixel) {
    struct Edge {
        i64 xa, ya, xb, yb; // ya < yb; rows are half-open, an edge holds [ya, yb)
        FloorWalk x;        // the first pixel at or right of its crossing
    };
    // The edges by their first row, then those that cross the current row.
    // Small polygons (every triangle the runtime draws) keep them on the stack.
    constexpr int SMALL = 16;
    Edge small[2 * SMALL];
    std::vector<Edge> big(count > SMALL ? 2 * static_cast<size_t>(count) : 0);
    Edge* edges = count > SMALL ? big.data() : small;
    Edge* active = edges + count;
    int edge_count = 0, active_count = 0;
    for (int i = 0; i < count; ++i) {
        const POINT& p = points[i];
        const POINT& q = points[i + 1 < count ? i + 1 : 0];
        if (p.y != q.y)
            edges[edge_count++] = p.y < q.y ? Edge{p.x + dx, p.y + dy, q.x + dx, q.y + dy, {}}
                                            : Edge{q.x + dx, q.y + dy, p.x + dx, p.y + dy, {}};
    }
    if (edge_count == 0) return;
    std::sort(edges, edges + edge_count, [](const Edge& a, const Edge& b) { return a.ya < b.ya; });
    const i64 ymax = std::max_element(edges, edges + edge_count, [](const Edge& a, const Edge& b) {
                         return a.yb < b.yb;
                     })->yb;
    for (i64 y = std::max(edges[0].ya, s.bounds.t), end = std::min(ymax, s.bounds.b), next = 0;
         y < end; ++y) {
        for (; next < edge_count && edges[next].ya <= y; ++next) {
            Edge& e = edges[next];
            if (e.yb <= y) continue;
            // xa + ceil((y - ya)(xb - xa) / den), then one step a row.
            const i64 den = e.yb - e.ya;
            i64 q, r;
            mul_div(y - e.ya, e.xb - e.xa, den, q, r);
            e.x.start(e.xa + q + (r > 0), r > 0 ? r - 1 : den - 1, e.xb - e.xa, den);
            active[active_count++] = e;
        }
        active_count = static_cast<int>(std::remove_if(active, active + active_count,
                                                       [y](const Edge& e) { return e.yb <= y; }) -
                                        active);
        // In order of their crossings: nearly sorted from the row before.
        for (int i = 1; i < active_count; ++i)
            for (int j = i; j > 0 && active[j].x.q < active[j - 1].x.q; --j)
                std::swap(active[j], active[j - 1]);
        for (int i = 0; i + 1 < active_count; i += 2)
            s.span(y, active[i].x.q, active[i + 1].x.q, pixel);
        for (int i = 0; i < active_count; ++i)
            active[i].x.next();
    }
}

// ---- One-pixel lines -------------------------------------------------------

// The steps of the line from (x0, y0) towards (x1, y1), end left out, as
// runs along each row; only the steps inside the sink's bounds.
template <typename Sink> void line_runs(Sink& s, i64 x0, i64 y0, i64 x1, i64 y1, uint32_t pixel) {
    const i64 dx = x1 - x0, dy = y1 - y0;
    if (dx == 0 && dy == 0) return;
    const bool x_major = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    // Work along the major axis m and the minor axis n.
    const i64 m0 = x_major ? x0 : y0, n0 = x_major ? y0 : x0;
    const i64 dm = x_major ? dx : dy, dn = x_major ? dy : dx;
    const i64 sm = dm < 0 ? -1 : 1, sn = dn < 0 ? -1 : 1;
    const i64 am = dm < 0 ? -dm : dm, an = dn < 0 ? -dn : dn;
    const auto& v = s.bounds;
    const i64 mlo = x_major ? v.l : v.t, mhi = (x_major ? v.r : v.b) - 1;
    const i64 nlo = x_major ? v.t : v.l, nhi = (x_major ? v.b : v.r) - 1;

    // Step i (0 <= i < am) paints m = m0 + sm*i, n = n0 + sn*off(i), with
    // off(i) = floor((2 i an + tie) / (2 am)): i*an/am rounded. A tie goes to
    // the smaller minor coordinate, as the system's GDI has it, so a line
    // covers the same pixels whichever end it starts from: tie = am - 1
    // rounds a tie's offset down (minor axis rising), tie = am up (falling).
    const i64 tie = sn > 0 ? am - 1 : am;
    // The steps whose major coordinate is inside the bounds.
    i64 first = std::max<i64>(0, sm > 0 ? mlo - m0 : m0 - mhi);
    i64 last = std::min(am - 1, sm > 0 ? mhi - m0 : m0 - mlo);
    // And those whose offset is within [a, b]. Offsets run from 0 to at most
    // an, and am, an < 2^32, so every product below fits 64 unsigned bits.
    const i64 a = sn > 0 ? nlo - n0 : n0 - nhi, b = sn > 0 ? nhi - n0 : n0 - nlo;
    if (a > an || b < 0) return;
    if (a > 0) { // off(i) >= a: i >= (2 a am - tie) / (2 an)
        const u64 p = static_cast<u64>(a) * static_cast<u64>(am);
        const i64 q = static_cast<i64>(p / an), r = static_cast<i64>(p % an);
        first = std::max(first, q + ceil_div(2 * r - tie, 2 * an));
    }
    if (b < an) { // off(i) <= b: i <= (2 (b + 1) am - tie - 1) / (2 an)
        const u64 p = static_cast<u64>(b + 1) * static_cast<u64>(am);
        const i64 q = static_cast<i64>(p / an), r = static_cast<i64>(p % an);
        last = std::min(last, q + floor_div(2 * r - tie - 1, 2 * an));
    }
    if (first > last) return;

    const i64 den = 2 * am, two_an = 2 * an;
    i64 off = 0, rem = tie; // tie < den
    if (first > 0) {
        const u64 p = static_cast<u64>(first) * static_cast<u64>(an);
        const i64 t = 2 * static_cast<i64>(p % am) + tie;
        off = static_cast<i64>(p / am) + t / den, rem = t % den;
    }
    // Every step from first to last is inside the bounds: the runs need no
    // cutting, and what they cover lies between the first pixel and the last.
    const i64 m_first = m0 + sm * first, m_last = m0 + sm * last, n_first = n0 + sn * off;
    i64 m = m_first, n = n_first, n_last = n;
    if (an == 0 && x_major) {
        s.span_inside(n, std::min(m_first, m_last), std::max(m_first, m_last) + 1, pixel);
    } else {
        for (i64 i = first, start = m; i <= last; ++i, m += sm) {
            n_last = n;
            rem += two_an;
            const bool step = rem >= den;
            if (!x_major) {
                s.span_inside(m, n, n + 1, pixel);
            } else if (step || i == last) {
                // A run along the row ends where the offset steps or the line ends.
                s.span_inside(n, std::min(start, m), std::max(start, m) + 1, pixel);
                start = m + sm;
            }
            if (step) rem -= den, n += sn;
        }
    }
    const i64 ml = std::min(m_first, m_last), mr = std::max(m_first, m_last) + 1;
    const i64 nl = std::min(n_first, n_last), nr = std::max(n_first, n_last) + 1;
    s.note(x_major ? Box{ml, nl, mr, nr} : Box{nl, ml, nr, mr});
}

// ---- Wide lines ------------------------------------------------------------
//
// Doubled coordinates: pixel centre (2x + 1, 2y + 1); the pen's centre on an
// end point (2x + 1, 2y + 1) for odd widths, (2x, 2y) for even ones; the
// pen's radius is then exactly the width.

struct Capsule {
    i64 ax, ay, bx, by; // end centres, doubled, a before b (by y, then x)
    i64 r;              // radius, doubled
};

// The pixels of the row with doubled centre Y within the disc of doubled
// radius r about (px, py).
Span disc_row(i64 px, i64 py, i64 r, i64 Y) {
    const i64 d = Y - py;
    if (d < -r || d > r) return {};
    const i64 h = static_cast<i64>(isqrt(static_cast<u64>(r * r - d * d)));
    // px - h <= 2x + 1 <= px + h
    return {(px - h) >> 1, ((px + h - 1) >> 1) + 1};
}

// Rows [first, end) of the capsule, each the hull of the end discs' rows and
// the body's: with qx = 2x + 1 - ax and qy = 2y + 1 - ay, the pixels within
// the sides, |qx dy - qy dx| <= r |d|, whose projection falls on the
// segment, 0 <= qx dx + qy dy <= |d|^2. T is i64, exact while every product
// fits (capsule_rows checks), or double for the rest.
template <typename T, typename Sink>
void capsule_rows(Sink& s, const Capsule& k, i64 first, i64 end, uint32_t pixel) {
    const T ax = static_cast<T>(k.ax), dx = static_cast<T>(k.bx - k.ax),
            dy = static_cast<T>(k.by - k.ay);
    const T len2 = dx * dx + dy * dy;
    // The cross product of a pixel centre being an integer, |cross| <= r |d|
    // is |cross| <= floor(r |d|), which is isqrt(r^2 |d|^2).
    T reach;
    if constexpr (std::is_same_v<T, i64>)
        reach = static_cast<i64>(isqrt(static_cast<u64>(k.r * k.r * len2)));
    else
        reach = static_cast<T>(k.r) * std::sqrt(len2);
    for (i64 y = first; y < end; ++y) {
        const i64 qy = 2 * y + 1 - k.ay;
        Span body;
        if (dy == 0) {
            // Horizontal (dx > 0) or a dot (no body).
            if (dx > 0 && qy >= -k.r && qy <= k.r) body = {k.ax >> 1, ((k.bx - 1) >> 1) + 1};
        } else {
            const T n = static_cast<T>(qy) * dx + (ax - 1) * dy,
                    m = (ax - 1) * dx - static_cast<T>(qy) * dy;
            // Within the sides, then between the ends' perpendiculars.
            body = {ceil_div(n - reach, 2 * dy), floor_div(n + reach, 2 * dy) + 1};
            if (dx > 0)
                body = intersect(body, {ceil_div(m, 2 * dx), floor_div(m + len2, 2 * dx) + 1});
            else if (dx < 0)
                body = intersect(body, {ceil_div(-m - len2, -2 * dx), floor_div(-m, -2 * dx) + 1});
            else if (qy < 0 || static_cast<T>(qy) > dy)
                body = {};
        }
        const Span row = hull(hull(body, disc_row(k.ax, k.ay, k.r, 2 * y + 1)),
                              disc_row(k.bx, k.by, k.r, 2 * y + 1));
        s.span(y, row.x0, row.x1, pixel);
    }
}

// Every row of the capsule inside the sink's bounds.
template <typename Sink> void capsule_rows(Sink& s, const Capsule& k, uint32_t pixel) {
    // Rows whose centre 2y + 1 lies in [ay - r, by + r].
    const i64 first = std::max((k.ay - k.r) >> 1, s.bounds.t);
    const i64 end = std::min(((k.by + k.r - 1) >> 1) + 1, s.bounds.b);
    // Doubled positions are below 2^34 and rows' qy below 2^32; with
    // differences up to 2^26 and r |d| below 2^31 every product fits.
    constexpr i64 SPAN = i64{1} << 26;
    const i64 dx = k.bx - k.ax, dy = k.by - k.ay;
    if (dx >= -SPAN && dx <= SPAN && dy <= SPAN &&
        ((dx == 0 && dy == 0) || k.r * k.r <= (i64{1} << 62) / (dx * dx + dy * dy)))
        capsule_rows<i64>(s, k, first, end, pixel);
    else
        capsule_rows<double>(s, k, first, end, pixel);
}

// ---- Shapes from the cache ---------------------------------------------------

constexpr int32_t CACHED_CAPSULE = 1, CACHED_FIGURE = 2;
constexpr i64 CACHE_SPAN = 512;  // doubled end differences of a cached capsule
constexpr i64 CACHE_RADIUS = 64; // and its widest pen
constexpr i64 FIGURE_SPAN = 256; // vertex offsets of a cached figure

// Paints the shape under `key` with its reference pixel at (rx, ry) from
// the cache, making it there first with make(recorder) (rows [top, top +
// rows) relative to the reference pixel); false when the cache cannot give
// it, nothing painted.
template <typename Make>
bool paint_cached(SpanSink& s, const ShapeKey& key, i64 rx, i64 ry, i64 top, i64 rows,
                  uint32_t pixel, Make&& make) {
    const CachedShape* shape = shape_cache_find(key);
    if (!shape) {
        ShapeRecorder* recorder = shape_cache_recorder(top, rows);
        if (!recorder) return false;
        make(*recorder);
        shape = shape_cache_store(key, *recorder);
    }
    if (!shape->whole) return false;
    const CachedRow* row = shape_cache_rows(*shape);
    const i64 y0 = ry + shape->top;
    const Box box{rx + shape->left, y0, rx + shape->right, y0 + shape->count};
    // A copy of the sink, whose state the loops keep in registers.
    SpanSink sink = s;
    const Box inside = box.meet(sink.bounds);
    // Mostly the shape lies wholly inside the clip: nothing to cut, and the
    // box noted once.
    const bool whole = !box.empty() && inside.l == box.l && inside.t == box.t &&
                       inside.r == box.r && inside.b == box.b;
    for (i64 y = inside.t; y < inside.b; ++y) {
        const CachedRow& r = row[y - y0];
        if (whole)
            sink.span_inside(y, rx + r.x, rx + r.x + r.n, pixel);
        else
            sink.span(y, rx + r.x, rx + r.x + r.n, pixel);
    }
    if (whole) sink.note(box);
    s = sink;
    return true;
}

// A capsule from (x0, y0) to (x1, y1) in buffer coordinates, w pixels wide.
void wide_line(SpanSink& s, i64 x0, i64 y0, i64 x1, i64 y1, i64 w, uint32_t pixel) {
    const i64 shift = w % 2; // odd pens centre on the pixel, even ones on its corner
    Capsule k{2 * x0 + shift, 2 * y0 + shift, 2 * x1 + shift, 2 * y1 + shift, w};
    // One order for both directions, so a line and its reverse match.
    if (k.by < k.ay || (k.by == k.ay && k.bx < k.ax)) {
        std::swap(k.ax, k.bx);
        std::swap(k.ay, k.by);
    }
    const i64 dx = k.bx - k.ax, dy = k.by - k.ay;
    if (dx >= -CACHE_SPAN && dx <= CACHE_SPAN && dy <= CACHE_SPAN && w <= CACHE_RADIUS) {
        // Cached relative to the first end pixel, at (0, 0).
        const i64 ex = (k.ax - shift) >> 1, ey = (k.ay - shift) >> 1;
        const Capsule at{shift, shift, dx + shift, dy + shift, w};
        const i64 top = (shift - w) >> 1, bottom = ((dy + shift + w - 1) >> 1) + 1;
        const ShapeKey key{CACHED_CAPSULE, static_cast<int32_t>(dx), static_cast<int32_t>(dy),
                           static_cast<int32_t>(w), 0};
        if (paint_cached(s, key, ex, ey, top, bottom - top, pixel,
                         [&](ShapeRecorder& r) { capsule_rows(r, at, pixel); }))
            return;
    }
    capsule_rows(s, k, pixel);
}

// The sides of a closed polygon moved by (dx, dy), as lines of a pen w
// pixels wide; each leaves out its end, which the next side starts on. (The
// shape cache records figures with one-pixel sides only.)
template <typename Sink>
void outline(Sink& s, const POINT* p, int count, i64 dx, i64 dy, i64 w, uint32_t pixel) {
    for (int i = 0; i < count; ++i) {
        const POINT& a = p[i];
        const POINT& b = p[i + 1 < count ? i + 1 : 0];
        if (w <= 1)
            line_runs(s, a.x + dx, a.y + dy, b.x + dx, b.y + dy, pixel);
        else if constexpr (std::is_same_v<Sink, SpanSink>)
            wide_line(s, a.x + dx, a.y + dy, b.x + dx, b.y + dy, w, pixel);
    }
}

} // namespace

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2"))) void fill_pixels_wide(uint32_t* p, size_t n, uint32_t v) {
    // The first eight pixels as they lie; then stores on 32-byte boundaries,
    // which never straddle two cache lines; the last ones end at the span's
    // end, overlapping what is already done.
    const __m256i x = _mm256_set1_epi32(static_cast<int>(v));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), x);
    size_t i = 8 - (reinterpret_cast<uintptr_t>(p) / sizeof(uint32_t)) % 8;
    for (; i + 16 <= n; i += 16) {
        _mm256_store_si256(reinterpret_cast<__m256i*>(p + i), x);
        _mm256_store_si256(reinterpret_cast<__m256i*>(p + i + 8), x);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + n - 16), x);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + n - 8), x);
}
#endif

Rect raster_fill_rect(const Canvas& c, int left, int top, int right, int bottom, uint32_t pixel) {
    SpanSink s(c);
    const Box box{left + s.ox, top + s.oy, right + s.ox, bottom + s.oy};
    return paint_rows(s, box.t, box.b, RasterPaint{false, 0, 1, true, pixel},
                      [&](i64, Span& o, Span&) {
                          o = {box.l, box.r};
                      });
}

void fill_rect(const Canvas& c, const Rect& r, uint32_t pixel) {
    raster_fill_rect(c, r.left, r.top, r.right, r.bottom, pixel);
}

Rect raster_rectangle(const Canvas& c, int left, int top, int right, int bottom,
                      const RasterPaint& paint) {
    SpanSink s(c);
    const Box box = normalised_box(s, left, top, right, bottom);
    if (box.empty()) return {};
    const i64 w = pen_width(paint);
    const Box o = pen_outer(box, w), k = pen_inner(box, w);
    return paint_rows(s, o.t, o.b, paint, [&](i64 y, Span& out, Span& core) {
        out = {o.l, o.r};
        if (y >= k.t && y < k.b) core = {k.l, k.r};
    });
}

Rect raster_ellipse(const Canvas& c, int left, int top, int right, int bottom,
                    const RasterPaint& paint) {
    SpanSink s(c);
    const Box box = normalised_box(s, left, top, right, bottom);
    if (box.empty()) return {};
    const i64 w = pen_width(paint);
    const Box outer = pen_outer(box, w), inner = pen_inner(box, w);
    // Rows come in order: the last three of the outer shape are at hand.
    i64 at = I64_MIN;
    Span above, o, below;
    return paint_rows(s, outer.t, outer.b, paint, [&](i64 y, Span& out, Span& k) {
        if (y == at + 1) {
            above = o;
            o = below;
        } else {
            above = ellipse_row(outer, y - 1);
            o = ellipse_row(outer, y);
        }
        below = ellipse_row(outer, y + 1);
        at = y;
        out = o;
        // The inside of the outer shape: pixels whose four neighbours are in it.
        if (!above.empty() && !below.empty())
            k = intersect(intersect(Span{o.x0 + 1, o.x1 - 1}, above), below);
        if (w > 1) k = intersect(k, ellipse_row(inner, y));
    });
}

Rect raster_polygon_fill(const Canvas& c, const POINT* points, int count, uint32_t pixel) {
    SpanSink s(c);
    if (points && count >= 3) polygon_rows(s, points, count, s.ox, s.oy, pixel);
    return s.touched();
}

Rect raster_polygon(const Canvas& c, const POINT* points, int count, const RasterPaint& paint) {
    SpanSink s(c);
    if (!points || count < 2) return {};
    const bool one_colour =
        paint.has_pen && paint.has_brush && paint.pen_width <= 1 && paint.pen == paint.brush;
    if (one_colour && count == 3) {
        // Cached relative to the first vertex (every filled triangle of the card).
        const i64 d[4] = {i64{points[1].x} - points[0].x, i64{points[1].y} - points[0].y,
                          i64{points[2].x} - points[0].x, i64{points[2].y} - points[0].y};
        if (std::all_of(d, d + 4, [](i64 v) { return v >= -FIGURE_SPAN && v <= FIGURE_SPAN; })) {
            const i64 top = std::min({i64{0}, d[1], d[3]}), bottom = std::max({i64{0}, d[1], d[3]});
            const ShapeKey key{CACHED_FIGURE, static_cast<int32_t>(d[0]),
                               static_cast<int32_t>(d[1]), static_cast<int32_t>(d[2]),
                               static_cast<int32_t>(d[3])};
            const i64 x0 = points[0].x, y0 = points[0].y;
            if (paint_cached(s, key, x0 + s.ox, y0 + s.oy, top, bottom + 1 - top, paint.pen,
                             [&](ShapeRecorder& r) {
                                 polygon_rows(r, points, 3, -x0, -y0, paint.pen);
                                 outline(r, points, 3, -x0, -y0, 1, paint.pen);
                             }))
                return s.touched();
        }
    }
    // The inside in the brush, then each side in the pen.
    if (paint.has_brush && count >= 3) polygon_rows(s, points, count, s.ox, s.oy, paint.brush);
    if (paint.has_pen) outline(s, points, count, s.ox, s.oy, paint.pen_width, paint.pen);
    return s.touched();
}

Rect raster_line(const Canvas& c, int x0, int y0, int x1, int y1, uint32_t pixel) {
    SpanSink s(c);
    line_runs(s, x0 + s.ox, y0 + s.oy, x1 + s.ox, y1 + s.oy, pixel);
    return s.touched();
}

Rect raster_wide_line(const Canvas& c, int x0, int y0, int x1, int y1, int width, uint32_t pixel) {
    SpanSink s(c);
    wide_line(s, x0 + s.ox, y0 + s.oy, x1 + s.ox, y1 + s.oy, std::max(width, 1), pixel);
    return s.touched();
}

Rect raster_stroke(const Canvas& c, int x0, int y0, int x1, int y1, int width, uint32_t pixel) {
    return width <= 1 ? raster_line(c, x0, y0, x1, y1, pixel)
                      : raster_wide_line(c, x0, y0, x1, y1, width, pixel);
}

Rect raster_copy(const Canvas& dst, int x, int y, int width, int height, const Canvas& src, int sx,
                 int sy) {
    const Box d = clip_box(dst), s = clip_box(src);
    if (d.empty() || s.empty() || width <= 0 || height <= 0) return {};
    // Buffer positions of the first pixel in both, and the offsets (0 <= t <
    // extent) at which both lie inside their clips.
    const i64 dx = i64{x} + dst.origin_x, dy = i64{y} + dst.origin_y;
    const i64 srcx = i64{sx} + src.origin_x, srcy = i64{sy} + src.origin_y;
    const Box t = Box{0, 0, width, height}
                      .meet({d.l - dx, d.t - dy, d.r - dx, d.b - dy})
                      .meet({s.l - srcx, s.t - srcy, s.r - srcx, s.b - srcy});
    if (t.empty()) return {};
    const size_t bytes = static_cast<size_t>(t.r - t.l) * sizeof(uint32_t);
    auto at = [](const Canvas& c, i64 row, i64 col) { return c.row(static_cast<int>(row)) + col; };
    // Copying downwards within one buffer must start from the bottom row.
    const bool upward =
        std::less<const uint32_t*>()(at(src, srcy + t.t, srcx + t.l), at(dst, dy + t.t, dx + t.l));
    for (i64 i = 0; i < t.b - t.t; ++i) {
        const i64 u = upward ? t.b - 1 - i : t.t + i;
        std::memmove(at(dst, dy + u, dx + t.l), at(src, srcy + u, srcx + t.l), bytes);
    }
    return Rect{static_cast<int>(t.l + x), static_cast<int>(t.t + y), static_cast<int>(t.r + x),
                static_cast<int>(t.b + y)};
}

} // namespace ws
