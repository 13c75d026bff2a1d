// raster.cpp: the span rasteriser (pixel rules in raster.h).
//
// All geometry is done in the canvas's buffer coordinates held in 64 bits;
// products of two coordinates use 128 bits. Each shape visits only the rows
// inside the clip and does a constant amount of work per row besides
// filling its spans (polygons: per active edge). Results are exact, except
// where the numbers outgrow 128-bit products: ellipse boxes wider than 2^32
// pixels and wide lines longer than 2^31, which only wide pens or end points
// near the ends of int reach; those are computed in long double, to within
// a tiny fraction of a pixel. Wide lines of everyday size take a faster,
// equally exact road: their row bounds are walked incrementally in 64 bits.
#include "raster.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace ws {

namespace {

using i64 = int64_t;
using u64 = uint64_t;
using i128 = __int128;
using u128 = unsigned __int128;

constexpr i64 I64_MAX = std::numeric_limits<i64>::max();
constexpr i64 I64_MIN = std::numeric_limits<i64>::min();

bool fits_i64(i128 v) {
    return v >= I64_MIN && v <= I64_MAX;
}

// Division rounding down or up; the divisor must be positive. Values that
// fit in 64 bits, the usual case, take the much cheaper 64-bit division.
i128 floor_div(i128 a, i128 b) {
    if (fits_i64(a) && fits_i64(b)) {
        i64 x = static_cast<i64>(a), y = static_cast<i64>(b);
        i64 q = x / y;
        return (x % y != 0 && x < 0) ? q - 1 : q;
    }
    i128 q = a / b;
    if (a % b != 0 && a < 0) --q;
    return q;
}
i128 ceil_div(i128 a, i128 b) {
    if (fits_i64(a) && fits_i64(b)) {
        i64 x = static_cast<i64>(a), y = static_cast<i64>(b);
        i64 q = x / y;
        return (x % y != 0 && x > 0) ? q + 1 : q;
    }
    i128 q = a / b;
    if (a % b != 0 && a > 0) ++q;
    return q;
}

i64 clamp_i64(i128 v) {
    if (v > I64_MAX) return I64_MAX;
    if (v < I64_MIN) return I64_MIN;
    return static_cast<i64>(v);
}


u64 isqrt(u64 n) {
    u64 r = static_cast<u64>(std::sqrt(static_cast<double>(n)));
    while (r > 0 && static_cast<u128>(r) * r > n)
        --r;
    while (static_cast<u128>(r + 1) * (r + 1) <= n)
        ++r;
    return r;
}

// A canvas seen in buffer coordinates, with the rows and columns it may
// touch, and the bounding box of what has been painted so far.
struct Surface {
    const Canvas& c;
    i64 cl, ct, cr, cb; // the clip, within the buffer
    i64 ox, oy;
    i64 tl = I64_MAX, tt = I64_MAX, tr = I64_MIN, tb = I64_MIN;

    explicit Surface(const Canvas& canvas) : c(canvas) {
        cl = std::max(canvas.clip.left, 0);
        ct = std::max(canvas.clip.top, 0);
        cr = std::min(canvas.clip.right, canvas.width);
        cb = std::min(canvas.clip.bottom, canvas.height);
        ox = canvas.origin_x;
        oy = canvas.origin_y;
        if (!canvas.pixels) cr = cl;
    }
    bool empty() const { return cr <= cl || cb <= ct; }
    i64 first_row(i64 top) const { return std::max(top, ct); }
    i64 end_row(i64 bottom) const { return std::min(bottom, cb); }

