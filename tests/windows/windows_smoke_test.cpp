// windows_smoke_test.cpp: card-designer.exe, built for Windows, runs under
// Wine on a private X server with no window manager; a user clicks the
// "Shape" tab and the card, sees the black heart on the yellow card, and
// quits with Control+Q.
//
// The clicks are placed from what is on screen: the yellow start card spans
// graphics x -130..269 and y -169..190, which gives the client centre, the
// graphics origin. Screenshots are taken with ImageMagick's import and kept
// beside the log when the test fails.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <sstream>

#include "wine_support.h"

namespace {

using winetest::Picture;

constexpr uint32_t YELLOW = 0xFFFF00;
constexpr int CARD_LEFT = -130, CARD_TOP = 190, CARD_WIDTH = 400, CARD_HEIGHT = 360;

bool dark(uint32_t p) {
    return ((p >> 16) & 0xFF) < 60 && ((p >> 8) & 0xFF) < 60 && (p & 0xFF) < 60;
}

struct Box {
    int left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1;
    bool found() const { return right >= 0; }
};

// The card: the first row with a yellow run nearly the card's width, and
// the yellow column below its middle. (The colour palette has a yellow
// swatch too, far smaller.)
Box card_box(const Picture& p) {
    Box b;
    for (int y = 0; y < p.height && !b.found(); ++y)
        for (int x = 0; x < p.width; ++x) {
            int run = 0;
            while (x + run < p.width && p.at(x + run, y) == YELLOW)
                ++run;
            if (run >= CARD_WIDTH - 2) {
                b = Box{x, y, x + run - 1, y};
                break;
            }
            x += run;
        }
    if (!b.found()) return b;
    int mid = (b.left + b.right) / 2;
    while (b.bottom + 1 < p.height && p.at(mid, b.bottom + 1) == YELLOW)
        ++b.bottom;
    return b;
}

int count_dark(const Picture& p, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = std::max(y0, 0); y <= std::min(y1, p.height - 1); ++y)
        for (int x = std::max(x0, 0); x <= std::min(x1, p.width - 1); ++x)
            if (dark(p.at(x, y))) ++n;
    return n;
}

class WindowsSmoke : public ::testing::Test {
  protected:
    std::string dir, display;
    int shots = 0;

    void SetUp() override {
        dir = winetest::make_run_dir("smoke");
        ASSERT_FALSE(dir.empty());
    }

    int tool(const std::vector<std::string>& argv) {
        return winetest::run(argv, {"DISPLAY=" + display}, dir, dir + "/tools.txt", 30);
    }

    // A screenshot of the whole screen, also kept as shot-N-<name>.png.
    bool screen(const std::string& name, Picture& p) {
        std::string path = dir + "/shot-" + std::to_string(++shots) + "-" + name + ".png";
        return tool({winetest::tools().import, "-window", "root", path}) == 0 &&
               winetest::read_png(path, p);
    }

    // Takes screenshots until `seen` holds, for at most 30 seconds: a slow
    // machine is given time, a program that never shows it still fails.
    // Only the last shot of each step is kept.
    template <typename Seen> bool screen_until(const std::string& name, Picture& p, Seen seen) {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (true) {
            bool shot = screen(name, p);
            if (shot && seen(p)) return true;
            if (std::chrono::steady_clock::now() >= end) return false;
            if (shot)
                std::remove((dir + "/shot-" + std::to_string(shots) + "-" + name + ".png").c_str());
            winetest::pause_ms(250);
        }
    }

    // The X window of a top-level window, by its title (at most 60 seconds:
    // the first start of a program in a prefix can be slow).
    unsigned long find_window(const std::string& title) {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < end) {
            std::string out = winetest::run_for_output(
                {winetest::tools().xdotool, "search", "--name", "^" + title + "$"},
                {"DISPLAY=" + display}, 10);
            unsigned long id = 0;
            if (std::istringstream(out) >> id) return id;
            winetest::pause_ms(250);
        }
        return 0;
    }

    void click(int x, int y) {
        ASSERT_EQ(tool({winetest::tools().xdotool, "mousemove", std::to_string(x),
                        std::to_string(y), "click", "1"}),
                  0);
    }
};

