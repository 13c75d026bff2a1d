// The colour table, the shape primitives and their renderer, through the
// real runtime on the headless layer.
#include <climits>

#include "draw_support.h"

namespace {

using Draw = DrawTest;

struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN; // inclusive
    int count = 0;
};
// The image pixels of one colour, as graphics coordinates (top > bottom).
Box box_of(COLORREF colour) {
    Box b;
    for (int py = 0; py < IMAGE_HEIGHT; ++py)
        for (int px = 0; px < IMAGE_WIDTH; ++px) {
            if (GetPixel(rt.image_dc, px, py) != colour) continue;
            int x = px - rt.origin_x, y = rt.origin_y - py;
            b.left = std::min(b.left, x);
            b.right = std::max(b.right, x);
            b.top = std::min(b.top, -y);
            b.bottom = std::max(b.bottom, -y);
            ++b.count;
        }
    // Stored negated so min/max read naturally; turn back to y upward.
    int top = -b.top, bottom = -b.bottom;
    b.top = top;
    b.bottom = bottom;
    return b;
}

TEST_F(Draw, EveryColourHasItsNameAndValue) {
    struct Entry {
        const char* name;
        int r, g, b;
    };
    const Entry table[24] = {
        {"black", 0, 0, 0},           {"white", 255, 255, 255},      {"red", 255, 0, 0},
        {"green", 0, 255, 0},         {"blue", 0, 0, 255},           {"yellow", 255, 255, 0},
        {"magenta", 255, 0, 255},     {"cyan", 0, 255, 255},         {"purple", 153, 0, 204},
        {"navy blue", 0, 51, 153},    {"dusty plum", 153, 102, 153}, {"ice blue", 153, 255, 255},
        {"turquoise", 153, 255, 204}, {"orange", 255, 102, 0},       {"brown", 153, 102, 51},
        {"pink", 255, 153, 204},      {"chalk", 255, 255, 153},      {"gold", 204, 153, 51},
        {"peach", 255, 153, 102},     {"forest green", 0, 102, 51},  {"sea green", 51, 204, 153},
        {"olive", 153, 153, 51},      {"50% gray", 128, 128, 128},   {"20% gray", 204, 204, 204},
    };
    KV319_logging(1);
    for (int c = 0; c < 24; ++c) {
        KV319_pixel(c, c * 2, 7);
        std::vector<std::string> all = history();
        EXPECT_EQ(all.back(),
                  std::string(table[c].name) + " pixel at (" + std::to_string(c * 2) + ",7)\n");
        EXPECT_EQ(at(c * 2, 7), RGB(table[c].r, table[c].g, table[c].b)) << table[c].name;
    }
}

TEST_F(Draw, IllegalColoursAreReportedAndDrawnRed) {
    KV319_logging(1);
    int x = -20;
    for (int colour : {-1, 24, 1000, INT_MIN}) {
        size_t before = history().size();
        EXPECT_EQ(KV319_pixel(colour, x, 0), 1);
        EXPECT_EQ(since(before), (std::vector<std::string>{
                                     "Illegal color " + std::to_string(colour) + "; using RED.\n",
                                     "red pixel at (" + std::to_string(x) + ",0)\n"}));
        EXPECT_EQ(at(x, 0), RED);
        x += 3;
    }
}

TEST_F(Draw, CircleIsAFilledDiscOfTwoRadiiPlusOne) {
    KV319_circle(4, 30, 40, -5);
    EXPECT_EQ(history(), (std::vector<std::string>{"Radius of -5 not possible, using radius 5\n"}));
    Box b = box_of(BLUE);
    EXPECT_EQ(b.left, 25);
    EXPECT_EQ(b.right, 35);
    EXPECT_EQ(b.top, 45);
    EXPECT_EQ(b.bottom, 35);
    EXPECT_EQ(at(30, 40), BLUE); // filled

    KV319_clear();
    KV319_circle(4, -7, 9, 0);
    b = box_of(BLUE);
    EXPECT_EQ(b.count, 1);
    EXPECT_EQ(at(-7, 9), BLUE);
}

TEST_F(Draw, RectangleFromReversedCornersIncludesBoth) {
    KV319_rectangle(0, -50, 50, 50, -50, 0); // a black ground to see white on
    KV319_logging(1);
    size_t before = history().size();
    KV319_rectangle(1, 10, -10, -10, 10, 0);
    EXPECT_EQ(since(before),
              (std::vector<std::string>{
                  "white rectangle with bounding box (-10,10) to (10,-10), filled\n"}));
    // The cleared image's white is outside the black square; look inside it.
    EXPECT_EQ(
        count_pixels(WHITE, rt.origin_x - 50, rt.origin_y - 50, rt.origin_x + 51, rt.origin_y + 51),
        21 * 21);
    EXPECT_EQ(at(-10, 10), WHITE);
    EXPECT_EQ(at(10, -10), WHITE);
    EXPECT_EQ(at(11, 0), BLACK);
    EXPECT_EQ(at(0, 11), BLACK);

    // An outline leaves the inside as it was and logs its width.
    before = history().size();
    KV319_rectangle(2, -30, 30, 30, -30, 2);
    EXPECT_EQ(since(before).back(),
              "red rectangle with bounding box (-30,30) to (30,-30) with line width 2\n");
    EXPECT_EQ(at(-30, 30), RED);
    EXPECT_EQ(at(30, -30), RED);
    EXPECT_EQ(at(0, 0), WHITE);
}

