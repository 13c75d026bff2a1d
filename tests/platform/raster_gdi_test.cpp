// raster_gdi_test.cpp: the GDI drawing calls through the real API, on memory
// DCs and one window DC: the pen and brush as selected, the shapes as the
// runtime draws them, lines and the current position, pixels, block copies
// and scrolling, and the golden pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "gdi.h"
#include "headless_start.h"
#include "raster_support.h"
#include "winsys.h"
#include "wm.h"

using namespace raster_test;

namespace {

constexpr COLORREF RED = RGB(255, 0, 0); // pixel OTHER

// A memory DC drawing on a w x h bitmap that starts all BACK.
class Gdi : public ::testing::Test {
  protected:
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    int w = 0, h = 0;

    void make(int width, int height) {
        w = width, h = height;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateCompatibleBitmap(dc, w, h);
        ASSERT_NE(SelectObject(dc, bitmap), nullptr);
        clear();
    }
    std::vector<uint32_t>& px() { return ws::gdi_bitmap(bitmap)->pixels; }
    void clear() { std::fill(px().begin(), px().end(), BACK); }
    uint32_t at(int x, int y) { return px()[size_t(y) * w + x]; }
    bool painted(int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && at(x, y) != BACK; }
    size_t count(uint32_t p) { return size_t(std::count(px().begin(), px().end(), p)); }
    void golden(const char* name) { expect_golden(name, px().data(), w, h, w); }
};

} // namespace

TEST_F(Gdi, RectangleWithDefaultHollowAndNullObjects) {
    make(40, 40);
    // A new DC: black one-pixel pen on the edge pixels, white brush inside.
    ASSERT_TRUE(Rectangle(dc, 10, 10, 31, 31));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            bool in = x >= 10 && x <= 30 && y >= 10 && y <= 30;
            bool edge = in && (x == 10 || x == 30 || y == 10 || y == 30);
            ASSERT_EQ(at(x, y), !in ? BACK : edge ? PEN : BRUSH) << x << "," << y;
        }
    // The hollow brush leaves the inside alone.
    clear();
    HGDIOBJ old_brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    EXPECT_EQ(old_brush, GetStockObject(WHITE_BRUSH));
    Rectangle(dc, 10, 10, 31, 31);
    EXPECT_EQ(count(PEN), size_t(4 * 20));
    EXPECT_EQ(count(BACK), size_t(1600 - 80));
    // With a null pen the brush fills the box less its right column and
    // bottom row, as the system's GDI does.
    clear();
    HBRUSH red = CreateSolidBrush(RED);
    SelectObject(dc, red);
    HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, 10, 10, 31, 31);
    EXPECT_EQ(count(OTHER), size_t(20 * 20));
    EXPECT_EQ(at(29, 29), OTHER);
    EXPECT_EQ(at(30, 29), BACK);
    EXPECT_EQ(at(29, 30), BACK);
    // Width 0 is one pixel, as width 1 is.
    clear();
    HPEN thin = CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
    SelectObject(dc, thin);
    SelectObject(dc, old_brush);
    Rectangle(dc, 10, 10, 31, 31);
    EXPECT_EQ(count(PEN), size_t(4 * 20));
    SelectObject(dc, old_pen);
    EXPECT_TRUE(DeleteObject(thin));
    EXPECT_TRUE(DeleteObject(red));
    EXPECT_FALSE(Rectangle(nullptr, 0, 0, 5, 5));
}

