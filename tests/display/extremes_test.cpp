// extremes_test.cpp: any int in any field of a loaded card draws without
// overflow (these tests are built with the undefined-behaviour sanitizer),
// and hands the runtime only coordinates it can take.
#include <gtest/gtest.h>

#include <cstdlib>

#include "display_fixture.h"

namespace {

constexpr int MIN = -2147483647 - 1;
constexpr int MAX = 2147483647;
const int VALUES[] = {MIN, MIN + 1, -401, -1, 0, 1, 13, 270, MAX - 1, MAX};

// Every coordinate and size lies within the drawing limit (colours are the
// runtime's to correct, so the numbers before the first point are skipped).
void expect_bounded_calls() {
    for (const std::string& call : kv319_fake::calls()) {
        for (const char* p = call.c_str() + call.find('('); *p != '\0' && *p != '"';) {
            char* end = nullptr;
            const long long value = std::strtoll(p, &end, 10);
            if (end == p) {
                ++p;
                continue;
            }
            ASSERT_LE(std::llabs(value), 134217727) << call;
            p = end;
        }
    }
}

} // namespace

TEST(Extremes, ShapesAndMessagesWithAnyFieldValues) {
    for (int a : VALUES) {
        for (int b : VALUES) {
            for (int c : VALUES) {
                for (int size : {MIN, 0, 3, 10, MAX}) {
                    Shapes s;
                    Messages m;
                    for (int slot = 0; slot < 4; ++slot) {
                        s.kind[slot] = slot, s.x[slot] = a, s.y[slot] = -(a / 3),
                        s.size[slot] = size;
                        s.animated[slot] = b, s.flashing[slot] = c, s.colour[slot] = a;
                    }
                    for (int slot = 0; slot < 8; ++slot) {
                        m.kind[slot] = slot - 1, m.x[slot] = a, m.y[slot] = ~a, m.size[slot] = size;
                        m.speed[slot] = b, m.scrolling[slot] = c;
                    }
                    kv319_fake::reset();
                    for (int frame = 0; frame < 2; ++frame) {
                        draw_shapes(s.table());
                        draw_messages(m.table());
                    }
                    expect_bounded_calls();
                    if (HasFatalFailure()) return;
                }
            }
        }
    }
}

TEST(Extremes, PanelsBorderAndStatusWithAnyValues) {
    for (int v : VALUES) {
        kv319_fake::reset();
        draw_border(v, v, v, v);
        draw_border(0, v, v, v);
        draw_status(v, v);
        draw_tabs(v);
        draw_item_buttons(v, v);
        draw_item_buttons(2, v);
        draw_colour_palette(v);
        draw_shape_palette(v);
        draw_border_list(v);
        draw_border_tile(v, v, 0, 1, v, v, 2);
        int nx = 0, ny = 0;
        draw_button(v, v, "x", &nx, &ny, 1, v);
        draw_button(v, v, "x", &nx, &ny, 0, v);
        expect_bounded_calls();
    }
}
