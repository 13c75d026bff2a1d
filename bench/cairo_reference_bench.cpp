// cairo_reference_bench.cpp: the heavy frame's primitive list, drawn by our
// GDI layer and, as the reference, by Cairo (an image surface, antialiasing
// off for shapes and text), in the same run.
//
// The list is recorded once: this program links the card display against a
// stand-in for the runtime's drawing calls that applies the runtime's
// argument corrections and coordinate transform and keeps each primitive in
// image pixels, as the renderer would hand it to the layer. Our side then
// makes exactly the renderer's GDI calls for each primitive (a pen, brush
// and font created and deleted per call); Cairo's side fills and strokes the
// same shapes and shows the same texts. Cairo fills a filled shape without
// tracing its one-pixel outline again, so it does slightly less work.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_cards.h"
#include "gdi.h"
#include "kv319.h"

namespace {

constexpr int IMAGE_W = 601, IMAGE_H = 540;
// The origin the runtime gets from its graphics window's client area on the
// headless driver (the centre of the client area, in image pixels).
constexpr int ORIGIN_X = 300, ORIGIN_Y = 250;

const COLORREF COLOURS[24] = {
    RGB(0, 0, 0),       RGB(255, 255, 255), RGB(255, 0, 0),     RGB(0, 255, 0),
    RGB(0, 0, 255),     RGB(255, 255, 0),   RGB(255, 0, 255),   RGB(0, 255, 255),
    RGB(153, 0, 204),   RGB(0, 51, 153),    RGB(153, 102, 153), RGB(153, 255, 255),
    RGB(153, 255, 204), RGB(255, 102, 0),   RGB(153, 102, 51),  RGB(255, 153, 204),
    RGB(255, 255, 153), RGB(204, 153, 51),  RGB(255, 153, 102), RGB(0, 102, 51),
    RGB(51, 204, 153),  RGB(153, 153, 51),  RGB(128, 128, 128), RGB(204, 204, 204)};

enum Kind { TRIANGLE, RECTANGLE, OVAL, LINE, TEXT };

// One primitive in image pixels: rectangle and oval boxes are [x1, x2) x
// [y1, y2) as the renderer passes them; a text's (x1, y1) is its top-left.
struct Prim {
    Kind kind;
    COLORREF rgb;
    int width; // 0: filled
    int x1, y1, x2, y2, x3, y3;
    int ptsize, ascent;
    std::string text;
};

std::vector<Prim> recorded;

COLORREF colour_of(int c) {
    return COLOURS[c >= 0 && c < 24 ? c : 2];
}
int image_x(int x) {
    return ORIGIN_X + x;
}
int image_y(int y) {
    return ORIGIN_Y - y;
}

void record_box(Kind kind, int colour, int x1, int y1, int x2, int y2, int width) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 < y2) std::swap(y1, y2);
    recorded.push_back({kind,
                        colour_of(colour),
                        std::abs(width),
                        image_x(x1),
                        image_y(y1),
                        image_x(x2) + 1,
                        image_y(y2) + 1,
                        0,
                        0,
                        0,
                        0,
                        {}});
}

// Our layer's metrics of a text's font, as the renderer measures them.
void text_metrics(int ptsize, const char* text, int& height, int& ascent) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font =
        CreateFontA(-ptsize, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "KV319-font");
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPointA(dc, text, static_cast<int>(std::strlen(text)), &size);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    height = size.cy;
    ascent = tm.tmAscent;
}

// ---- Drawing the list ---------------------------------------------------------

struct OurImage {
    HDC dc = nullptr;
    OurImage() {
        dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, CreateCompatibleBitmap(dc, IMAGE_W, IMAGE_H));
    }
};

void draw_ours(HDC dc, const Prim& p) {
    if (p.kind == TEXT) {
        SetTextColor(dc, p.rgb);
        int mode = GetBkMode(dc);
        SetBkMode(dc, TRANSPARENT);
        HFONT font = CreateFontA(-p.ptsize, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0,
                                 "KV319-font");
        HGDIOBJ old = SelectObject(dc, font);
        int length = static_cast<int>(p.text.size());
        SIZE extent{};
        GetTextExtentPointA(dc, p.text.c_str(), length, &extent);
        TextOutA(dc, p.x1, p.y1, p.text.c_str(), length);
        SetBkMode(dc, mode);
        SelectObject(dc, old);
        DeleteObject(font);
        return;
    }
    HPEN pen = CreatePen(PS_SOLID, p.kind == LINE ? std::max(p.width, 1) : p.width, p.rgb);
    HGDIOBJ old_pen = SelectObject(dc, pen);
    if (p.kind == LINE) {
        MoveToEx(dc, p.x1, p.y1, nullptr);
        LineTo(dc, p.x2, p.y2);
        SelectObject(dc, old_pen);
        DeleteObject(pen);
        return;
    }
    HBRUSH brush = p.width == 0 ? CreateSolidBrush(p.rgb) : nullptr;
    HGDIOBJ old_brush = SelectObject(dc, brush ? brush : GetStockObject(NULL_BRUSH));
    if (p.kind == TRIANGLE) {
        POINT pts[3] = {{p.x1, p.y1}, {p.x2, p.y2}, {p.x3, p.y3}};
        Polygon(dc, pts, 3);
    } else if (p.kind == RECTANGLE) {
        Rectangle(dc, p.x1, p.y1, p.x2, p.y2);
    } else {
        Ellipse(dc, p.x1, p.y1, p.x2, p.y2);
    }
    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
    DeleteObject(pen);
    if (brush) DeleteObject(brush);
}

