// shapes.cpp: the four shape kinds (heart, starburst, spiral, face) and the
// per-frame steps of their animation and flash counters.
//
// Every drawing of an animated or flashing shape advances its counters by one
// step. Counters may hold any int (a card file is read without checks), so
// they are advanced in 64 bits and reduced as each kind's cycle says; a value
// no cycle defines is carried through the same rules rather than corrected.
// Real arithmetic is double precision, truncated toward zero; running sums
// are accumulated by repeated addition.
#include <math.h>

#include "checked_draw.h"
#include "display.h"

namespace {

// Stores a 64-bit counter that the caller has already reduced into the int range.
void store(int* field, int64_t value) {
    *field = static_cast<int>(value);
}

// ---- Heart ------------------------------------------------------------------

struct HeartSize {
    int base;
    int pulse_step; // 0: never pulses
    int pulse_range;
};

HeartSize heart_size(int code) {
    switch (code) {
    case 0:
        return {22, 1, 4};
    case 2:
        return {80, 4, 20};
    case 3:
        return {175, 8, 40};
    case PREVIEW_SIZE:
        return {20, 0, 0};
    default:
        return {34, 2, 10};
    }
}

// ---- Starburst and face -------------------------------------------------------

int round_shape_radius(int code) {
    switch (code) {
    case 0:
        return 20;
    case 2:
        return 80;
    case 3:
        return 170;
    case PREVIEW_SIZE:
        return 20;
    default:
        return 40;
    }
}

// ---- Spiral -------------------------------------------------------------------

struct SpiralSize {
    int segments; // 24 per turn
    double growth;
    double width_divisor;
};

constexpr int MOST_SEGMENTS = 144;

constexpr SpiralSize spiral_size(int code) {
    switch (code) {
    case 0:
        return {72, 0.075, 4.0};
    case 2:
        return {120, 0.2, 2.0};
    case 3:
        return {144, 0.3, 3.0};
    case PREVIEW_SIZE:
        return {72, 0.1, 5.0};
    default:
        return {72, 0.15, 1.5};
    }
}

// Every size's segments fit the tables below.
static_assert(spiral_size(0).segments <= MOST_SEGMENTS &&
              spiral_size(1).segments <= MOST_SEGMENTS &&
              spiral_size(2).segments <= MOST_SEGMENTS &&
              spiral_size(3).segments <= MOST_SEGMENTS &&
              spiral_size(PREVIEW_SIZE).segments <= MOST_SEGMENTS);

// The directions of an unturned spiral's segments: the cosine and sine of 0,
// and of each sum that adding 0.2618 once more gives, as draw_spiral adds it.
// Every unturned spiral of every frame has the same, so they are worked out
// once (a turned one starts elsewhere and works out its own).
struct Direction {
    double cos, sin;
};

const Direction* unturned_directions() {
    static Direction table[MOST_SEGMENTS];
    static bool made = false;
    if (!made) {
        double angle = 0.0;
        for (Direction& d : table) {
            d = {cos(angle), sin(angle)};
            angle += 0.2618;
        }
        made = true;
    }
    return table;
}

} // namespace

void draw_heart(const ShapeTable& shapes, int slot) {
    if (slot < 0) return;
    const HeartSize size = heart_size(shapes.size[slot]);

    // Flash: 1..9, six frames in the shape colour and three in the flash colour.
    const int64_t f = shapes.flashing[slot];
    if (f > 8) {
        store(&shapes.flashing[slot], 1);
    } else if (f != 0) {
        store(&shapes.flashing[slot], f + 1);
    }
    const int colour = f > 6 ? shapes.flash_colour[slot] : shapes.colour[slot];

    // Pulse: the size shrinks by one step per frame through the pulse range.
    int64_t s = size.base;
    const int64_t k = shapes.animated[slot];
    if (k != 0 && size.pulse_step != 0) {
        s = size.base + size.pulse_range - k;
        int64_t next = k + size.pulse_step;
        if (next > size.pulse_range) next = 1;
        store(&shapes.animated[slot], next);
    }

    const int64_t x = shapes.x[slot];
    const int64_t y = shapes.y[slot];
    const double half = static_cast<double>(s) / 2.0;
    const int64_t a = trunc_to_int(static_cast<double>(s) * 0.416666);
    const int64_t b = trunc_to_int(half * 0.66667);
    const int64_t c = trunc_to_int(half / 1.34266);
    const int64_t d = trunc_to_int(static_cast<double>(s) * 1.03906);
    // The small circle fills the gap between the lobes and the triangle.
    put_circle(colour, x, y - s / 2, s / 4);
    put_circle(colour, x - a, y, s / 2);
    put_circle(colour, x + a, y, s / 2);
    put_triangle(colour, x - a - b, y - c, x + a + b - 1, y - c, x, y - d, 0);
}

void draw_starburst(const ShapeTable& shapes, int slot) {
    if (slot < 0) return;
    const int r = round_shape_radius(shapes.size[slot]);

    int64_t n = 4;
    double phase = 0.0;
    if (shapes.animated[slot] != 0) {
        int64_t k = static_cast<int64_t>(shapes.animated[slot]) + 1;
        if (k > 12) k = 1;
        store(&shapes.animated[slot], k);
        // Fold 1..12 into 0..6 and back.
        const int64_t a = k <= 6 ? k : 12 - k;
        n = a + 2;
        phase = static_cast<double>(a * 15) * 0.01745;
    }
    if (n <= 0) return; // only a counter below the cycle gets here: no lines to draw

    const int64_t x = shapes.x[slot];
    const int64_t y = shapes.y[slot];
    const bool flashing = shapes.flashing[slot] != 0;
    const double step = 3.1416 / static_cast<double>(n);
    for (int64_t j = 0; j < n; ++j) {
        const double t = static_cast<double>(j) * step + phase;
        const int64_t dx = trunc_to_int(cos(t) * r);
        const int64_t dy = trunc_to_int(sin(t) * r);
        int colour = shapes.colour[slot];
        if (flashing && card_rand() % 4 == 0) colour = shapes.flash_colour[slot];
        put_line(colour, x + dx, y + dy, x - dx, y - dy, 2);
    }
}

