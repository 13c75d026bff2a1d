// draw.cpp: GDI drawing calls (shapes, lines, pixels, block copies, scrolling).
//
// Each call takes the DC's pen and brush, paints through the rasteriser onto
// the DC's canvas (clipped to the bitmap or the window's client area) and
// reports what it changed with dc_touched. Rectangle follows the system's
// GDI in its corner cases (see there). BitBlt knows only SRCCOPY; other
// raster operations fail. ScrollDC keeps no regions: the update region
// argument is ignored, the update rectangle is filled in.
#include <algorithm>
#include <cstdint>

#include "gdi.h"
#include "raster.h"

namespace ws {

namespace {

// A DC and the pixels it draws on (the DC's own canvas).
struct Target {
    DC* dc = nullptr;
    const Canvas* canvas_ = nullptr;
    bool window = false; // a window DC, which reports what it changed
    const Canvas& canvas() const { return *canvas_; }
};

[[gnu::always_inline]] inline bool target_of(HDC hdc, Target& t) {
    t.dc = gdi_dc(hdc);
    if (!t.dc) return false;
    t.window = t.dc->kind == DC::Kind::Window;
    t.canvas_ = &dc_current_canvas(*t.dc);
    return true;
}

RasterPaint paint_of(const DC& dc) {
    RasterPaint p;
    const Pen* pen = dc.pen_object;
    p.has_pen = pen && pen->style != PS_NULL;
    if (p.has_pen) {
        p.pen = pen->pixel;
        p.pen_width = std::max(pen->width, 1);
    }
    const Brush* brush = dc.brush_object;
    p.has_brush = brush && !brush->hollow;
    if (p.has_brush) p.brush = brush->pixel;
    return p;
}

// Only window DCs keep track of what changed.
[[gnu::always_inline]] inline void report(const Target& t, const Rect& touched) {
    if (t.window) [[unlikely]] {
        if (!touched.empty()) dc_window_touched(*t.dc, touched);
    }
}

// Draws with f, which returns what it changed, and reports that. Memory DCs
// have nothing to report: the call is made apart for them, so that nothing
// is done with what it returns.
template <typename F> [[gnu::always_inline]] inline void draw_reporting(const Target& t, F&& f) {
    if (!t.window) [[likely]] {
        f();
        return;
    }
    report(t, f());
}

// Whether a DC point lies inside the canvas clip, and its buffer position.
bool pixel_at(const Canvas& c, int x, int y, int64_t& bx, int64_t& by) {
    bx = int64_t{x} + c.origin_x;
    by = int64_t{y} + c.origin_y;
    return c.pixels && bx >= c.clip.left && bx < c.clip.right && by >= c.clip.top &&
           by < c.clip.bottom;
}

// A rectangle held in 64 bits, for sums of user coordinates and shifts.
struct Box {
    int64_t l = 0, t = 0, r = 0, b = 0;
    bool empty() const { return r <= l || b <= t; }
    Box meet(const Box& o) const {
        return {std::max(l, o.l), std::max(t, o.t), std::min(r, o.r), std::min(b, o.b)};
    }
    Box unite(const Box& o) const {
        if (empty()) return o;
        if (o.empty()) return *this;
        return {std::min(l, o.l), std::min(t, o.t), std::max(r, o.r), std::max(b, o.b)};
    }
};

Box box_of(const Rect& r) {
    return {r.left, r.top, r.right, r.bottom};
}
Box box_of(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

// The bounding box of a minus b.
Box bounds_of_difference(const Box& a, const Box& b) {
    Box m = a.meet(b);
    if (a.empty() || m.empty()) return a;
    Box out;
    if (m.t > a.t) out = out.unite({a.l, a.t, a.r, m.t});
    if (m.b < a.b) out = out.unite({a.l, m.b, a.r, a.b});
    if (m.l > a.l) out = out.unite({a.l, m.t, m.l, m.b});
    if (m.r < a.r) out = out.unite({m.r, m.t, a.r, m.b});
    return out;
}

} // namespace

} // namespace ws

using namespace ws;

extern "C" {

BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    Target t;
    if (!target_of(hdc, t)) return FALSE;
    RasterPaint p = paint_of(*t.dc);
    int64_t l = std::min(left, right), r = std::max(left, right);
    int64_t tp = std::min(top, bottom), b = std::max(top, bottom);
    if (!p.has_pen) {
        // As the system's GDI does: without a pen the fill leaves out the
        // right column and the bottom row as well.
        r -= 1;
        b -= 1;
    } else if (p.pen_width == 1 && r - l == 1 && b - tp == 1) {
        // The outline of a one-pixel box is a closed path of length zero,
        // which paints nothing; nor is there an inside to fill.
        return TRUE;
    }
    if (r <= l || b <= tp) return TRUE;
    report(t, raster_rectangle(t.canvas(), static_cast<int>(l), static_cast<int>(tp),
                               static_cast<int>(r), static_cast<int>(b), p));
    return TRUE;
}

BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    Target t;
    if (!target_of(hdc, t)) return FALSE;
    report(t, raster_ellipse(t.canvas(), left, top, right, bottom, paint_of(*t.dc)));
    return TRUE;
}