    void mark(i64 x0, i64 y, i64 x1) { mark_box(x0, y, x1, y + 1); }
    // Notes [x0, x1) x [y0, y1) as painted.
    void mark_box(i64 x0, i64 y0, i64 x1, i64 y1) {
        tl = std::min(tl, x0);
        tr = std::max(tr, x1);
        tt = std::min(tt, y0);
        tb = std::max(tb, y1);
    }
    // Paints [x0, x1) of row y, whatever part of it is inside the clip.
    void span(i64 y, i64 x0, i64 x1, uint32_t pixel) {
        if (y < ct || y >= cb) return;
        x0 = std::max(x0, cl);
        x1 = std::min(x1, cr);
        if (x0 >= x1) return;
        fill_pixels(c.row(static_cast<int>(y)) + x0, static_cast<size_t>(x1 - x0), pixel);
        mark(x0, y, x1);
    }
    void plot(i64 x, i64 y, uint32_t pixel) {
        if (x < cl || x >= cr || y < ct || y >= cb) return;
        c.row(static_cast<int>(y))[x] = pixel;
        mark(x, y, x + 1);
    }
    // What was painted, in drawing coordinates.
    Rect touched() const {
        if (tl >= tr) return {};
        return {static_cast<int>(tl - ox), static_cast<int>(tt - oy), static_cast<int>(tr - ox),
                static_cast<int>(tb - oy)};
    }
};

// A box in buffer coordinates, [l, r) x [t, b).
struct Box {
    i64 l, t, r, b;
    bool empty() const { return r <= l || b <= t; }
};

// A run of pixels [x0, x1) within one row.
struct Span {
    i64 x0 = 0, x1 = 0;
    bool empty() const { return x1 <= x0; }
};

Span intersect(Span a, Span b) {
    return {std::max(a.x0, b.x0), std::min(a.x1, b.x1)};
}

// The box of a shape given by two corners in either order, in buffer coordinates.
Box normalised_box(const Surface& s, int left, int top, int right, int bottom) {
    i64 l = std::min(left, right), r = std::max(left, right);
    i64 t = std::min(top, bottom), b = std::max(top, bottom);
    return {l + s.ox, t + s.oy, r + s.ox, b + s.oy};
}

// Whether every side of the box is an int.
bool fits_int(const Box& b) {
    constexpr i64 lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    return b.l >= lo && b.r <= hi && b.t >= lo && b.b <= hi;
}

// The box that a pen of width w centred on the one-pixel outline of `box`
// covers, and the box just inside that pen.
Box pen_outer(const Box& box, i64 w) {
    return {box.l - w / 2, box.t - w / 2, box.r + (w - 1) / 2, box.b + (w - 1) / 2};
}
Box pen_inner(const Box& box, i64 w) {
    Box o = pen_outer(box, w);
    return {o.l + w, o.t + w, o.r - w, o.b - w};
}

// Paints a closed shape row by row. For each row, `outer` is the shape's span
// and `core` the part left to the brush (empty where the pen covers all).
template <typename RowFn>
Rect paint_rows(Surface& s, i64 top, i64 bottom, const RasterPaint& paint, RowFn row) {
    // A pen and a brush of one colour paint each row as one span.
    const bool one_colour = paint.has_pen && paint.has_brush && paint.pen == paint.brush;
    for (i64 y = s.first_row(top), end = s.end_row(bottom); y < end; ++y) {
        Span outer, core;
        row(y, outer, core);
        if (outer.empty()) continue;
        if (!paint.has_pen || one_colour) {
            s.span(y, outer.x0, outer.x1, paint.brush);
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
    constexpr i64 EXACT_LIMIT = i64{1} << 32;
    i64 s;
    if (W < EXACT_LIMIT && H < EXACT_LIMIT) {
        u64 h2 = static_cast<u64>(H) * static_cast<u64>(H);
        u64 rest = h2 - static_cast<u64>(ay) * static_cast<u64>(ay);
        u128 num = static_cast<u128>(static_cast<u64>(W) * static_cast<u64>(W)) * rest;
        s = static_cast<i64>(isqrt(static_cast<u64>(num / h2)));
    } else {
        long double h = static_cast<long double>(H);
        long double f = std::sqrt(static_cast<long double>(H - ay) * (H + ay)) / h;
        long double v = std::floor(static_cast<long double>(W) * f);
        s = v < 0 ? 0 : v > W ? W : static_cast<i64>(v);
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
    i64 W = e.r - e.l, H = e.b - e.t;
    i64 Y = 2 * y + 1 - (e.t + e.b);
    i64 s = ellipse_half_span(W, H, Y < 0 ? -Y : Y);
    i64 S = e.l + e.r;
    // -s <= 2x + 1 - S <= s
    return {static_cast<i64>(ceil_div(S - 1 - s, 2)),
            static_cast<i64>(floor_div(S - 1 + s, 2)) + 1};
}

// ---- Wide lines ------------------------------------------------------------
//
// Doubled coordinates: pixel centre (2x + 1, 2y + 1); the pen's centre on an
// end point (2x + 1, 2y + 1) for odd widths, (2x, 2y) for even ones; the
// pen's radius is then exactly the width.

struct Capsule {
    i64 ax, ay, bx, by; // end centres, doubled, a before b (by y, then x)
    i64 r;              // radius, doubled
    i64 dx, dy;         // b - a
    i128 len2;          // |b - a|^2
    long double len;    // |b - a|
    bool exact;         // r^2 len2 fits below 2^126, held in limit2
    u128 limit2;        // r^2 len2
};

// Pixels of row `cy` (a doubled pixel-centre y) within the disc about (px, py).
Span disc_row(i64 px, i64 py, i64 r, i64 cy) {
    i64 d = cy - py;
    if (d < -r || d > r) return {};
    i64 h = static_cast<i64>(isqrt(static_cast<u64>(r * r - d * d)));
    // px - h <= 2x + 1 <= px + h
    return {static_cast<i64>(ceil_div(px - h - 1, 2)),
            static_cast<i64>(floor_div(px + h - 1, 2)) + 1};
}

// Whether the doubled point (qx, qy), relative to the start, lies within the
// radius of the segment's line: |qx dy - qy dx| <= r |d|.
bool within_side(const Capsule& k, i128 qx, i128 qy) {
    i128 cross = qx * k.dy - qy * k.dx;
    if (cross < 0) cross = -cross;
    if (k.exact && cross < (static_cast<i128>(1) << 63)) {
        u128 c = static_cast<u128>(cross);
        return c * c <= k.limit2;
    }
    return static_cast<long double>(cross) <= static_cast<long double>(k.r) * k.len;
}

// Pixels of row `cy` within the segment's body: the points whose projection
// falls on the segment and whose distance from its line is at most r.
Span body_row(const Capsule& k, i64 cy, i64 lo_limit, i64 hi_limit) {
    if (k.dx == 0 && k.dy == 0) return {};
    i64 qy = cy - k.ay;
    // The pixel range for qx in [a/b, c/b] (b > 0), qx = 2x + 1 - ax.
    auto to_pixels = [&](i128 num_lo, i128 num_hi, i128 den) -> Span {
        i128 lo = ceil_div(num_lo + (static_cast<i128>(k.ax) - 1) * den, 2 * den);
        i128 hi = floor_div(num_hi + (static_cast<i128>(k.ax) - 1) * den, 2 * den);
        return {clamp_i64(std::max<i128>(lo, lo_limit)),
                clamp_i64(std::min<i128>(hi + 1, hi_limit))};
    };
    Span along{lo_limit, hi_limit}; // 0 <= qx dx + qy dy <= len2
    i128 qydy = static_cast<i128>(qy) * k.dy;
    if (k.dx == 0) {
        if (qydy < 0 || qydy > k.len2) return {};
    } else if (k.dx > 0) {
        along = to_pixels(-qydy, k.len2 - qydy, k.dx);
    } else {
        along = to_pixels(qydy - k.len2, qydy, -static_cast<i128>(k.dx));
    }
    if (along.empty()) return {};
    Span side{lo_limit, hi_limit}; // |qx dy - qy dx| <= r len
    if (k.dy == 0) {
        if (qy < -k.r || qy > k.r) return {};
    } else {
        // dy > 0, the ends being ordered by y. An estimate in double,
        // settled with the exact test.
        double c = static_cast<double>(static_cast<i128>(qy) * k.dx);
        double e = static_cast<double>(k.r) * static_cast<double>(k.len);
        double dy = static_cast<double>(k.dy);
        double lo = (c - e) / dy, hi = (c + e) / dy;
        auto pixel_of = [&](double q, bool up) {
            double v = (q + static_cast<double>(k.ax) - 1) / 2;
            v = up ? std::ceil(v) : std::floor(v);
            if (!(v > lo_limit - 4)) return lo_limit - 4;
            if (!(v < hi_limit + 4)) return hi_limit + 4;
            return static_cast<i64>(v);
        };
        i64 x0 = pixel_of(lo, true), x1 = pixel_of(hi, false);
        auto inside = [&](i64 x) {
            return within_side(k, static_cast<i128>(2 * x + 1) - k.ax, qy);
        };
        for (int i = 0; i < 3 && x0 > lo_limit && inside(x0 - 1); ++i)
            --x0;
        for (int i = 0; i < 3 && x0 <= x1 && !inside(x0); ++i)
            ++x0;
        for (int i = 0; i < 3 && x1 < hi_limit && inside(x1 + 1); ++i)
            ++x1;
        for (int i = 0; i < 3 && x1 >= x0 && !inside(x1); ++i)
            --x1;
        side = {x0, x1 + 1};
    }
    return intersect(along, side);
}

Span hull(Span a, Span b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return {std::min(a.x0, b.x0), std::max(a.x1, b.x1)};
}

// ---- Wide lines of everyday size -------------------------------------------
//
// When every doubled coordinate difference is within FAST_SPAN and every
// doubled position within FAST_REACH, everything below fits in 64 bits and
// the capsule's rows are walked incrementally, still exactly. A pixel centre
// is within the body's sides when |cross| <= r |d|; cross being an integer,
// that is |cross| <= floor(r |d|) = isqrt(r^2 |d|^2), so each side is a
// rational half-plane, as are the two ends of the body. Their pixel bounds
// move by a constant fraction per row: one addition and one comparison
// each. The end discs are needed only on rows where the body is cut short,
// and their half-widths change by little from row to row.

constexpr i64 FAST_SPAN = i64{1} << 13;
constexpr i64 FAST_REACH = i64{1} << 24;

// The square root of v >= 0, as one instruction where there is one (the
// library call that keeps errno is never needed here).
inline double root(double v) {
#if defined(__SSE2__)
    return _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(v)));
#else
    return std::sqrt(v);
#endif
}

// Exact square root, rounded down, of 0 <= n < 2^62.
inline i64 isqrt_small(i64 n) {
    i64 h = static_cast<i64>(root(static_cast<double>(n)));
    while (h > 0 && h * h > n) --h;
    while ((h + 1) * (h + 1) <= n) ++h;
    return h;
}

i64 floor_div64(i64 a, i64 b) {
    i64 q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

// floor((n + k * step) / den) for k = 0, 1, 2, ...; den > 0.
struct FloorWalk {
    i64 q = 0, rem = 0, dq = 0, drem = 0, den = 1;
    void start(i64 n, i64 step, i64 d) {
        den = d;
        q = floor_div64(n, d);
        rem = n - q * d;
        dq = floor_div64(step, d);
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


// Pixels [x0, x1] of a disc of doubled radius r about (px, py), row by row
// downwards; rows may be skipped.
struct DiscWalk {
    i64 px, py, r, h = -1;
    [[gnu::always_inline]] bool row(i64 Y, i64& x0, i64& x1) {
        i64 d = Y - py;
        if (d < -r || d > r) return false;
        i64 m = r * r - d * d;
        if (h < 0) {
            h = isqrt_small(m);
        } else {
            while ((h + 1) * (h + 1) <= m) ++h;
            while (h * h > m) --h;
        }
        // px - h <= 2x + 1 <= px + h
        x0 = (px - h) >> 1;
        x1 = (px + h - 1) >> 1;
        return true;
    }
};

// The same disc's rows from a table made once per pen width: row k below
// (k < 0: above) the end pixel spans end + lo[k] .. end + hi[k]. Wide pens
// of everyday widths draw thousands of ends a frame; the table replaces the
// square root on each of their rows.
constexpr i64 DISC_TABLE_MAX = 64;

struct DiscTable {
    i64 k0 = 0, k1 = -1; // rows k0..k1 relative to the end pixel
    int16_t lo[DISC_TABLE_MAX + 2], hi[DISC_TABLE_MAX + 2];
};

const DiscTable& disc_table(i64 r) {
    static DiscTable tables[DISC_TABLE_MAX + 1];
    static bool made[DISC_TABLE_MAX + 1];
    DiscTable& t = tables[r];
    if (!made[r]) {
        made[r] = true;
        const i64 shift = r % 2;
        // Row k's centre lies 2k + 1 - shift (doubled) below the pen's centre,
        // within r of it.
        t.k0 = (shift - r) >> 1;     // ceil((shift - 1 - r) / 2)
        t.k1 = (r + shift - 1) >> 1; // floor((r + shift - 1) / 2)
        for (i64 k = t.k0; k <= t.k1; ++k) {
            i64 d = 2 * k + 1 - shift;
            i64 h = isqrt_small(r * r - d * d);
            // px - h <= 2x + 1 <= px + h, px = 2 end + shift
            t.lo[k - t.k0] = static_cast<int16_t>((shift - h) >> 1);
            t.hi[k - t.k0] = static_cast<int16_t>((shift + h - 1) >> 1);
        }
    }
    return t;
}

struct DiscTableRows {
    const DiscTable& t;
    i64 ex, ey; // the end pixel
    [[gnu::always_inline]] bool row(i64 y, i64, i64& x0, i64& x1) const {
        i64 k = y - ey;
        if (k < t.k0 || k > t.k1) return false;
        x0 = ex + t.lo[k - t.k0];
        x1 = ex + t.hi[k - t.k0];
        return true;
    }
};

struct DiscWalkRows {
    DiscWalk w;
    [[gnu::always_inline]] bool row(i64, i64 Y, i64& x0, i64& x1) { return w.row(Y, x0, x1); }
};

// Starts two walks that share their step and divisor: one division fewer.
void start_pair(FloorWalk& a, i64 na, FloorWalk& b, i64 nb, i64 step, i64 den) {
    a.den = b.den = den;
    a.q = floor_div64(na, den);
    a.rem = na - a.q * den;
    b.q = floor_div64(nb, den);
    b.rem = nb - b.q * den;
    a.dq = b.dq = floor_div64(step, den);
    a.drem = b.drem = step - a.dq * den;
}

// The capsule's rows, each the hull of the body's row and, where the body is
// cut short by its ends, the end discs' rows.
template <typename Disc, typename Sink>
void wide_line_rows(const Capsule& k, i64 first, i64 end, Disc disc_a, Disc disc_b, Sink&& sink) {
    const i64 ax = k.ax, ay = k.ay, r = k.r, dx = k.dx, dy = k.dy;
    const i64 len2 = dx * dx + dy * dy;
    const i64 cf = isqrt_small(r * r * len2); // floor(r |d|)
    // With qx = 2x + 1 - ax and qy = 2y + 1 - ay (qy grows by 2 a row):
    // sides  -cf <= qx dy - qy dx <= cf           (dy > 0)
    // ends   0 <= qx dx + qy dy <= len2           (dx != 0)
    // Low bounds round up: ceil(v / d) = floor((v + d - 1) / d).
    const i64 qy0 = 2 * first + 1 - ay;
    FloorWalk side_lo, along_lo, side_hi, along_hi;
    if (dy > 0) {
        i64 n = qy0 * dx + (ax - 1) * dy, d = 2 * dy;
        start_pair(side_lo, n - cf + d - 1, side_hi, n + cf, 2 * dx, d);
        if (dx > 0) {
            i64 m = (ax - 1) * dx - qy0 * dy, e = 2 * dx;
            start_pair(along_lo, m + e - 1, along_hi, m + len2, -2 * dy, e);
        } else if (dx < 0) {
            i64 m = qy0 * dy - (ax - 1) * dx, e = -2 * dx;
            start_pair(along_lo, m - len2 + e - 1, along_hi, m, 2 * dy, e);
        }
    }
    for (i64 y = first, qy = qy0; y < end; ++y, qy += 2) {
        const i64 Y = 2 * y + 1;
        i64 lo = I64_MAX, hi = I64_MIN, a0, a1;
        // The end discs matter only on rows where the body is cut short by
        // its ends: elsewhere a disc's row lies within the body's.
        bool ends = true;
        if (dy == 0) {
            // Horizontal (dx > 0) or a dot (no body).
            if (dx > 0 && qy >= -r && qy <= r) {
                lo = ax >> 1;
                hi = (k.bx - 1) >> 1;
            }
        } else {
            i64 s0 = side_lo.q, s1 = side_hi.q, b0 = s0, b1 = s1;
            side_lo.next();
            side_hi.next();
            if (dx == 0) {
                if (qy < 0 || qy > dy) b1 = b0 - 1;
                else ends = false;
            } else {
                b0 = std::max(b0, along_lo.q);
                b1 = std::min(b1, along_hi.q);
                along_lo.next();
                along_hi.next();
                ends = b0 != s0 || b1 != s1;
            }
            if (b0 <= b1) lo = b0, hi = b1;
        }
        if (ends) {
            if (disc_a.row(y, Y, a0, a1)) lo = std::min(lo, a0), hi = std::max(hi, a1);
            if (disc_b.row(y, Y, a0, a1)) lo = std::min(lo, a0), hi = std::max(hi, a1);
        }
        sink(y, lo, hi); // pixels lo..hi, none when lo > hi
    }
}

// Paints rows [lo, hi] clipped to the surface; what is painted is marked
// once, by finish().
struct RowPainter {
    Surface& s;
    uint32_t pixel;
    i64 left = I64_MAX, right = I64_MIN, top = -1, bottom = -1;
    [[gnu::always_inline]] void operator()(i64 y, i64 lo, i64 hi) {
        lo = std::max(lo, s.cl);
        hi = std::min(hi, s.cr - 1);
        if (lo > hi) return;
        fill_pixels(s.c.row(static_cast<int>(y)) + lo, static_cast<size_t>(hi + 1 - lo), pixel);
        left = std::min(left, lo);
        right = std::max(right, hi + 1);
        if (top < 0) top = y;
        bottom = y;
    }
    void finish() {
        if (top < 0) return;
        s.mark_box(left, top, right, bottom + 1);
    }
};

// ---- Shapes, kept ------------------------------------------------------------
//
// A capsule's pixels depend only on its width and the difference between its
// end pixels, a triangle's only on the differences between its vertices:
// moved by whole pixels, the shape covers the same pixels moved. The card
// draws the same few thousand capsules (the spirals) and triangles (the
// border, the buttons' corners) frame after frame, so their rows are kept,
// relative to a reference pixel, and later shapes of the same kind and size
// are painted from the kept rows, clipped where they land. Only everyday
// sizes are kept; the store is bounded and starts afresh when full.

constexpr i64 KEEP_SPAN = 512; // coordinate differences up to this
constexpr i64 KEEP_RADIUS = DISC_TABLE_MAX;
constexpr size_t KEEP_SLOTS = 8192; // a power of two
constexpr size_t KEEP_ROWS = size_t{1} << 19;

struct KeptRow {
    int16_t lo, n; // n columns from lo on, relative to the reference pixel; n = 0: none
    // For 16 < n <= 32, where the second and third of the four eight-pixel
    // stores that paint the row go (the first at lo, the last ending at lo + n).
    uint8_t second = 0, third = 0;
};

KeptRow kept_row(i64 lo, i64 n) {
    KeptRow row{static_cast<int16_t>(lo), static_cast<int16_t>(n)};
    if (n > 16 && n <= 32) {
        row.second = 8;
        row.third = static_cast<uint8_t>(n - 16);
    }
    return row;
}

struct ShapeKey {
    int32_t kind = 0; // 0: a free slot
    int32_t a = 0, b = 0, c = 0, d = 0;
    bool operator==(const ShapeKey&) const = default;
};

// The rows of one shape, blank rows above and below left out.
constexpr uint32_t NO_SLOT = UINT32_MAX;

struct KeptShape {
    ShapeKey key;
    int32_t top = 0;               // first row, relative to the reference pixel
    uint32_t start = 0, count = 0; // rows in the store
    int32_t left = 0, right = 0;   // the columns [left, right) they cover
    bool gapless = true;           // no blank row between the first and last
    bool whole = true;             // false: one span a row cannot hold it (nothing kept)
    // The shape looked up right after this one the last time, and where its
    // rows start (NO_SLOT: none yet).
    uint32_t next = NO_SLOT, next_start = 0;
};

class ShapeStore {
  public:
    // The kept rows of this shape, made by `make(row)` (called with each of
    // the `rows` rows from `top` on, absolute columns lo..hi, lo > hi for a
    // blank one; the reference pixel's column is `ref`) when there are none
    // yet; nullptr when the shape does not fit the store.
    template <typename Make>
    const KeptShape* find(const ShapeKey& key, i64 ref, i64 top, i64 rows, Make&& make) {
        if (rows <= 0 || static_cast<size_t>(rows) > KEEP_ROWS / 8) return nullptr;
        if (slots_.empty()) {
            slots_.resize(KEEP_SLOTS);
            rows_.reserve(KEEP_ROWS);
        }
        const size_t h = hash(key);
        if (const KeptShape* e = lookup(key, h)) return e;
        if (used_ * 4 >= KEEP_SLOTS * 3 || rows_.size() + static_cast<size_t>(rows) > KEEP_ROWS) {
            std::fill(slots_.begin(), slots_.end(), KeptShape{});
            rows_.clear();
            used_ = 0;
            last_ = NO_SLOT;
        }
        size_t at = h & (KEEP_SLOTS - 1);
        while (slots_[at].key.kind != 0) at = (at + 1) & (KEEP_SLOTS - 1);
        KeptShape& e = slots_[at];
        e = KeptShape{};
        e.key = key;
        e.start = static_cast<uint32_t>(rows_.size());
        ++used_;
        // Every row, blank ones as lo > hi; then the blank rows above and
        // below trimmed, and the columns covered noted.
        make([&](i64 lo, i64 hi) {
            rows_.push_back(lo > hi ? KeptRow{0, 0} : kept_row(lo - ref, hi + 1 - lo));
        });
        size_t first = e.start, end = rows_.size();
        auto blank = [&](size_t i) { return rows_[i].n == 0; };
        while (first < end && blank(first)) ++first;
        while (end > first && blank(end - 1)) --end;
        e.top = static_cast<int32_t>(top + static_cast<i64>(first - e.start));
        int32_t left = INT32_MAX, right = INT32_MIN;
        for (size_t i = first; i < end; ++i) {
            if (blank(i)) {
                e.gapless = false;
            } else {
                left = std::min<int32_t>(left, rows_[i].lo);
                right = std::max<int32_t>(right, rows_[i].lo + rows_[i].n);
            }
            rows_[e.start + (i - first)] = rows_[i];
        }
        e.count = static_cast<uint32_t>(end - first);
        e.left = left, e.right = right;
        rows_.resize(e.start + e.count);
        return &e;
    }
    const KeptRow* rows(const KeptShape& e) const { return rows_.data() + e.start; }

    // The shape kept under this key, or nullptr. Shapes are mostly asked
    // for in the same order frame after frame (a spiral's segments, a
    // border's tiles), and the frame's other drawing pushes them out of the
    // cache in between: each shape found remembers the one found after it,
    // whose entry and first rows are then fetched ahead of their turn.
    const KeptShape* lookup(const ShapeKey& key) {
        if (slots_.empty()) return nullptr;
        const KeptShape* e = lookup(key, hash(key));
        if (!e) return nullptr;
        const uint32_t at = static_cast<uint32_t>(e - slots_.data());
        if (last_ != NO_SLOT && last_ != at) {
            slots_[last_].next = at;
            slots_[last_].next_start = e->start;
        }
        last_ = at;
        if (e->next != NO_SLOT) {
            __builtin_prefetch(&slots_[e->next]);
            __builtin_prefetch(rows_.data() + e->next_start);
        }
        return e;
    }
    // Notes that the shape under this key (just found) cannot be kept.
    void refuse(const KeptShape* e) {
        KeptShape& k = slots_[static_cast<size_t>(e - slots_.data())];
        rows_.resize(k.start);
        k.count = 0;
        k.whole = false;
    }

  private:
    // Two multiplications; the slot comes from the product's top bits, which
    // depend on every bit of the key.
    static size_t hash(const ShapeKey& key) {
        const u64 ab = static_cast<uint32_t>(key.a) | u64{static_cast<uint32_t>(key.b)} << 32;
        const u64 cd = static_cast<uint32_t>(key.c) | u64{static_cast<uint32_t>(key.d)} << 32;
        const u64 h = (ab ^ (cd * 0x9E3779B97F4A7C15u + static_cast<uint32_t>(key.kind))) *
                      0xBF58476D1CE4E5B9u;
        return static_cast<size_t>(h >> 40);
    }
    const KeptShape* lookup(const ShapeKey& key, size_t h) const {
        for (size_t i = 0;; ++i) {
            const KeptShape& e = slots_[(h + i) & (KEEP_SLOTS - 1)];
            if (e.key.kind == 0) return nullptr;
            if (e.key == key) return &e;
        }
    }

    std::vector<KeptShape> slots_;
    std::vector<KeptRow> rows_;
    size_t used_ = 0;
    uint32_t last_ = NO_SLOT; // the slot of the shape last looked up
};

ShapeStore shape_store;

constexpr int32_t KEPT_CAPSULE = 1, KEPT_TRIANGLE = 2, KEPT_FIGURE = 3;

// Paints `count` kept rows, row i spanning p[lo] .. p[lo + n - 1] of the
// i-th buffer row from p; no row is blank. With 256-bit stores, a row of 8
// to 16 pixels (most rows of the card's shapes) is two eight-pixel stores,
// one from each end, a row of 17 to 32 four, the middle two at places kept
// with the row: overlapping where the row is short, so that rows of every
// length in each range take one road; a row of 4 to 7 pixels is two
// four-pixel stores.
void paint_rows_sse(uint32_t* p, ptrdiff_t stride, const KeptRow* rows, uint32_t count,
                     uint32_t pixel) {
    for (uint32_t i = 0; i < count; ++i, p += stride)
        fill_pixels(p + rows[i].lo, static_cast<size_t>(rows[i].n), pixel);
}
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2"))) void paint_rows_avx2(uint32_t* p, ptrdiff_t stride,
                                                     const KeptRow* rows, uint32_t count,
                                                     uint32_t pixel) {
    const __m256i y = _mm256_set1_epi32(static_cast<int>(pixel));
    const __m128i x = _mm_set1_epi32(static_cast<int>(pixel));
    for (uint32_t i = 0; i < count; ++i, p += stride) {
        uint32_t* q = p + rows[i].lo;
        const i64 n = rows[i].n;
        if (n >= 8 && n <= 16) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(q), y);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(q + n - 8), y);
        } else if (n > 16 && n <= 32) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(q), y);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(q + rows[i].second), y);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(q + rows[i].third), y);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(q + n - 8), y);
        } else if (n >= 4 && n < 8) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(q), x);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(q + n - 4), x);
        } else {
            fill_pixels(q, static_cast<size_t>(n), pixel);
        }
    }
}
const auto paint_rows_fast = cpu_has_wide_lanes() ? paint_rows_avx2 : paint_rows_sse;
#else
const auto paint_rows_fast = paint_rows_sse;
#endif

