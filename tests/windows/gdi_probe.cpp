// gdi_probe.cpp: draws the GDI calls that the runtime makes into a memory
// bitmap and writes the pixels out, so that two window systems can be
// compared.
//
// An ordinary Win32 program over winsys.h alone: built against our layer it
// runs on the headless driver, built for Windows it runs on the system's GDI
// (under Wine in our tests). Each case has its own cell (probe_cells.h). It
// writes gdi_probe.ppm (the picture, binary PPM) and gdi_probe.txt (figures:
// text metrics and extents, ScrollDC's update rectangles, returned values)
// into its current directory, and exits 0 when both were written.
#include <stdio.h>
#include <string.h>

#include "probe_cells.h"
#include "winsys.h"

using namespace probe;

static HDC picture;
static FILE* figures;

static int ox(CellId id) {
    return CELLS[id].x;
}
static int oy(CellId id) {
    return CELLS[id].y;
}

static void figure(const char* key, long a) {
    fprintf(figures, "%s %ld\n", key, a);
}

static void figure_rect(const char* key, const RECT& r) {
    fprintf(figures, "%s %ld %ld %ld %ld\n", key, (long)r.left, (long)r.top, (long)r.right,
            (long)r.bottom);
}

// Draws with a pen and a brush selected, then puts the DC's own back.
struct Tools {
    HGDIOBJ pen, brush;
    HGDIOBJ old_pen, old_brush;
};

static Tools select_tools(HDC dc, HGDIOBJ pen, HGDIOBJ brush) {
    Tools t;
    t.pen = pen;
    t.brush = brush;
    t.old_pen = SelectObject(dc, pen);
    t.old_brush = SelectObject(dc, brush);
    return t;
}

static void release_tools(HDC dc, Tools& t) {
    SelectObject(dc, t.old_pen);
    SelectObject(dc, t.old_brush);
    DeleteObject(t.pen);
    DeleteObject(t.brush); // stock objects ignore this
}

static void fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    // A pen of the brush's colour, so the fill covers the box whatever a
    // null pen would leave out.
    Tools t = select_tools(dc, CreatePen(PS_SOLID, 1, colour), CreateSolidBrush(colour));
    Rectangle(dc, left, top, right, bottom);
    release_tools(dc, t);
}

static void line(HDC dc, int width, COLORREF colour, int x0, int y0, int x1, int y1) {
    HPEN pen = CreatePen(PS_SOLID, width, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x0, y0, NULL);
    LineTo(dc, x1, y1);
    SelectObject(dc, old);
    DeleteObject(pen);
}

static void polygon(HDC dc, CellId id, const POINT* points, int count) {
    POINT moved[8];
    for (int i = 0; i < count && i < 8; i++) {
        moved[i].x = points[i].x + ox(id);
        moved[i].y = points[i].y + oy(id);
    }
    Polygon(dc, moved, count);
}

// ---- Rectangles, pixels and one-pixel lines --------------------------------

static void draw_clip_edge(void) {
    // The picture's top-left corner: shapes that start off the bitmap.
    Tools t = select_tools(picture, CreatePen(PS_SOLID, 1, RGB(0, 0, 0)),
                           CreateSolidBrush(RGB(0, 160, 0)));
    Rectangle(picture, -20, -20, 12, 10);
    release_tools(picture, t);
    line(picture, 1, RGB(200, 0, 0), -30, 40, 40, -30);
    line(picture, 1, RGB(0, 0, 200), 50, -5, 20, 60);
    POINT tri[3] = {{-40, 30}, {30, 60}, {5, 20}};
    t = select_tools(picture, GetStockObject(NULL_PEN), CreateSolidBrush(RGB(255, 0, 255)));
    Polygon(picture, tri, 3);
    release_tools(picture, t);
}

static void draw_rect_pen1(void) {
    int x = ox(CELL_RECT_PEN1), y = oy(CELL_RECT_PEN1);
    Tools t = select_tools(picture, CreatePen(PS_SOLID, 1, RGB(0, 0, 0)),
                           CreateSolidBrush(RGB(255, 255, 0)));
    Rectangle(picture, x + 10, y + 10, x + 31, y + 31);
    Rectangle(picture, x + 40, y + 12, x + 43, y + 15); // 3 x 3
    Rectangle(picture, x + 50, y + 50, x + 51, y + 51); // 1 x 1
    Rectangle(picture, x + 12, y + 40, x + 30, y + 41); // one row
    Rectangle(picture, x + 40, y + 30, x + 42, y + 60); // two columns
    Rectangle(picture, x + 5, y + 55, x + 5, y + 62);   // no width
    release_tools(picture, t);
}

