// xvfb_test.cpp: the card designer and the runtime in real windows, on a
// private X server (with no window manager, with one, and with a Wayland
// compositor in it), driven by real input (xdotool) and checked on
// screenshots of the windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

constexpr const char* XDOTOOL = "/usr/bin/xdotool";
constexpr uint32_t BLACK = 0x000000, YELLOW = 0xFFFF00;
constexpr int START = 20000; // limit for windows to appear, ms
constexpr int END = 20000;   // limit for the program to end, ms
constexpr int SEEN = 20000;  // limit for the program to show what a test waits for, ms

// The graphics window: 601 x 540 with caption and menu bar; without a
// window manager the client is 601 x 501 with its centre, graphics
// coordinate (0, 0), at (300, 250). The native window shows the menu bar and
// the client (the desktop draws the caption and any frame).
constexpr int CAPTION = ws::metrics::CAPTION_HEIGHT;
constexpr int MENU_BAR = ws::metrics::MENU_BAR_HEIGHT;

struct Point {
    int x, y;
};

// The graphics window's native window: where it is (`at`, the screen or
// the compositor's output), its native size and the scale it is shown at.
// Graphics coordinates follow from its size as the runtime's do: the origin
// is the centre of the client area under the menu bar.
struct Graphics {
    Geometry at;
    double scale = 1;

    int client_width() const { return static_cast<int>(std::lround(at.width / scale)); }
    int client_height() const {
        return static_cast<int>(std::lround(at.height / scale)) - MENU_BAR;
    }
    // A graphics coordinate as a pixel of the native window: the middle of
    // the pixel of the window's own that shows it.
    Point native(int gx, int gy) const {
        int px = client_width() / 2 + gx, py = client_height() / 2 - gy + MENU_BAR;
        return {static_cast<int>((px + 0.5) * scale), static_cast<int>((py + 0.5) * scale)};
    }
    // The same on the screen (or the compositor's output).
    Point screen(int gx, int gy) const {
        Point p = native(gx, gy);
        return {at.x + p.x, at.y + p.y};
    }
};

std::string id_text(unsigned long id) {
    char s[32];
    std::snprintf(s, sizeof s, "%lu", id);
    return s;
}

// One private X server, optionally with a window manager, for the programs
// of one test.
struct Session {
    std::unique_ptr<XServer> server;
    std::unique_ptr<XClient> client;
    std::unique_ptr<e2e::WindowManager> manager;
    std::unique_ptr<Program> program;
    std::string dir;

    Session(const std::string& name, int width = 1024, int height = 768,
            const std::string& resources = "", bool window_manager = false) {
        dir = e2e::fresh_directory(name);
        server = std::make_unique<XServer>(width, height);
        if (!server->running()) return;
        client = std::make_unique<XClient>(server->display());
        if (!resources.empty()) client->set_resources(resources);
        // A letter outside ASCII gets a key of its own before any program
        // starts: the input tool would otherwise change the keyboard map
        // for each such letter and back, racing the program that reads it.
        client->map_keysym("eacute");
        if (window_manager) manager = std::make_unique<e2e::WindowManager>(server->display(), dir);
    }

    bool ready() const {
        return server->running() && client && client->connected() &&
               (!manager || manager->running());
    }
    std::string display() const { return server->display(); }
    // Starts a program on the display, ending the one before if it still runs.
    void start(const std::string& path) {
        program.reset();
        program = std::make_unique<Program>(path, display(), dir);
    }

    int tool(const std::vector<std::string>& argv) { return e2e::run_tool(argv, display()); }
    void click(unsigned long window, Point p) {
        ASSERT_EQ(tool({XDOTOOL, "mousemove", "--window", id_text(window), std::to_string(p.x),
                        std::to_string(p.y), "click", "1"}),
                  0);
    }
    void move(unsigned long window, Point p) {
        ASSERT_EQ(tool({XDOTOOL, "mousemove", "--window", id_text(window), std::to_string(p.x),
                        std::to_string(p.y)}),
                  0);
    }
    void focus(unsigned long window) {
        ASSERT_EQ(tool({XDOTOOL, "windowfocus", "--sync", id_text(window)}), 0);
    }
    // Presses and releases each of the keys (xdotool's names), in order.
    void keys(const std::vector<std::string>& keys) {
        std::vector<std::string> argv{XDOTOOL, "key"};
        argv.insert(argv.end(), keys.begin(), keys.end());
        ASSERT_EQ(tool(argv), 0);
    }