TEST_F(Gdi, CirclesAndOvalsAsTheRuntimeDrawsThem) {
    make(64, 64);
    // Circle of radius 5 at (20, 20): pen and brush alike, square 2r + 1 wide.
    HPEN pen = CreatePen(PS_SOLID, 0, RED);
    HBRUSH brush = CreateSolidBrush(RED);
    HGDIOBJ old_pen = SelectObject(dc, pen), old_brush = SelectObject(dc, brush);
    Ellipse(dc, 15, 15, 26, 26);
    for (int i = 15; i <= 25; ++i)
        EXPECT_TRUE(painted(i, 20) && painted(20, i)) << i;
    EXPECT_FALSE(painted(14, 20) || painted(26, 20) || painted(20, 14) || painted(20, 26));
    for (int y = 15; y <= 25; ++y)
        for (int x = 15; x <= 25; ++x) {
            EXPECT_EQ(painted(x, y), painted(40 - x, y)) << x << "," << y;
            EXPECT_EQ(painted(x, y), painted(x, 40 - y)) << x << "," << y;
        }
    // Radius 0: one pixel.
    size_t before = count(OTHER);
    Ellipse(dc, 50, 50, 51, 51);
    EXPECT_EQ(count(OTHER), before + 1);
    EXPECT_EQ(at(50, 50), OTHER);
    // A 3-pixel outline with the hollow brush, centred on the one-pixel edge.
    HPEN wide = CreatePen(PS_SOLID, 3, RED);
    SelectObject(dc, wide);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Ellipse(dc, 30, 40, 61, 61);
    EXPECT_EQ(at(28, 50), BACK);
    EXPECT_TRUE(painted(29, 50) && painted(30, 50) && painted(31, 50));
    EXPECT_EQ(at(32, 50), BACK);
    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
    EXPECT_TRUE(DeleteObject(pen) && DeleteObject(wide) && DeleteObject(brush));
}

TEST_F(Gdi, OnePixelOutlinesGolden) {
    make(32, 24);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, 1, 1, 13, 10);
    Ellipse(dc, 15, 1, 31, 12);
    Ellipse(dc, 2, 12, 9, 23);
    Ellipse(dc, 11, 14, 30, 21);
    golden("raster_outlines");
}

TEST_F(Gdi, PolygonsFillOutlineAndDegenerateCases) {
    make(40, 40);
    POINT tri[] = {{3, 2}, {21, 9}, {7, 21}};
    ASSERT_TRUE(Polygon(dc, tri, 3));
    for (const POINT& p : tri)
        EXPECT_EQ(at(p.x, p.y), PEN); // the outline holds the corners
    expect_golden("raster_filled_triangle", px().data(), 24, 24, w);
    // A self-intersecting star leaves its middle open.
    clear();
    POINT star[] = {{20, 2}, {31, 36}, {2, 14}, {38, 14}, {9, 36}};
    SelectObject(dc, GetStockObject(NULL_PEN));
    Polygon(dc, star, 5);
    EXPECT_EQ(at(20, 20), BACK);
    EXPECT_EQ(at(20, 8), BRUSH);
    // A flat triangle is only its outline, both ends included.
    clear();
    SelectObject(dc, GetStockObject(BLACK_PEN));
    POINT flat[] = {{2, 5}, {11, 5}, {20, 5}};
    Polygon(dc, flat, 3);
    EXPECT_EQ(count(PEN), size_t(19));
    EXPECT_EQ(count(BACK), size_t(1600 - 19));
    EXPECT_FALSE(Polygon(dc, flat, 1));
    EXPECT_FALSE(Polygon(dc, nullptr, 3));
}

TEST_F(Gdi, LinesLeaveOutTheEndAndMoveTheCurrentPosition) {
    make(20, 20);
    POINT prev{-1, -1};
    ASSERT_TRUE(MoveToEx(dc, 2, 3, &prev));
    EXPECT_TRUE(prev.x == 0 && prev.y == 0); // a new DC starts at (0, 0)
    LineTo(dc, 10, 3);
    EXPECT_EQ(count(PEN), size_t(8));
    EXPECT_EQ(at(10, 3), BACK);
    // Lines drawn on from each end close a box without gaps or extras:
    // the pixels of the hollow rectangle.
    LineTo(dc, 10, 9);
    LineTo(dc, 2, 9);
    LineTo(dc, 2, 3);
    MoveToEx(dc, 0, 0, &prev);
    EXPECT_TRUE(prev.x == 2 && prev.y == 3);
    std::vector<uint32_t> lines = px();
    clear();
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, 2, 3, 11, 10);
    EXPECT_EQ(px(), lines);
    // A null pen draws nothing but still moves.
    clear();
    SelectObject(dc, GetStockObject(NULL_PEN));
    LineTo(dc, 15, 15);
    EXPECT_EQ(count(BACK), size_t(400));
    MoveToEx(dc, 0, 0, &prev);
    EXPECT_EQ(prev.x, 15);
    EXPECT_FALSE(LineTo(nullptr, 1, 1));
}