// The rows of a kept shape that the clip cuts, or with blank rows between.
[[gnu::noinline]] void paint_kept_clipped(Surface& s, const KeptShape& e, i64 rx, i64 ry,
                                          uint32_t pixel) {
    const KeptRow* rows = shape_store.rows(e);
    const i64 y0 = ry + e.top, y1 = y0 + e.count;
    RowPainter paint{s, pixel};
    for (i64 y = std::max(y0, s.ct), stop = std::min(y1, s.cb); y < stop; ++y) {
        const KeptRow& row = rows[y - y0];
        if (row.n > 0) paint(y, rx + row.lo, rx + row.lo + row.n - 1);
    }
    paint.finish();
}

// Paints a kept shape with its reference pixel at (rx, ry), clipped.
inline void paint_kept(Surface& s, const KeptShape& e, i64 rx, i64 ry, uint32_t pixel) {
    if (e.count == 0) return;
    const i64 y0 = ry + e.top, y1 = y0 + e.count;
    const i64 l = rx + e.left, r = rx + e.right;
    if (e.gapless && y0 >= s.ct && y1 <= s.cb && l >= s.cl && r <= s.cr) [[likely]] {
        // Wholly inside the clip, the usual case: the rows as they are.
        uint32_t* p = s.c.row(static_cast<int>(y0)) + rx;
        paint_rows_fast(p, s.c.stride, shape_store.rows(e), e.count, pixel);
        s.mark_box(l, y0, r, y1);
        return;
    }
    paint_kept_clipped(s, e, rx, ry, pixel);
}