static void draw_rect_null_brush(void) {
    int x = ox(CELL_RECT_NULL_BRUSH), y = oy(CELL_RECT_NULL_BRUSH);
    fill(picture, x + 20, y + 20, x + 44, y + 44, RGB(0, 200, 255));
    Tools t =
        select_tools(picture, CreatePen(PS_SOLID, 1, RGB(255, 0, 0)), GetStockObject(NULL_BRUSH));
    Rectangle(picture, x + 5, y + 5, x + 60, y + 40);
    Rectangle(picture, x + 10, y + 45, x + 20, y + 60);
    Rectangle(picture, x + 30, y + 50, x + 32, y + 52);
    release_tools(picture, t);
}

static void draw_rect_null_pen(void) {
    // The text window clears its last line this way.
    int x = ox(CELL_RECT_NULL_PEN), y = oy(CELL_RECT_NULL_PEN);
    Tools t = select_tools(picture, GetStockObject(NULL_PEN), CreateSolidBrush(RGB(0, 0, 255)));
    Rectangle(picture, x + 10, y + 10, x + 31, y + 31);
    Rectangle(picture, x + 40, y + 10, x + 42, y + 12);
    Rectangle(picture, x + 50, y + 10, x + 51, y + 11);
    Rectangle(picture, x + 5, y + 40, x + 60, y + 61);
    release_tools(picture, t);
}

static void draw_rect_swapped(void) {
    int x = ox(CELL_RECT_SWAPPED), y = oy(CELL_RECT_SWAPPED);
    Tools t = select_tools(picture, CreatePen(PS_SOLID, 1, RGB(0, 0, 0)),
                           CreateSolidBrush(RGB(0, 255, 0)));
    Rectangle(picture, x + 31, y + 31, x + 10, y + 10);
    Rectangle(picture, x + 60, y + 5, x + 40, y + 30);
    Rectangle(picture, x + 20, y + 60, x + 40, y + 40);
    release_tools(picture, t);
}

static void draw_pixels(void) {
    int x = ox(CELL_PIXELS), y = oy(CELL_PIXELS);
    for (int i = 0; i < 16; i++)
        for (int j = 0; j < 16; j++)
            if ((i + j) % 3 == 0)
                SetPixel(picture, x + 4 + 3 * i, y + 4 + 3 * j, RGB(i * 16, j * 16, 255 - i * 8));
    figure("setpixel_result", (long)SetPixel(picture, x + 1, y + 1, RGB(10, 20, 30)));
    figure("getpixel_back", (long)GetPixel(picture, x + 1, y + 1));
}

static void draw_lines_fan(void) {
    int cx = ox(CELL_LINES_FAN) + 32, cy = oy(CELL_LINES_FAN) + 32;
    // Every octant, the axes, the diagonals and slopes that fall on ties.
    static const int ends[][2] = {{28, 0},   {28, 7},  {28, 14}, {28, 28},  {14, 28},
                                  {7, 28},   {0, 28},  {-7, 28}, {-14, 28}, {-28, 28},
                                  {-28, 14}, {-28, 7}, {-28, 0}, {-28, -9}, {-28, -28},
                                  {-9, -28}, {0, -28}, {9, -28}, {28, -28}, {28, -9}};
    int n = (int)(sizeof ends / sizeof ends[0]);
    for (int i = 0; i < n; i++) {
        COLORREF c = RGB((i * 53) % 256, (i * 97) % 256, (i * 151) % 256);
        line(picture, 1, c, cx, cy, cx + ends[i][0], cy + ends[i][1]);
    }
}

