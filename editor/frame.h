// frame.h: one frame of the card designer, as each pass of the main loop
// draws it.
#pragma once

#include "editor_state.h"

// Draws the whole frame from the state (backdrop, card, shapes, messages,
// mask, status line, border, tabs, item buttons), advancing the effect
// counters of shapes and messages by one step; then the list or palette of
// the active item, setting the hint code that tells the next click it is on
// screen.
void draw_frame(EditorState& state);

// The same frame without the active item's list or palette.
void draw_layers(EditorState& state);
