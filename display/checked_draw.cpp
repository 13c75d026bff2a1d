// checked_draw.cpp: range-checked forwarding to the runtime's primitives.
//
// Each procedure draws nothing when a value lies beyond the int range; it
// never clamps, since a clamped corner would change the shape on the card.
#include "checked_draw.h"

#include <limits.h>

#include "kv319.h"

namespace {

bool fits(int64_t value) {
    return value >= INT_MIN && value <= INT_MAX;
}

} // namespace

void put_circle(int colour, int64_t x, int64_t y, int64_t radius) {
    if (!fits(x) || !fits(y) || !fits(radius)) return;
    KV319_circle(colour, static_cast<int>(x), static_cast<int>(y), static_cast<int>(radius));
}

void put_triangle(int colour, int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t x3,
                  int64_t y3, int width) {
    if (!fits(x1) || !fits(y1) || !fits(x2) || !fits(y2) || !fits(x3) || !fits(y3)) return;
    KV319_triangle(colour, static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2),
                   static_cast<int>(y2), static_cast<int>(x3), static_cast<int>(y3), width);
}

void put_rectangle(int colour, int64_t x1, int64_t y1, int64_t x2, int64_t y2, int width) {
    if (!fits(x1) || !fits(y1) || !fits(x2) || !fits(y2)) return;
    KV319_rectangle(colour, static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2),
                    static_cast<int>(y2), width);
}

void put_line(int colour, int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t width) {
    if (!fits(x1) || !fits(y1) || !fits(x2) || !fits(y2) || !fits(width)) return;
    KV319_line(colour, static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2),
               static_cast<int>(y2), static_cast<int>(width));
}

void put_text(int colour, int64_t x, int64_t y, int point_size, const char* text) {
    if (!fits(x) || !fits(y)) return;
    KV319_text_printf(colour, static_cast<int>(x), static_cast<int>(y), point_size, text);
}