// Whether a capsule's rows may be kept, and the key they are kept under
// (dy >= 0: the ends are ordered by y).
bool capsule_keepable(i64 dx, i64 dy, i64 r) {
    return dx >= -KEEP_SPAN && dx <= KEEP_SPAN && dy <= KEEP_SPAN && r <= KEEP_RADIUS;
}
ShapeKey capsule_key(i64 dx, i64 dy, i64 r) {
    return {KEPT_CAPSULE, static_cast<int32_t>(dx), static_cast<int32_t>(dy),
            static_cast<int32_t>(r), 0};
}

// Draws the capsule's rows; false (nothing drawn) when it is too big for
// this road. Only the ends, the radius and their differences are read.
bool fast_wide_line(Surface& s, const Capsule& k, uint32_t pixel) {
    const i64 ax = k.ax, ay = k.ay, bx = k.bx, by = k.by, r = k.r, dx = k.dx, dy = k.dy;
    auto small = [](i64 v, i64 limit) { return v >= -limit && v <= limit; };
    if (!small(dx, FAST_SPAN) || !small(dy, FAST_SPAN) || r > FAST_SPAN || !small(ax, FAST_REACH) ||
        !small(ay, FAST_REACH) || !small(bx, FAST_REACH) || !small(by, FAST_REACH))
        return false;

    // Both ends are pen centres of this width: (2x + shift, 2y + shift).
    const i64 shift = r % 2;
    const i64 ex = (ax - shift) >> 1, ey = (ay - shift) >> 1;
    const bool keepable = capsule_keepable(dx, dy, r);

    // Rows whose centre 2y + 1 lies in [ay - r, by + r].
    const i64 top = (ay - r) >> 1; // ceil((ay - r - 1) / 2)
    const i64 bottom = ((by + r - 1) >> 1) + 1;
    const i64 first = s.first_row(top), end = s.end_row(bottom);
    if (first >= end) return true;
    RowPainter paint{s, pixel};
    if (r > DISC_TABLE_MAX) {
        wide_line_rows(k, first, end, DiscWalkRows{{ax, ay, r}}, DiscWalkRows{{bx, by, r}}, paint);
        paint.finish();
        return true;
    }
    const DiscTable& t = disc_table(r);
    const DiscTableRows disc_a{t, ex, ey}, disc_b{t, (bx - shift) >> 1, (by - shift) >> 1};
    const KeptShape* kept = nullptr;
    if (keepable) {
        kept = shape_store.find(capsule_key(dx, dy, r), ex, top - ey, bottom - top, [&](auto&& keep) {
            // Every row of the shape, unclipped.
            wide_line_rows(k, top, bottom, disc_a, disc_b,
                           [&](i64, i64 lo, i64 hi) { keep(lo, hi); });
        });
    }
    if (!kept) {
        wide_line_rows(k, first, end, disc_a, disc_b, paint);
        paint.finish();
        return true;
    }
    paint_kept(s, *kept, ex, ey, pixel);
    return true;
}

