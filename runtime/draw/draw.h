// draw.h: what the runtime's drawing files share: the colour table, the
// drawing request and its renderer, and the line-input template builder.
// Private to the runtime (tests reach it through kv319_runtime_internal).
#pragma once

#include <stdarg.h>

#include "state.h"

#define COLOUR_COUNT 24
#define COLOUR_RED 2
#define COLOUR_WHITE 1

// Point sizes above this are drawn at it.
#define MAX_PTSIZE 127

// Formatting buffers of KV319_printf and KV319_text_printf: at most 1023
// characters and the terminating zero.
#define FORMAT_BUFFER_SIZE 1024

// Formats into buffer[FORMAT_BUFFER_SIZE], cutting what does not fit.
// Returns the number of characters the buffer now holds: what formatting
// produced, or 1023 when it produced more. A format that cannot be applied
// (or none) leaves the buffer empty and returns -1 (0 for none).
int format_message(char* buffer, const char* format, va_list args);

// Reads length bytes of text as UTF-8 when they are valid UTF-8 and as
// Windows-1252 otherwise, into wide, which has room for length units (either
// reading gives at most one unit per byte). Returns the number of units.
int widen_text(const char* text, int length, WCHAR* wide);

// The renderer keeps every coordinate and pen width it hands to the layer
// within this bound, so that no int argument, however large, overflows
// there. The image is 601 x 540 pixels, so nothing visible is lost.
#define COORD_LIMIT (1LL << 30)

// Drawing request kinds.
#define REQUEST_TRIANGLE 0
#define REQUEST_RECTANGLE 1
#define REQUEST_OVAL 2
#define REQUEST_LINE 3
#define REQUEST_PIXEL 4
#define REQUEST_TEXT 5

// One drawing request, alive for one primitive call. Coordinates are graphics
// coordinates, held in 64 bits because a circle's corners (x - r, y + r) can
// leave the int range.
struct DrawRequest {
    int kind;
    int colour; // already through check_colour
    int width;  // never negative; 0 fills triangles, rectangles and ovals
    long long x1, y1, x2, y2, x3, y3;
    int ptsize;       // text: 0..MAX_PTSIZE
    const char* text; // text: the private copy
};

// The colour table.
// An invalid index gives red's entry.
const char* colour_name(int colour);
COLORREF colour_value(int colour);
// Passes 0..23 unchanged; reports any other value and returns red.
int check_colour(int colour);

// Draws one request into rt.image_dc and marks the image changed.
void render(const DrawRequest* request);

// The line-input dialog's in-memory template.
#define GETS_TEMPLATE_SIZE 292
#define GETS_PROMPT_LENGTH 79
#define GETS_ID_OKAY 101
#define GETS_ID_EDIT 102
#define GETS_ID_PROMPT 103
#define GETS_BUFFER_SIZE 256
// Fills bytes[0..GETS_TEMPLATE_SIZE) with the dialog template for this prompt.
void build_gets_template(const char* prompt, BYTE* bytes);
INT_PTR CALLBACK gets_dialog_proc(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam);