static void draw_lines_short(void) {
    int x = ox(CELL_LINES_SHORT), y = oy(CELL_LINES_SHORT);
    line(picture, 1, RGB(0, 0, 0), x + 5, y + 5, x + 5, y + 5); // to its own start
    line(picture, 1, RGB(0, 0, 0), x + 8, y + 5, x + 9, y + 5);
    line(picture, 1, RGB(0, 0, 0), x + 12, y + 5, x + 12, y + 6);
    line(picture, 1, RGB(0, 0, 0), x + 15, y + 5, x + 17, y + 7);
    line(picture, 1, RGB(255, 0, 0), x + 10, y + 10, x + 11, y + 30);
    line(picture, 1, RGB(0, 128, 0), x + 20, y + 10, x + 40, y + 11);
    // The same slope both ways: where the minor step falls.
    line(picture, 1, RGB(0, 0, 255), x + 10, y + 40, x + 50, y + 47);
    line(picture, 1, RGB(255, 0, 255), x + 50, y + 57, x + 10, y + 50);
    line(picture, 1, RGB(0, 128, 128), x + 45, y + 10, x + 52, y + 35);
    line(picture, 1, RGB(128, 128, 0), x + 60, y + 35, x + 55, y + 12);
    // A polyline: each segment starts where the last one left off.
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(90, 40, 0));
    HGDIOBJ old = SelectObject(picture, pen);
    MoveToEx(picture, x + 20, y + 20, NULL);
    LineTo(picture, x + 35, y + 22);
    LineTo(picture, x + 30, y + 34);
    LineTo(picture, x + 20, y + 20);
    POINT previous;
    MoveToEx(picture, x + 1, y + 1, &previous);
    figure("moveto_previous_x", (long)(previous.x - x));
    figure("moveto_previous_y", (long)(previous.y - y));
    SelectObject(picture, old);
    DeleteObject(pen);
}

// ---- Polygons --------------------------------------------------------------

static void draw_poly_fill(void) {
    Tools t = select_tools(picture, GetStockObject(NULL_PEN), CreateSolidBrush(RGB(200, 100, 0)));
    POINT tri[3] = {{5, 5}, {58, 12}, {20, 58}};
    polygon(picture, CELL_POLY_FILL, tri, 3);
    POINT sliver[3] = {{40, 40}, {62, 44}, {41, 62}};
    polygon(picture, CELL_POLY_FILL, sliver, 3);
    release_tools(picture, t);
}

static void draw_poly_star(void) {
    // Self-crossing: the alternate rule leaves the middle open.
    Tools t = select_tools(picture, GetStockObject(NULL_PEN), CreateSolidBrush(RGB(0, 0, 160)));
    POINT star[5] = {{32, 2}, {51, 60}, {2, 24}, {62, 24}, {13, 60}};
    polygon(picture, CELL_POLY_STAR, star, 5);
    release_tools(picture, t);
}

static void draw_poly_fill_outline(void) {
    Tools t = select_tools(picture, CreatePen(PS_SOLID, 1, RGB(0, 0, 0)),
                           CreateSolidBrush(RGB(255, 128, 128)));
    POINT tri[3] = {{6, 58}, {32, 4}, {58, 50}};
    polygon(picture, CELL_POLY_FILL_OUTLINE, tri, 3);
    POINT thin[3] = {{4, 4}, {20, 6}, {5, 8}};
    polygon(picture, CELL_POLY_FILL_OUTLINE, thin, 3);
    release_tools(picture, t);
}

static void draw_poly_outline(void) {
    Tools t =
        select_tools(picture, CreatePen(PS_SOLID, 1, RGB(0, 100, 0)), GetStockObject(NULL_BRUSH));
    POINT quad[4] = {{4, 4}, {40, 4}, {40, 30}, {4, 30}};
    polygon(picture, CELL_POLY_OUTLINE, quad, 4);
    POINT tri[3] = {{10, 60}, {60, 36}, {50, 60}};
    polygon(picture, CELL_POLY_OUTLINE, tri, 3);
    release_tools(picture, t);
}

