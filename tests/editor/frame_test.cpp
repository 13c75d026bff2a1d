// frame_test.cpp: the main loop's frame and its item panel dispatch, the real
// entry point driven by queued clicks over the recording runtime stand-in.
//
// After every click one key event draws one more frame, so that each click
// is followed by two frames: the first shows the status the click left and
// already ends with the new panel; the second shows the panel's hint.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display.h"
#include "kv319.h"
#include "kv319_fake.h"
#include "panel_clicks.h"

namespace {

using Calls = std::vector<std::string>;

const std::string BACKDROP = "rectangle c=23 (-300,-250) (300,250) w=0";

template <typename Draw> Calls record(Draw draw) {
    kv319_fake::reset();
    draw();
    return kv319_fake::calls();
}

// The recorded calls cut into frames, each beginning with the backdrop.
std::vector<Calls> frames(const Calls& calls) {
    std::vector<Calls> out;
    for (const std::string& call : calls) {
        if (call == BACKDROP) out.emplace_back();
        if (!out.empty()) out.back().push_back(call);
    }
    return out;
}

bool ends_with(const Calls& frame, const Calls& tail) {
    return frame.size() >= tail.size() &&
           Calls(frame.end() - static_cast<long>(tail.size()), frame.end()) == tail;
}

bool contains(const Calls& frame, const Calls& part) {
    for (size_t i = 0; i + part.size() <= frame.size(); ++i) {
        if (Calls(frame.begin() + static_cast<long>(i),
                  frame.begin() + static_cast<long>(i + part.size())) == part)
            return true;
    }
    return false;
}

struct Step {
    int x, y;           // the click
    Calls panel;        // how the frames after it end: the panel, or the item buttons
    int hint, category; // the status line of the second frame
};

std::string run_entry() {
    char command_line[] = "";
    return std::to_string(WinMain(nullptr, nullptr, command_line, 1));
}

} // namespace

TEST(Frame, LayerOrderAndEveryPanelWithItsValueAndHint) {
    // Values chosen so that each panel shows a value of its own.
    const std::vector<Step> steps = {
        {tab_x(1), TAB_Y, record([] { draw_border_list(-1); }), HINT_BORDER, 1},
        {-266, -168, record([] { draw_border_list(2); }), HINT_BORDER, 1},
        {ITEM_X, item_y(1), record([] { draw_size_list(1); }), HINT_SIZE, 1},
        {-250, -164, record([] { draw_size_list(3); }), HINT_SIZE, 1},
        {ITEM_X, item_y(2), record([] { draw_colour_palette(0); }), HINT_COLOUR, 1},
        {ITEM_X, item_y(3), record([] { draw_colour_palette(1); }), HINT_COLOUR, 1},
        {tab_x(2), TAB_Y, record([] { draw_item_buttons(2, 0); }), STATUS_ADD_SHAPE, 2},
        {0, 0, record([] { draw_shape_palette(0); }), HINT_SHAPE, 2},
        {-198, -223, record([] { draw_shape_palette(1); }), HINT_SHAPE, 2},
        {ITEM_X, item_y(3), record([] { draw_colour_palette(0); }), HINT_COLOUR, 2},
        {ITEM_X, item_y(4), record([] { draw_colour_palette(1); }), HINT_COLOUR, 2},
        {ITEM_X, item_y(5), record([] { draw_size_list(1); }), HINT_SIZE, 2},
        {tab_x(3), TAB_Y, record([] { draw_item_buttons(3, 0); }), STATUS_ADD_MESSAGE, 3},
        {0, 0, record([] { draw_message_list(0); }), HINT_MESSAGE, 3},
        {ITEM_X, item_y(3), record([] { draw_colour_palette(0); }), HINT_COLOUR, 3},
        {ITEM_X, item_y(4), record([] { draw_size_list(1); }), HINT_SIZE, 3},
        {ITEM_X, item_y(5), record([] { draw_speed_list(2); }), HINT_SPEED, 3},
        {tab_x(4), TAB_Y, record([] { draw_item_buttons(4, -1); }), STATUS_FILES, 4},
    };
    const Calls start = record([] {
        draw_backdrop();
        draw_card(5);
        draw_mask();
        draw_status(HINT_COLOUR, CATEGORY_BACKGROUND);
        draw_tabs(0);
        draw_item_buttons(0, 0);
        draw_colour_palette(5);
    });

    // The last frame: every layer, in order, over the card built by the clicks.
    const Calls last = record([] {
        int shape_kind[SLOT_COUNT], message_kind[SLOT_COUNT];
        int zero[8][SLOT_COUNT] = {}, ones[2][SLOT_COUNT], twos[SLOT_COUNT];
        for (int i = 0; i < SLOT_COUNT; ++i) {
            shape_kind[i] = message_kind[i] = -1;
            ones[0][i] = ones[1][i] = 1, twos[i] = 2;
        }
        shape_kind[0] = 1, message_kind[0] = 0; // a starburst and "I love you" at (0, 0)
        draw_backdrop();
        draw_card(5);
        draw_shapes({shape_kind, zero[0], zero[1], zero[2], ones[0], ones[1], zero[3], zero[4]});
        draw_messages({message_kind, zero[5], zero[6], zero[7], ones[0], twos, zero[3]});
        draw_mask();
        draw_status(STATUS_FILES, CATEGORY_FILES);
        draw_border(2, 0, 1, 3);
        draw_tabs(4);
        draw_item_buttons(4, -1);
    });

    kv319_fake::reset();
    for (const Step& step : steps) {
        kv319_fake::push_event(EVENT_MOUSE, step.x, step.y);
        kv319_fake::push_event(EVENT_KEY, 0, 0, ' ');
    }
    ASSERT_EQ(run_entry(), "0");
    const std::vector<Calls> drawn = frames(kv319_fake::calls());
    // One frame before the first event and one after each event; the quit
    // that ends the queue draws none.
    ASSERT_EQ(drawn.size(), 1 + 2 * steps.size());
    EXPECT_EQ(drawn[0], start);
    EXPECT_EQ(drawn.back(), last);
    for (size_t k = 0; k < steps.size(); ++k) {
        const Calls& first = drawn[1 + 2 * k];
        const Calls& second = drawn[2 + 2 * k];
        EXPECT_TRUE(ends_with(first, steps[k].panel)) << "click " << k + 1;
        EXPECT_TRUE(ends_with(second, steps[k].panel)) << "click " << k + 1;
        const Calls hint = record([&] { draw_status(steps[k].hint, steps[k].category); });
        EXPECT_TRUE(contains(second, hint)) << "click " << k + 1 << ": " << hint[1];
    }
}
