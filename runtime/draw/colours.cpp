// colours.cpp: the runtime's fixed table of 24 named colours, and the check
// that turns any other colour index into red with a message.
#include "draw.h"

struct ColourEntry {
    const char* name;
    COLORREF value;
};

static const ColourEntry COLOUR_TABLE[COLOUR_COUNT] = {
    {"black", RGB(0, 0, 0)},
    {"white", RGB(255, 255, 255)},
    {"red", RGB(255, 0, 0)},
    {"green", RGB(0, 255, 0)},
    {"blue", RGB(0, 0, 255)},
    {"yellow", RGB(255, 255, 0)},
    {"magenta", RGB(255, 0, 255)},
    {"cyan", RGB(0, 255, 255)},
    {"purple", RGB(153, 0, 204)},
    {"navy blue", RGB(0, 51, 153)},
    {"dusty plum", RGB(153, 102, 153)},
    {"ice blue", RGB(153, 255, 255)},
    {"turquoise", RGB(153, 255, 204)},
    {"orange", RGB(255, 102, 0)},
    {"brown", RGB(153, 102, 51)},
    {"pink", RGB(255, 153, 204)},
    {"chalk", RGB(255, 255, 153)},
    {"gold", RGB(204, 153, 51)},
    {"peach", RGB(255, 153, 102)},
    {"forest green", RGB(0, 102, 51)},
    {"sea green", RGB(51, 204, 153)},
    {"olive", RGB(153, 153, 51)},
    {"50% gray", RGB(128, 128, 128)},
    {"20% gray", RGB(204, 204, 204)},
};

static int valid_colour(int colour) {
    return colour >= 0 && colour < COLOUR_COUNT;
}

const char* colour_name(int colour) {
    return COLOUR_TABLE[valid_colour(colour) ? colour : COLOUR_RED].name;
}

COLORREF colour_value(int colour) {
    return COLOUR_TABLE[valid_colour(colour) ? colour : COLOUR_RED].value;
}

int check_colour(int colour) {
    if (valid_colour(colour)) return colour;
    KV319_printf("Illegal color %d; using RED.\n", colour);
    return COLOUR_RED;
}
