// bench_cards.h: the cards that the frame benchmarks draw, and one frame in
// the main loop's layer order. Header-only so that every benchmark program
// (through the real runtime or a recording stand-in) draws the same frames.
#pragma once

#include "display.h"

namespace bench {

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
    ShapeTable shapes() {
        return {shape_kind,  shape_x,    shape_y,        shape_colour,
                shape_flash, shape_size, shape_animated, shape_flashing};
    }
    MessageTable messages() {
        return {message_kind, message_x,     message_y,        message_colour,
                message_size, message_speed, message_scrolling};
    }
};

// The card as the program starts.
inline Card start_card() {
    return Card{};
}

// Ten Huge flashing spirals, ten Huge scrolling "Will you be mine?", a Small
// bowtie border, and the "Shape" tab showing the shape palette.
inline Card heavy_card() {
    Card c;
    c.category = 2, c.item = 2, c.status = 11;
    c.border_kind = 2, c.border_size = 0;
    for (int i = 0; i < SLOT_COUNT; ++i) {
        c.shape_kind[i] = 2, c.shape_size[i] = 3, c.shape_flashing[i] = 1;
        c.shape_x[i] = -100 + 35 * i, c.shape_y[i] = 150 - 30 * i, c.shape_colour[i] = i;
        c.message_kind[i] = 1, c.message_size[i] = 3, c.message_scrolling[i] = 1;
        c.message_x[i] = -130 + 40 * i, c.message_y[i] = -160 + 35 * i;
    }
    return c;
}

// The heavy card with its spirals turning as well: every frame draws them
// at a new angle, so most of their wide lines are shapes not drawn before
// (the worst case for the rasteriser's shape cache).
inline Card heavy_animated_card() {
    Card c = heavy_card();
    for (int i = 0; i < SLOT_COUNT; ++i)
        c.shape_animated[i] = 1 + 7 * i;
    return c;
}

// The frame's layers, in the order the main loop draws them.
enum Layer {
    LAYER_BACKDROP,
    LAYER_CARD,
    LAYER_SHAPES,
    LAYER_MESSAGES,
    LAYER_MASK,
    LAYER_STATUS,
    LAYER_BORDER,
    LAYER_TABS,
    LAYER_ITEM_BUTTONS,
    LAYER_PANEL,
    LAYER_COUNT
};

inline const char* layer_name(int layer) {
    static const char* const names[LAYER_COUNT] = {"backdrop",     "card",   "shapes", "messages",
                                                   "mask",         "status", "border", "tabs",
                                                   "item_buttons", "panel"};
    return layer >= 0 && layer < LAYER_COUNT ? names[layer] : "?";
}

inline void draw_layer(Card& c, int layer) {
    switch (layer) {
    case LAYER_BACKDROP:
        draw_backdrop();
        break;
    case LAYER_CARD:
        draw_card(c.background);
        break;
    case LAYER_SHAPES:
        draw_shapes(c.shapes());
        break;
    case LAYER_MESSAGES:
        draw_messages(c.messages());
        break;
    case LAYER_MASK:
        draw_mask();
        break;
    case LAYER_STATUS:
        draw_status(c.status, c.category);
        break;
    case LAYER_BORDER:
        draw_border(c.border_kind, c.border_primary, c.border_secondary, c.border_size);
        break;
    case LAYER_TABS:
        draw_tabs(c.category);
        break;
    case LAYER_ITEM_BUTTONS:
        draw_item_buttons(c.category, c.item);
        break;
    case LAYER_PANEL:
        // The two panels these cards show.
        if (c.category == 0 && c.item == 0) draw_colour_palette(c.background);
        if (c.category == 2 && c.item == 2) draw_shape_palette(c.shape_kind[0]);
        break;
    default:
        break;
    }
}

inline void draw_frame(Card& c) {
    for (int layer = 0; layer < LAYER_COUNT; ++layer)
        draw_layer(c, layer);
}

} // namespace bench