BOOL WINAPI Polygon(HDC hdc, const POINT* points, int count) {
    Target t;
    if (!target_of(hdc, t) || !points || count < 2) return FALSE;
    report(t, raster_polygon(t.canvas(), points, count, paint_of(*t.dc)));
    return TRUE;
}

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT previous) {
    DC* dc = gdi_dc(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->position;
    dc->position = POINT{x, y};
    return TRUE;
}

BOOL WINAPI LineTo(HDC hdc, int x, int y) {
    Target t;
    if (!target_of(hdc, t)) return FALSE;
    POINT from = t.dc->position;
    t.dc->position = POINT{x, y};
    // A line needs only the pen.
    const Pen* pen = t.dc->pen_object;
    if (pen && pen->style != PS_NULL)
        draw_reporting(t, [&] {
            return raster_stroke(t.canvas(), from.x, from.y, x, y, pen->width, pen->pixel);
        });
    return TRUE;
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF colour) {
    Target t;
    if (!target_of(hdc, t)) return CLR_INVALID;
    int64_t bx, by;
    if (!pixel_at(t.canvas(), x, y, bx, by)) return CLR_INVALID;
    t.canvas().row(static_cast<int>(by))[bx] = pixel_from_colorref(colour);
    report(t, Rect{x, y, x + 1, y + 1});
    return colour & 0xFFFFFF;
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    Target t;
    if (!target_of(hdc, t)) return CLR_INVALID;
    int64_t bx, by;
    if (!pixel_at(t.canvas(), x, y, bx, by)) return CLR_INVALID;
    return colorref_from_pixel(t.canvas().row(static_cast<int>(by))[bx]);
}

BOOL WINAPI BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int src_x, int src_y,
                   DWORD rop) {
    Target d, s;
    if (rop != SRCCOPY || !target_of(dest, d) || !target_of(src, s)) return FALSE;
    report(d, raster_copy(d.canvas(), x, y, width, height, s.canvas(), src_x, src_y));
    return TRUE;
}

BOOL WINAPI ScrollDC(HDC hdc, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update,
                     LPRECT update_rect) {
    (void)update; // no regions in this layer
    Target t;
    if (!target_of(hdc, t)) return FALSE;
    // The DC's drawing area, the pixels that move, and where they may land.
    Box area = box_of(t.canvas().local_clip());
    if (!t.canvas().pixels) area = {};
    Box source = scroll ? box_of(*scroll).meet(area) : area;
    Box allowed = clip ? box_of(*clip).meet(area) : area;
    Box moved = Box{source.l + dx, source.t + dy, source.r + dx, source.b + dy}.meet(allowed);
    if (!moved.empty()) {
        // Both boxes lie inside the area, so every value fits in an int.
        Canvas to =
            t.canvas().clipped_to(Rect{static_cast<int>(moved.l), static_cast<int>(moved.t),
                                       static_cast<int>(moved.r), static_cast<int>(moved.b)});
        int w = static_cast<int>(moved.r - moved.l), h = static_cast<int>(moved.b - moved.t);
        report(t, raster_copy(to, static_cast<int>(moved.l), static_cast<int>(moved.t), w, h,
                              t.canvas(), static_cast<int>(moved.l - dx),
                              static_cast<int>(moved.t - dy)));
    }
    if (update_rect) {
        // What the scroll left uncovered within the scrolled part.
        Box scrolled = (scroll ? box_of(*scroll).meet(area) : area).meet(allowed);
        Box u = bounds_of_difference(scrolled, moved);
        if (u.empty()) u = {};
        *update_rect = RECT{static_cast<LONG>(u.l), static_cast<LONG>(u.t), static_cast<LONG>(u.r),
                            static_cast<LONG>(u.b)};
    }
    return TRUE;
}

} // extern "C"
