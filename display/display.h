// display.h: the card display, drawing procedures over the editor's state.
//
// Each procedure draws with the runtime's primitives into the off-screen
// image. The display keeps no state of its own: the only fields it writes
// are the effect counters (and the anchor x of scrolling greetings) in the
// tables it is handed.
#pragma once

#include "layout.h"

// A shape table: parallel arrays, one per field, of as many slots as the
// caller has (the editor's ten, the shape palette's four).
struct ShapeTable {
    int* kind;
    int* x;
    int* y;
    int* colour;
    int* flash_colour;
    int* size;
    int* animated;
    int* flashing;
};

// The message table: parallel arrays of ten slots.
struct MessageTable {
    int* kind;
    int* x;
    int* y;
    int* colour;
    int* size;
    int* speed;
    int* scrolling;
};

inline constexpr int SLOT_COUNT = 10;

// ---- The shared pseudo-random generator --------------------------------------
// seed = seed * 214013 + 2531011 (mod 2^32); each call returns bits 16..30.
void card_srand(unsigned seed); // seeds the one generator of the card designer
int card_rand(void);            // the next value, 0..32767

// ---- Card, shapes, mask and border -------------------------------------------
void draw_backdrop(void);
void draw_card(int colour);
void draw_shapes(const ShapeTable& shapes); // slots 0..9
void draw_heart(const ShapeTable& shapes, int slot);
void draw_starburst(const ShapeTable& shapes, int slot);
void draw_spiral(const ShapeTable& shapes, int slot);
void draw_face(const ShapeTable& shapes, int slot);
void draw_mask(void);
void draw_border(int pattern, int primary_colour, int secondary_colour, int size);
void draw_border_tile(int centre_x, int centre_y, int first_colour, int second_colour, int width,
                      int height, int pattern);

// ---- Messages --------------------------------------------------------------
void draw_messages(const MessageTable& messages);

// ---- Control panel ---------------------------------------------------------
void draw_button(int x, int y, const char* label, int* next_x, int* next_y, int direction,
                 int pressed);
void draw_tabs(int category);
void draw_item_buttons(int category, int item);
void draw_size_list(int current_size);
void draw_message_list(int current_kind);
void draw_speed_list(int current_speed);
void draw_colour_palette(int current_colour);
void draw_shape_palette(int current_kind);
void draw_border_list(int current_pattern);

// ---- Status line -----------------------------------------------------------
void draw_status(int code, int category);
