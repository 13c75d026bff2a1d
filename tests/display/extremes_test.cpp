// extremes_test.cpp: any int in any field of a loaded card draws without
// overflow (these tests are built with the undefined-behaviour sanitizer),
// and the runtime gets every primitive whose values fit in an int.
#include <gtest/gtest.h>

#include "display_fixture.h"

namespace {

constexpr int MIN = -2147483647 - 1;
constexpr int MAX = 2147483647;
const int VALUES[] = {MIN, MIN + 1, -401, -1, 0, 1, 13, 270, MAX - 1, MAX};

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
    }
}

TEST(Extremes, FarCoordinatesReachTheRuntimeAsComputed) {
    // A Medium heart pulsing from a counter far below its cycle: s = 300000044,
    // whose left lobe covers the whole card from far to its right.
    Shapes s;
    s.kind[0] = 0, s.x[0] = 134217728, s.animated[0] = -300000000;
    EXPECT_EQ(record([&] { draw_heart(s.table(), 0); }),
              (Calls{"circle c=0 (134217728,-150000022) r=75000011",
                     "circle c=0 (9217910,0) r=150000022", "circle c=0 (259217546,0) r=150000022",
                     "triangle c=0 (-90782604,-111718545) (359218059,-111718545) "
                     "(134217728,-311718045) w=0"}));

    // Where a sum leaves the int range, only the primitives holding it are
    // left out: here the right lobe and the triangle.
    s.x[0] = 2100000000, s.animated[0] = -300000000;
    EXPECT_EQ(record([&] { draw_heart(s.table(), 0); }),
              (Calls{"circle c=0 (2100000000,-150000022) r=75000011",
                     "circle c=0 (1975000182,0) r=150000022"}));
}
