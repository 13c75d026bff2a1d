// card_frames_test.cpp: whole frames of the card designer as the headless
// runner shows them: golden pictures of two still states, the labels inside
// their buttons, the mask's exact edges, and the heaviest card the editor
// can hold.
//
// A golden is a PNG of the graphics window's client area under golden/. A
// mismatch keeps the run's directory (its shot is the actual picture);
// KV319_REGENERATE_GOLDEN=1 writes the shot over the stored file instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "panel_clicks.h"
#include "runner_harness.h"

namespace {

// Client pixel of graphics point (x, y): the client is 601 x 501, origin (300, 250).
int px(int x) {
    return 300 + x;
}
int py(int y) {
    return 250 - y;
}

constexpr uint32_t GRAY = 0xCCCCCCu;

const std::string LOAD_1 = tab(CATEGORY_FILES) + button(3) + "wait 3\n"; // "Load 1"

// A card file: the first line, ten shape lines, ten message lines; the
// slots not given are empty.
std::string card(const std::string& head, const std::string& shapes, const std::string& messages) {
    std::string text = head + "\n" + shapes;
    for (size_t n = std::count(shapes.begin(), shapes.end(), '\n'); n < 10; ++n)
        text += "-1 0 0 0 1 0 0 1\n";
    text += messages;
    for (size_t n = std::count(messages.begin(), messages.end(), '\n'); n < 10; ++n)
        text += "-1 0 0 0 0 2 1\n";
    return text;
}

harness::RunResult run_with_card(const std::string& script, const std::string& card_text) {
    harness::RunSetup setup;
    setup.script = LOAD_1 + script;
    setup.files = {{"tobu1.sav", card_text}};
    return harness::run_headless(setup);
}

void expect_golden(const harness::RunResult& r, const std::string& shot, const std::string& name) {
    const std::string stored = std::string(E2E_GOLDEN_DIR) + "/" + name + ".png";
    if (std::getenv("KV319_REGENERATE_GOLDEN") != nullptr) {
        std::filesystem::copy_file(r.path(shot), stored,
                                   std::filesystem::copy_options::overwrite_existing);
        return;
    }
    harness::Image want, got;
    ASSERT_TRUE(harness::load_png(stored, want)) << stored << " is missing";
    ASSERT_TRUE(harness::load_png(r.path(shot), got));
    ASSERT_EQ(got.width, want.width);
    ASSERT_EQ(got.height, want.height);
    int differ = 0, first = -1;
    for (size_t i = 0; i < got.pixels.size(); ++i) {
        if (got.pixels[i] != want.pixels[i]) {
            if (first < 0) first = static_cast<int>(i);
            ++differ;
        }
    }
    EXPECT_EQ(differ, 0) << name << ": first at client pixel (" << first % got.width << ","
                         << first / got.width << "); actual " << r.path(shot)
                         << " (KV319_REGENERATE_GOLDEN=1 rewrites " << stored << ")";
}

} // namespace

TEST(CardFrames, GoldenStartState) {
    harness::RunResult r = harness::run_headless("wait 2\nshot start.png\n");
    ASSERT_EQ(r.status, 0) << r.err;
    expect_golden(r, "start.png", "start_state");
}

// Every kind at a size of its own, standing still (no effect draws from the
// generator), a greeting whose overflow shows at the left edge, and a Large
// bowtie border; the "Border" tab shows the border list with the bowtie marked.
TEST(CardFrames, GoldenStillCardWithBorderList) {
    const std::string text = card("12 2 9 16 2",
                                  "0 -40 100 2 1 0 0 2\n"
                                  "1 150 -50 8 1 0 0 3\n"
                                  "2 50 60 19 1 0 0 1\n"
                                  "3 200 150 17 1 0 0 0\n",
                                  "3 -100 -120 13 0 2 2\n"
                                  "5 180 20 4 0 2 3\n");
    harness::RunResult r = run_with_card(tab(CATEGORY_BORDER) + "wait 2\nshot still.png\n", text);
    ASSERT_EQ(r.status, 0) << r.err;
    expect_golden(r, "still.png", "still_card_border_list");
}