void set_colour(cairo_t* cr, COLORREF c) {
    cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

void draw_cairo(cairo_t* cr, const Prim& p) {
    set_colour(cr, p.rgb);
    switch (p.kind) {
    case TRIANGLE:
        cairo_move_to(cr, p.x1 + 0.5, p.y1 + 0.5);
        cairo_line_to(cr, p.x2 + 0.5, p.y2 + 0.5);
        cairo_line_to(cr, p.x3 + 0.5, p.y3 + 0.5);
        cairo_close_path(cr);
        break;
    case RECTANGLE:
        cairo_rectangle(cr, p.x1, p.y1, p.x2 - p.x1, p.y2 - p.y1);
        break;
    case OVAL: {
        double rx = (p.x2 - p.x1) / 2.0, ry = (p.y2 - p.y1) / 2.0;
        cairo_save(cr);
        cairo_translate(cr, p.x1 + rx, p.y1 + ry);
        cairo_scale(cr, std::max(rx, 0.5), std::max(ry, 0.5));
        cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
        cairo_restore(cr);
        break;
    }
    case LINE:
        cairo_move_to(cr, p.x1 + 0.5, p.y1 + 0.5);
        cairo_line_to(cr, p.x2 + 0.5, p.y2 + 0.5);
        cairo_set_line_width(cr, std::max(p.width, 1));
        cairo_stroke(cr);
        return;
    case TEXT:
        cairo_set_font_size(cr, p.ptsize);
        cairo_move_to(cr, p.x1, p.y1 + p.ascent);
        cairo_show_text(cr, p.text.c_str());
        return;
    }
    if (p.width == 0) {
        cairo_fill(cr);
    } else {
        cairo_set_line_width(cr, p.width);
        cairo_stroke(cr);
    }
}

const std::vector<Prim>& heavy_list() {
    if (recorded.empty()) {
        bench::Card card = bench::heavy_card();
        for (int i = 0; i < 3; ++i) {
            recorded.clear();
            bench::draw_frame(card); // a few frames in, as the benchmarks see it
        }
    }
    return recorded;
}

void BM_HeavyListOurs(benchmark::State& state) {
    const std::vector<Prim>& list = heavy_list();
    static OurImage image;
    for (auto _ : state)
        for (const Prim& p : list)
            draw_ours(image.dc, p);
    state.counters["primitives"] = static_cast<double>(list.size());
}
BENCHMARK(BM_HeavyListOurs)->Unit(benchmark::kMicrosecond);

void BM_HeavyListCairo(benchmark::State& state) {
    const std::vector<Prim>& list = heavy_list();
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, IMAGE_W, IMAGE_H);
    cairo_t* cr = cairo_create(surface);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
    cairo_set_font_options(cr, options);
    for (auto _ : state) {
        for (const Prim& p : list)
            draw_cairo(cr, p);
        cairo_surface_flush(surface);
    }
    state.counters["primitives"] = static_cast<double>(list.size());
    cairo_font_options_destroy(options);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}
BENCHMARK(BM_HeavyListCairo)->Unit(benchmark::kMicrosecond);

} // namespace

// ---- The runtime's drawing calls, recorded ----------------------------------------
// Only what the card display calls; the rest of the runtime is not linked.

int KV319_circle(int colour, int x, int y, int radius) {
    radius = std::abs(radius);
    record_box(OVAL, colour, x - radius, y + radius, x + radius, y - radius, 0);
    return 1;
}
int KV319_rectangle(int colour, int x1, int y1, int x2, int y2, int width) {
    record_box(RECTANGLE, colour, x1, y1, x2, y2, width);
    return 1;
}
int KV319_oval(int colour, int x1, int y1, int x2, int y2, int width) {
    record_box(OVAL, colour, x1, y1, x2, y2, width);
    return 1;
}
int KV319_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3, int width) {
    recorded.push_back({TRIANGLE,
                        colour_of(colour),
                        std::abs(width),
                        image_x(x1),
                        image_y(y1),
                        image_x(x2),
                        image_y(y2),
                        image_x(x3),
                        image_y(y3),
                        0,
                        0,
                        {}});
    return 1;
}
int KV319_line(int colour, int x1, int y1, int x2, int y2, int width) {
    recorded.push_back({LINE,
                        colour_of(colour),
                        std::max(std::abs(width), 1),
                        image_x(x1),
                        image_y(y1),
                        image_x(x2),
                        image_y(y2),
                        0,
                        0,
                        0,
                        0,
                        {}});
    return 1;
}
int KV319_text_printf(int colour, int x, int y, int ptsize, const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    int count = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    ptsize = std::min(std::abs(ptsize), 127);
    int height = 0, ascent = 0;
    text_metrics(ptsize, buffer, height, ascent);
    // The card's texts are single lines: the first line's cell lies just above y.
    recorded.push_back({TEXT, colour_of(colour), 0, image_x(x), image_y(y) - height, 0, 0, 0, 0,
                        ptsize, ascent, buffer});
    return count;
}
