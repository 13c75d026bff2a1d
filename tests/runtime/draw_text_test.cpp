// Text in the graphics window: point-size checks, line placement, the
// transparent background and the formatting buffer.
#include <climits>
#include <string>

#include "draw_support.h"

namespace {

using Text = DrawTest;

// The line pitch the renderer uses for this text at this size.
int line_pitch(const char* text, int ptsize) {
    HFONT font = CreateFontA(-ptsize, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "KV319-font");
    HGDIOBJ previous = SelectObject(rt.image_dc, font);
    SIZE size{};
    GetTextExtentPointA(rt.image_dc, text, static_cast<int>(strlen(text)), &size);
    SelectObject(rt.image_dc, previous);
    DeleteObject(font);
    return size.cy;
}

std::vector<COLORREF> drawn(void (*draw)()) {
    KV319_clear();
    draw();
    return DrawTest::image();
}

TEST_F(Text, PointSizesAreCorrectedWithTheirMessages) {
    std::vector<COLORREF> at127 = drawn([] { KV319_text(0, -250, 0, 127, "Hg"); });
    EXPECT_TRUE(history().empty()); // 127 passes silently
    EXPECT_NE(count_pixels(BLACK, 1, 1, IMAGE_WIDTH - 1, IMAGE_HEIGHT - 1), 0);

    EXPECT_TRUE(drawn([] { KV319_text(0, -250, 0, 128, "Hg"); }) == at127);
    EXPECT_EQ(history().back(), "ptsize of 128 not possible, using ptsize 127\n");

    std::vector<COLORREF> at12 = drawn([] { KV319_text(0, 0, 0, 12, "Hg"); });
    size_t before = history().size();
    EXPECT_TRUE(drawn([] { KV319_text(0, 0, 0, -12, "Hg"); }) == at12);
    EXPECT_EQ(since(before),
              (std::vector<std::string>{"ptsize of -12 not possible, using ptsize 12\n"}));
    EXPECT_FALSE(at12 == at127);

    before = history().size();
    EXPECT_TRUE(drawn([] { KV319_text(0, -250, 0, -300, "Hg"); }) == at127);
    EXPECT_EQ(since(before),
              (std::vector<std::string>{"ptsize of -300 not possible, using ptsize 300\n",
                                        "ptsize of 300 not possible, using ptsize 127\n"}));

    before = history().size();
    KV319_text(0, 0, 0, INT_MIN, "x");
    EXPECT_EQ(since(before), (std::vector<std::string>{
                                 "ptsize of -2147483648 not possible, using ptsize 2147483647\n",
                                 "ptsize of 2147483647 not possible, using ptsize 127\n"}));

    // 0 asks for the default height: no message, and something is drawn.
    before = history().size();
    KV319_clear();
    KV319_text(0, 0, 0, 0, "Hg");
    EXPECT_EQ(history().size(), before);
    EXPECT_NE(count_pixels(BLACK, 1, 1, IMAGE_WIDTH - 1, IMAGE_HEIGHT - 1), 0);
}

TEST_F(Text, LinesGrowDownwardFromTheLowerLeftCornerOfTheFirst) {
    const int size = 24;
    int h = line_pitch("AB\nCD", size);
    ASSERT_GT(h, size / 2);

    std::vector<COLORREF> both = drawn([] { KV319_text(0, 0, 0, 24, "AB\nCD"); });
    // Every mark lies in the h rows above the row of y = 0 or the h rows
    // from it on, right of x = 0.
    int above = count_pixels(BLACK, rt.origin_x, rt.origin_y - h, IMAGE_WIDTH, rt.origin_y);
    int below = count_pixels(BLACK, rt.origin_x, rt.origin_y, IMAGE_WIDTH, rt.origin_y + h);
    EXPECT_GT(above, 0);
    EXPECT_GT(below, 0);
    int inside = 0, non_white = 0;
    for (int py = 1; py < IMAGE_HEIGHT - 1; ++py)
        for (int px = 1; px < IMAGE_WIDTH - 1; ++px) {
            if (GetPixel(rt.image_dc, px, py) == WHITE) continue;
            ++non_white;
            inside += px >= rt.origin_x && py >= rt.origin_y - h && py < rt.origin_y + h;
        }
    EXPECT_EQ(inside, non_white);

    // The same as the two lines drawn apart, the second h rows lower.
    KV319_clear();
    KV319_text(0, 0, 0, size, "AB");
    KV319_text(0, 0, -h, size, "CD");
    EXPECT_TRUE(image() == both);
}

TEST_F(Text, TrailingNewlineAndEmptyText) {
    std::vector<COLORREF> plain = drawn([] { KV319_text(4, -100, 50, 30, "Card"); });
    EXPECT_TRUE(drawn([] { KV319_text(4, -100, 50, 30, "Card\n"); }) == plain);

    std::vector<COLORREF> cleared = drawn([] {});
    KV319_logging(1);
    rt.image_dirty = 0;
    EXPECT_EQ(KV319_text(4, 3, -4, 30, ""), 1);
    EXPECT_EQ(rt.image_dirty, 1);
    EXPECT_TRUE(image() == cleared);
    EXPECT_EQ(history().back(), "blue text at (3,-4), \"\"\n");
    EXPECT_EQ(KV319_text(4, 3, -4, 30, nullptr), 1); // no text at all draws as empty
    EXPECT_TRUE(image() == cleared);
}

TEST_F(Text, ShapesStayVisibleBetweenTheGlyphs) {
    KV319_rectangle(4, -100, 100, 100, -100, 0);
    SetBkMode(rt.image_dc, OPAQUE);
    KV319_text(0, -90, 0, 60, "M W");
    int inner_x0 = rt.origin_x - 100, inner_x1 = rt.origin_x + 101;
    int inner_y0 = rt.origin_y - 100, inner_y1 = rt.origin_y + 101;
    EXPECT_GT(count_pixels(BLACK, inner_x0, inner_y0, inner_x1, inner_y1), 0);
    EXPECT_GT(count_pixels(BLUE, rt.origin_x - 90, rt.origin_y - 60, rt.origin_x, rt.origin_y), 0);
    EXPECT_EQ(count_pixels(WHITE, inner_x0, inner_y0, inner_x1, inner_y1), 0); // no box
    EXPECT_EQ(GetBkMode(rt.image_dc), OPAQUE);                                 // restored

    // The font that the context held is selected back.
    HGDIOBJ held = SelectObject(rt.image_dc, GetStockObject(SYSTEM_FONT));
    SelectObject(rt.image_dc, held);
    KV319_text(0, 0, 0, 20, "x");
    EXPECT_EQ(SelectObject(rt.image_dc, held), held);
}

TEST_F(Text, FormattedTextCountsAndCutsAt1023) {
    KV319_logging(1);
    EXPECT_EQ(KV319_text_printf(0, 0, 0, 20, "%d", 42), 2);
    EXPECT_EQ(history().back(), "black text at (0,0), \"42\"\n");
    EXPECT_EQ(KV319_text_printf(0, 0, 0, 20, "Happy Birthday!"), 15);

    std::string long_text(3000, 'x');
    EXPECT_EQ(KV319_text_printf(0, 0, 0, 20, "%s", long_text.c_str()), 1023);
    // The log line holds the cut text and is itself cut at 1023.
    std::string logged = history().back();
    EXPECT_EQ(logged.size(), 1023u);
    EXPECT_EQ(logged.rfind("black text at (0,0), \"xxx", 0), 0u);

    EXPECT_EQ(KV319_text_printf(0, 0, 0, 20, nullptr), 0);
    EXPECT_EQ(history().back(), "black text at (0,0), \"\"\n");
}

} // namespace
