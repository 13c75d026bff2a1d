// display_bench.cpp: whole card frames drawn through the real runtime on the
// headless window system: the start state, and a heavy card (ten Huge
// flashing spirals, ten Huge scrolling greetings, a Small bowtie border and
// the shape palette). Measures the drawing into the off-screen image only;
// the copy to the window happens in the event wait and is not included.
#include <benchmark/benchmark.h>

#include "display.h"
#include "headless_driver.h"
#include "kv319.h"

namespace {

struct Card {
    int background = 5, category = 0, item = 0, status = 3;
    int border_kind = -1, border_primary = 0, border_secondary = 1, border_size = 1;
    int shape_kind[SLOT_COUNT], shape_x[SLOT_COUNT] = {}, shape_y[SLOT_COUNT] = {};
    int shape_colour[SLOT_COUNT] = {}, shape_flash[SLOT_COUNT], shape_size[SLOT_COUNT];
    int shape_animated[SLOT_COUNT] = {}, shape_flashing[SLOT_COUNT] = {};
    int message_kind[SLOT_COUNT], message_x[SLOT_COUNT] = {}, message_y[SLOT_COUNT] = {};
    int message_colour[SLOT_COUNT] = {}, message_size[SLOT_COUNT], message_speed[SLOT_COUNT];
    int message_scrolling[SLOT_COUNT] = {};
    Card() {
        for (int i = 0; i < SLOT_COUNT; ++i) {
            shape_kind[i] = -1, shape_flash[i] = 1, shape_size[i] = 1;
            message_kind[i] = -1, message_size[i] = 1, message_speed[i] = 2;
        }
    }
};

// One frame in the main loop's layer order, with the panel of the active item.
void draw_frame(Card& c) {
    const ShapeTable shapes = {c.shape_kind,  c.shape_x,    c.shape_y,        c.shape_colour,
                               c.shape_flash, c.shape_size, c.shape_animated, c.shape_flashing};
    const MessageTable messages = {c.message_kind,     c.message_x,    c.message_y,
                                   c.message_colour,   c.message_size, c.message_speed,
                                   c.message_scrolling};
    draw_backdrop();
    draw_card(c.background);
    draw_shapes(shapes);
    draw_messages(messages);
    draw_mask();
    draw_status(c.status, c.category);
    draw_border(c.border_kind, c.border_primary, c.border_secondary, c.border_size);
    draw_tabs(c.category);
    draw_item_buttons(c.category, c.item);
    if (c.category == 0 && c.item == 0) draw_colour_palette(c.background);
    if (c.category == 2 && c.item == 2) draw_shape_palette(c.shape_kind[0]);
}

void open_runtime() {
    static bool opened = false;
    if (opened) return;
    opened = true;
    ws::headless_start(1024, 768);
    KV319_open(nullptr, nullptr, (LPSTR) "", SW_SHOW);
    KV319_logging(0);
    KV319_clear();
}

void BM_StartStateFrame(benchmark::State& state) {
    open_runtime();
    Card card;
    for (auto _ : state)
        draw_frame(card);
}
BENCHMARK(BM_StartStateFrame)->Unit(benchmark::kMicrosecond);

void BM_HeavyFrame(benchmark::State& state) {
    open_runtime();
    Card card;
    card.category = 2, card.item = 2, card.status = 11;
    card.border_kind = 2, card.border_size = 0;
    for (int i = 0; i < SLOT_COUNT; ++i) {
        card.shape_kind[i] = 2, card.shape_size[i] = 3, card.shape_flashing[i] = 1;
        card.shape_x[i] = -100 + 35 * i, card.shape_y[i] = 150 - 30 * i, card.shape_colour[i] = i;
        card.message_kind[i] = 1, card.message_size[i] = 3, card.message_scrolling[i] = 1;
        card.message_x[i] = -130 + 40 * i, card.message_y[i] = -160 + 35 * i;
    }
    for (auto _ : state)
        draw_frame(card);
}
BENCHMARK(BM_HeavyFrame)->Unit(benchmark::kMicrosecond);

} // namespace
