// checked_draw.h: the display's calls into the runtime's primitives, taking
// 64-bit coordinates.
//
// The card file can put any int into any field, so anchors, sizes and the
// offsets added to them are combined in 64 bits. A primitive whose values do
// not all lie within +-DRAW_LIMIT is left out: the window system's drawing
// surface accepts 28-bit signed coordinates, and the runtime adds its origin
// and radii to what it is given, which must not overflow an int. Anything
// that far out lies far off the card. Colours and signs are passed on as
// computed: the runtime corrects and reports bad colours and negative sizes.
#pragma once

#include <stdint.h>

inline constexpr int64_t DRAW_LIMIT = 134217727; // 2^27 - 1

void put_circle(int colour, int64_t x, int64_t y, int64_t radius);
void put_triangle(int colour, int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t x3,
                  int64_t y3, int width);
void put_rectangle(int colour, int64_t x1, int64_t y1, int64_t x2, int64_t y2, int width);
void put_line(int colour, int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t width);

// The text is passed as the format with no values: no text of the card
// designer contains a conversion.
void put_text(int colour, int64_t x, int64_t y, int point_size, const char* text);

// A double truncated toward zero, for values the callers keep bounded.
inline int64_t trunc_to_int(double value) {
    return static_cast<int64_t>(value);
}
