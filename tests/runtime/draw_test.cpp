// The colour check, the shape primitives and their renderer, through the
// real runtime on the headless layer.
#include <climits>

#include "draw_support.h"

namespace {

using Draw = DrawTest;

TEST_F(Draw, IllegalColoursAreReportedAndDrawnRed) {
    KV319_logging(1);
    Lines expected;
    for (int colour : {-1, 24, 1000}) {
        KV319_pixel(colour, colour % 50, 0);
        std::string c = std::to_string(colour), x = std::to_string(colour % 50);
        expected.push_back("Illegal color " + c + "; using RED.\n");
        expected.push_back("red pixel at (" + x + ",0)\n");
        EXPECT_EQ(at(colour % 50, 0), RED);
    }
    EXPECT_EQ(history(), expected);
    KV319_pixel(8, 5, 5);
    EXPECT_EQ(at(5, 5), RGB(153, 0, 204)); // purple
}

TEST_F(Draw, CircleBoundingSquareIsTwoRadiiPlusOne) {
    KV319_circle(4, 30, 40, -5);
    EXPECT_EQ(history(), (Lines{"Radius of -5 not possible, using radius 5\n"}));
    EXPECT_EQ(count(BLUE, rt.origin_x + 25, rt.origin_y - 45, rt.origin_x + 36, rt.origin_y - 34),
              count(BLUE));
    for (int d : {-5, 5}) {
        EXPECT_EQ(at(30 + d, 40), BLUE);
        EXPECT_EQ(at(30, 40 + d), BLUE);
    }
    KV319_clear();
    KV319_circle(4, -7, 9, 0);
    EXPECT_EQ(count(BLUE), 1);
    EXPECT_EQ(at(-7, 9), BLUE);
}

TEST_F(Draw, RectangleFromReversedCornersIncludesBoth) {
    KV319_rectangle(0, -50, 50, 50, -50, 0); // black ground
    KV319_logging(1);
    KV319_rectangle(1, 10, -10, -10, 10, 0);
    EXPECT_EQ(history().back(), "white rectangle with bounding box (-10,10) to (10,-10), filled\n");
    EXPECT_EQ(count(WHITE, rt.origin_x - 50, rt.origin_y - 50, rt.origin_x + 51, rt.origin_y + 51),
              21 * 21);
    EXPECT_EQ(at(-10, 10), WHITE);
    EXPECT_EQ(at(10, -10), WHITE);

    // An outline leaves the inside as it was.
    KV319_oval(5, 20, -4, -6, 8, 3);
    EXPECT_EQ(history().back(), "yellow oval with bounding box (-6,8) to (20,-4), line width 3\n");
    KV319_rectangle(2, -30, 30, 30, -30, 2);
    EXPECT_EQ(history().back(),
              "red rectangle with bounding box (-30,30) to (30,-30) with line width 2\n");
    EXPECT_EQ(at(30, -30), RED);
    EXPECT_EQ(at(29, -29), RED);
    EXPECT_EQ(at(-20, 20), BLACK);
}

// With logging off only the corrections (and undo's message) are written.
TEST_F(Draw, CorrectionsComeInEachPrimitivesOwnOrder) {
    const std::string colour = "Illegal color 99; using RED.\n";
    const std::string width = "Width of -2 not possible, using width 2\n";
    KV319_rectangle(99, 0, 0, 5, 5, -2);
    KV319_oval(99, 0, 0, 5, 5, -2);
    KV319_line(99, 0, 0, 5, 5, -2);
    KV319_triangle(99, 0, 0, 5, 5, 0, 5, -2);
    KV319_text(0, 0, 0, 12, "quiet");
    EXPECT_EQ(KV319_undo(), 1);
    EXPECT_EQ(history(), (Lines{colour, width, width, colour, width, colour, colour, width,
                                "KV319_undo is no longer supported.\n"}));
}

TEST_F(Draw, LineWidthZeroIsOnePixelAndNegativeIsCorrected) {
    KV319_logging(1);
    KV319_line(2, 0, 0, 20, 0, 0);
    EXPECT_EQ(history().back(), "red line from (0,0) to (20,0), width 0\n");
    EXPECT_EQ(count(RED), 20); // the end pixel is left out
    EXPECT_EQ(at(19, 0), RED);

    KV319_clear();
    KV319_logging(0);
    KV319_line(2, 0, 0, 40, 0, -3);
    EXPECT_EQ(history().back(), "Width of -3 not possible, using width 3\n");
    int thick = 0;
    for (int y = -5; y <= 5; ++y)
        thick += at(20, y) == RED;
    EXPECT_EQ(thick, 3);
}

TEST_F(Draw, ClearLeavesABlackFrameAroundWhiteWhateverWasDrawn) {
    // Every primitive gives back the pen and brush it found, so clear still
    // draws with the context's black pen and no leftover brush.
    KV319_rectangle(4, 0, 0, 10, -10, 0);
    KV319_oval(5, 0, 0, 10, -10, 3);
    KV319_line(6, 0, 0, 10, 10, 4);
    KV319_triangle(7, 0, 0, 10, 0, 0, 10, 0);
    KV319_clear();
    for (int py = 0; py < IMAGE_HEIGHT; ++py)
        for (int px = 0; px < IMAGE_WIDTH; ++px) {
            bool edge = px == 0 || py == 0 || px == IMAGE_WIDTH - 1 || py == IMAGE_HEIGHT - 1;
            ASSERT_EQ(GetPixel(rt.image_dc, px, py), edge ? BLACK : WHITE) << px << "," << py;
        }
    // Its log line comes only while logging is on; the copy is owed either way.
    EXPECT_EQ(history(), Lines{});
    rt.image_dirty = 0;
    KV319_logging(1);
    KV319_clear();
    EXPECT_EQ(history(), (Lines{"Clearing the graphics window\n"}));
    EXPECT_EQ(rt.image_dirty, 1);
}

TEST_F(Draw, PointsOutsideTheImageDrawNothingAndSayNothing) {
    std::vector<COLORREF> before = image();
    KV319_pixel(2, 400, 0);
    KV319_pixel(2, INT_MAX, INT_MIN);
    KV319_circle(2, 5000, 5000, 100);
    KV319_rectangle(2, -2000, 2000, -1000, 1000, 0);
    KV319_line(2, 1000, 1000, 2000, 2000, 5);
    KV319_triangle(2, -1000, 0, -900, 50, -950, 900, 0);
    KV319_text(2, 1000, 0, 40, "far away");
    KV319_oval(5, INT_MIN, INT_MAX, INT_MIN + 5, INT_MAX - 5, 0);
    KV319_text(5, INT_MAX, INT_MIN, 127, "far\nfar");
    EXPECT_TRUE(image() == before);
    EXPECT_TRUE(history().empty());
}

// Arguments at the ends of the int range draw exactly what of the shape
// lies on the image.
TEST_F(Draw, HugeArgumentsDrawOnlyWhatIsOnTheImage) {
    KV319_rectangle(2, INT_MIN, INT_MAX, INT_MAX, INT_MIN, 0);
    EXPECT_EQ(count(RED), IMAGE_WIDTH * IMAGE_HEIGHT);
    KV319_circle(4, 0, 0, INT_MAX);
    EXPECT_EQ(count(BLUE), IMAGE_WIDTH * IMAGE_HEIGHT);

    KV319_clear();
    KV319_line(2, INT_MIN, 0, INT_MAX, 0, 1);
    EXPECT_EQ(count(RED, 0, rt.origin_y, IMAGE_WIDTH, rt.origin_y + 1), IMAGE_WIDTH);
    EXPECT_EQ(count(RED), IMAGE_WIDTH);

    // Edges through the origin with slope 1/2 keep it (clamped corners
    // would turn it into 1).
    KV319_clear();
    KV319_triangle(3, INT_MIN, INT_MIN / 2, INT_MAX, INT_MAX / 2, INT_MIN, INT_MAX, 0);
    KV319_line(4, INT_MIN, INT_MIN / 2, INT_MAX, INT_MAX / 2, 1);
    EXPECT_EQ(at(100, 60), RGB(0, 255, 0));
    EXPECT_EQ(at(100, 40), WHITE);
    EXPECT_EQ(at(-200, -100), BLUE);

    // INT_MIN has no absolute value in int: INT_MAX is used.
    KV319_line(2, 0, 0, 10, 0, INT_MIN);
    EXPECT_EQ(history().back(), "Width of -2147483648 not possible, using width 2147483647\n");
    EXPECT_EQ(count(RED), IMAGE_WIDTH * IMAGE_HEIGHT);
}

} // namespace