// Keeps the rows of a figure not seen before: painted once, the first vertex
// at (0, 0), on a blank canvas one pixel larger than the vertices' box on
// every side; then each row's pixels are kept as its span (a row with a gap
// cannot be, and then the shape is noted as not kept). Out of line, so that
// painting a kept figure stays short.
[[gnu::noinline]] const KeptShape* keep_figure(const ShapeKey& key, const i64* d,
                                               FigurePainter paint_figure) {
    const i64 left = std::min({i64{0}, d[0], d[2]}) - 1, top = std::min({i64{0}, d[1], d[3]}) - 1;
    const i64 right = std::max({i64{0}, d[0], d[2]}) + 2, bottom = std::max({i64{0}, d[1], d[3]}) + 2;
    const int w = static_cast<int>(right - left), h = static_cast<int>(bottom - top);
    static std::vector<uint32_t> blank;
    blank.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    Canvas scratch = make_canvas(blank.data(), w, h, w);
    scratch.origin_x = static_cast<int>(-left);
    scratch.origin_y = static_cast<int>(-top);
    const POINT at[3] = {{0, 0},
                         {static_cast<LONG>(d[0]), static_cast<LONG>(d[1])},
                         {static_cast<LONG>(d[2]), static_cast<LONG>(d[3])}};
    paint_figure(scratch, at, 3, 1);
    bool whole = true;
    static std::vector<std::pair<i64, i64>> spans;
    spans.assign(static_cast<size_t>(h), {1, 0});
    for (int y = 0; y < h && whole; ++y) {
        const uint32_t* row = scratch.row(y);
        int first = 0, last = w - 1;
        while (first < w && row[first] == 0) ++first;
        if (first == w) continue;
        while (row[last] == 0) --last;
        for (int x = first; x <= last && whole; ++x) whole = row[x] != 0;
        spans[static_cast<size_t>(y)] = {left + first, left + last};
    }
    const KeptShape* kept = shape_store.find(key, 0, top, h, [&](auto&& keep) {
        for (int y = 0; y < h; ++y) {
            auto [lo, hi] = whole ? spans[static_cast<size_t>(y)] : std::pair<i64, i64>{1, 0};
            keep(lo, hi);
        }
    });
    if (kept && !whole) shape_store.refuse(kept);
    return kept;
}

} // namespace

