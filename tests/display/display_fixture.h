// display_fixture.h: small tables and call-list helpers for the display tests.
#pragma once

#include <string>
#include <vector>

#include "display.h"
#include "kv319_fake.h"

using Calls = std::vector<std::string>;

// Ten slots of each table with the editor's start values.
struct Shapes {
    int kind[SLOT_COUNT], x[SLOT_COUNT] = {}, y[SLOT_COUNT] = {}, colour[SLOT_COUNT] = {};
    int flash_colour[SLOT_COUNT], size[SLOT_COUNT], animated[SLOT_COUNT] = {};
    int flashing[SLOT_COUNT] = {};
    Shapes() {
        for (int i = 0; i < SLOT_COUNT; ++i)
            kind[i] = -1, flash_colour[i] = 1, size[i] = 1;
    }
    ShapeTable table() { return {kind, x, y, colour, flash_colour, size, animated, flashing}; }
};

struct Messages {
    int kind[SLOT_COUNT], x[SLOT_COUNT] = {}, y[SLOT_COUNT] = {}, colour[SLOT_COUNT] = {};
    int size[SLOT_COUNT], speed[SLOT_COUNT], scrolling[SLOT_COUNT] = {};
    Messages() {
        for (int i = 0; i < SLOT_COUNT; ++i)
            kind[i] = -1, size[i] = 1, speed[i] = 2;
    }
    MessageTable table() { return {kind, x, y, colour, size, speed, scrolling}; }
};

// Runs one drawing with a fresh recording and returns its calls.
template <typename Draw> Calls record(Draw draw) {
    kv319_fake::reset();
    draw();
    return kv319_fake::calls();
}

// Whether a recorded call starts with the given words ("line c=6").
inline bool starts(const std::string& call, const std::string& head) {
    return call.rfind(head + " ", 0) == 0;
}
