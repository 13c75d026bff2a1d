// editor_fixture.h: a fresh editor state over the recording runtime stand-in,
// with helpers that click where a user would.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "editing.h"
#include "editor_state.h"
#include "kv319.h"
#include "kv319_fake.h"
#include "panel_clicks.h"

class EditorTest : public ::testing::Test {
  protected:
    EditorState s{};

    void SetUp() override {
        init_editor_state(s);
        kv319_fake::reset();
    }

    // Events for a pause to take; once the queue is empty the stand-in
    // answers EVENT_QUIT.
    static void queue_ticks(int count) {
        for (int i = 0; i < count; ++i)
            kv319_fake::push_event(EVENT_PERIODIC);
    }

    void click(int x, int y) { route_click(x, y, s); }
    // Presses item button j with enough ticks queued for any pause.
    void press(int item) {
        queue_ticks(5);
        click(ITEM_X, item_y(item));
    }

    // Whether a drawing call line contains the given text.
    static bool drew(const std::string& needle) {
        for (const std::string& line : kv319_fake::calls())
            if (line.find(needle) != std::string::npos) return true;
        return false;
    }
    // A text drawn in this colour (0 black, 2 red), whole.
    static bool drew_text(int colour, const std::string& text) {
        const std::string head = "text c=" + std::to_string(colour) + " ";
        const std::string tail = "\"" + text + "\"";
        for (const std::string& line : kv319_fake::calls())
            if (line.rfind(head, 0) == 0 && line.size() >= tail.size() &&
                line.compare(line.size() - tail.size(), tail.size(), tail) == 0)
                return true;
        return false;
    }

    // Puts a shape of kind 0 into slot i at (x, y) as if it had been added.
    void place_shape(int i, int x, int y) {
        s.shape_kind[i] = 0;
        s.shape_x[i] = x;
        s.shape_y[i] = y;
    }
    void place_message(int i, int kind, int x, int y) {
        s.message_kind[i] = kind;
        s.message_x[i] = x;
        s.message_y[i] = y;
    }
};
