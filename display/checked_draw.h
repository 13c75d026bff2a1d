// checked_draw.h: the display's calls into the runtime's primitives, taking
// 64-bit coordinates.
//
// The card file can put any int into any field, so anchors, sizes and the
// offsets added to them are combined in 64 bits. Every value that fits in an
// int reaches the runtime as it is, however far off the card: the runtime
// takes any int and clips what it draws. A primitive with a value beyond the
// int range, which only a sum or difference of extreme fields can give, is
// left out; clamping one corner would change the shape. Colours and signs
// are passed on as computed: the runtime corrects and reports bad colours
// and negative sizes.
#pragma once

#include <stdint.h>

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
