// xvfb_test.cpp: the card designer and the runtime in real windows, on a
// private X server with no window manager, driven by real input (xdotool)
// and checked on screenshots of the windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "metrics.h"
#include "xvfb_session.h"

namespace {

using e2e::Geometry;
using e2e::Program;
using e2e::Shot;
using e2e::XClient;
using e2e::XServer;

constexpr const char* kXdotool = "/usr/bin/xdotool";
constexpr uint32_t kBlack = 0x000000, kYellow = 0xFFFF00;
constexpr int kStart = 10000;  // limit for windows to appear, ms
constexpr int kEnd = 10000;    // limit for the program to end, ms

// The graphics window: 601 x 540 with caption and menu bar; the client is
// 601 x 501 with its centre, graphics coordinate (0, 0), at (300, 250).
// The native window shows the menu bar and the client (the desktop would
// draw the caption).
constexpr int kCaption = ws::metrics::kCaptionHeight;
constexpr int kMenuBar = ws::metrics::kMenuBarHeight;

struct Point {
    int x, y;
};

// A graphics coordinate as a pixel of the native graphics window.
Point native_of(int gx, int gy, int scale = 1) {
    return {(300 + gx) * scale, (250 - gy + kMenuBar) * scale};
}

std::string id_text(unsigned long id) {
    char s[32];
    std::snprintf(s, sizeof s, "%lu", id);
    return s;
}

// One program on one private X server.
struct Session {
    std::unique_ptr<XServer> server;
    std::unique_ptr<XClient> client;
    std::unique_ptr<Program> program;
    std::string dir;

    Session(const std::string& name, const std::string& path, int width = 1024, int height = 768,
            const std::string& resources = "") {
        dir = e2e::fresh_directory(name);
        server = std::make_unique<XServer>(width, height);
        if (!server->running()) return;
        client = std::make_unique<XClient>(server->display());
        if (!resources.empty()) client->set_resources(resources);
        program = std::make_unique<Program>(path, server->display(), dir);
    }

    bool ready() const { return server->running() && client && client->connected() && program; }
    std::string display() const { return server->display(); }

    int tool(const std::vector<std::string>& argv) { return e2e::run_tool(argv, display()); }
    void click(unsigned long window, Point p) {
        ASSERT_EQ(tool({kXdotool, "mousemove", "--window", id_text(window), std::to_string(p.x),
                        std::to_string(p.y), "click", "1"}),
                  0);
    }
    void move(unsigned long window, Point p) {
        ASSERT_EQ(tool({kXdotool, "mousemove", "--window", id_text(window), std::to_string(p.x),
                        std::to_string(p.y)}),
                  0);
    }
    void focus(unsigned long window) {
        ASSERT_EQ(tool({kXdotool, "windowfocus", "--sync", id_text(window)}), 0);
    }
    void keys(const std::string& keys) { ASSERT_EQ(tool({kXdotool, "key", keys}), 0); }

    Shot shot(unsigned long window, const std::string& name) {
        Shot s;
        EXPECT_TRUE(e2e::screenshot(display(), window, dir + "/" + name + ".png", s)) << name;
        return s;
    }
    // Screenshots until `seen` holds (the program draws at its own pace);
    // the last one either way.
    template <typename Pred>
    Shot shot_until(unsigned long window, const std::string& name, Pred seen) {
        Shot s;
        for (int i = 0; i < 40; ++i) {
            s = shot(window, name);
            if (seen(s)) break;
        }
        return s;
    }

    // The pull-down, the only window without a title, once it is shown; 0
    // if none came within five seconds.
    unsigned long wait_for_pull_down() {
        for (int i = 0; i < 100; ++i) {
            std::vector<unsigned long> w = client->untitled_windows();
            if (!w.empty()) return w.front();
            e2e::pause_ms(50);
        }
        return 0;
    }

    // Presses the close box and waits for the end: the exit status.
    int close_and_wait(unsigned long window) {
        client->press_close_box(window);
        int status = -1;
        if (!program->wait_exit(kEnd, status)) return -1000;
        return status;
    }
};

// The tools are part of the machine's set-up (scripts/install-deps.sh): a
// machine without them fails here rather than passing untested.
class RealWindows : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(XServer::installed()) << "Xvfb is not installed (scripts/install-deps.sh)";
        ASSERT_TRUE(e2e::tools_installed())
            << "xdotool or ImageMagick's import is not installed (scripts/install-deps.sh)";
    }
};