    Shot shot(unsigned long window, const std::string& name) {
        Shot s;
        EXPECT_TRUE(e2e::screenshot(display(), window, dir + "/" + name + ".png", s)) << name;
        return s;
    }
    // Screenshots until `seen` holds (the program draws at its own pace);
    // the last one either way.
    template <typename Pred>
    Shot shot_until(unsigned long window, const std::string& name, Pred seen, int limit_ms = SEEN) {
        Shot s;
        e2e::poll_until(
            [&] {
                s = shot(window, name);
                return seen(s);
            },
            limit_ms);
        return s;
    }

    // The graphics window, once it is shown: 0 if it did not come.
    Graphics graphics(unsigned long& id, double scale = 1) {
        id = client->wait_for_window("KV319 Graphics", START);
        return {id ? client->geometry(id) : Geometry{}, scale};
    }

    // The pull-down, the only window without a title, once it is shown; 0
    // if none came.
    unsigned long wait_for_pull_down() {
        unsigned long found = 0;
        e2e::poll_until(
            [&] {
                std::vector<unsigned long> w = client->untitled_windows();
                found = w.empty() ? 0 : w.front();
                return found != 0;
            },
            SEEN);
        return found;
    }

    // The program's exit status once it ends; -1000 if it does not.
    int exit_status(int limit_ms = END) {
        int status = -1;
        return program->wait_exit(limit_ms, status) ? status : -1000;
    }
    // Presses the close box and waits for the end: the exit status.
    int close_and_wait(unsigned long window) {
        client->press_close_box(window);
        return exit_status();
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
// pixel p of a screenshot (scaled by `scale`).
::testing::AssertionResult heart_at(const Shot& s, Point p, double scale) {
    int r = static_cast<int>(20 * scale);
    int black = s.count(BLACK, p.x - r, p.y - r, p.x + r, p.y + r);
    if (black < r * r) return ::testing::AssertionFailure() << "only " << black << " black pixels";
    // The card around it is still yellow.
    for (int dx : {-80, 80})
        if (s.at(p.x + static_cast<int>(dx * scale), p.y) != YELLOW)
            return ::testing::AssertionFailure() << "the card is not yellow beside the heart";
    return ::testing::AssertionSuccess();
}

// The "Shape" tab, then the card: a heart at graphics (70, 10).
constexpr Point SHAPE_TAB{-25, 230}, CARD_POINT{70, 10};

TEST_F(RealWindows, ShapeTabAndCardClickDrawTheHeartAndTheCloseBoxEndsTheProgram) {
    Session s("heart");
    ASSERT_TRUE(s.ready());
    s.start(CARD_DESIGNER_PATH);
    unsigned long g = 0;
    Graphics gw = s.graphics(g);
    ASSERT_NE(g, 0u) << s.program->errors();

    // Placed where asked, the frame left to the (absent) desktop.
    EXPECT_EQ(gw.at.x, 0);
    EXPECT_EQ(gw.at.y, CAPTION);
    EXPECT_EQ(gw.at.width, 601);
    EXPECT_EQ(gw.at.height, 540 - CAPTION);

    Point card = gw.native(CARD_POINT.x, CARD_POINT.y);
    Shot before =
        s.shot_until(g, "before", [&](const Shot& x) { return x.at(card.x, card.y) == YELLOW; });
    EXPECT_EQ(before.count(BLACK, card.x - 20, card.y - 20, card.x + 20, card.y + 20), 0);

    s.click(g, gw.native(SHAPE_TAB.x, SHAPE_TAB.y));
    s.click(g, card);
    s.focus(g);
    s.keys({"ctrl+f"});
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
    Shot bare =
        s.shot_until(g, "uncovered", [&](const Shot& x) { return x.pixels == after.pixels; });
    EXPECT_EQ(bare.pixels, after.pixels);

    // Taken off the screen and put back (as a desktop minimises and
    // restores): the same picture again.
    ASSERT_EQ(s.tool({XDOTOOL, "windowunmap", "--sync", id_text(g)}), 0);
    ASSERT_EQ(s.tool({XDOTOOL, "windowmap", "--sync", id_text(g)}), 0);
    Shot restored =
        s.shot_until(g, "restored", [&](const Shot& x) { return x.pixels == after.pixels; });
    EXPECT_EQ(restored.pixels, after.pixels);

    // Input still lands after all that: a click elsewhere on the card moves
    // the selected heart there.
    Point moved = gw.native(-40, -100);
    s.focus(g);
    s.click(g, moved);
    s.keys({"ctrl+f"});
    Shot there = s.shot_until(g, "moved", [&](const Shot& x) {
        return heart_at(x, moved, 1) &&
               x.count(BLACK, card.x - 20, card.y - 20, card.x + 20, card.y + 20) == 0;
    });
    EXPECT_TRUE(heart_at(there, moved, 1));
    EXPECT_EQ(there.count(BLACK, card.x - 20, card.y - 20, card.x + 20, card.y + 20), 0);

    EXPECT_EQ(s.close_and_wait(g), 0);
    EXPECT_EQ(s.program->errors(), "");
}

TEST_F(RealWindows, RunMenuOpensUnderTheBarFollowsThePointerAndOpensFromTheKeyboard) {
    Session s("menu");
    ASSERT_TRUE(s.ready());
    s.start(CARD_DESIGNER_PATH);
    unsigned long g = 0;
    Graphics gw = s.graphics(g);
    ASSERT_NE(g, 0u) << s.program->errors();
    // The program gives itself the focus, as a desktop would.
    ASSERT_TRUE(e2e::poll_until([&] { return s.client->focus() == g; }, SEEN));

    s.click(g, {15, MENU_BAR / 2}); // "Run"
    unsigned long pull_down = s.wait_for_pull_down();
    ASSERT_NE(pull_down, 0u);
    Geometry pd = s.client->geometry(pull_down);
    EXPECT_EQ(pd.y, CAPTION + MENU_BAR); // right under the bar
    EXPECT_LT(pd.x, 40);
    EXPECT_GT(pd.height, 200); // sixteen lines

    // Hover: the line under the pointer is highlighted, and only that one.
    auto line = [&](const Shot& shot, int top) {
        uint64_t sum = 0;
        for (int y = top; y < top + 16; ++y)
            for (int x = 4; x < pd.width - 4; ++x)
                sum = sum * 31 + shot.at(x, y);
        return sum;
    };
    // Drawn: the texts are there.
    Shot none = s.shot_until(pull_down, "hover-none", [&](const Shot& x) {
        return x.count(BLACK, 20, 4, pd.width - 4, 40) > 50;
    });
    s.move(g, {60, pd.y - gw.at.y + 12}); // over "Animate"
    Shot first = s.shot_until(pull_down, "hover-first",
                              [&](const Shot& x) { return line(x, 4) != line(none, 4); });
    s.move(g, {60, pd.y - gw.at.y + 32}); // over "Halt animation"
    Shot second = s.shot_until(pull_down, "hover-second", [&](const Shot& x) {
        return line(x, 24) != line(none, 24) && line(x, 4) == line(none, 4);
    });
    EXPECT_NE(line(first, 4), line(none, 4));
    EXPECT_EQ(line(first, 24), line(none, 24));
    EXPECT_EQ(line(second, 4), line(none, 4));
    EXPECT_NE(line(second, 24), line(none, 24));

    // A press elsewhere closes it, and the keyboard still goes to the
    // graphics window.
    s.click(g, gw.native(250, -240));
    EXPECT_TRUE(s.client->wait_until_hidden(pull_down, END));
    EXPECT_EQ(s.client->focus(), g);

    // Alt+R opens it again, with no window manager to help: the pull-down
    // comes up with its first line highlighted and the keyboard stays.
    s.keys({"alt+r"});
    pull_down = s.wait_for_pull_down();
    ASSERT_NE(pull_down, 0u);
    Shot keyboard = s.shot_until(pull_down, "alt-r",
                                 [&](const Shot& x) { return line(x, 4) == line(first, 4); });
    EXPECT_EQ(line(keyboard, 4), line(first, 4));
    EXPECT_EQ(s.client->focus(), g);
    // Down, Down and Enter: "Advance one frame" is chosen and the menu goes.
    s.keys({"Down", "Down", "Return"});
    EXPECT_TRUE(s.client->wait_until_hidden(pull_down, END));

    s.keys({"ctrl+q"});
    EXPECT_EQ(s.exit_status(), 0);
}

TEST_F(RealWindows, ScaleTwoShowsTheImageTwiceAsLargeWithoutBlurAndClicksStillLand) {
    Session s("scale2", 2048, 1536, "Xft.dpi:\t192\n");
    ASSERT_TRUE(s.ready());
    s.start(CARD_DESIGNER_PATH);
    unsigned long g = 0;
    Graphics gw = s.graphics(g, 2);
    ASSERT_NE(g, 0u) << s.program->errors();
    EXPECT_EQ(gw.at.y, 2 * CAPTION);
    EXPECT_EQ(gw.at.width, 2 * 601);
    EXPECT_EQ(gw.at.height, 2 * (540 - CAPTION));

    Point card = gw.native(CARD_POINT.x, CARD_POINT.y);
    s.click(g, gw.native(SHAPE_TAB.x, SHAPE_TAB.y));
    s.click(g, card);
    Shot shot = s.shot_until(g, "heart", [&](const Shot& x) { return heart_at(x, card, 2); });
    ASSERT_TRUE(heart_at(shot, card, 2));
    // Every 2 x 2 block is one colour: no blur.
    int mixed = 0;
    for (int y = 0; y + 1 < shot.height; y += 2)
        for (int x = 0; x + 1 < shot.width; x += 2) {
            uint32_t p = shot.at(x, y);
            if (shot.at(x + 1, y) != p || shot.at(x, y + 1) != p || shot.at(x + 1, y + 1) != p)
                ++mixed;
        }
    EXPECT_EQ(mixed, 0);

    // The pull-down is placed in the same scaled space.
    s.click(g, {30, MENU_BAR});
    unsigned long pull_down = s.wait_for_pull_down();
    ASSERT_NE(pull_down, 0u);
    EXPECT_EQ(s.client->geometry(pull_down).y, 2 * (CAPTION + MENU_BAR));

    EXPECT_EQ(s.close_and_wait(g), 0);
}

TEST_F(RealWindows, AtOneAndAHalfTheWholeWindowIsOnTheScreenAndAPaletteClickPicksItsCell) {
    // A 150 % desktop on a 1280 x 1024 screen: twice as large would not fit.
    Session s("scale1.5", 1280, 1024, "Xft.dpi:\t144\n");
    ASSERT_TRUE(s.ready());
    s.start(CARD_DESIGNER_PATH);
    unsigned long g = 0;
    Graphics gw = s.graphics(g, 1.5);
    ASSERT_NE(g, 0u) << s.program->errors();
    EXPECT_EQ(gw.at.x, 0);
    EXPECT_EQ(gw.at.y, 30); // under the 20-row caption, scaled
    EXPECT_EQ(gw.at.width, 902);
    EXPECT_EQ(gw.at.height, 780);
    EXPECT_LE(gw.at.y + gw.at.height, 1024);

    // The lowest palette row, second cell: the colour it shows is the
    // colour a click there gives the card.
    Point cell = gw.native(-300 + 34 + 17, -250 + 9), middle = gw.native(70, 10);
    Shot before = s.shot_until(g, "palette",
                               [&](const Shot& x) { return x.at(middle.x, middle.y) == YELLOW; });
    uint32_t colour = before.at(cell.x, cell.y);
    ASSERT_NE(colour, YELLOW);
    // Every pixel of a cell's inside is its own colour: nothing smeared.
    Point inside = gw.native(-300 + 34 + 4, -250 + 14),
          inside_end = gw.native(-300 + 68 - 4, -250 + 4);
    EXPECT_EQ(before.count(colour, inside.x, inside.y, inside_end.x, inside_end.y),
              (inside_end.x - inside.x) * (inside_end.y - inside.y));

    s.click(g, cell);
    Shot after = s.shot_until(g, "picked",
                              [&](const Shot& x) { return x.at(middle.x, middle.y) == colour; });
    EXPECT_EQ(after.at(middle.x, middle.y), colour);

    EXPECT_EQ(s.close_and_wait(g), 0);
    EXPECT_EQ(s.program->errors(), "");
}

TEST_F(RealWindows, TextWindowAndLineInputDialog) {
    Session s("console");
    ASSERT_TRUE(s.ready());
    s.start(CONSOLE_PROBE_PATH);
    unsigned long dialog = s.client->wait_for_window("KV319_gets", START);
    ASSERT_NE(dialog, 0u) << s.program->errors();
    unsigned long g = s.client->wait_for_window("KV319 Graphics", START);
    unsigned long text = s.client->wait_for_window("KV319 Text", START);
    ASSERT_NE(g, 0u);
    ASSERT_NE(text, 0u);

    // The text window across the lower third of a 1024 x 768 screen.
    Geometry t = s.client->geometry(text);
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 513 + CAPTION);
    EXPECT_EQ(t.width, 1024);
    EXPECT_EQ(t.height, 256 - CAPTION);

    // The dialog centred on the graphics window (outer rectangles).
    Geometry d = s.client->geometry(dialog);
    int cx = d.x + d.width / 2, cy = d.y - CAPTION + (d.height + CAPTION) / 2;
    EXPECT_NEAR(cx, 300, 1);
    EXPECT_NEAR(cy, 270, 1);

    // The stored lines stand at the bottom, newest last. (The window reaches
    // one row past the bottom of the screen, which a screenshot leaves out.)
    const int strip = 14;
    // A window not painted yet is black all over, which would pass for
    // text: the shot counts once the white background is there too.
    Shot lines = s.shot_until(text, "text", [&](const Shot& x) {
        return x.count(BLACK, 0, t.height - strip, 300, x.height) > 20 &&
               x.count(BLACK, 610, 0, x.width, x.height) == 0;
    });
    ASSERT_EQ(lines.height, 768 - t.y);
    auto bottom_row = [](int window_height, int k) {
        return window_height - 1 - k; // k rows above the window's last one
    };
    EXPECT_GT(lines.count(BLACK, 0, t.height - strip, 300, lines.height), 20);
    EXPECT_EQ(lines.count(BLACK, 610, 0, lines.width, lines.height), 0);

    // Moved and resized: repainted at the new size from the stored lines,
    // the same newest line, unstretched, at the new bottom.
    ASSERT_EQ(s.tool({XDOTOOL, "windowmove", id_text(text), "0", "300"}), 0);
    ASSERT_EQ(s.tool({XDOTOOL, "windowsize", id_text(text), "700", "300"}), 0);
    auto differing = [&](const Shot& x) {
        int n = 0;
        for (int k = 1; k <= strip; ++k)
            for (int c = 0; c < 300; ++c)
                if (x.at(c, bottom_row(300, k)) != lines.at(c, bottom_row(t.height, k))) ++n;
        return n;
    };
    Shot resized = s.shot_until(text, "text-resized", [&](const Shot& x) {
        return x.width == 700 && x.height == 300 && differing(x) == 0;
    });
    ASSERT_EQ(resized.width, 700);
    ASSERT_EQ(resized.height, 300);
    EXPECT_EQ(differing(resized), 0);

    // Typing follows the keyboard: a letter outside ASCII included. Escape
    // and the close box leave the dialog open; Enter presses "Okay". Keys
    // queue up in order, so the answer shows whether each one landed.
    s.focus(dialog);
    ASSERT_EQ(s.tool({XDOTOOL, "type", "h\xC3\xA9llo"}), 0);
    s.keys({"Escape"});
    s.client->press_close_box(dialog);
    s.keys({"Return"});
    EXPECT_TRUE(s.client->wait_until_hidden(dialog, END));
    e2e::poll_until([&] { return !s.program->output().empty(); }, SEEN);
    EXPECT_EQ(s.program->output(), "gets 1 [h\xE9llo]\n");

    EXPECT_EQ(s.close_and_wait(g), 0);
    EXPECT_EQ(s.program->errors(), "");
}

TEST_F(RealWindows, UnderAWindowManagerTheFramesStandWhereTheWindowsBelong) {
    ASSERT_TRUE(e2e::WindowManager::installed())
        << "openbox is not installed (scripts/install-deps.sh)";
    Session s("window-manager", 1280, 1024, "", true);
    ASSERT_TRUE(s.ready()) << "openbox did not start";

    // The text window's frame across the lower third, title bar included,
    // the graphics window's at the top left, 601 x 540 with its decorations.
    s.start(CONSOLE_PROBE_PATH);
    unsigned long dialog = s.client->wait_for_window("KV319_gets", START);
    ASSERT_NE(dialog, 0u) << s.program->errors();
    unsigned long g = s.client->wait_for_window("KV319 Graphics", START);
    unsigned long text = s.client->wait_for_window("KV319 Text", START);
    ASSERT_NE(g, 0u);
    ASSERT_NE(text, 0u);
    auto frame_is = [&](unsigned long w, Geometry want) {
        Geometry f{};
        e2e::poll_until(
            [&] {
                f = s.client->frame_geometry(w);
                return f.x == want.x && f.y == want.y && f.width == want.width &&
                       f.height == want.height;
            },
            SEEN);
        return ::testing::AssertionResult(f.x == want.x && f.y == want.y && f.width == want.width &&
                                          f.height == want.height)
               << f.x << "," << f.y << " " << f.width << "x" << f.height;
    };
    EXPECT_TRUE(frame_is(text, {0, 683, 1280, 341}));
    EXPECT_TRUE(frame_is(g, {0, 0, 601, 540}));

    // The text window's newest line is on the screen, at its bottom.
    Geometry t = s.client->geometry(text);
    EXPECT_LE(t.y + t.height, 1024);
    const int strip = 14;
    Shot lines = s.shot_until(text, "text", [&](const Shot& x) {
        return x.count(BLACK, 0, x.height - strip, 300, x.height) > 20;
    });
    EXPECT_EQ(lines.height, t.height);
    EXPECT_GT(lines.count(BLACK, 0, lines.height - strip, 300, lines.height), 20);

    // The dialog still takes a line whole.
    s.focus(dialog);
    ASSERT_EQ(s.tool({XDOTOOL, "type", "framed"}), 0);
    s.keys({"Return"});
    EXPECT_TRUE(s.client->wait_until_hidden(dialog, END));
    e2e::poll_until([&] { return !s.program->output().empty(); }, SEEN);
    EXPECT_EQ(s.program->output(), "gets 1 [framed]\n");
    EXPECT_EQ(s.close_and_wait(g), 0);

    // The card designer in the smaller client area the frame leaves: the
    // clicks still land, and Control+Q ends it.
    s.start(CARD_DESIGNER_PATH);
    g = s.client->wait_for_window("KV319 Graphics", START);
    ASSERT_NE(g, 0u) << s.program->errors();
    EXPECT_TRUE(frame_is(g, {0, 0, 601, 540}));
    Graphics gw{s.client->geometry(g), 1};
    EXPECT_LT(gw.at.width, 601);
    Point card = gw.native(CARD_POINT.x, CARD_POINT.y);
    s.click(g, gw.native(SHAPE_TAB.x, SHAPE_TAB.y));
    s.click(g, card);
    Shot heart = s.shot_until(g, "heart", [&](const Shot& x) { return heart_at(x, card, 1); });
    EXPECT_TRUE(heart_at(heart, card, 1));
    s.focus(g);
    s.keys({"ctrl+q"});
    EXPECT_EQ(s.exit_status(), 0);
    EXPECT_EQ(s.program->errors(), "");
}

// The program's window is drawn with OpenGL in software here, which a
// loaded machine slows to seconds a frame (a screenshot of the compositor's
// screen takes seconds too): the waits under it have a limit of their own.
constexpr int COMPOSITOR_LIMIT = 90000;

// The card, the yellow rectangle from graphics (-130, 190) to (270, -170),
// in a screenshot of the compositor's screen: from it, where the graphics
// window stands (the compositor places it). False if it is not there.
bool find_card(const Shot& x, Graphics& gw) {
    for (int y = 0; y < x.height; y += 4)
        for (int c = 0; c < x.width; c += 4)
            if (x.at(c, y) == YELLOW && x.count(YELLOW, c, y, c + 100, y + 100) == 10000) {
                int left = c, top = y;
                while (x.at(left - 1, top) == YELLOW)
                    --left;
                while (x.at(left, top - 1) == YELLOW)
                    --top;
                Point corner = gw.native(-130, 190);
                gw.at.x = left - corner.x;
                gw.at.y = top - corner.y;
                return true;
            }
    return false;
}

// Whether the "Shape" tab shows pressed: above its face, the edge is black
// (a raised tab's is white).
bool shape_tab_pressed(const Shot& x, const Graphics& gw) {
    Point p = gw.screen(SHAPE_TAB.x, SHAPE_TAB.y);
    int column = p.x + 30; // right of the label
    uint32_t face = x.at(column, p.y);
    int y = p.y;
    while (y > 0 && x.at(column, y) == face)
        --y;
    return x.at(column, y) == BLACK;
}

// Wayland has no way for a client to take the pointer: a window gets
// pointer events only once the compositor has given it the pointer focus,
// and the compositor's shell takes that focus away (to a busy cursor, a
// press there starting a move of the window) while the program is slow to
// answer its ping, which it sends on every change of focus. On a loaded
// machine a click can so be lost, without a trace in the program. So each
// click that matters is repeated until its effect shows, and each one is
// chosen so that a second one changes nothing.
TEST_F(RealWindows, UnderAWaylandCompositorTheDesignerDrawsTakesClicksAndKeysAndCloses) {
    std::string missing = e2e::Compositor::missing();
    ASSERT_EQ(missing, "") << "not installed (scripts/install-deps.sh): " << missing;
    Session s("wayland", 1280, 1024);
    ASSERT_TRUE(s.ready());
    e2e::Compositor compositor(s.display(), 1024, 768, s.dir);
    ASSERT_TRUE(compositor.running()) << compositor.log();
    // The compositor follows the pointer only from its entering the
    // compositor's window on; the pointer may have been there before the
    // window was: moved out first, each click moves it in.
    ASSERT_EQ(s.tool({XDOTOOL, "mousemove", "1279", "1023"}), 0);
    unsigned long out = compositor.window();
    Graphics gw{{0, 0, 601, 501 + MENU_BAR}, 1};

    auto click = [&](Point p) { s.click(out, p); };
    // Clicks what `where` gives (from the latest screenshot, the window
    // found in it) until `done` holds for a screenshot; whether it did.
    auto click_until = [&](const std::string& name, auto where, auto done) {
        Shot x;
        int64_t end = e2e::now_ms() + COMPOSITOR_LIMIT;
        while (e2e::now_ms() < end) {
            x = s.shot(out, name);
            if (find_card(x, gw) && done(x)) return true;
            if (find_card(x, gw)) click(where());
            // Time for the program to show the effect before trying again;
            // a repeated click does no harm.
            e2e::poll_until(
                [&] {
                    x = s.shot(out, name);
                    return find_card(x, gw) && done(x);
                },
                5000);
            if (find_card(x, gw) && done(x)) return true;
        }
        return false;
    };
    // Starts the designer: whether its card came.
    auto run = [&](const std::string& name) {
        s.program = std::make_unique<Program>(CARD_DESIGNER_PATH, std::vector<std::string>{},
                                              compositor.client_settings(), s.dir, name);
        bool found = false;
        s.shot_until(
            out, name + "-start", [&](const Shot& x) { return found = find_card(x, gw); },
            COMPOSITOR_LIMIT);
        return found;
    };
    // The "Shape" tab, pressed: the proof that the program has the pointer.
    auto shape_tab = [&](const std::string& name) {
        return click_until(
            name + "-shape", [&] { return gw.screen(SHAPE_TAB.x, SHAPE_TAB.y); },
            [&](const Shot& x) { return shape_tab_pressed(x, gw); });
    };

    ASSERT_TRUE(run("designer")) << s.program->errors() << compositor.log();
    ASSERT_TRUE(shape_tab("designer"));
    // A click on the card puts the selected heart where it is clicked.
    ASSERT_TRUE(click_until(
        "heart", [&] { return gw.screen(CARD_POINT.x, CARD_POINT.y); },
        [&](const Shot& x) {
            Point card = gw.screen(CARD_POINT.x, CARD_POINT.y);
            return bool(heart_at(x, card, 1));
        }));
    s.keys({"ctrl+q"});
    EXPECT_EQ(s.exit_status(COMPOSITOR_LIMIT), 0) << s.program->errors();

    // The Run menu opens (wherever the compositor puts it: a pull-down about
    // as large as the card) and takes its mnemonics: Q is "Quit".
    ASSERT_TRUE(run("menu")) << s.program->errors();
    ASSERT_TRUE(shape_tab("menu"));
    Shot closed = s.shot(out, "menu-closed");
    ASSERT_TRUE(find_card(closed, gw));
    click({gw.at.x + 15, gw.at.y + MENU_BAR / 2});
    auto pull_down_shown = [&](const Shot& x) {
        int changed = 0;
        for (size_t i = 0; i < x.pixels.size() && i < closed.pixels.size(); ++i)
            changed += x.pixels[i] != closed.pixels[i];
        return changed > 50000;
    };
    Shot open = s.shot_until(out, "menu-open", pull_down_shown, COMPOSITOR_LIMIT);
    ASSERT_TRUE(pull_down_shown(open));
    s.keys({"q"});
    EXPECT_EQ(s.exit_status(COMPOSITOR_LIMIT), 0) << s.program->errors();

    // Ended by the close box of the frame the compositor's client library
    // draws: at the right end of the title bar above the menu bar. Moving
    // there changes the focus (the frame is a surface of its own), so the
    // press may be lost as above: pressed again until the program ends.
    ASSERT_TRUE(run("closed")) << s.program->errors();
    ASSERT_TRUE(shape_tab("closed"));
    int status = -1000;
    int64_t end = e2e::now_ms() + COMPOSITOR_LIMIT;
    while (status == -1000 && e2e::now_ms() < end) {
        Shot x = s.shot(out, "closed-box");
        if (find_card(x, gw)) click({gw.at.x + gw.at.width - 12, gw.at.y - 12});
        status = s.exit_status(10000);
    }
    EXPECT_EQ(status, 0) << s.program->errors();
}

TEST_F(RealWindows, ADisplayThatGoesAwayEndsTheProgramWithOneLineAndStatusOne) {
    Session s("display-gone");
    ASSERT_TRUE(s.ready());
    s.start(CARD_DESIGNER_PATH);
    ASSERT_NE(s.client->wait_for_window("KV319 Graphics", START), 0u) << s.program->errors();
    s.client.reset(); // our own connection must not outlive the server either
    s.server->stop();
    EXPECT_EQ(s.exit_status(), 1);
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
        ASSERT_TRUE(p.wait_exit(END, status)) << display;
        EXPECT_EQ(status, 1) << display;
        std::string err = p.errors();
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("display"), std::string::npos) << err;
        EXPECT_EQ(p.output(), "");
    }
}

} // namespace