bool raster_kept_figure(const Canvas& c, const POINT* points, int count, uint32_t pixel,
                        FigurePainter paint_figure, Rect& touched) {
    constexpr i64 FIGURE_SPAN = 256;   // vertex offsets kept, from the first vertex
    constexpr i64 FIGURE_REACH = i64{1} << 30;
    if (count != 3 || !points || !paint_figure) return false;
    Surface s(c);
    if (s.empty()) return false;
    const i64 px = points[0].x, py = points[0].y;
    const i64 rx = px + s.ox, ry = py + s.oy;
    if (rx < -FIGURE_REACH || rx > FIGURE_REACH || ry < -FIGURE_REACH || ry > FIGURE_REACH)
        return false;
    i64 d[4] = {points[1].x - px, points[1].y - py, points[2].x - px, points[2].y - py};
    for (i64 v : d)
        if (v < -FIGURE_SPAN || v > FIGURE_SPAN) return false;
    const ShapeKey key{KEPT_FIGURE, static_cast<int32_t>(d[0]), static_cast<int32_t>(d[1]),
                       static_cast<int32_t>(d[2]), static_cast<int32_t>(d[3])};
    const KeptShape* kept = shape_store.lookup(key);
    if (!kept) kept = keep_figure(key, d, paint_figure);
    if (!kept || !kept->whole) return false;
    paint_kept(s, *kept, rx, ry, pixel);
    touched = s.touched();
    return true;
}

namespace {

// Rows at least this long are filled 32 bytes a store where the processor can.
constexpr size_t WIDE_ROW = 16;

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2"))) void fill_rows_avx2(uint32_t* p, ptrdiff_t stride, size_t n,
                                                    size_t rows, uint32_t pixel) {
    const __m256i v = _mm256_set1_epi32(static_cast<int>(pixel));
    for (size_t y = 0; y < rows; ++y, p += stride) {
        // The first eight pixels as they lie; then stores on 32-byte
        // boundaries, which never straddle two cache lines; the last stores
        // end at the row's end, overlapping what is already done.
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
        size_t i = 8 - (reinterpret_cast<uintptr_t>(p) / sizeof(uint32_t)) % 8;
        for (; i + 16 <= n; i += 16) {
            _mm256_store_si256(reinterpret_cast<__m256i*>(p + i), v);
            _mm256_store_si256(reinterpret_cast<__m256i*>(p + i + 8), v);
        }
        if (i < n) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + n - 16), v);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + n - 8), v);
        }
    }
}
void (*const fill_rows_wide)(uint32_t*, ptrdiff_t, size_t, size_t, uint32_t) =
    cpu_has_wide_lanes() ? fill_rows_avx2 : nullptr;
#else
void (*const fill_rows_wide)(uint32_t*, ptrdiff_t, size_t, size_t, uint32_t) = nullptr;
#endif

} // namespace

Rect raster_fill_rect(const Canvas& c, int left, int top, int right, int bottom, uint32_t pixel) {
    Surface s(c);
    if (s.empty()) return {};
    // Clipped once; then every row is the same span.
    const i64 l = std::max(i64{left} + s.ox, s.cl), r = std::min(i64{right} + s.ox, s.cr);
    const i64 t = std::max(i64{top} + s.oy, s.ct), b = std::min(i64{bottom} + s.oy, s.cb);
    if (l >= r || t >= b) return {};
    const size_t n = static_cast<size_t>(r - l);
    uint32_t* p = s.c.row(static_cast<int>(t)) + l;
    if (n == 1) {
        // A one-pixel column: the edges of buttons, bevels and outlines.
        for (i64 y = t; y < b; ++y, p += s.c.stride) *p = pixel;
    } else if (n >= WIDE_ROW && fill_rows_wide) {
        fill_rows_wide(p, s.c.stride, n, static_cast<size_t>(b - t), pixel);
    } else {
        for (i64 y = t; y < b; ++y, p += s.c.stride) fill_pixels(p, n, pixel);
    }
    s.mark_box(l, t, r, b);
    return s.touched();
}

Rect raster_rectangle(const Canvas& c, int left, int top, int right, int bottom,
                      const RasterPaint& paint) {
    Surface s(c);
    if (s.empty() || (!paint.has_pen && !paint.has_brush)) return {};
    Box box = normalised_box(s, left, top, right, bottom);
    if (box.empty()) return {};
    Box outer = box, core = box;
    if (paint.has_pen) {
        i64 w = std::max(paint.pen_width, 1);
        outer = pen_outer(box, w);
        core = pen_inner(box, w);
    }
    // Filled in one colour (no pen, or pen and brush alike, as every filled
    // rectangle the runtime draws): one box, every row the same span.
    const Box drawn{outer.l - s.ox, outer.t - s.oy, outer.r - s.ox, outer.b - s.oy};
    if (paint.has_brush && (!paint.has_pen || paint.pen == paint.brush) && fits_int(drawn))
        return raster_fill_rect(c, static_cast<int>(drawn.l), static_cast<int>(drawn.t),
                                static_cast<int>(drawn.r), static_cast<int>(drawn.b), paint.brush);
    return paint_rows(s, outer.t, outer.b, paint, [&](i64 y, Span& o, Span& k) {
        o = {outer.l, outer.r};
        if (y >= core.t && y < core.b) k = {core.l, core.r};
    });
}

Rect raster_ellipse(const Canvas& c, int left, int top, int right, int bottom,
                    const RasterPaint& paint) {
    Surface s(c);
    if (s.empty() || (!paint.has_pen && !paint.has_brush)) return {};
    Box box = normalised_box(s, left, top, right, bottom);
    if (box.empty()) return {};
    if (!paint.has_pen) {
        return paint_rows(s, box.t, box.b, paint,
                          [&](i64 y, Span& o, Span&) { o = ellipse_row(box, y); });
    }
    i64 w = std::max(paint.pen_width, 1);
    Box outer = pen_outer(box, w), inner = pen_inner(box, w);
    // Rows come in order: keep the last three of the outer shape.
    i64 cached = I64_MIN;
    Span above, o, below;
    return paint_rows(s, outer.t, outer.b, paint, [&](i64 y, Span& out, Span& k) {
        if (y == cached + 1) {
            above = o, o = below;
        } else {
            above = ellipse_row(outer, y - 1), o = ellipse_row(outer, y);
        }
        below = ellipse_row(outer, y + 1);
        cached = y;
        out = o;
        // The inside of the outer shape: pixels whose four neighbours are in it.
        k = intersect(intersect(Span{o.x0 + 1, o.x1 - 1}, above), below);
        if (above.empty() || below.empty()) k = {};
        if (w > 1) k = intersect(k, ellipse_row(inner, y));
    });
}