// The heart that a card click adds, in black on the yellow start card, at
// native pixel p of the graphics window (scaled by `scale`).
::testing::AssertionResult heart_at(const Shot& s, Point p, int scale) {
    int r = 20 * scale;
    int black = s.count(kBlack, p.x - r, p.y - r, p.x + r, p.y + r);
    if (black < r * r) return ::testing::AssertionFailure() << "only " << black << " black pixels";
    // The card around it is still yellow.
    for (int dx : {-80, 80})
        if (s.at(p.x + dx * scale, p.y) != kYellow)
            return ::testing::AssertionFailure() << "the card is not yellow beside the heart";
    return ::testing::AssertionSuccess();
}

TEST_F(RealWindows, ShapeTabAndCardClickDrawTheHeartAndTheCloseBoxEndsTheProgram) {
    Session s("heart", CARD_DESIGNER_PATH);
    ASSERT_TRUE(s.ready());
    unsigned long g = s.client->wait_for_window("KV319 Graphics", kStart);
    ASSERT_NE(g, 0u) << s.program->errors();

    // Placed where asked, the frame left to the (absent) desktop.
    Geometry geo = s.client->geometry(g);
    EXPECT_EQ(geo.x, 0);
    EXPECT_EQ(geo.y, kCaption);
    EXPECT_EQ(geo.width, 601);
    EXPECT_EQ(geo.height, 540 - kCaption);

    Point card = native_of(70, 10);
    Shot before = s.shot_until(g, "before", [&](const Shot& x) {
        return x.at(card.x, card.y) == kYellow;
    });
    EXPECT_EQ(before.count(kBlack, card.x - 20, card.y - 20, card.x + 20, card.y + 20), 0);

    s.click(g, native_of(-25, 230));  // the "Shape" tab
    s.click(g, card);
    s.focus(g);
    s.keys("ctrl+f");
    Shot after = s.shot_until(g, "heart", [&](const Shot& x) { return heart_at(x, card, 1); });
    EXPECT_TRUE(heart_at(after, card, 1));

    // Animation is halted now, so nothing but the expose repaints: covered
    // by another client's window (which takes the focus too) and laid bare
    // again, the picture comes back whole.
    unsigned long cover = s.client->cover(s.client->geometry(g));
    ASSERT_NE(cover, 0u);
    Shot covered = s.shot(g, "covered");
    EXPECT_FALSE(heart_at(covered, card, 1));
    s.client->uncover(cover);
    Shot bare = s.shot_until(g, "uncovered", [&](const Shot& x) { return heart_at(x, card, 1); });
    EXPECT_TRUE(heart_at(bare, card, 1));
    EXPECT_EQ(bare.pixels, after.pixels);

    // Taken off the screen and put back (as a desktop minimises and
    // restores): the same picture again.
    ASSERT_EQ(s.tool({kXdotool, "windowunmap", "--sync", id_text(g)}), 0);
    ASSERT_EQ(s.tool({kXdotool, "windowmap", "--sync", id_text(g)}), 0);
    Shot restored = s.shot_until(g, "restored", [&](const Shot& x) { return x.pixels == after.pixels; });
    EXPECT_EQ(restored.pixels, after.pixels);

    // Input still lands after all that: a click elsewhere on the card moves
    // the selected heart there.
    Point moved = native_of(-40, -100);
    s.focus(g);
    s.click(g, moved);
    s.keys("ctrl+f");
    Shot there = s.shot_until(g, "moved", [&](const Shot& x) { return heart_at(x, moved, 1); });
    EXPECT_TRUE(heart_at(there, moved, 1));
    EXPECT_EQ(there.count(kBlack, card.x - 20, card.y - 20, card.x + 20, card.y + 20), 0);

    EXPECT_EQ(s.close_and_wait(g), 0);
    EXPECT_EQ(s.program->errors(), "");
}