static void draw_poly_degenerate(void) {
    // Triangles the runtime may be given: all corners on one point, or on
    // one line.
    Tools t = select_tools(picture, CreatePen(PS_SOLID, 1, RGB(0, 0, 0)),
                           CreateSolidBrush(RGB(0, 200, 200)));
    POINT point[3] = {{10, 10}, {10, 10}, {10, 10}};
    polygon(picture, CELL_POLY_DEGENERATE, point, 3);
    POINT flat[3] = {{20, 20}, {40, 40}, {55, 55}};
    polygon(picture, CELL_POLY_DEGENERATE, flat, 3);
    POINT row[3] = {{5, 50}, {30, 50}, {15, 50}};
    polygon(picture, CELL_POLY_DEGENERATE, row, 3);
    release_tools(picture, t);
    t = select_tools(picture, GetStockObject(NULL_PEN), CreateSolidBrush(RGB(200, 0, 200)));
    POINT flat_filled[3] = {{40, 5}, {60, 5}, {50, 5}};
    polygon(picture, CELL_POLY_DEGENERATE, flat_filled, 3);
    release_tools(picture, t);
}

// ---- Scrolling ---------------------------------------------------------------

static void stripes(HDC dc, int x, int y, int size) {
    for (int i = 0; i < size; i += 4)
        fill(dc, x, y + i, x + size, y + i + 2, RGB((i * 4) % 256, 90, 255 - (i * 4) % 256));
    for (int i = 0; i < size; i += 8)
        fill(dc, x + i, y, x + i + 3, y + size, RGB(0, (i * 4) % 256, 0));
}

static void draw_scroll_whole(HDC window_dc) {
    // As the text window does: the whole DC up by one line.
    HDC small = CreateCompatibleDC(window_dc);
    HBITMAP bitmap = CreateCompatibleBitmap(window_dc, 64, 64);
    HGDIOBJ old = SelectObject(small, bitmap);
    fill(small, 0, 0, 64, 64, RGB(255, 255, 255));
    stripes(small, 0, 0, 64);
    ScrollDC(small, 0, -11, NULL, NULL, NULL, NULL);
    ScrollDC(small, 3, 2, NULL, NULL, NULL, NULL);
    BitBlt(picture, ox(CELL_SCROLL_WHOLE), oy(CELL_SCROLL_WHOLE), 64, 64, small, 0, 0, SRCCOPY);
    SelectObject(small, old);
    DeleteObject(bitmap);
    DeleteDC(small);
}

static void draw_scroll_part(void) {
    int x = ox(CELL_SCROLL_PART), y = oy(CELL_SCROLL_PART);
    stripes(picture, x, y, 64);
    RECT scroll = {x + 8, y + 8, x + 48, y + 48};
    RECT clip = {x + 4, y + 4, x + 40, y + 60};
    RECT update;
    memset(&update, 0, sizeof update);
    ScrollDC(picture, 7, -5, &scroll, &clip, NULL, &update);
    RECT relative = {update.left - x, update.top - y, update.right - x, update.bottom - y};
    figure_rect("scroll_part_update", relative);
}

// ---- Ellipses and wide pens --------------------------------------------------

static void ellipses(CellId id, HGDIOBJ brush) {
    int x = ox(id), y = oy(id);
    Tools t = select_tools(picture, CreatePen(PS_SOLID, 1, RGB(0, 0, 0)), brush);
    Ellipse(picture, x + 2, y + 2, x + 13, y + 13);   // odd size
    Ellipse(picture, x + 20, y + 2, x + 32, y + 14);  // even size
    Ellipse(picture, x + 2, y + 20, x + 60, y + 38);  // flat
    Ellipse(picture, x + 44, y + 40, x + 50, y + 62); // thin
    Ellipse(picture, x + 50, y + 5, x + 52, y + 7);   // tiny
    Ellipse(picture, x + 10, y + 44, x + 31, y + 61);
    Ellipse(picture, x + 56, y + 48, x + 59, y + 51); // three pixels
    release_tools(picture, t);
}

static void draw_ellipse_big(void) {
    int x = ox(CELL_ELLIPSE_BIG), y = oy(CELL_ELLIPSE_BIG);
    Tools t = select_tools(picture, CreatePen(PS_SOLID, 1, RGB(128, 0, 0)),
                           CreateSolidBrush(RGB(255, 200, 0)));
    Ellipse(picture, x + 2, y + 2, x + 62, y + 62);
    release_tools(picture, t);
}

