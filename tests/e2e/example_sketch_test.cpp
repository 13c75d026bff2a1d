// The sketch example end to end: clicks draw lines, t asks for a line of
// text in the runtime's dialog and draws it, c clears.
#include <gtest/gtest.h>

#include <string>

#include "runner_harness.h"

namespace {

int px(int x) {
    return 300 + x;
}
int py(int y) {
    return 250 - y;
}

constexpr uint32_t BLACK = 0x000000u, WHITE = 0xFFFFFFu;

// Pixels that are not white in the graphics rectangle [x1, x2] x [y1, y2].
int inked(const harness::Image& image, int x1, int y1, int x2, int y2) {
    int n = 0;
    for (int y = y1; y <= y2; ++y)
        for (int x = x1; x <= x2; ++x)
            if (image.at(px(x), py(y)) != WHITE) ++n;
    return n;
}

TEST(ExampleSketch, ClicksDrawAStrokeAndNStartsANewOne) {
    harness::RunResult r = harness::run_headless(
        "click -100 -100\nclick 100 100\nkey n\nclick 100 -100\nclick 150 -100\nshot lines.png\n"
        "console console.txt\n");
    ASSERT_EQ(r.status, 0) << r.err;
    harness::Image lines;
    ASSERT_TRUE(harness::load_png(r.path("lines.png"), lines));
    EXPECT_EQ(lines.at(px(0), py(0)), BLACK); // on the diagonal
    EXPECT_EQ(lines.at(px(50), py(50)), BLACK);
    EXPECT_EQ(lines.at(px(125), py(-100)), BLACK); // the second stroke
    EXPECT_EQ(inked(lines, 0, -60, 90, -10), 0);   // nothing joins the strokes
    std::string console = r.read("console.txt");
    EXPECT_NE(console.find("line from (-100, -100) to (100, 100)\n"), std::string::npos) << console;
    EXPECT_NE(console.find("stroke starts at (100, -100)\n"), std::string::npos) << console;
}

TEST(ExampleSketch, TAsksForATextAndDrawsItAtTheLastPoint) {
    harness::RunResult r = harness::run_headless(
        "click 50 20\nkey t\ntype Hello there\nkey Enter\nshot text.png\nconsole console.txt\n");
    ASSERT_EQ(r.status, 0) << r.err;
    harness::Image text;
    ASSERT_TRUE(harness::load_png(r.path("text.png"), text));
    // 24-pixel text whose first line stands on y = 20, starting at x = 50.
    EXPECT_GT(inked(text, 52, 21, 200, 44), 100);
    EXPECT_EQ(inked(text, 52, -20, 200, 15), 0);
    std::string console = r.read("console.txt");
    EXPECT_NE(console.find("text \"Hello there\" at (50, 20)\n"), std::string::npos) << console;
}

TEST(ExampleSketch, CClearsThePicture) {
    harness::RunResult r =
        harness::run_headless("click -100 -100\nclick 100 100\nkey c\nshot cleared.png\n");
    ASSERT_EQ(r.status, 0) << r.err;
    harness::Image cleared;
    ASSERT_TRUE(harness::load_png(r.path("cleared.png"), cleared));
    EXPECT_EQ(inked(cleared, -150, -150, 150, 150), 0);
}

} // namespace
