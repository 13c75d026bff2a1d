// editing.h: click routing and the editing actions of the card designer.
//
// Every change the user makes to the card comes from a mouse click. The main
// loop hands each click to route_click, whose hit test picks one of ten click
// kinds from the click's graphics coordinates, the active tab and the hint code
// of the panel on screen, and calls the one action for that kind. Actions that
// give immediate feedback draw it into the off-screen image and then let a few
// events pass. A quit that arrives during such a pause sets quit_requested and
// ends the action there.
#pragma once

#include "editor_state.h"

// Click kinds returned by hit_test.
inline constexpr int CLICK_TAB = 1;
inline constexpr int CLICK_CARD = 2;
inline constexpr int CLICK_NONE = 3;
inline constexpr int CLICK_ITEM = 4;
inline constexpr int CLICK_COLOUR = 5;
inline constexpr int CLICK_SHAPE = 6;
inline constexpr int CLICK_SIZE = 7;
inline constexpr int CLICK_SPEED = 8;
inline constexpr int CLICK_MESSAGE = 9;
inline constexpr int CLICK_BORDER = 10;

// Hands one mouse click to the action its position calls for.
void route_click(int x, int y, EditorState& state);

// The click kind at (x, y) with this tab active and this status (hint) code.
int hit_test(int x, int y, int category, int status);

// Number of item buttons of a tab; 0 for a category that does not exist.
int item_count(int category);

// The actions behind the click kinds.
void select_tab(int x, EditorState& state);
void press_item_button(int y, EditorState& state);
void click_card(int x, int y, EditorState& state);
void pick_colour(int x, int y, EditorState& state);
void pick_shape(int x, int y, int slot, int* shape_kind);
void pick_border(int x, int y, int* border_kind);
void pick_size(int y, int slot, int* sizes);
void pick_message(int y, int slot, int* message_kind);
void pick_speed(int y, int slot, int* speeds);

// A press on one of the "Files" tab's buttons, with state.item already set
// to it: saves or loads, shows the pressed button for a pause, then leaves no
// button active. A save or load that fails leaves its red status code
// (layout.h), which the next click clears.
void press_files_button(EditorState& state);

// Slot search over a table of count slots.
int find_free_slot(const int* kind, int count);
int find_near_slot(const int* kind, const int* anchor_x, const int* anchor_y, int x, int y,
                   int count);

// Feedback. Each returns 0 when a quit arrived during its pause (quit_requested
// is then 1 and the caller stops), 1 otherwise.
int show_crosshair(int x, int y, int code, EditorState& state);
int pause_events(int count, EditorState& state); // waits for count events, discarding them
int pause_three(EditorState& state);
