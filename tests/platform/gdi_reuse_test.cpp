// gdi_reuse_test.cpp: what the layer's speed-ups must not change: drawing
// objects reused after DeleteObject come back fresh and their old handles
// stay dead, text blended through the glyph runs gives exactly the coverage
// blend, clipped, and lines along a row or column are the stepped line.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "canvas.h"
#include "fonts.h"
#include "gdi.h"
#include "raster.h"

using namespace ws;

namespace {

struct MemoryDc {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap;
    explicit MemoryDc(int w, int h) : bitmap(CreateCompatibleBitmap(dc, w, h)) {
        SelectObject(dc, bitmap);
    }
    ~MemoryDc() { DeleteDC(dc); }
};

} // namespace

TEST(GdiReuse, DeletedObjectsComeBackFreshAndOldHandlesStayDead) {
    MemoryDc m(20, 20);
    HPEN wide = CreatePen(PS_SOLID, 7, RGB(1, 2, 3));
    ASSERT_TRUE(DeleteObject(wide));
    HPEN thin = CreatePen(PS_SOLID, 1, RGB(9, 9, 9));
    EXPECT_NE(thin, wide);
    EXPECT_EQ(SelectObject(m.dc, wide), nullptr); // the old handle is gone
    EXPECT_EQ(gdi_pen(thin)->width, 1);
    EXPECT_EQ(gdi_pen(thin)->colour, RGB(9, 9, 9));
    EXPECT_EQ(gdi_pen(thin)->select_count, 0);
    // A reused pen draws with its own width.
    HGDIOBJ old = SelectObject(m.dc, thin);
    MoveToEx(m.dc, 2, 10, nullptr);
    LineTo(m.dc, 18, 10);
    EXPECT_EQ(GetPixel(m.dc, 10, 9), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(m.dc, 10, 10), RGB(9, 9, 9));
    SelectObject(m.dc, old);
    DeleteObject(thin);

    // A font reused for another height measures as that height.
    HFONT small = CreateFontA(-12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "KV319-font");
    old = SelectObject(m.dc, small);
    SIZE s12{}, s40{};
    GetTextExtentPointA(m.dc, "Mm", 2, &s12);
    SelectObject(m.dc, old);
    DeleteObject(small);
    HFONT big = CreateFontA(-40, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "KV319-font");
    old = SelectObject(m.dc, big);
    GetTextExtentPointA(m.dc, "Mm", 2, &s40);
    SelectObject(m.dc, old);
    DeleteObject(big);
    EXPECT_GT(s40.cy, 3 * s12.cy);
    EXPECT_GT(s40.cx, 3 * s12.cx);

    // Many create/delete rounds reuse the same few objects.
    size_t live = gdi_objects().live_count();
    for (int i = 0; i < 1000; ++i)
        DeleteObject(CreateSolidBrush(RGB(i & 255, 0, 0)));
    EXPECT_EQ(gdi_objects().live_count(), live);
}

TEST(GdiReuse, GlyphRunsBlendExactlyTheCoverage) {
    const int W = 260, H = 90;
    const char* text = "Will you be mine? @%&";
    const FontFace* face = font_resolve(FontRequest{-60, 400, false, "KV319-font"});
    // White text on black gives each pixel's coverage in every channel.
    std::vector<uint32_t> cover(size_t(W) * H, 0);
    font_draw(make_canvas(cover.data(), W, H, W), face, -20, 5, text, 21, 0xFFFFFF);
    size_t partial = 0, full = 0;
    for (uint32_t c : cover) {
        ASSERT_EQ(c & 0xFF, (c >> 8) & 0xFF);
        partial += (c & 0xFF) != 0 && (c & 0xFF) != 255;
        full += (c & 0xFF) == 255;
    }
    ASSERT_GT(partial, 500u);
    ASSERT_GT(full, 500u);

    // The same text in a colour over a patterned background, through a clip.
    std::vector<uint32_t> px(size_t(W) * H);
    for (size_t i = 0; i < px.size(); ++i)
        px[i] = uint32_t(i * 2654435761u) >> 8;
    const std::vector<uint32_t> back = px;
    Canvas c = make_canvas(px.data(), W, H, W);
    const Rect clip{7, 11, 203, 71};
    c.clip = clip;
    const uint32_t colour = 0x3380C4;
    font_draw(c, face, -20, 5, text, 21, colour);
    auto channel = [](uint32_t p, int shift) { return (p >> shift) & 0xFF; };
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            size_t i = size_t(y) * W + x;
            uint32_t a = cover[i] & 0xFF, want = back[i];
            if (clip.contains(x, y) && a != 0) {
                want = 0;
                for (int shift : {16, 8, 0})
                    want |=
                        ((channel(colour, shift) * a + channel(back[i], shift) * (255 - a) + 127) /
                         255)
                        << shift;
            }
            ASSERT_EQ(px[i], want) << x << "," << y << " coverage " << a;
        }
}

TEST(GdiReuse, RowAndColumnLinesMatchTheSteppedLine) {
    // LineTo fills one-pixel lines along a row or a column as a span: the
    // pixels must be those the stepping rasteriser paints, either way round,
    // clipped, and with the end pixel left out.
    const int W = 40, H = 30;
    MemoryDc m(W, H);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(200, 10, 20));
    HGDIOBJ old = SelectObject(m.dc, pen);
    const uint32_t ink = pixel_from_colorref(RGB(200, 10, 20));
    const int ends[][4] = {{3, 5, 30, 5},   {30, 5, 3, 5},   {7, 2, 7, 25},    {7, 25, 7, 2},
                           {-10, 9, 60, 9}, {60, 9, -10, 9}, {12, -5, 12, 50}, {5, 5, 6, 5},
                           {5, 5, 4, 5},    {9, 9, 9, 9},    {38, 3, 45, 3},   {2, 29, 2, 31}};
    for (const auto& e : ends) {

        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                SetPixel(m.dc, x, y, RGB(255, 255, 255));
        MoveToEx(m.dc, e[0], e[1], nullptr);
        LineTo(m.dc, e[2], e[3]);
        std::vector<uint32_t> want(size_t(W) * H, 0xFFFFFF);
        raster_line(make_canvas(want.data(), W, H, W), e[0], e[1], e[2], e[3], ink);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                ASSERT_EQ(pixel_from_colorref(GetPixel(m.dc, x, y)), want[size_t(y) * W + x])
                    << e[0] << "," << e[1] << " to " << e[2] << "," << e[3] << " at " << x << ","
                    << y;
    }
    SelectObject(m.dc, old);
    DeleteObject(pen);
}