static void draw_wide_shapes(void) {
    // The runtime's outlined rectangles, ovals and triangles with a width.
    int x = ox(CELL_WIDE_RECT), y = oy(CELL_WIDE_RECT);
    Tools t =
        select_tools(picture, CreatePen(PS_SOLID, 5, RGB(0, 0, 160)), GetStockObject(NULL_BRUSH));
    Rectangle(picture, x + 8, y + 8, x + 40, y + 30);
    release_tools(picture, t);
    t = select_tools(picture, CreatePen(PS_SOLID, 2, RGB(160, 0, 0)), GetStockObject(NULL_BRUSH));
    Rectangle(picture, x + 20, y + 38, x + 56, y + 58);
    release_tools(picture, t);

    x = ox(CELL_WIDE_ELLIPSE);
    y = oy(CELL_WIDE_ELLIPSE);
    t = select_tools(picture, CreatePen(PS_SOLID, 5, RGB(0, 120, 0)), GetStockObject(NULL_BRUSH));
    Ellipse(picture, x + 6, y + 6, x + 58, y + 40);
    release_tools(picture, t);
    t = select_tools(picture, CreatePen(PS_SOLID, 2, RGB(0, 0, 0)), GetStockObject(NULL_BRUSH));
    Ellipse(picture, x + 20, y + 42, x + 44, y + 62);
    release_tools(picture, t);

    t = select_tools(picture, CreatePen(PS_SOLID, 5, RGB(120, 0, 120)), GetStockObject(NULL_BRUSH));
    POINT tri[3] = {{8, 8}, {56, 20}, {20, 56}};
    polygon(picture, CELL_WIDE_POLY, tri, 3);
    release_tools(picture, t);
}

static void wide_lines(CellId id, int width) {
    int x = ox(id), y = oy(id);
    int span = CELLS[id].width;
    int m = width / 2 + 3;
    line(picture, width, RGB(0, 0, 0), x + m, y + m, x + span - m, y + m);             // across
    line(picture, width, RGB(0, 0, 200), x + m, y + m + 8 + width, x + m, y + 60 - m); // down
    line(picture, width, RGB(200, 0, 0), x + m + 10 + width, y + 60 - m, x + span - m,
         y + m + width + 6); // up, slanted
    line(picture, width, RGB(0, 150, 0), x + span - m - 4, y + 60 - m, x + span - m - 4,
         y + 60 - m); // a dot
}

// ---- Text ----------------------------------------------------------------------

static void draw_text(CellId id, int height, const char* text, bool opaque) {
    const Cell& c = CELLS[id];
    fill(picture, c.x, c.y, c.x + c.width, c.y + c.height, c.paper);
    HFONT font =
        CreateFontA(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, TEXT_FACE);
    HGDIOBJ old_font = SelectObject(picture, font);
    SetTextColor(picture, c.ink);
    SetBkColor(picture, c.box);
    int old_mode = SetBkMode(picture, opaque ? OPAQUE : TRANSPARENT);
    int length = (int)strlen(text);
    TextOutA(picture, c.x + TEXT_ORIGIN_X, c.y + TEXT_ORIGIN_Y, text, length);

    char key[64];
    SIZE extent;
    memset(&extent, 0, sizeof extent);
    GetTextExtentPointA(picture, text, length, &extent);
    snprintf(key, sizeof key, "%s_extent_cx", c.name);
    figure(key, extent.cx);
    snprintf(key, sizeof key, "%s_extent_cy", c.name);
    figure(key, extent.cy);
    TEXTMETRICA tm;
    memset(&tm, 0, sizeof tm);
    GetTextMetricsA(picture, &tm);
    snprintf(key, sizeof key, "%s_tm_height", c.name);
    figure(key, tm.tmHeight);
    snprintf(key, sizeof key, "%s_tm_ascent", c.name);
    figure(key, tm.tmAscent);
    snprintf(key, sizeof key, "%s_tm_external_leading", c.name);
    figure(key, tm.tmExternalLeading);

    SetBkMode(picture, old_mode);
    SelectObject(picture, old_font);
    DeleteObject(font);
}

static void fixed_font_figures(void) {
    HGDIOBJ old = SelectObject(picture, GetStockObject(ANSI_FIXED_FONT));
    TEXTMETRICA tm;
    memset(&tm, 0, sizeof tm);
    GetTextMetricsA(picture, &tm);
    figure("fixed_tm_height", tm.tmHeight);
    figure("fixed_tm_external_leading", tm.tmExternalLeading);
    SIZE extent;
    memset(&extent, 0, sizeof extent);
    GetTextExtentPointA(picture, "MMMM", 4, &extent);
    figure("fixed_extent_cx", extent.cx);
    SelectObject(picture, old);
}

