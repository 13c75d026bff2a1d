// renderer.cpp: draws one drawing request into the off-screen image through
// rt.image_dc, restoring the pen, brush, font and background mode it found,
// and marks the image changed.
//
// Graphics point (x, y) is image pixel (origin_x + x, origin_y - y). Every
// int argument is allowed, so the transform is done in 64 bits and what
// reaches the layer is kept within +-COORD_LIMIT: rectangles are clamped,
// lines and triangles are clipped to that square (so their visible part
// keeps its slope), pixels and text lines beyond it are not drawn. Ovals are
// clamped too, which changes their curve only for boxes more than 2^30
// pixels across. Pen widths above COORD_LIMIT are drawn at COORD_LIMIT.
#include <limits.h>
#include <math.h>
#include <string.h>

#include "draw.h"

static long long image_x(long long x) {
    return (long long)rt.origin_x + x;
}

static long long image_y(long long y) {
    return (long long)rt.origin_y - y;
}

static int clamp_coord(long long v) {
    if (v < -COORD_LIMIT) return (int)-COORD_LIMIT;
    if (v > COORD_LIMIT) return (int)COORD_LIMIT;
    return (int)v;
}

static int clamp_double(double v) {
    if (!(v > (double)-COORD_LIMIT)) return (int)-COORD_LIMIT; // also catches NaN
    if (v > (double)COORD_LIMIT) return (int)COORD_LIMIT;
    return (int)lround(v);
}

// Whether v lies outside [-COORD_LIMIT, COORD_LIMIT], as 0 or 1: several
// values are tested with one branch on these or-ed together.
static unsigned outside_limit(long long v) {
    return (unsigned long long)(v + COORD_LIMIT) > (unsigned long long)(2 * COORD_LIMIT);
}

static int within_limit(long long v) {
    return !outside_limit(v);
}

static int pen_width(int width) {
    return width > COORD_LIMIT ? (int)COORD_LIMIT : width;
}

struct PointD {
    double x, y;
};

// One step of polygon clipping: keeps the part of `in` on the inner side of
// the line axis = bound (axis 0: x, 1: y; keep_below: keep values <= bound).
static int clip_polygon_edge(const PointD* in, int count, PointD* out, int axis, double bound,
                             int keep_below) {
    int n = 0;
    for (int i = 0; i < count; i++) {
        PointD a = in[i];
        PointD b = in[(i + 1) % count];
        double va = axis == 0 ? a.x : a.y;
        double vb = axis == 0 ? b.x : b.y;
        int a_in = keep_below ? va <= bound : va >= bound;
        int b_in = keep_below ? vb <= bound : vb >= bound;
        if (a_in) out[n++] = a;
        if (a_in != b_in) {
            double t = (bound - va) / (vb - va);
            PointD p;
            if (axis == 0) {
                p.x = bound;
                p.y = a.y + t * (b.y - a.y);
            } else {
                p.x = a.x + t * (b.x - a.x);
                p.y = bound;
            }
            out[n++] = p;
        }
    }
    return n;
}

static void draw_triangle(const DrawRequest* r) {
    long long xs[3] = {image_x(r->x1), image_x(r->x2), image_x(r->x3)};
    long long ys[3] = {image_y(r->y1), image_y(r->y2), image_y(r->y3)};
    POINT points[8];
    int count = 3;
    if ((outside_limit(xs[0]) | outside_limit(ys[0]) | outside_limit(xs[1]) | outside_limit(ys[1]) |
         outside_limit(xs[2]) | outside_limit(ys[2])) == 0) {
        for (int i = 0; i < 3; i++) {
            points[i].x = (LONG)xs[i];
            points[i].y = (LONG)ys[i];
        }
    } else {
        // Each of the four clips adds at most one vertex: at most 7.
        PointD a[8], b[8];
        for (int i = 0; i < 3; i++) {
            a[i].x = (double)xs[i];
            a[i].y = (double)ys[i];
        }
        double lim = (double)COORD_LIMIT;
        count = clip_polygon_edge(a, count, b, 0, -lim, 0);
        count = clip_polygon_edge(b, count, a, 0, lim, 1);
        count = clip_polygon_edge(a, count, b, 1, -lim, 0);
        count = clip_polygon_edge(b, count, a, 1, lim, 1);
        if (count < 3) return; // nothing of it near the image
        for (int i = 0; i < count; i++) {
            points[i].x = clamp_double(a[i].x);
            points[i].y = clamp_double(a[i].y);
        }
    }
    Polygon(rt.image_dc, points, count);
}

// Clips the segment to the limit square; returns 0 when none of it is inside.
static int clip_segment(double* x1, double* y1, double* x2, double* y2) {
    double t0 = 0.0, t1 = 1.0;
    double dx = *x2 - *x1, dy = *y2 - *y1;
    double lim = (double)COORD_LIMIT;
    double p[4] = {-dx, dx, -dy, dy};
    double q[4] = {*x1 + lim, lim - *x1, *y1 + lim, lim - *y1};
    for (int i = 0; i < 4; i++) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return 0;
            continue;
        }
        double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1) return 0;
            if (t > t0) t0 = t;
        } else {
            if (t < t0) return 0;
            if (t < t1) t1 = t;
        }
    }
    double sx = *x1, sy = *y1;
    *x1 = sx + t0 * dx;
    *y1 = sy + t0 * dy;
    *x2 = sx + t1 * dx;
    *y2 = sy + t1 * dy;
    return 1;
}

