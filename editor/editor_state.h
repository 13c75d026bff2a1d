// editor_state.h: the whole state of the card and of the editor, in one record.
#pragma once

#include "display.h"

struct EditorState {
    int quit_requested;
    int background_colour;
    int category; // 0 Background, 1 Border, 2 Shape, 3 Message, 4 Files
    int item;     // active item button of the tab; -1 none (Files)
    int status;   // status code; also the hint of the panel on screen
    int selected_shape;
    int selected_message;
    int border_kind;
    int border_primary_colour;
    int border_secondary_colour;
    int border_size;

    int shape_kind[SLOT_COUNT];
    int shape_x[SLOT_COUNT];
    int shape_y[SLOT_COUNT];
    int shape_colour[SLOT_COUNT];
    int shape_flash_colour[SLOT_COUNT];
    int shape_size[SLOT_COUNT];
    int shape_animated[SLOT_COUNT];
    int shape_flashing[SLOT_COUNT];

    int message_kind[SLOT_COUNT];
    int message_x[SLOT_COUNT];
    int message_y[SLOT_COUNT];
    int message_colour[SLOT_COUNT];
    int message_size[SLOT_COUNT];
    int message_speed[SLOT_COUNT];
    int message_scrolling[SLOT_COUNT];
};

// Every field to its start value.
void init_editor_state(EditorState& state);

// Views of the state's tables for the display.
ShapeTable shape_table(EditorState& state);
MessageTable message_table(EditorState& state);