void draw_spiral(const ShapeTable& shapes, int slot) {
    if (slot < 0) return;
    const SpiralSize size = spiral_size(shapes.size[slot]);
    const int64_t segments = size.segments;

    // Animation: turns clockwise by 0.3 radians per frame, without bound; at
    // the top of the int range the count starts again from 1 rather than wrap
    // through the negatives to 0, which would switch the animation off.
    double angle = 0.0;
    const int64_t k = shapes.animated[slot];
    if (k != 0) {
        angle = static_cast<double>(k) * (-0.3);
        store(&shapes.animated[slot], k < 2147483647 ? k + 1 : 1);
    }

    // Flash: four marks a quarter of the spiral apart move two segments a frame.
    const int64_t flash = shapes.flashing[slot];
    int64_t marks[4] = {0, 0, 0, 0};
    if (flash != 0) {
        int64_t f = flash + 2;
        if (f > segments) f = 1;
        store(&shapes.flashing[slot], f);
        marks[0] = f;
        marks[1] = f + trunc_to_int(static_cast<double>(segments) * 0.25);
        marks[2] = f + trunc_to_int(static_cast<double>(segments) * 0.5);
        marks[3] = f + trunc_to_int(static_cast<double>(segments) * 0.75);
        for (int64_t& mark : marks) {
            if (mark > segments) mark -= segments;
        }
    }

    // A segment within one of a mark is drawn in the flash colour.
    bool flashed[MOST_SEGMENTS] = {};
    if (flash != 0) {
        for (int64_t mark : marks) {
            for (int64_t i = mark - 1; i <= mark + 1; ++i)
                if (i >= 0 && i < segments) flashed[i] = true;
        }
    }
    const Direction* unturned = k == 0 ? unturned_directions() : nullptr;
    int64_t px = shapes.x[slot];
    int64_t py = shapes.y[slot];
    double length = 0.0;
    for (int64_t i = 0; i < segments; ++i) {
        const Direction d = unturned ? unturned[i] : Direction{cos(angle), sin(angle)};
        const int64_t qx = px + trunc_to_int(d.cos * length);
        const int64_t qy = py + trunc_to_int(d.sin * length);
        const int colour = flashed[i] ? shapes.flash_colour[slot] : shapes.colour[slot];
        put_line(colour, px, py, qx, qy, trunc_to_int(length / size.width_divisor + 1.0));
        px = qx;
        py = qy;
        angle += 0.2618;
        length += size.growth;
    }
}

void draw_face(const ShapeTable& shapes, int slot) {
    if (slot < 0) return;
    const int64_t radius = round_shape_radius(shapes.size[slot]);
    const int64_t u = radius / 5;
    const int64_t v = u / 3;
    const int64_t k = trunc_to_int(static_cast<double>(u) * 1.5);
    const int64_t x = shapes.x[slot];
    const int64_t y = shapes.y[slot];
    const int64_t left_eye_x = x - k;
    const int64_t right_eye_x = x + k;
    const int64_t eye_y = y + u;
    const int colour = shapes.colour[slot];

    // Animation: the pupils wander and the mouth opens by a random amount.
    int64_t dx = 0;
    int64_t dy = 0;
    int64_t mouth_y = y - 2 * u;
    const int64_t animated = shapes.animated[slot];
    if (animated != 0) {
        store(&shapes.animated[slot], animated + 1 > 5 ? 1 : animated + 1);
        dx = card_rand() % u - u / 2;
        dy = card_rand() % u - u / 2;
        const int64_t m = card_rand() % 6 + 1;
        mouth_y = (y - u) - trunc_to_int(static_cast<double>(m * u) * 0.25);
    }

    put_circle(colour, x, y, radius);
    put_circle(WHITE, left_eye_x, eye_y, u);
    put_circle(WHITE, right_eye_x, eye_y, u);
    put_circle(BLACK, left_eye_x + dx, eye_y + dy, v);
    put_circle(BLACK, right_eye_x + dx, eye_y + dy, v);
    put_triangle(RED, x - 2 * u, y - u, x, mouth_y, x + 2 * u, y - u, 0);

    // Blink: frames 14 and 16 of 16 half close the eyes, frame 15 closes them.
    const int64_t blink = shapes.flashing[slot];
    if (blink != 0) {
        int64_t f = blink + 1;
        if (f > 16) f = 1;
        store(&shapes.flashing[slot], f);
        if (f == 14 || f == 16) {
            put_rectangle(colour, left_eye_x - u, eye_y + u, left_eye_x + u, eye_y, 0);
            put_rectangle(colour, right_eye_x - u, eye_y + u, right_eye_x + u, eye_y, 0);
        } else if (f == 15) {
            put_circle(colour, left_eye_x, eye_y, u);
            put_circle(colour, right_eye_x, eye_y, u);
        }
    }
}
