// frame.cpp: one frame of the card designer: every layer from the editor
// state, then the panel of the active item.
//
// The main loop draws it once per pass; card-picture draws the same frames
// to make pictures of a saved card.
#include "frame.h"

#include "kv319.h"

void draw_layers(EditorState& s) {
    ShapeTable shapes = shape_table(s);
    MessageTable messages = message_table(s);
    draw_backdrop();
    draw_card(s.background_colour);
    draw_shapes(shapes);
    draw_messages(messages);
    draw_mask();
    draw_status(s.status, s.category);
    draw_border(s.border_kind, s.border_primary_colour, s.border_secondary_colour, s.border_size);
    draw_tabs(s.category);
    draw_item_buttons(s.category, s.item);
}

// Draws the list or palette of the active item with its current value, and
// sets the hint code that tells the hit test it is on screen. Any other
// (category, item) pair draws no panel and keeps the status.
static void draw_item_panel(EditorState& s) {
    int shape = s.selected_shape;
    int message = s.selected_message;
    // A selection always names an occupied slot; a bad one (from a card
    // file) shows no panel rather than reading outside the table.
    bool shape_ok = shape >= 0 && shape < SLOT_COUNT;
    bool message_ok = message >= 0 && message < SLOT_COUNT;
    if (s.category == CATEGORY_BACKGROUND && s.item == 0) {
        draw_colour_palette(s.background_colour);
        s.status = HINT_COLOUR;
    } else if (s.category == CATEGORY_BORDER) {
        switch (s.item) {
        case 0:
            draw_border_list(s.border_kind);
            s.status = HINT_BORDER;
            break;
        case 1:
            draw_size_list(s.border_size);
            s.status = HINT_SIZE;
            break;
        case 2:
            draw_colour_palette(s.border_primary_colour);
            s.status = HINT_COLOUR;
            break;
        case 3:
            draw_colour_palette(s.border_secondary_colour);
            s.status = HINT_COLOUR;
            break;
        default:
            break;
        }
    } else if (s.category == CATEGORY_SHAPE && shape_ok) {
        switch (s.item) {
        case 2:
            draw_shape_palette(s.shape_kind[shape]);
            s.status = HINT_SHAPE;
            break;
        case 3:
            draw_colour_palette(s.shape_colour[shape]);
            s.status = HINT_COLOUR;
            break;
        case 4:
            draw_colour_palette(s.shape_flash_colour[shape]);
            s.status = HINT_COLOUR;
            break;
        case 5:
            draw_size_list(s.shape_size[shape]);
            s.status = HINT_SIZE;
            break;
        default:
            break;
        }
    } else if (s.category == CATEGORY_MESSAGE && message_ok) {
        switch (s.item) {
        case 2:
            draw_message_list(s.message_kind[message]);
            s.status = HINT_MESSAGE;
            break;
        case 3:
            draw_colour_palette(s.message_colour[message]);
            s.status = HINT_COLOUR;
            break;
        case 4:
            draw_size_list(s.message_size[message]);
            s.status = HINT_SIZE;
            break;
        case 5:
            draw_speed_list(s.message_speed[message]);
            s.status = HINT_SPEED;
            break;
        default:
            break;
        }
    }
}

void draw_frame(EditorState& s) {
    draw_layers(s);
    draw_item_panel(s);
}
