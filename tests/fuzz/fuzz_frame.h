// fuzz_frame.h: what the card designer's fuzz targets share: the real runtime
// opened on a headless screen inside a scratch directory, and one frame of a
// card drawn as the card designer's main loop draws it.
#pragma once

#include "editor_state.h"
#include "headless_driver.h"

// Makes a scratch directory the current one (the program reads and writes
// its files there), starts the window-system layer on a 1024 x 768 headless
// screen and opens the runtime as the card designer does. Safe to call again:
// each call starts the layer and the runtime afresh in the same directory.
// Returns the new headless driver.
ws::HeadlessDriver& fuzz_open_runtime();

// One frame of the card in the main loop's layer order, then every list and
// palette of the control panel, each marking a value of the state that `slot`
// (any number) picks: the slot's own for shapes and messages.
void fuzz_draw_frame(EditorState& state, int slot);