static void draw_line(const DrawRequest* r) {
    long long ax = image_x(r->x1), ay = image_y(r->y1);
    long long bx = image_x(r->x2), by = image_y(r->y2);
    int x1, y1, x2, y2;
    if ((outside_limit(ax) | outside_limit(ay) | outside_limit(bx) | outside_limit(by)) == 0) {
        x1 = (int)ax;
        y1 = (int)ay;
        x2 = (int)bx;
        y2 = (int)by;
    } else {
        double dx1 = (double)ax, dy1 = (double)ay, dx2 = (double)bx, dy2 = (double)by;
        if (!clip_segment(&dx1, &dy1, &dx2, &dy2)) return;
        // An end point that was inside keeps its exact value.
        x1 = within_limit(ax) && within_limit(ay) ? (int)ax : clamp_double(dx1);
        y1 = within_limit(ax) && within_limit(ay) ? (int)ay : clamp_double(dy1);
        x2 = within_limit(bx) && within_limit(by) ? (int)bx : clamp_double(dx2);
        y2 = within_limit(bx) && within_limit(by) ? (int)by : clamp_double(dy2);
    }
    MoveToEx(rt.image_dc, x1, y1, NULL);
    LineTo(rt.image_dc, x2, y2);
}

static void render_shape(const DrawRequest* r) {
    COLORREF rgb = colour_value(r->colour);
    HPEN pen = CreatePen(PS_SOLID, pen_width(r->width), rgb);
    HPEN previous_pen = (HPEN)SelectObject(rt.image_dc, pen);
    if (r->kind == REQUEST_LINE) {
        draw_line(r);
        SelectObject(rt.image_dc, previous_pen);
        DeleteObject(pen);
        return;
    }
    HBRUSH brush = NULL;
    HGDIOBJ fill;
    if (r->width == 0) {
        brush = CreateSolidBrush(rgb);
        fill = brush;
    } else {
        fill = GetStockObject(NULL_BRUSH);
    }
    HGDIOBJ previous_brush = SelectObject(rt.image_dc, fill);
    if (r->kind == REQUEST_TRIANGLE) {
        draw_triangle(r);
    } else {
        // The layer leaves out the right column and bottom row; the +1 makes
        // both given corners part of the shape.
        int left = clamp_coord(image_x(r->x1));
        int top = clamp_coord(image_y(r->y1));
        int right = clamp_coord(image_x(r->x2) + 1);
        int bottom = clamp_coord(image_y(r->y2) + 1);
        if (r->kind == REQUEST_RECTANGLE)
            Rectangle(rt.image_dc, left, top, right, bottom);
        else
            Ellipse(rt.image_dc, left, top, right, bottom);
    }
    SelectObject(rt.image_dc, previous_pen);
    SelectObject(rt.image_dc, previous_brush);
    DeleteObject(pen);
    if (brush) DeleteObject(brush);
}

static void render_text(const DrawRequest* r) {
    HDC dc = rt.image_dc;
    SetTextColor(dc, colour_value(r->colour));
    int previous_mode = GetBkMode(dc);
    SetBkMode(dc, TRANSPARENT);
    HFONT font = CreateFontA(-r->ptsize, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0,
                             "KV319-font");
    HGDIOBJ previous_font = SelectObject(dc, font);

    // The text as UTF-16 (widen_text), in a block of its own for the call.
    const char* text = r->text ? r->text : "";
    size_t full_length = strlen(text);
    const size_t longest = (size_t)INT_MAX / sizeof(WCHAR);
    int length = (int)(full_length > longest ? longest : full_length);
    HGLOBAL block = length > 0 ? GlobalAlloc(GMEM_MOVEABLE, (SIZE_T)length * sizeof(WCHAR)) : NULL;
    WCHAR* wide = block ? (WCHAR*)GlobalLock(block) : NULL;
    int units = wide ? widen_text(text, length, wide) : 0;

    SIZE extent;
    extent.cx = 0;
    extent.cy = 0;
    GetTextExtentPoint32W(dc, wide, units, &extent);
    long long h = extent.cy;

    // (x, y) is the lower-left corner of the first line: line k starts
    // (k - 1) * h rows below the row of y.
    long long x = image_x(r->x1);
    long long top = image_y(r->y1) - h;
    int start = 0;
    for (int i = 0; i <= units; i++) {
        if (i < units && wide[i] != '\n') continue;
        if (within_limit(x) && within_limit(top))
            TextOutW(dc, (int)x, (int)top, wide ? wide + start : NULL, i - start);
        top += h;
        start = i + 1;
    }
    if (wide) GlobalUnlock(block);
    if (block) GlobalFree(block);

    SetBkMode(dc, previous_mode);
    SelectObject(dc, previous_font);
    DeleteObject(font);
}

void render(const DrawRequest* r) {
    switch (r->kind) {
    case REQUEST_TRIANGLE:
    case REQUEST_RECTANGLE:
    case REQUEST_OVAL:
    case REQUEST_LINE:
        render_shape(r);
        break;
    case REQUEST_PIXEL: {
        long long px = image_x(r->x1), py = image_y(r->y1);
        if (within_limit(px) && within_limit(py))
            SetPixel(rt.image_dc, (int)px, (int)py, colour_value(r->colour));
        break;
    }
    case REQUEST_TEXT:
        render_text(r);
        break;
    default:
        break;
    }
    rt.image_dirty = 1;
}