// ---- The DC's defaults and object bookkeeping -----------------------------------

static void dc_figures(void) {
    figure("default_bk_mode", GetBkMode(picture));
    figure("default_bk_colour", (long)GetBkColor(picture));
    HPEN pen = CreatePen(PS_SOLID, 3, RGB(1, 2, 3));
    HGDIOBJ first = SelectObject(picture, pen);
    HGDIOBJ back = SelectObject(picture, first);
    figure("select_returns_replaced", back == pen ? 1 : 0);
    DeleteObject(pen);
    figure("set_bk_mode_returns_previous", SetBkMode(picture, OPAQUE) == OPAQUE ? 1 : 0);
}

static LRESULT CALLBACK probe_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

static bool write_picture(void) {
    FILE* f = fopen(PICTURE_FILE, "wb");
    if (!f) return false;
    fprintf(f, "P6\n%d %d\n255\n", PICTURE_WIDTH, PICTURE_HEIGHT);
    static unsigned char row[PICTURE_WIDTH * 3];
    for (int y = 0; y < PICTURE_HEIGHT; y++) {
        for (int x = 0; x < PICTURE_WIDTH; x++) {
            COLORREF c = GetPixel(picture, x, y);
            row[3 * x] = GetRValue(c);
            row[3 * x + 1] = GetGValue(c);
            row[3 * x + 2] = GetBValue(c);
        }
        fwrite(row, 1, sizeof row, f);
    }
    bool ok = !ferror(f);
    return fclose(f) == 0 && ok;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    (void)previous, (void)command_line, (void)show;
    figures = fopen(FIGURES_FILE, "w");
    if (!figures) return 1;

    // Drawn like the runtime's off-screen image: a bitmap compatible with a
    // window's DC. The window is never shown.
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = probe_window_proc;
    wc.hInstance = instance;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = "GdiProbe";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "GdiProbe", "GDI probe", WS_CAPTION | WS_SYSMENU, 0, 0, 200,
                                  100, NULL, NULL, instance, NULL);
    HDC window_dc = GetDC(window);
    HBITMAP bitmap = CreateCompatibleBitmap(window_dc, PICTURE_WIDTH, PICTURE_HEIGHT);
    picture = CreateCompatibleDC(window_dc);
    HGDIOBJ old_bitmap = SelectObject(picture, bitmap);

    dc_figures();
    fill(picture, 0, 0, PICTURE_WIDTH, PICTURE_HEIGHT, RGB(255, 255, 255));
    draw_clip_edge();
    draw_rect_pen1();
    draw_rect_null_brush();
    draw_rect_null_pen();
    draw_rect_swapped();
    draw_pixels();
    draw_lines_fan();
    draw_lines_short();
    draw_poly_fill();
    draw_poly_star();
    draw_poly_fill_outline();
    draw_poly_outline();
    draw_poly_degenerate();
    draw_scroll_whole(window_dc);
    draw_scroll_part();
    ellipses(CELL_ELLIPSE_PEN1, CreateSolidBrush(RGB(255, 255, 0)));
    ellipses(CELL_ELLIPSE_NULL_BRUSH, GetStockObject(NULL_BRUSH));
    draw_ellipse_big();
    draw_wide_shapes();
    wide_lines(CELL_WIDE2, 2);
    wide_lines(CELL_WIDE5, 5);
    wide_lines(CELL_WIDE15, 15);
    draw_text(CELL_TEXT12_TRANSPARENT, 12, TEXT_SAMPLE, false);
    draw_text(CELL_TEXT12_OPAQUE, 12, TEXT_SAMPLE, true);
    draw_text(CELL_TEXT60_TRANSPARENT, 60, TEXT_SAMPLE_LARGE, false);
    draw_text(CELL_TEXT60_OPAQUE, 60, TEXT_SAMPLE_LARGE, true);
    fixed_font_figures();

    bool ok = write_picture();
    SelectObject(picture, old_bitmap);
    DeleteObject(bitmap);
    DeleteDC(picture);
    ReleaseDC(window, window_dc);
    DestroyWindow(window);
    ok = fclose(figures) == 0 && ok;
    return ok ? 0 : 1;
}
