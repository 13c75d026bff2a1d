// The card designer end to end: its start state on screen, the Run menu
// and the Control-key shortcuts.
#include <gtest/gtest.h>

#include "layout.h"
#include "runner_harness.h"

namespace {

// Client pixel of graphics point (x, y): the client is 601 x 501, origin (300, 250).
int px(int x) {
    return 300 + x;
}
int py(int y) {
    return 250 - y;
}

TEST(App, StartStateOnScreen) {
    harness::RunResult r = harness::run_headless("wait 2\nshot start.png\n");
    ASSERT_EQ(r.status, 0) << r.err;
    harness::Image shot;
    ASSERT_TRUE(harness::load_png(r.path("start.png"), shot));
    ASSERT_EQ(shot.width, 601);
    ASSERT_EQ(shot.height, 501);
    EXPECT_EQ(shot.at(px(70), py(10)), 0xFFFF00u);     // the yellow card
    EXPECT_EQ(shot.at(px(-129), py(189)), 0xFFFF00u);  // its inner corner
    EXPECT_EQ(shot.at(px(-131), py(191)), 0xCCCCCCu);  // backdrop just outside
    EXPECT_EQ(shot.at(px(-232), py(-160)), 0xFFFFFFu); // frame of the yellow cell
    EXPECT_EQ(shot.at(px(-290), py(-150)), 0xFF0000u); // first cell: red

    // Every palette cell's middle in palette order: column c, row r from the bottom.
    const uint32_t rgb[24] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00,
                              0xFF00FF, 0x00FFFF, 0x9900CC, 0x003399, 0x996699, 0x99FFFF,
                              0x99FFCC, 0xFF6600, 0x996633, 0xFF99CC, 0xFFFF99, 0xCC9933,
                              0xFF9966, 0x006633, 0x33CC99, 0x999933, 0x808080, 0xCCCCCC};
    for (int c = 0; c < PALETTE_COLUMNS; ++c)
        for (int r = 0; r < PALETTE_ROWS; ++r)
            EXPECT_EQ(shot.at(px(PANEL_LEFT + CELL_WIDTH * c + CELL_WIDTH / 2),
                              py(PANEL_BOTTOM + CELL_HEIGHT * r + CELL_HEIGHT / 2)),
                      rgb[PALETTE_ORDER[PALETTE_ROWS * c + r]])
                << "cell " << c << "," << r;

    // Bevels: the pressed "Background" tab and "Color" button are dark at
    // the upper left and white at the lower right; the "Border" tab is not.
    const struct {
        int left, top;
        uint32_t upper_left;
    } buttons[] = {{TABS_LEFT, TABS_TOP, 0x000000u},
                   {TABS_LEFT + BUTTON_WIDTH, TABS_TOP, 0xFFFFFFu},
                   {ITEMS_LEFT, ITEMS_TOP, 0x000000u}};
    for (const auto& b : buttons) {
        const uint32_t lower_right = b.upper_left ^ 0xFFFFFFu;
        EXPECT_EQ(shot.at(px(b.left + 2), py(b.top - 17)), b.upper_left) << b.left << "," << b.top;
        EXPECT_EQ(shot.at(px(b.left + 50), py(b.top - 2)), b.upper_left);
        EXPECT_EQ(shot.at(px(b.left + 108), py(b.top - 17)), lower_right);
        EXPECT_EQ(shot.at(px(b.left + 50), py(b.top - 33)), lower_right);
        EXPECT_EQ(shot.at(px(b.left + 8), py(b.top - 28)), 0xCCCCCCu); // the face
        EXPECT_EQ(shot.at(px(b.left), py(b.top - 17)), 0xCCCCCCu);     // outer left edge
    }

    // The status text is drawn in black over the gray line: dark ink (at
    // least half way to black), and nothing but grays.
    int dark = 0, coloured = 0;
    for (int y = -210; y <= -196; ++y) {
        for (int x = -130; x <= 300; ++x) {
            const uint32_t p = shot.at(px(x), py(y));
            dark += (p & 0xFF) < 0x66;
            coloured += (p >> 16) != (p & 0xFF) || ((p >> 8) & 0xFF) != (p & 0xFF);
        }
    }
    EXPECT_GT(dark, 100);
    EXPECT_EQ(coloured, 0);
}

TEST(App, ControlQEndsTheProgram) {
    // Commands after the quit are never carried out.
    harness::RunResult r = harness::run_headless("wait 1\nkey ctrl+q\nshot never.png\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.exists("never.png"));
}

TEST(App, QuitChosenFromTheRunMenu) {
    harness::RunResult r = harness::run_headless(
        "wait 1\nclick-screen 20 29\nwait 1\nclick-screen 40 218\nshot never.png\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.exists("never.png"));
}

TEST(App, ControlLLogsEveryPrimitiveWhileTheTextWindowStaysHidden) {
    harness::RunResult r =
        harness::run_headless("wait 1\nkey ctrl+l\nwait 2\nconsole log.txt\nscreen screen.png\n");
    ASSERT_EQ(r.status, 0) << r.err;
    std::string log = r.read("log.txt");
    // The history keeps the frame's last 25 lines: the palette, ending with
    // the frame around the yellow cell and the palette's own frame.
    EXPECT_NE(
        log.find(
            "white rectangle with bounding box (-232,-142) to (-198,-160) with line width 1\n"),
        std::string::npos)
        << log;
    EXPECT_NE(
        log.find(
            "black rectangle with bounding box (-300,-140) to (-163,-250) with line width 1\n"),
        std::string::npos)
        << log;
    // The text window is hidden: the screen below the graphics window is bare.
    harness::Image screen;
    ASSERT_TRUE(harness::load_png(r.path("screen.png"), screen));
    EXPECT_EQ(screen.at(500, 700), 0x404040u);
}

TEST(App, RunMenuShowsItsLines) {
    harness::RunResult r = harness::run_headless("wait 1\nclick-screen 20 29\nscreen menu.png\n");
    ASSERT_EQ(r.status, 0) << r.err;
    harness::Image screen;
    ASSERT_TRUE(harness::load_png(r.path("menu.png"), screen));
    // The pull-down covers the tabs below the bar; without it they show.
    harness::RunResult plain = harness::run_headless("wait 1\nscreen plain.png\n");
    harness::Image before;
    ASSERT_TRUE(harness::load_png(plain.path("plain.png"), before));
    int changed = 0;
    for (int y = 45; y < 290; ++y)
        for (int x = 10; x < 390; ++x)
            changed += screen.at(x, y) != before.at(x, y);
    EXPECT_GT(changed, 20000);
}

} // namespace
