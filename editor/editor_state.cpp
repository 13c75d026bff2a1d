// editor_state.cpp: the editor state's start values and table views.
#include "editor_state.h"

void init_editor_state(EditorState& s) {
    s.quit_requested = 0;
    s.background_colour = YELLOW;
    s.category = CATEGORY_BACKGROUND;
    s.item = 0;
    s.status = HINT_COLOUR;
    s.selected_shape = -1;
    s.selected_message = -1;
    s.border_kind = -1;
    s.border_primary_colour = BLACK;
    s.border_secondary_colour = WHITE;
    s.border_size = 1;
    for (int i = 0; i < SLOT_COUNT; ++i) {
        s.shape_kind[i] = -1;
        s.shape_x[i] = 0;
        s.shape_y[i] = 0;
        s.shape_colour[i] = BLACK;
        s.shape_flash_colour[i] = WHITE;
        s.shape_size[i] = 1;
        s.shape_animated[i] = 0;
        s.shape_flashing[i] = 0;

        s.message_kind[i] = -1;
        s.message_x[i] = 0;
        s.message_y[i] = 0;
        s.message_colour[i] = BLACK;
        s.message_size[i] = 1;
        s.message_speed[i] = 2;
        s.message_scrolling[i] = 0;
    }
}

ShapeTable shape_table(EditorState& s) {
    return {s.shape_kind,         s.shape_x,    s.shape_y,        s.shape_colour,
            s.shape_flash_colour, s.shape_size, s.shape_animated, s.shape_flashing};
}

MessageTable message_table(EditorState& s) {
    return {s.message_kind, s.message_x,     s.message_y,        s.message_colour,
            s.message_size, s.message_speed, s.message_scrolling};
}