// Each tab in turn: every label, tab and item, ends inside its button (it may
// run over the right bevel, never past the button's right edge). A label's
// ink is what differs from the row just under the top bevel, which no label
// reaches, in the same column. A tab's overflow would be covered by the next
// tab, so there the label must also keep off the button's last column,
// where it would be cut.
TEST(CardFrames, EveryLabelEndsInsideItsButtonOnEveryTab) {
    std::string script = "wait 2\n";
    for (int t = 0; t < CATEGORY_COUNT; ++t)
        script += tab(t) + "wait 2\nshot tab" + std::to_string(t) + ".png\n";
    harness::RunResult r = harness::run_headless(script);
    ASSERT_EQ(r.status, 0) << r.err;

    // The rightmost column of the label of the button with upper-left
    // corner (left, top), looking up to `until` (graphics x), or -1000.
    auto label_end = [](const harness::Image& shot, int left, int top, int until) {
        int end = -1000;
        for (int y = top - 7; y > top - 30; --y)
            for (int x = left + 6; x <= until; ++x)
                if (shot.at(px(x), py(y)) != shot.at(px(x), py(top - 6))) end = std::max(end, x);
        return end;
    };
    for (int t = 0; t < CATEGORY_COUNT; ++t) {
        SCOPED_TRACE("tab " + std::to_string(t));
        harness::Image shot;
        ASSERT_TRUE(harness::load_png(r.path("tab" + std::to_string(t) + ".png"), shot));
        for (int i = 0; i < CATEGORY_COUNT; ++i) {
            const int left = TABS_LEFT + BUTTON_WIDTH * i, right = left + BUTTON_WIDTH;
            const bool last = i == CATEGORY_COUNT - 1;
            const int end = label_end(shot, left, TABS_TOP, last ? right + 20 : right - 1);
            EXPECT_GT(end, left + 20) << "tab " << i << " has no label";
            EXPECT_LT(end, last ? right : right - 1) << "tab " << i;
        }
        const int right = ITEMS_LEFT + BUTTON_WIDTH;
        for (int j = 0; j < ITEM_COUNTS[t]; ++j) {
            const int end = label_end(shot, ITEMS_LEFT, ITEMS_TOP - BUTTON_HEIGHT * j, right + 20);
            EXPECT_GT(end, ITEMS_LEFT + 20) << "item " << j << " has no label";
            EXPECT_LT(end, right) << "item " << j;
        }
    }
}

TEST(CardFrames, MaskCutsShapesAndMessagesAtTheCardsInnerEdge) {
    // Huge faces over the top-left and bottom-right corners, a Huge greeting
    // running past the right edge; no border, and the "Files" tab shows no
    // panel, so these colours can only come from the card.
    const std::string text = card("1 -1 0 1 1",
                                  "3 -130 190 3 1 0 0 3\n"
                                  "3 270 -170 6 1 0 0 3\n",
                                  "5 200 0 4 0 2 3\n");
    harness::RunResult r = run_with_card("wait 2\nshot mask.png\n", text);
    ASSERT_EQ(r.status, 0) << r.err;
    harness::Image shot;
    ASSERT_TRUE(harness::load_png(r.path("mask.png"), shot));
    EXPECT_EQ(shot.at(px(-129), py(189)), 0x00FF00u);
    EXPECT_EQ(shot.at(px(-130), py(189)), GRAY);
    EXPECT_EQ(shot.at(px(-129), py(190)), GRAY);
    EXPECT_EQ(shot.at(px(269), py(-169)), 0xFF00FFu);
    EXPECT_EQ(shot.at(px(270), py(-169)), GRAY);
    EXPECT_EQ(shot.at(px(269), py(-170)), GRAY);
    int wrapped = 0, outside = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const uint32_t p = shot.at(x, y);
            const int gx = x - 300, gy = 250 - y;
            const bool inside = gx >= -129 && gx <= 269 && gy >= -169 && gy <= 189;
            const bool drawn = p == 0x00FF00u || p == 0xFF00FFu || p == 0x0000FFu;
            if (drawn && !inside) ++outside;
            if (p == 0x0000FFu && gx < -100) ++wrapped; // the wrap copy's part
        }
    }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(wrapped, 20);
}

TEST(CardFrames, TenHugeFlashingSpiralsTenHugeScrollingGreetingsAndASmallBorder) {
    std::ostringstream shapes, messages;
    for (int i = 0; i < 10; ++i) {
        shapes << "2 " << -100 + 35 * i << " " << 150 - 30 * i << " " << 10 + i << " 3 0 "
               << 1 + 13 * i << " 3\n";
        messages << i % 6 << " " << -130 + 40 * i << " " << -160 + 35 * i << " " << 10 + i << " 1 "
                 << i % 5 << " 3\n";
    }
    const std::string text = card("5 2 0 1 0", shapes.str(), messages.str());
    harness::RunResult r = run_with_card("wait 10\nshot heavy.png\nconsole console.txt\n", text);
    ASSERT_EQ(r.status, 0) << r.err;
    // Nothing the runtime had to correct (a bad colour, size or coordinate).
    EXPECT_EQ(r.read("console.txt"), "");
    harness::Image shot;
    ASSERT_TRUE(harness::load_png(r.path("heavy.png"), shot));
    // The Small bowtie's bottom-left tile: black on the left, white below.
    EXPECT_EQ(shot.at(px(-128), py(-166)), 0x000000u);
    EXPECT_EQ(shot.at(px(-126), py(-169)), 0xFFFFFFu);
    int flash = 0;
    for (uint32_t p : shot.pixels)
        flash += p == 0x00FF00u; // colour 3, every spiral's flash colour
    EXPECT_GT(flash, 100);
}