TEST_F(RealWindows, RunMenuOpensUnderTheBarFollowsThePointerAndLeavesTheKeyboardAlone) {
    Session s("menu", CARD_DESIGNER_PATH);
    ASSERT_TRUE(s.ready());
    unsigned long g = s.client->wait_for_window("KV319 Graphics", kStart);
    ASSERT_NE(g, 0u) << s.program->errors();
    // The program gives itself the focus, as a desktop would.
    for (int i = 0; i < 100 && s.client->focus() != g; ++i) e2e::pause_ms(50);
    ASSERT_EQ(s.client->focus(), g);

    s.click(g, {15, kMenuBar / 2});  // "Run"
    unsigned long pull_down = s.wait_for_pull_down();
    ASSERT_NE(pull_down, 0u);
    Geometry pd = s.client->geometry(pull_down);
    EXPECT_EQ(pd.y, kCaption + kMenuBar);  // right under the bar
    EXPECT_LT(pd.x, 40);
    EXPECT_GT(pd.height, 200);  // sixteen lines

    // Hover: the line under the pointer is highlighted, and only that one.
    Geometry gg = s.client->geometry(g);
    auto line = [&](const Shot& shot, int top) {
        uint64_t sum = 0;
        for (int y = top; y < top + 16; ++y)
            for (int x = 4; x < pd.width - 4; ++x) sum = sum * 31 + shot.at(x, y);
        return sum;
    };
    Shot none = s.shot(pull_down, "hover-none");
    s.move(g, {60, pd.y - gg.y + 12});  // over "Animate"
    Shot first = s.shot_until(pull_down, "hover-first", [&](const Shot& x) {
        return line(x, 4) != line(none, 4);
    });
    s.move(g, {60, pd.y - gg.y + 32});  // over "Halt animation"
    Shot second = s.shot_until(pull_down, "hover-second", [&](const Shot& x) {
        return line(x, 24) != line(none, 24);
    });
    EXPECT_NE(line(first, 4), line(none, 4));
    EXPECT_EQ(line(first, 24), line(none, 24));
    EXPECT_EQ(line(second, 4), line(none, 4));
    EXPECT_NE(line(second, 24), line(none, 24));

    // A press elsewhere closes it, and the keyboard still goes to the
    // graphics window: Control+Q quits.
    s.click(g, native_of(250, -240));
    EXPECT_TRUE(s.client->wait_until_hidden(pull_down, kEnd));
    EXPECT_EQ(s.client->focus(), g);
    s.keys("ctrl+q");
    int status = -1;
    ASSERT_TRUE(s.program->wait_exit(kEnd, status));
    EXPECT_EQ(status, 0);
}

TEST_F(RealWindows, ScaleTwoShowsTheImageTwiceAsLargeWithoutBlurAndClicksStillLand) {
    Session s("scale2", CARD_DESIGNER_PATH, 2048, 1536, "Xft.dpi:\t192\n");
    ASSERT_TRUE(s.ready());
    unsigned long g = s.client->wait_for_window("KV319 Graphics", kStart);
    ASSERT_NE(g, 0u) << s.program->errors();
    Geometry geo = s.client->geometry(g);
    EXPECT_EQ(geo.y, 2 * kCaption);
    EXPECT_EQ(geo.width, 2 * 601);
    EXPECT_EQ(geo.height, 2 * (540 - kCaption));

    Point card = native_of(70, 10, 2);
    s.click(g, native_of(-25, 230, 2));
    s.click(g, card);
    Shot shot = s.shot_until(g, "heart", [&](const Shot& x) { return heart_at(x, card, 2); });
    ASSERT_TRUE(heart_at(shot, card, 2));
    // Nearest-pixel scaling: every 2 x 2 block is one colour.
    int mixed = 0;
    for (int y = 0; y + 1 < shot.height; y += 2)
        for (int x = 0; x + 1 < shot.width; x += 2) {
            uint32_t p = shot.at(x, y);
            if (shot.at(x + 1, y) != p || shot.at(x, y + 1) != p || shot.at(x + 1, y + 1) != p)
                ++mixed;
        }
    EXPECT_EQ(mixed, 0);

    // The pull-down is placed in the same scaled space.
    s.click(g, {30, kMenuBar});
    unsigned long pull_down = s.wait_for_pull_down();
    ASSERT_NE(pull_down, 0u);
    EXPECT_EQ(s.client->geometry(pull_down).y, 2 * (kCaption + kMenuBar));

    EXPECT_EQ(s.close_and_wait(g), 0);
}