TEST_F(Draw, CorrectionsComeInEachPrimitivesOwnOrder) {
    KV319_rectangle(99, 0, 0, 5, 5, -2);
    EXPECT_EQ(history(), (std::vector<std::string>{"Illegal color 99; using RED.\n",
                                                   "Width of -2 not possible, using width 2\n"}));
    size_t before = history().size();
    KV319_oval(99, 0, 0, 5, 5, -2);
    EXPECT_EQ(since(before), (std::vector<std::string>{"Width of -2 not possible, using width 2\n",
                                                       "Illegal color 99; using RED.\n"}));
    before = history().size();
    KV319_line(99, 0, 0, 5, 5, -2);
    EXPECT_EQ(since(before), (std::vector<std::string>{"Width of -2 not possible, using width 2\n",
                                                       "Illegal color 99; using RED.\n"}));
    before = history().size();
    KV319_triangle(99, 0, 0, 5, 5, 0, 5, -2);
    EXPECT_EQ(since(before),
              (std::vector<std::string>{"Illegal color 99; using RED.\n",
                                        "Width of -2 not possible, using width 2\n"}));
}

TEST_F(Draw, LogLinesUseOrderedCornersAndCheckedValues) {
    KV319_logging(1);
    KV319_oval(5, 20, -4, -6, 8, 3);
    KV319_oval(5, 1, 2, 3, 4, 0);
    KV319_triangle(6, 1, 2, 3, 4, 5, 6, 0);
    KV319_circle(7, 1, 2, 3);
    KV319_line(8, -1, -2, 3, 4, 0);
    KV319_clear();
    EXPECT_EQ(history(), (std::vector<std::string>{
                             "yellow oval with bounding box (-6,8) to (20,-4), line width 3\n",
                             "yellow oval with bounding box (1,4) to (3,2), filled\n",
                             "magenta triangle at (1,2), (3,4), (5,6)\n",
                             "cyan circle at (1,2), radius 3\n",
                             "purple line from (-1,-2) to (3,4), width 0\n",
                             "Clearing the graphics window\n",
                         }));
}

TEST_F(Draw, LineWidthZeroIsOnePixelAndNegativeIsCorrected) {
    KV319_line(2, 0, 0, 20, 0, 0);
    for (int x = 0; x < 20; ++x)
        EXPECT_EQ(at(x, 0), RED) << x;
    EXPECT_EQ(at(20, 0), WHITE); // the end pixel is left out
    EXPECT_EQ(at(10, 1), WHITE);
    EXPECT_EQ(at(10, -1), WHITE);

    KV319_clear();
    KV319_line(2, 0, 0, 40, 0, -3);
    EXPECT_EQ(history(), (std::vector<std::string>{"Width of -3 not possible, using width 3\n"}));
    int thick = 0;
    for (int y = -5; y <= 5; ++y)
        thick += at(20, y) == RED;
    EXPECT_EQ(thick, 3);
}

TEST_F(Draw, WithLoggingOffOnlyCorrectionsAndUndoAreWritten) {
    KV319_pixel(0, 1, 1);
    KV319_circle(0, 1, 1, 2);
    KV319_text(0, 0, 0, 12, "quiet");
    KV319_circle(30, 1, 1, -1);
    EXPECT_EQ(KV319_undo(), 1);
    EXPECT_EQ(history(), (std::vector<std::string>{"Illegal color 30; using RED.\n",
                                                   "Radius of -1 not possible, using radius 1\n",
                                                   "KV319_undo is no longer supported.\n"}));
}

TEST_F(Draw, ClearLeavesABlackFrameAroundWhite) {
    KV319_circle(3, 0, 0, 100);
    rt.image_dirty = 0;
    KV319_clear();
    EXPECT_EQ(rt.image_dirty, 1);
    for (int py = 0; py < IMAGE_HEIGHT; ++py)
        for (int px = 0; px < IMAGE_WIDTH; ++px) {
            bool edge = px == 0 || py == 0 || px == IMAGE_WIDTH - 1 || py == IMAGE_HEIGHT - 1;
            ASSERT_EQ(GetPixel(rt.image_dc, px, py), edge ? BLACK : WHITE) << px << "," << py;
        }
}

TEST_F(Draw, PrimitivesRestoreTheContextsPenAndBrush) {
    KV319_rectangle(4, 0, 0, 10, -10, 0);
    KV319_oval(5, 0, 0, 10, -10, 3);
    KV319_line(6, 0, 0, 10, 10, 4);
    KV319_triangle(7, 0, 0, 10, 0, 0, 10, 0);
    // Clear draws with whatever the context holds: still the black pen and
    // nothing but its own brush.
    KV319_clear();
    EXPECT_EQ(GetPixel(rt.image_dc, 0, 100), BLACK);
    EXPECT_EQ(GetPixel(rt.image_dc, 100, 100), WHITE);
}

