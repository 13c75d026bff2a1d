// The bounce example end to end: clicks place the ball, periodic events
// move it and it stays in its court, keys halt it and change it.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "runner_harness.h"

namespace {

// Client pixel of graphics point (x, y): the client is 601 x 501, origin (300, 250).
int px(int x) {
    return 300 + x;
}
int py(int y) {
    return 250 - y;
}

constexpr uint32_t RED = 0xFF0000u, BLUE = 0x0000FFu, WHITE = 0xFFFFFFu;

struct Report {
    int x = 0, y = 0, bounces = 0;
};

// Every "ball at (X, Y) after N bounces" line of a console file, in order.
std::vector<Report> reports(const std::string& console) {
    std::vector<Report> found;
    std::regex line(R"(ball at \((-?\d+), (-?\d+)\) after (\d+) bounces)");
    for (std::sregex_iterator it(console.begin(), console.end(), line), end; it != end; ++it)
        found.push_back({std::stoi((*it)[1]), std::stoi((*it)[2]), std::stoi((*it)[3])});
    return found;
}

TEST(ExampleBounce, AClickPutsTheBallThereAndCChangesItsColour) {
    harness::RunResult r = harness::run_headless(
        "wait 2\nclick 100 50\nshot red.png\nkey c\nshot blue.png\nconsole console.txt\n");
    ASSERT_EQ(r.status, 0) << r.err;
    harness::Image red, blue;
    ASSERT_TRUE(harness::load_png(r.path("red.png"), red));
    ASSERT_TRUE(harness::load_png(r.path("blue.png"), blue));
    EXPECT_EQ(red.at(px(100), py(50)), RED);
    EXPECT_EQ(red.at(px(100 + 14), py(50)), RED);   // radius 15: its edge
    EXPECT_EQ(red.at(px(100 + 17), py(50)), WHITE); // and just outside
    EXPECT_EQ(red.at(px(0), py(0)), WHITE);         // the start point is empty
    EXPECT_EQ(blue.at(px(100), py(50)), BLUE);
    std::string console = r.read("console.txt");
    EXPECT_NE(console.find("ball moved to (100, 50)\n"), std::string::npos) << console;
    EXPECT_NE(console.find("colour 4\n"), std::string::npos) << console;
}

TEST(ExampleBounce, AClickOutsideTheCourtKeepsTheBallInside) {
    harness::RunResult r = harness::run_headless("click 299 -249\nconsole console.txt\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.read("console.txt").find("ball moved to (275, -200)\n"), std::string::npos)
        << r.read("console.txt");
}

TEST(ExampleBounce, PeriodicEventsMoveTheBallWhichBouncesOffTheWalls) {
    // Next to the right wall and moving toward it; 80 steps of 4 units
    // cross the court's 425-unit height, so it meets a wall of each pair.
    std::string script = "click 270 0\nkey p\n";
    for (int i = 0; i < 8; ++i)
        script += "wait 10\nkey p\n";
    script += "console console.txt\n";
    harness::RunResult r = harness::run_headless(script);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<Report> seen = reports(r.read("console.txt"));
    ASSERT_EQ(seen.size(), 9u) << r.read("console.txt");
    EXPECT_EQ(seen[0].x, 270);
    EXPECT_EQ(seen[0].bounces, 0);
    for (size_t i = 1; i < seen.size(); ++i) {
        EXPECT_TRUE(seen[i].x != seen[i - 1].x || seen[i].y != seen[i - 1].y) << "report " << i;
        EXPECT_GE(seen[i].x, -275);
        EXPECT_LE(seen[i].x, 275);
        EXPECT_GE(seen[i].y, -200);
        EXPECT_LE(seen[i].y, 225);
        EXPECT_GE(seen[i].bounces, seen[i - 1].bounces);
    }
    EXPECT_LT(seen[1].x, 270);         // turned round at the right wall
    EXPECT_GE(seen.back().bounces, 2); // and at the top or bottom since
}

TEST(ExampleBounce, SpaceHaltsTheBallAndResumesIt) {
    harness::RunResult r = harness::run_headless(
        "click 0 0\nwait 3\nkey Space\nkey p\nwait 20\nkey p\nkey Space\nwait 3\nkey p\n"
        "console console.txt\n");
    ASSERT_EQ(r.status, 0) << r.err;
    std::string console = r.read("console.txt");
    std::vector<Report> seen = reports(console);
    ASSERT_EQ(seen.size(), 3u) << console;
    EXPECT_EQ(seen[0].x, seen[1].x) << console; // no periodic events while halted
    EXPECT_EQ(seen[0].y, seen[1].y) << console;
    EXPECT_NE(seen[1].x, seen[2].x) << console; // and again after
    EXPECT_NE(console.find("halted\n"), std::string::npos);
    EXPECT_NE(console.find("running\n"), std::string::npos);
}

TEST(ExampleBounce, QEndsTheProgram) {
    harness::RunResult r = harness::run_headless("wait 1\nkey q\nshot never.png\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.exists("never.png"));
}

} // namespace