TEST_F(Gdi, LineGoldens) {
    // One-pixel lines into every octant, which pins the rounding.
    make(40, 30);
    POINT ends[] = {{24, 12}, {24, 18}, {22, 24}, {15, 24}, {12, 24}, {5, 24}, {0, 20},
                    {0, 14},  {0, 9},   {1, 0},   {9, 0},   {12, 0},  {17, 0}, {24, 4}};
    for (const POINT& e : ends)
        MoveToEx(dc, 12, 12, nullptr), LineTo(dc, e.x, e.y);
    expect_golden("raster_line_fan", px().data(), 25, 25, w);
    // Wide pens: round ends and joins, end pixel included.
    clear();
    HPEN pen = CreatePen(PS_SOLID, 5, RGB(0, 0, 0)), even = CreatePen(PS_SOLID, 4, RED);
    SelectObject(dc, pen);
    MoveToEx(dc, 6, 6, nullptr);
    LineTo(dc, 30, 6);
    LineTo(dc, 30, 22);
    LineTo(dc, 8, 24);
    SelectObject(dc, even);
    MoveToEx(dc, 12, 12, nullptr);
    LineTo(dc, 22, 16);
    EXPECT_TRUE(painted(4, 6) && !painted(3, 6) && !painted(4, 4)); // the start cap
    // The outside of the join at (30, 6): (32, 4) lies sqrt(8) from it,
    // beyond the radius of 2.5.
    EXPECT_TRUE(painted(32, 5) && painted(31, 4) && !painted(32, 4));
    golden("raster_wide_lines");
    SelectObject(dc, GetStockObject(BLACK_PEN));
    EXPECT_TRUE(DeleteObject(pen) && DeleteObject(even));
}

TEST_F(Gdi, PixelsInsideAndOutsideTheBitmap) {
    make(8, 6);
    EXPECT_EQ(SetPixel(dc, 3, 4, 0xAB123456), COLORREF(0x123456));
    EXPECT_EQ(GetPixel(dc, 3, 4), COLORREF(0x123456));
    EXPECT_EQ(at(3, 4), ws::pixel_from_colorref(0x123456));
    for (POINT p : {POINT{-1, 0}, POINT{8, 0}, POINT{0, 6}, POINT{INT_MIN, INT_MAX}}) {
        EXPECT_EQ(SetPixel(dc, p.x, p.y, 0), CLR_INVALID) << p.x << "," << p.y;
        EXPECT_EQ(GetPixel(dc, p.x, p.y), CLR_INVALID) << p.x << "," << p.y;
    }
    EXPECT_EQ(count(BACK), size_t(47));
    EXPECT_EQ(GetPixel(nullptr, 0, 0), CLR_INVALID);
}

TEST_F(Gdi, BitBltCopiesClippedToBothDCs) {
    make(10, 10);
    HDC src = CreateCompatibleDC(nullptr);
    HBITMAP sb = CreateCompatibleBitmap(src, 8, 8);
    SelectObject(src, sb);
    std::vector<uint32_t>& s = ws::gdi_bitmap(sb)->pixels;
    for (int i = 0; i < 64; ++i)
        s[size_t(i)] = uint32_t(i + 1);
    ASSERT_TRUE(BitBlt(dc, 4, 5, 8, 8, src, 0, 0, SRCCOPY));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(at(x, y), (x >= 4 && y >= 5) ? s[size_t(y - 5) * 8 + (x - 4)] : BACK);
    // A source partly off its bitmap copies only what exists.
    clear();
    BitBlt(dc, 0, 0, 4, 4, src, -2, -1, SRCCOPY);
    EXPECT_EQ(at(2, 1), s[0]);
    EXPECT_EQ(at(3, 3), s[2 * 8 + 1]);
    EXPECT_EQ(count(BACK), size_t(100 - 6));
    // Only SRCCOPY is known; nothing is drawn for the others.
    clear();
    EXPECT_FALSE(BitBlt(dc, 0, 0, 8, 8, src, 0, 0, 0x00EE0086));
    EXPECT_FALSE(BitBlt(dc, 0, 0, 8, 8, nullptr, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(dc, INT_MAX, INT_MIN, INT_MAX, INT_MAX, src, INT_MIN, INT_MAX, SRCCOPY));
    EXPECT_EQ(count(BACK), size_t(100));
    // Within one DC the blocks may overlap, in any direction.
    for (int dy = -2; dy <= 2; dy += 2)
        for (int dx = -2; dx <= 2; dx += 2) {
            for (int i = 0; i < 100; ++i)
                px()[size_t(i)] = uint32_t(i);
            BitBlt(dc, 3 + dx, 3 + dy, 4, 4, dc, 3, 3, SRCCOPY);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x)
                    ASSERT_EQ(at(3 + dx + x, 3 + dy + y), uint32_t((3 + y) * 10 + 3 + x));
        }
    DeleteDC(src);
    DeleteObject(sb);
}