namespace {

// A triangle within the narrow range: vertices sorted by row, the long edge
// against the two short ones, each crossing walked one row at a time. The
// same pixels as the general alternate-rule fill: on every row between the
// top and bottom vertex exactly two edges are active, and the span runs
// between their crossings.
struct TriangleVertex {
    i64 x, y;
};

// Rows [first, end) of the triangle through v (sorted by row, v[0].y <= first,
// end <= v[2].y): sink(y, x0, x1) with the span [x0, x1), empty when x0 >= x1.
template <typename Sink>
void triangle_rows(const TriangleVertex* v, i64 first, i64 end, Sink&& sink) {
    using V = TriangleVertex;
    // The crossing of edge a-b (a above b) on row y: the first pixel whose
    // centre is at or right of it, ceil((xa den + (y - ya)(xb - xa)) / den).
    auto start = [](FloorWalk& w, const V& a, const V& b, i64 y) {
        i64 den = b.y - a.y;
        w.start(a.x * den + (y - a.y) * (b.x - a.x) + den - 1, b.x - a.x, den);
    };
    FloorWalk along, part;
    start(along, v[0], v[2], first);
    i64 y = first;
    for (int half = 0; half < 2; ++half) {
        const V& a = v[half];
        const V& b = v[half + 1];
        const i64 stop = std::min(end, b.y);
        if (y >= stop) continue;
        start(part, a, b, y);
        for (; y < stop; ++y) {
            sink(y, std::min(along.q, part.q), std::max(along.q, part.q));
            along.next();
            part.next();
        }
    }
}

Rect fill_triangle(Surface& s, const POINT* points, uint32_t pixel) {
    TriangleVertex v[3];
    for (int i = 0; i < 3; ++i) v[i] = {i64{points[i].x} + s.ox, i64{points[i].y} + s.oy};
    if (v[1].y < v[0].y) std::swap(v[0], v[1]);
    if (v[2].y < v[1].y) std::swap(v[1], v[2]);
    if (v[1].y < v[0].y) std::swap(v[0], v[1]);
    if (v[0].y == v[2].y) return {};
    const i64 first = s.first_row(v[0].y), end = s.end_row(v[2].y);
    if (first >= end) return {};
    auto near = [](i64 d) { return d >= -KEEP_SPAN && d <= KEEP_SPAN; };
    if (near(v[1].x - v[0].x) && near(v[2].x - v[0].x) && near(v[2].x - v[1].x) &&
        v[2].y - v[0].y <= KEEP_SPAN) {
        // Kept by its shape, relative to the top vertex.
        ShapeKey key{KEPT_TRIANGLE, static_cast<int32_t>(v[1].x - v[0].x),
                     static_cast<int32_t>(v[1].y - v[0].y), static_cast<int32_t>(v[2].x - v[0].x),
                     static_cast<int32_t>(v[2].y - v[0].y)};
        const KeptShape* kept =
            shape_store.find(key, v[0].x, 0, v[2].y - v[0].y, [&](auto&& keep) {
                triangle_rows(v, v[0].y, v[2].y,
                              [&](i64, i64 x0, i64 x1) { keep(x0, x1 - 1); });
            });
        if (kept) {
            paint_kept(s, *kept, v[0].x, v[0].y, pixel);
            return s.touched();
        }
    }
    RowPainter paint{s, pixel};
    triangle_rows(v, first, end, [&](i64 y, i64 x0, i64 x1) { paint(y, x0, x1 - 1); });
    paint.finish();
    return s.touched();
}

} // namespace

Rect raster_polygon_fill(const Canvas& c, const POINT* points, int count, uint32_t pixel) {
    Surface s(c);
    if (s.empty() || !points || count < 3) return {};
    if (count == 3) {
        constexpr i64 TRIANGLE_REACH = i64{1} << 30;
        bool near = true;
        for (int i = 0; i < 3; ++i) {
            i64 x = i64{points[i].x} + s.ox, y = i64{points[i].y} + s.oy;
            near = near && x >= -TRIANGLE_REACH && x <= TRIANGLE_REACH && y >= -TRIANGLE_REACH &&
                   y <= TRIANGLE_REACH;
        }
        if (near) return fill_triangle(s, points, pixel);
    }
    struct Edge {
        i64 xa, ya, xb, yb; // ya < yb
        // Within the narrow range: the first pixel at or right of the
        // crossing on the current row, walked one row at a time.
        FloorWalk x;
    };
    // Small polygons (every triangle the runtime draws) keep their edges on
    // the stack: no allocation per call.
    constexpr int SMALL = 16;
    Edge small_edges[SMALL];
    size_t small_active[SMALL];
    i64 small_xs[SMALL];
    std::vector<Edge> big_edges;
    std::vector<size_t> big_active;
    std::vector<i64> big_xs;
    Edge* edges = small_edges;
    size_t* active = small_active;
    i64* xs = small_xs;
    if (count > SMALL) {
        big_edges.resize(static_cast<size_t>(count));
        big_active.resize(static_cast<size_t>(count));
        big_xs.resize(static_cast<size_t>(count));
        edges = big_edges.data(), active = big_active.data(), xs = big_xs.data();
    }
    size_t edge_count = 0;
    i64 ymin = I64_MAX, ymax = I64_MIN;
    for (int i = 0; i < count; ++i) {
        const POINT& p = points[i];
        const POINT& q = points[i + 1 < count ? i + 1 : 0];
        Edge e{i64{p.x} + s.ox, i64{p.y} + s.oy, i64{q.x} + s.ox, i64{q.y} + s.oy, {}};
        if (e.ya == e.yb) continue;
        if (e.ya > e.yb) e = {e.xb, e.yb, e.xa, e.ya, {}};
        ymin = std::min(ymin, e.ya);
        ymax = std::max(ymax, e.yb);
        edges[edge_count++] = e;
    }
    if (edge_count == 0) return {};
    std::sort(edges, edges + edge_count, [](const Edge& a, const Edge& b) { return a.ya < b.ya; });
    // Within +-2^30 every crossing's numerator fits in 64 bits.
    constexpr i64 NARROW = i64{1} << 30;
    bool narrow = true;
    for (size_t i = 0; i < edge_count; ++i) {
        const Edge& e = edges[i];
        narrow = narrow && e.xa >= -NARROW && e.xa <= NARROW && e.xb >= -NARROW &&
                 e.xb <= NARROW && e.ya >= -NARROW && e.yb <= NARROW;
    }

    size_t active_count = 0, next = 0;
    for (i64 y = s.first_row(ymin), end = s.end_row(ymax); y < end; ++y) {
        // Rows are half-open: an edge holds [ya, yb).
        for (; next < edge_count && edges[next].ya <= y; ++next) {
            Edge& e = edges[next];
            if (e.yb <= y) continue;
            active[active_count++] = next;
            if (narrow) {
                // ceil((xa den + (y - ya)(xb - xa)) / den), then one step a row.
                i64 den = e.yb - e.ya;
                e.x.start(e.xa * den + (y - e.ya) * (e.xb - e.xa) + den - 1, e.xb - e.xa, den);
            }
        }
        size_t kept = 0;
        for (size_t i = 0; i < active_count; ++i)
            if (edges[active[i]].yb > y) active[kept++] = active[i];
        active_count = kept;
        for (size_t i = 0; i < active_count; ++i) {
            Edge& e = edges[active[i]];
            // The first pixel whose centre is at or right of the crossing.
            if (narrow) {
                xs[i] = e.x.q;
                e.x.next();
            } else {
                i128 den = e.yb - e.ya;
                i128 num =
                    static_cast<i128>(e.xa) * den + static_cast<i128>(y - e.ya) * (e.xb - e.xa);
                xs[i] = static_cast<i64>(ceil_div(num, den));
            }
        }
        if (active_count == 2) {
            if (xs[1] < xs[0]) std::swap(xs[0], xs[1]);
        } else {
            std::sort(xs, xs + active_count);
        }
        for (size_t k = 0; k + 1 < active_count; k += 2)
            s.span(y, xs[k], xs[k + 1], pixel);
    }
    return s.touched();
}

