// Text in the graphics window: point-size checks, line placement, the
// transparent background, the reading of UTF-8 and Windows-1252 and the
// formatting buffer.
#include <climits>
#include <cstring>

#include "draw_support.h"

namespace {

using Text = DrawTest;

std::vector<COLORREF> drawn(int ptsize, const char* text, int y = 0) {
    KV319_clear();
    KV319_text(0, -250, y, ptsize, text);
    return DrawTest::image();
}

TEST_F(Text, PointSizesAreCorrectedWithTheirMessages) {
    std::vector<COLORREF> at127 = drawn(127, "Hg");
    std::vector<COLORREF> at12 = drawn(12, "Hg");
    EXPECT_TRUE(history().empty()); // 127 passes silently
    EXPECT_FALSE(at12 == at127);
    EXPECT_TRUE(drawn(128, "Hg") == at127);
    EXPECT_TRUE(drawn(-12, "Hg") == at12);
    EXPECT_TRUE(drawn(-300, "Hg") == at127);
    KV319_text(0, 0, 0, INT_MIN, "x");
    EXPECT_EQ(history(), (Lines{"ptsize of 128 not possible, using ptsize 127\n",
                                "ptsize of -12 not possible, using ptsize 12\n",
                                "ptsize of -300 not possible, using ptsize 300\n",
                                "ptsize of 300 not possible, using ptsize 127\n",
                                "ptsize of -2147483648 not possible, using ptsize 2147483647\n",
                                "ptsize of 2147483647 not possible, using ptsize 127\n"}));
    // 0 asks for the default height: no message, and something is drawn.
    EXPECT_FALSE(drawn(0, "Hg") == drawn(0, ""));
    EXPECT_EQ(history().size(), 6u);
}

TEST_F(Text, LinesGrowDownwardFromTheLowerLeftCornerOfTheFirst) {
    HFONT font = CreateFontA(-24, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "KV319-font");
    HGDIOBJ previous = SelectObject(rt.image_dc, font);
    SIZE size{};
    GetTextExtentPointA(rt.image_dc, "AB\nCD", 5, &size);
    SelectObject(rt.image_dc, previous);
    DeleteObject(font);
    const int h = size.cy, ox = rt.origin_x, oy = rt.origin_y;
    ASSERT_GT(h, 12);

    KV319_text(0, 0, 0, 24, "AB\nCD");
    std::vector<COLORREF> both = image();
    // Ink in the h rows above the row of y = 0 and the h rows from it on,
    // right of x = 0, and nowhere else (the frame's edges aside).
    auto ink = [](int x0, int y0, int x1, int y1) {
        return (x1 - x0) * (y1 - y0) - count(WHITE, x0, y0, x1, y1);
    };
    const int right = IMAGE_WIDTH - 1;
    EXPECT_GT(ink(ox, oy - h, right, oy), 0);
    EXPECT_GT(ink(ox, oy, right, oy + h), 0);
    EXPECT_EQ(ink(ox, oy - h, right, oy + h), ink(1, 1, right, IMAGE_HEIGHT - 1));
    // The same as the two lines drawn apart, the second h rows lower.
    KV319_clear();
    KV319_text(0, 0, 0, 24, "AB");
    KV319_text(0, 0, -h, 24, "CD");
    EXPECT_TRUE(image() == both);
}

TEST_F(Text, TrailingNewlineAndEmptyText) {
    EXPECT_TRUE(drawn(30, "Card\n") == drawn(30, "Card"));
    std::vector<COLORREF> cleared = drawn(30, "");
    KV319_logging(1);
    rt.image_dirty = 0;
    EXPECT_EQ(KV319_text(4, 3, -4, 30, ""), 1);
    EXPECT_EQ(KV319_text(4, 3, -4, 30, nullptr), 1); // no text at all draws as empty
    EXPECT_EQ(rt.image_dirty, 1);
    EXPECT_TRUE(image() == cleared);
    EXPECT_EQ(history().back(), "blue text at (3,-4), \"\"\n");
}

TEST_F(Text, ShapesStayVisibleBetweenTheGlyphs) {
    KV319_rectangle(4, -100, 100, 100, -100, 0);
    SetBkMode(rt.image_dc, OPAQUE);
    HGDIOBJ font = SelectObject(rt.image_dc, GetStockObject(SYSTEM_FONT));
    SelectObject(rt.image_dc, font);
    KV319_text(0, -90, 0, 60, "M W");
    int x0 = rt.origin_x - 100, y0 = rt.origin_y - 100, x1 = x0 + 201, y1 = y0 + 201;
    EXPECT_GT(count(BLACK, x0, y0, x1, y1), 0);
    EXPECT_GT(count(BLUE, rt.origin_x - 90, rt.origin_y - 60, rt.origin_x, rt.origin_y), 0);
    EXPECT_EQ(count(WHITE, x0, y0, x1, y1), 0); // no background box
    // What the context held comes back: its background mode and font.
    EXPECT_EQ(GetBkMode(rt.image_dc), OPAQUE);
    EXPECT_EQ(SelectObject(rt.image_dc, font), font);
}

TEST_F(Text, Utf8AndWindows1252DrawTheSameLetters) {
    // "Grüße, café" as UTF-8 and as Latin-1; the euro sign as UTF-8 and as
    // its Windows-1252 byte; over two lines.
    EXPECT_TRUE(drawn(24, "Gr\xC3\xBC\xC3\x9F"
                          "e, caf\xC3\xA9") == drawn(24, "Gr\xFC\xDF"
                                                         "e, caf\xE9"));
    EXPECT_TRUE(drawn(24, "\xE2\x82\xAC 5") == drawn(24, "\x80 5"));
    EXPECT_TRUE(drawn(24, "caf\xC3\xA9\nna\xC3\xAFve") == drawn(24, "caf\xE9\nna\xEFve"));
    EXPECT_FALSE(drawn(24, "caf\xC3\xA9") == drawn(24, "caf\xC3\x83\xC2\xA9")); // not "cafÃ©"
    // A string is read one way whole: valid UTF-8 next to a Latin-1 byte,
    // and an overlong form, read as Windows-1252 ("Ã©é" and "À©").
    EXPECT_TRUE(drawn(24, "\xC3\xA9\xE9") == drawn(24, "\xC3\x83\xC2\xA9\xC3\xA9"));
    EXPECT_TRUE(drawn(24, "\xC0\xA9") == drawn(24, "\xC3\x80\xC2\xA9"));
    // The text printf formats is read the same way.
    KV319_clear();
    EXPECT_EQ(KV319_text_printf(0, -250, 0, 24, "caf%s", "\xC3\xA9"), 5);
    std::vector<COLORREF> formatted = image();
    EXPECT_TRUE(drawn(24, "caf\xE9") == formatted);
}

TEST_F(Text, FormattedTextCountsAndCutsAt1023) {
    KV319_logging(1);
    EXPECT_EQ(KV319_text_printf(0, 0, 0, 20, "%d", 42), 2);
    EXPECT_EQ(history().back(), "black text at (0,0), \"42\"\n");
    std::string long_text(3000, 'x');
    EXPECT_EQ(KV319_text_printf(0, 0, 0, 20, "%s", long_text.c_str()), 1023);
    // The log line holds the cut text and is itself cut at 1023.
    EXPECT_EQ(history().back(), "black text at (0,0), \"" + std::string(1023 - 22, 'x'));
    EXPECT_EQ(KV319_text_printf(0, 0, 0, 20, nullptr), 0);
}

} // namespace