TEST_F(WindowsSmoke, ShapeTabAndCardClickShowTheHeartAndControlQQuits) {
    std::string exe = winetest::windows_program("card-designer.exe");
    ASSERT_FALSE(exe.empty()) << "no cross-built card-designer.exe (windows_cross_build makes it)";
    ASSERT_TRUE(winetest::prefix_ready()) << "no Wine prefix (windows_wine_prefix makes it)";
    winetest::Xvfb x(1024, 768);
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    display = x.display();

    // Whatever happens, Wine stops before the X server does.
    struct WineRun {
        pid_t pid = -1;
        ~WineRun() {
            winetest::stop_wine();
            if (pid > 0) winetest::wait_for(pid);
        }
    } run;
    run.pid = winetest::spawn({winetest::tools().wine, exe}, winetest::wine_env(display), dir,
                              dir + "/program.txt", 180);
    ASSERT_GT(run.pid, 0);
    unsigned long window = find_window("KV319 Graphics");
    ASSERT_NE(window, 0u) << "the graphics window never appeared";

    // The start card tells where the graphics origin is.
    Picture p;
    ASSERT_TRUE(screen_until("start", p, [](const Picture& s) {
        Box b = card_box(s);
        return b.found() && b.bottom - b.top + 1 >= CARD_HEIGHT - 2;
    })) << "no yellow card on screen";
    Box card = card_box(p);
    EXPECT_NEAR(card.right - card.left + 1, CARD_WIDTH, 1);
    EXPECT_NEAR(card.bottom - card.top + 1, CARD_HEIGHT, 1);
    int ox = card.left - CARD_LEFT, oy = card.top + CARD_TOP;
    auto sx = [&](int gx) { return ox + gx; };
    auto sy = [&](int gy) { return oy - gy; };

    // The "Shape" tab (tab 2 spans x -80..-1, y 213..248): its nine item
    // buttons come up, down to "Remove" at y -119..-84.
    click(sx(-25), sy(230));
    ASSERT_TRUE(screen_until("shape-tab", p, [&](const Picture& s) {
        return count_dark(s, sx(-298), sy(-84), sx(-191), sy(-119)) > 20;
    })) << "the Shape tab's buttons did not come up";

    // A click on the card adds a black heart there.
    const int hx = 70, hy = 10;
    click(sx(hx), sy(hy));
    ASSERT_TRUE(screen_until("heart", p, [&](const Picture& s) {
        return count_dark(s, sx(hx - 30), sy(hy + 30), sx(hx + 30), sy(hy - 30)) > 600;
    })) << "no heart where the card was clicked";
    EXPECT_GT(count_dark(p, sx(hx - 5), sy(hy + 5), sx(hx + 5), sy(hy - 5)), 100);
    // The rest of the card is still yellow.
    for (int gx : {-120, 260})
        for (int gy : {-160, 180})
            EXPECT_EQ(p.at(sx(gx), sy(gy)), YELLOW) << gx << "," << gy;

    // Control+Q ends the program with status 0. The keyboard goes to the
    // window with the X focus; with no window manager it is given directly.
    ASSERT_EQ(tool({winetest::tools().xdotool, "windowfocus", "--sync", std::to_string(window)}),
              0);
    ASSERT_EQ(tool({winetest::tools().xdotool, "key", "ctrl+q"}), 0);
    int status = winetest::wait_for(run.pid);
    run.pid = -1;
    EXPECT_EQ(status, 0) << "card-designer.exe's exit status (124: it did not end)";

    if (!HasFailure()) winetest::remove_if_passed(dir);
}

} // namespace