TEST_F(Gdi, ScrollDCMovesPixelsAndReportsWhatItUncovered) {
    make(20, 12);
    auto label = [&] {
        for (int i = 0; i < 240; ++i)
            px()[size_t(i)] = uint32_t(i);
    };
    auto old = [](int x, int y) { return uint32_t(y * 20 + x); };
    RECT upd;
    // All of it up by 3 rows, as the console scrolls: the last rows stay.
    label();
    ASSERT_TRUE(ScrollDC(dc, 0, -3, nullptr, nullptr, nullptr, &upd));
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(at(x, y), old(x, y < 9 ? y + 3 : y));
    EXPECT_EQ(ws::from_win(upd), (ws::Rect{0, 9, 20, 12}));
    // A scroll rectangle clipped to itself: nothing outside it changes.
    label();
    RECT r{5, 2, 15, 8};
    ScrollDC(dc, 2, 0, &r, &r, nullptr, &upd);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(at(x, y), (x >= 7 && x < 15 && y >= 2 && y < 8) ? old(x - 2, y) : old(x, y));
    EXPECT_EQ(ws::from_win(upd), (ws::Rect{5, 2, 7, 8}));
    // Diagonally the uncovered part is an L, reported by its bounds.
    label();
    ScrollDC(dc, -2, 1, &r, &r, nullptr, &upd);
    EXPECT_EQ(at(5, 3), old(7, 2));
    EXPECT_EQ(ws::from_win(upd), (ws::Rect{5, 2, 15, 8}));
    // Without a clip rectangle the pixels may land outside the scroll one.
    label();
    ScrollDC(dc, 0, 3, &r, nullptr, nullptr, &upd);
    EXPECT_EQ(at(6, 10), old(6, 7));
    EXPECT_EQ(ws::from_win(upd), (ws::Rect{5, 2, 15, 5}));
    // Shifts past the area move nothing and uncover all; no shift, nothing.
    label();
    ScrollDC(dc, INT_MAX, INT_MIN, nullptr, nullptr, nullptr, &upd);
    EXPECT_EQ(ws::from_win(upd), (ws::Rect{0, 0, 20, 12}));
    ScrollDC(dc, 0, 0, nullptr, nullptr, nullptr, &upd);
    EXPECT_EQ(ws::from_win(upd), (ws::Rect{0, 0, 0, 0}));
    for (int i = 0; i < 240; ++i)
        ASSERT_EQ(px()[size_t(i)], uint32_t(i));
}

TEST(GdiWindow, DrawingIsClippedToTheClientAreaAndMarkedForPresenting) {
    ws::headless_start(640, 480);
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hbrBackground = CreateSolidBrush(RGB(255, 255, 255));
    wc.lpszClassName = "RasterTest";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND hwnd = CreateWindowExA(0, "RasterTest", "t", WS_CAPTION | WS_SYSMENU, 0, 0, 200, 150,
                                nullptr, nullptr, nullptr, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    ws::wm_present_all();
    ws::Window* win = ws::wm_window(hwnd);
    ASSERT_NE(win, nullptr);
    ws::Rect client = ws::wm_client_in_surface(*win);
    std::vector<uint32_t> before = win->surface;

    HDC hdc = GetDC(hwnd);
    SelectObject(hdc, CreateSolidBrush(RED));
    ASSERT_TRUE(Rectangle(hdc, -10, -10, 40, 30));
    // Only client pixels changed, and exactly those are due to be presented.
    ws::Rect drawn = ws::Rect{0, 0, 40, 30}.offset(client.left, client.top);
    EXPECT_EQ(win->dirty, drawn);
    int sw = win->rect.width();
    for (int y = 0; y < win->rect.height(); ++y)
        for (int x = 0; x < sw; ++x) {
            size_t i = size_t(y) * sw + x;
            ASSERT_EQ(win->surface[i] != before[i], drawn.contains(x, y)) << x << "," << y;
        }
    EXPECT_EQ(GetPixel(hdc, 0, 0), RED);
    EXPECT_EQ(GetPixel(hdc, -1, 0), CLR_INVALID); // the frame is not the DC's
}