TEST_F(Draw, PointsOutsideTheImageDrawNothingAndSayNothing) {
    std::vector<COLORREF> before = image();
    KV319_pixel(2, 400, 0);
    KV319_pixel(2, 0, -300);
    KV319_pixel(2, INT_MAX, INT_MIN);
    KV319_circle(2, 5000, 5000, 100);
    KV319_rectangle(2, -2000, 2000, -1000, 1000, 0);
    KV319_line(2, 1000, 1000, 2000, 2000, 5);
    KV319_triangle(2, -1000, 0, -900, 50, -950, 900, 0);
    KV319_text(2, 1000, 0, 40, "far away");
    EXPECT_TRUE(image() == before);
    EXPECT_TRUE(history().empty());
}

// Arguments at the ends of the int range reach the image as exactly what
// of the shape lies on it.
TEST_F(Draw, HugeArgumentsDrawOnlyWhatIsOnTheImage) {
    KV319_rectangle(2, INT_MIN, INT_MAX, INT_MAX, INT_MIN, 0);
    EXPECT_EQ(count_pixels(RED), IMAGE_WIDTH * IMAGE_HEIGHT);

    KV319_clear();
    KV319_circle(4, 0, 0, INT_MAX);
    EXPECT_EQ(count_pixels(BLUE), IMAGE_WIDTH * IMAGE_HEIGHT);

    // A line across the whole int range covers its own row only.
    KV319_clear();
    KV319_line(2, INT_MIN, 0, INT_MAX, 0, 1);
    EXPECT_EQ(count_pixels(RED), IMAGE_WIDTH);
    EXPECT_EQ(count_pixels(RED, 0, rt.origin_y, IMAGE_WIDTH, rt.origin_y + 1), IMAGE_WIDTH);

    // A filled triangle whose long edge runs through the origin with slope
    // 1/2: clipping keeps the slope (clamping the corners would make it 1).
    KV319_clear();
    KV319_triangle(3, INT_MIN, INT_MIN / 2, INT_MAX, INT_MAX / 2, INT_MIN, INT_MAX, 0);
    const COLORREF green = RGB(0, 255, 0);
    EXPECT_EQ(at(100, 60), green);
    EXPECT_EQ(at(100, 40), WHITE);
    EXPECT_EQ(at(-100, -40), green);
    EXPECT_EQ(at(-100, -60), WHITE);

    // The same steep line, clipped at both ends.
    KV319_clear();
    KV319_line(4, INT_MIN, INT_MIN / 2, INT_MAX, INT_MAX / 2, 1);
    EXPECT_EQ(at(100, 50), BLUE);
    EXPECT_EQ(at(-200, -100), BLUE);
    EXPECT_EQ(at(100, 60), WHITE);

    // A negative INT_MIN width has no absolute value in int: INT_MAX is used.
    KV319_clear();
    KV319_line(2, 0, 0, 10, 0, INT_MIN);
    EXPECT_EQ(history().back(), "Width of -2147483648 not possible, using width 2147483647\n");
    EXPECT_EQ(at(290, 240), RED);
    EXPECT_EQ(at(-290, -240), RED);

    KV319_clear();
    KV319_oval(5, INT_MIN, INT_MAX, INT_MAX, INT_MIN, INT_MAX);
    KV319_triangle(5, INT_MIN, INT_MIN, INT_MAX, INT_MIN, 0, INT_MAX, INT_MAX);
    KV319_pixel(5, INT_MIN, INT_MAX);
    KV319_text(5, INT_MIN, INT_MAX, 127, "far");
    KV319_text(5, INT_MAX, INT_MIN, 127, "far\nfar");
}

TEST_F(Draw, EveryPrimitiveMarksTheImageChanged) {
    auto marks = [](auto draw) {
        rt.image_dirty = 0;
        draw();
        return rt.image_dirty;
    };
    EXPECT_EQ(marks([] { KV319_pixel(1, 0, 0); }), 1);
    EXPECT_EQ(marks([] { KV319_circle(1, 0, 0, 1); }), 1);
    EXPECT_EQ(marks([] { KV319_triangle(1, 0, 0, 1, 1, 0, 1, 0); }), 1);
    EXPECT_EQ(marks([] { KV319_rectangle(1, 0, 0, 1, 1, 0); }), 1);
    EXPECT_EQ(marks([] { KV319_oval(1, 0, 0, 1, 1, 1); }), 1);
    EXPECT_EQ(marks([] { KV319_line(1, 0, 0, 1, 1, 1); }), 1);
    EXPECT_EQ(marks([] { KV319_text(1, 0, 0, 10, ""); }), 1);
    EXPECT_EQ(marks([] { KV319_undo(); }), 0);
}

} // namespace