Rect raster_line(const Canvas& c, int x0, int y0, int x1, int y1, uint32_t pixel) {
    Surface s(c);
    if (s.empty()) return {};
    i64 ax = i64{x0} + s.ox, ay = i64{y0} + s.oy;
    i64 dx = i64{x1} - x0, dy = i64{y1} - y0;
    if (dx == 0 && dy == 0) return {};
    bool x_major = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    // Work along the major axis m and the minor axis n.
    i64 m0 = x_major ? ax : ay, n0 = x_major ? ay : ax;
    i64 dm = x_major ? dx : dy, dn = x_major ? dy : dx;
    i64 sm = dm < 0 ? -1 : 1, sn = dn < 0 ? -1 : 1;
    i64 am = dm < 0 ? -dm : dm, an = dn < 0 ? -dn : dn;
    i64 mlo = x_major ? s.cl : s.ct, mhi = x_major ? s.cr - 1 : s.cb - 1;
    i64 nlo = x_major ? s.ct : s.cl, nhi = x_major ? s.cb - 1 : s.cr - 1;

    // Step i (0 <= i < am) paints m = m0 + sm*i, n = n0 + sn*off(i), with
    // off(i) = floor((2 i an + tie) / (2 am)): i*an/am rounded. A tie goes to
    // the smaller minor coordinate, as the system's GDI has it, so a line
    // covers the same pixels whichever end it starts from: tie = am - 1
    // rounds a tie's offset down (minor axis rising), tie = am up (falling).
    i64 tie = sn > 0 ? am - 1 : am;
    i64 first = 0, last = am - 1;
    // The steps whose major coordinate is inside the clip.
    if (sm > 0) {
        first = std::max(first, mlo - m0);
        last = std::min(last, mhi - m0);
    } else {
        first = std::max(first, m0 - mhi);
        last = std::min(last, m0 - mlo);
    }
    i64 a = sn > 0 ? nlo - n0 : n0 - nhi, b = sn > 0 ? nhi - n0 : n0 - nlo;
    if (an == 0) {
        if (a > 0 || b < 0) return {};
    } else if (a > 0 || b < an) {
        // The line leaves the clip across the minor axis: off(i) >= a and
        // off(i) <= b, solved for i. (Offsets run from 0 to at most an.)
        i128 lo = ceil_div(2 * static_cast<i128>(a) * am - tie, 2 * static_cast<i128>(an));
        i128 hi = floor_div(2 * (static_cast<i128>(b) + 1) * am - tie - 1,
                            2 * static_cast<i128>(an));
        first = clamp_i64(std::max<i128>(first, lo));
        last = clamp_i64(std::min<i128>(last, hi));
    }
    if (first > last) return {};

    const i64 den = 2 * am;
    i64 off = 0, rem = tie; // tie < den
    if (first > 0) {
        i128 num = 2 * static_cast<i128>(first) * an + tie;
        off = static_cast<i64>(num / den);
        rem = static_cast<i64>(num % den);
    }
    // Every step from first to last lies inside the clip: walk the pixels
    // by pointer, one step along the major axis and, now and then, one
    // along the minor.
    const i64 stride = s.c.stride;
    const i64 step_m = x_major ? sm : sm * stride, step_n = x_major ? sn * stride : sn;
    const i64 m = m0 + sm * first, n = n0 + sn * off;
    uint32_t* p = x_major ? s.c.row(static_cast<int>(n)) + m : s.c.row(static_cast<int>(m)) + n;
    const i64 two_an = 2 * an;
    i64 off_end = off;
    for (i64 i = first; i <= last; ++i) {
        *p = pixel;
        off_end = off;
        p += step_m;
        rem += two_an;
        if (rem >= den) {
            rem -= den;
            ++off;
            p += step_n;
        }
    }
    // What was painted lies between the first step's pixel and the last one's.
    const i64 m_end = m0 + sm * last, n_end = n0 + sn * off_end;
    const i64 lo_m = std::min(m, m_end), hi_m = std::max(m, m_end);
    const i64 lo_n = std::min(n, n_end), hi_n = std::max(n, n_end);
    if (x_major) {
        s.mark(lo_m, lo_n, hi_m + 1);
        s.mark(lo_m, hi_n, hi_m + 1);
    } else {
        s.mark(lo_n, lo_m, hi_n + 1);
        s.mark(lo_n, hi_m, hi_n + 1);
    }
    return s.touched();
}

namespace {

// A capsule whose rows are not kept: the rows worked out, and kept when the
// shape may be (out of line, so that painting a kept one stays short).
[[gnu::noinline]] void draw_capsule(Surface& s, i64 ax, i64 ay, i64 bx, i64 by, i64 w,
                                    uint32_t pixel) {
    Capsule k{ax, ay, bx, by, w, bx - ax, by - ay, 0, 0, false, 0};
    if (fast_wide_line(s, k, pixel)) return;
    k.len2 = static_cast<i128>(k.dx) * k.dx + static_cast<i128>(k.dy) * k.dy;
    k.len = std::sqrt(static_cast<long double>(k.len2));
    k.exact = k.len2 < (static_cast<i128>(1) << 64); // and r^2 < 2^62
    if (k.exact) k.limit2 = static_cast<u128>(w) * static_cast<u128>(w) * static_cast<u128>(k.len2);

    // Rows whose centre 2y + 1 lies in [ay - r, by + r].
    i64 top = static_cast<i64>(ceil_div(ay - w - 1, 2));
    i64 bottom = static_cast<i64>(floor_div(by + w - 1, 2)) + 1;
    for (i64 y = s.first_row(top), end = s.end_row(bottom); y < end; ++y) {
        i64 cy = 2 * y + 1;
        Span row = hull(disc_row(ax, ay, w, cy), disc_row(bx, by, w, cy));
        row = hull(row, body_row(k, cy, s.cl, s.cr));
        if (!row.empty()) s.span(y, row.x0, row.x1, pixel);
    }
}

} // namespace

Rect raster_wide_line(const Canvas& c, int x0, int y0, int x1, int y1, int width, uint32_t pixel) {
    Surface s(c);
    if (s.empty()) return {};
    i64 w = std::max(width, 1);
    i64 shift = w % 2; // odd pens centre on the pixel, even ones on its corner
    i64 ax = 2 * (i64{x0} + s.ox) + shift, ay = 2 * (i64{y0} + s.oy) + shift;
    i64 bx = 2 * (i64{x1} + s.ox) + shift, by = 2 * (i64{y1} + s.oy) + shift;
    // One order for both directions, so a line and its reverse match.
    if (by < ay || (by == ay && bx < ax)) {
        std::swap(ax, bx);
        std::swap(ay, by);
    }
    // A shape painted before: its kept rows, wherever it lands.
    if (capsule_keepable(bx - ax, by - ay, w)) {
        if (const KeptShape* kept = shape_store.lookup(capsule_key(bx - ax, by - ay, w))) {
            paint_kept(s, *kept, (ax - shift) >> 1, (ay - shift) >> 1, pixel);
            return s.touched();
        }
    }
    draw_capsule(s, ax, ay, bx, by, w, pixel);
    return s.touched();
}

Rect raster_stroke(const Canvas& c, int x0, int y0, int x1, int y1, int width, uint32_t pixel) {
    if (width <= 1) return raster_line(c, x0, y0, x1, y1, pixel);
    return raster_wide_line(c, x0, y0, x1, y1, width, pixel);
}

Rect raster_copy(const Canvas& dst, int x, int y, int width, int height, const Canvas& src, int sx,
                 int sy) {
    Surface d(dst), s(src);
    if (d.empty() || s.empty() || width <= 0 || height <= 0) return {};
    // Buffer positions of the first pixel in both, and the offsets (0 <= t <
    // extent) at which both lie inside their clips.
    i64 dx = i64{x} + d.ox, dy = i64{y} + d.oy;
    i64 srcx = i64{sx} + s.ox, srcy = i64{sy} + s.oy;
    i64 t0 = std::max({i64{0}, d.cl - dx, s.cl - srcx});
    i64 t1 = std::min({i64{width}, d.cr - dx, s.cr - srcx});
    i64 u0 = std::max({i64{0}, d.ct - dy, s.ct - srcy});
    i64 u1 = std::min({i64{height}, d.cb - dy, s.cb - srcy});
    if (t0 >= t1 || u0 >= u1) return {};
    size_t bytes = static_cast<size_t>(t1 - t0) * sizeof(uint32_t);
    auto row_of = [](const Canvas& c, i64 row, i64 col) {
        return c.row(static_cast<int>(row)) + col;
    };
    // Copying downwards within one buffer must start from the bottom row.
    bool upward = std::less<const uint32_t*>()(row_of(src, srcy + u0, srcx + t0),
                                               row_of(dst, dy + u0, dx + t0));
    for (i64 i = 0; i < u1 - u0; ++i) {
        i64 u = upward ? u1 - 1 - i : u0 + i;
        std::memmove(row_of(dst, dy + u, dx + t0), row_of(src, srcy + u, srcx + t0), bytes);
    }
    d.mark(dx + t0, dy + u0, dx + t1);
    d.mark(dx + t0, dy + u1 - 1, dx + t1);
    return d.touched();
}

} // namespace ws