TEST_F(RealWindows, TextWindowAndLineInputDialog) {
    Session s("console", CONSOLE_PROBE_PATH);
    ASSERT_TRUE(s.ready());
    unsigned long dialog = s.client->wait_for_window("KV319_gets", kStart);
    ASSERT_NE(dialog, 0u) << s.program->errors();
    unsigned long g = s.client->wait_for_window("KV319 Graphics", kStart);
    unsigned long text = s.client->wait_for_window("KV319 Text", kStart);
    ASSERT_NE(g, 0u);
    ASSERT_NE(text, 0u);

    // The text window across the lower third of a 1024 x 768 screen.
    Geometry t = s.client->geometry(text);
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 513 + kCaption);
    EXPECT_EQ(t.width, 1024);
    EXPECT_EQ(t.height, 256 - kCaption);

    // The dialog centred on the graphics window (outer rectangles).
    Geometry d = s.client->geometry(dialog);
    int cx = d.x + d.width / 2, cy = d.y - kCaption + (d.height + kCaption) / 2;
    EXPECT_NEAR(cx, 300, 1);
    EXPECT_NEAR(cy, 270, 1);

    // The stored lines stand at the bottom, newest last. (The window reaches
    // one row past the bottom of the screen, which a screenshot leaves out.)
    Shot lines = s.shot(text, "text");
    ASSERT_EQ(lines.height, 768 - t.y);
    const int strip = 14;
    auto bottom_row = [](int window_height, int k) {
        return window_height - 1 - k;  // k rows above the window's last one
    };
    EXPECT_GT(lines.count(kBlack, 0, t.height - strip, 300, lines.height), 20);
    EXPECT_EQ(lines.count(kBlack, 610, 0, lines.width, lines.height), 0);

    // Moved and resized: repainted at the new size from the stored lines,
    // the same newest line, unstretched, at the new bottom.
    ASSERT_EQ(s.tool({kXdotool, "windowmove", id_text(text), "0", "300"}), 0);
    ASSERT_EQ(s.tool({kXdotool, "windowsize", id_text(text), "700", "300"}), 0);
    Shot resized = s.shot_until(text, "text-resized", [&](const Shot& x) {
        return x.width == 700 && x.height == 300 &&
               x.count(kBlack, 0, x.height - strip, 300, x.height) > 20;
    });
    ASSERT_EQ(resized.width, 700);
    ASSERT_EQ(resized.height, 300);
    int differing = 0;
    for (int k = 1; k <= strip; ++k)
        for (int x = 0; x < 300; ++x)
            if (resized.at(x, bottom_row(300, k)) !=
                lines.at(x, bottom_row(t.height, k)))
                ++differing;
    EXPECT_EQ(differing, 0);

    // Typing follows the keyboard: a letter outside ASCII included. Escape
    // and the close box leave the dialog open; Enter presses "Okay".
    s.focus(dialog);
    ASSERT_EQ(s.tool({kXdotool, "type", "--delay", "30", "h\xC3\xA9llo"}), 0);
    s.keys("Escape");
    s.client->press_close_box(dialog);
    s.shot(g, "dialog-open");
    EXPECT_TRUE(s.client->viewable(dialog));
    s.keys("Return");
    EXPECT_TRUE(s.client->wait_until_hidden(dialog, kEnd));
    for (int i = 0; i < 100 && s.program->output().empty(); ++i) e2e::pause_ms(50);
    EXPECT_EQ(s.program->output(), "gets 1 [h\xE9llo]\n");

    EXPECT_EQ(s.close_and_wait(g), 0);
    EXPECT_EQ(s.program->errors(), "");
}

TEST_F(RealWindows, ADisplayThatGoesAwayEndsTheProgramWithOneLineAndStatusOne) {
    Session s("display-gone", CARD_DESIGNER_PATH);
    ASSERT_TRUE(s.ready());
    ASSERT_NE(s.client->wait_for_window("KV319 Graphics", kStart), 0u) << s.program->errors();
    s.client.reset();  // our own connection must not outlive the server either
    s.server->stop();
    int status = -1;
    ASSERT_TRUE(s.program->wait_exit(kEnd, status));
    EXPECT_EQ(status, 1);
    std::string err = s.program->errors();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("display"), std::string::npos) << err;
}

// Needs no X server.
TEST(NoDisplay, MissingOrUnreachableDisplaySaysSoInOneLineWithStatusOne) {
    for (std::string display : {std::string(), std::string(":987")}) {
        std::string dir = e2e::fresh_directory("no-display");
        Program p(CARD_DESIGNER_PATH, display, dir);
        int status = -1;
        ASSERT_TRUE(p.wait_exit(kEnd, status)) << display;
        EXPECT_EQ(status, 1) << display;
        std::string err = p.errors();
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("display"), std::string::npos) << err;
        EXPECT_EQ(p.output(), "");
    }
}

}  // namespace
