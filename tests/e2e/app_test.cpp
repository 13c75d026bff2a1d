// The card designer end to end: its start state on screen, the Run menu
// and the Control-key shortcuts.
#include <gtest/gtest.h>

#include "runner_harness.h"

namespace {

// Client pixel of graphics point (x, y): the client is 601 x 501, origin (300, 250).
int px(int x) { return 300 + x; }
int py(int y) { return 250 - y; }

TEST(App, StartStateOnScreen) {
    harness::RunResult r = harness::run_headless("wait 2\nshot start.png\n");
    ASSERT_EQ(r.status, 0) << r.err;
    harness::Image shot;
    ASSERT_TRUE(harness::load_png(r.path("start.png"), shot));
    ASSERT_EQ(shot.width, 601);
    ASSERT_EQ(shot.height, 501);
    EXPECT_EQ(shot.at(px(70), py(10)), 0xFFFF00u);    // the yellow card
    EXPECT_EQ(shot.at(px(-129), py(189)), 0xFFFF00u); // its inner corner
    EXPECT_EQ(shot.at(px(-131), py(191)), 0xCCCCCCu); // backdrop just outside
    EXPECT_EQ(shot.at(px(-232), py(-160)), 0xFFFFFFu); // frame of the yellow cell
    EXPECT_EQ(shot.at(px(-290), py(-150)), 0xFF0000u); // first cell: red
}

TEST(App, ControlQEndsTheProgram) {
    // Commands after the quit are never carried out.
    harness::RunResult r = harness::run_headless("wait 1\nkey ctrl+q\nshot never.png\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.exists("never.png"));
}

TEST(App, QuitChosenFromTheRunMenu) {
    harness::RunResult r =
        harness::run_headless("wait 1\nclick-screen 20 29\nwait 1\nclick-screen 40 218\nshot never.png\n");
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
    EXPECT_NE(log.find("white rectangle with bounding box (-232,-142) to (-198,-160) with line width 1\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("black rectangle with bounding box (-300,-140) to (-163,-250) with line width 1\n"),
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
        for (int x = 10; x < 390; ++x) changed += screen.at(x, y) != before.at(x, y);
    EXPECT_GT(changed, 20000);
}

}  // namespace
