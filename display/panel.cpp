// panel.cpp: the control panel: bevelled buttons, the category tabs, the
// item buttons, and the item panels (size, message and speed lists, the
// colour palette, the shape palette and the border list).
//
// Each panel marks its current value; a value outside the panel's entries
// marks nothing. Panels end with the outline of their box. The click routing
// maps clicks back onto these same rectangles, so the geometry here is fixed.
#include "checked_draw.h"
#include "display.h"

namespace {

constexpr int BLACK = 0;
constexpr int WHITE = 1;
constexpr int RED = 2;
constexpr int YELLOW = 5;
constexpr int GRAY_20 = 23;

constexpr int BUTTON_WIDTH = 110;
constexpr int BUTTON_HEIGHT = 35;
constexpr int BEVEL = 5;
constexpr int LABEL_POINTS = 12;

// The item panel's box: left, right and bottom edges are shared by all.
constexpr int BOX_LEFT = -300;
constexpr int BOX_RIGHT = -163;
constexpr int BOX_BOTTOM = -250;
constexpr int BOX_TOP_LOW = -140;  // size and speed lists, both palettes
constexpr int BOX_TOP_HIGH = -113; // message list, border list

const char* const TAB_LABELS[5] = {"Background", "Border", "Shape", "Message", "Files"};

const char* const BACKGROUND_ITEMS[] = {"Color"};
const char* const BORDER_ITEMS[] = {"Shape", "Size", "Primary Color", "Secondary Color"};
const char* const SHAPE_ITEMS[] = {"Add",  "Select",  "Shape", "Shape Color", "Flash Color",
                                   "Size", "Animate", "Flash", "Remove"};
const char* const MESSAGE_ITEMS[] = {"Add",  "Select", "Message", "Color",
                                     "Size", "Speed",  "Scroll",  "Remove"};
const char* const FILES_ITEMS[] = {"Save 1", "Save 2", "Save 3", "Load 1", "Load 2", "Load 3"};

struct ItemList {
    const char* const* labels;
    int count;
};

const ItemList ITEM_LISTS[5] = {
    {BACKGROUND_ITEMS, 1}, {BORDER_ITEMS, 4}, {SHAPE_ITEMS, 9},
    {MESSAGE_ITEMS, 8},    {FILES_ITEMS, 6},
};

const char* const SIZE_LABELS[] = {"Small", "Medium", "Large", "Huge"};
const char* const MESSAGE_LABELS[] = {"I love you",     "Will you be mine?", "Kiss me",
                                      "For my sweetie", "From your honey",   "GO ZORBS!",
                                      "Subliminal"};
const char* const SPEED_LABELS[] = {"Slowest", "Slow", "Medium", "Fast", "Fastest"};

// Colour palette: 4 columns of 6 cells, entry 6c + r at column c, row r
// (rows counted from the bottom).
constexpr int PALETTE_COLUMNS = 4;
constexpr int PALETTE_ROWS = 6;
constexpr int CELL_WIDTH = 34;
constexpr int CELL_HEIGHT = 18;
const int PALETTE_ORDER[PALETTE_COLUMNS * PALETTE_ROWS] = {
    0,  10, 9,  19, 14, 2,  //
    22, 8,  4,  20, 21, 13, //
    23, 6,  7,  3,  17, 5,  //
    1,  15, 11, 12, 18, 16,
};

// Centres of the 2 x 2 preview cells of the shape palette and border list.
const int PREVIEW_X[4] = {-266, -198, -266, -198};
const int PREVIEW_Y[4] = {-223, -223, -168, -168};

void draw_box_outline(int top) {
    put_rectangle(BLACK, BOX_LEFT, top, BOX_RIGHT, BOX_BOTTOM, 1);
}

// A list of rows of height h stacked up from the box's bottom, the current
// row's label in red. Label offsets and size follow from the row height.
void draw_list(const char* const* labels, int count, int row_height, int box_top, int current) {
    const int label_x = BOX_LEFT + row_height / 2;
    const int points = (2 * row_height) / 3;
    for (int i = 0; i < count; ++i) {
        const int lower = BOX_BOTTOM + row_height * i;
        put_line(BLACK, BOX_LEFT, lower, BOX_RIGHT, lower, 1);
        put_text(i == current ? RED : BLACK, label_x, lower + row_height / 6, points, labels[i]);
    }
    draw_box_outline(box_top);
}

} // namespace

void draw_button(int x, int y, const char* label, int* next_x, int* next_y, int direction,
                 int pressed) {
    const int64_t left = x;
    const int64_t top = y;
    const int64_t right = left + BUTTON_WIDTH;
    const int64_t bottom = top - BUTTON_HEIGHT;
    const int light = pressed != 0 ? BLACK : WHITE;
    const int dark = pressed != 0 ? WHITE : BLACK;
    const int64_t b = BEVEL;

    put_rectangle(light, left, top, left + b, top - b, 0);
    put_rectangle(light, left, top - b, left + b, bottom + b, 0);
    put_rectangle(light, left + b, top, right - b, top - b, 0);
    put_triangle(light, left, bottom + b, left + b, bottom + b, left, bottom, 0);
    put_triangle(light, right - b, top, right, top, right - b, top - b, 0);
    put_rectangle(dark, right, bottom, right - b, bottom + b, 0);
    put_rectangle(dark, right, bottom + b, right - b, top - b, 0);
    put_rectangle(dark, right - b, bottom, left + b, bottom + b, 0);
    put_triangle(dark, right, top - b, right - b, top - b, right, top, 0);
    put_triangle(dark, left + b, bottom, left, bottom, left + b, bottom + b, 0);
    put_rectangle(GRAY_20, left + b, top - b, right - b, bottom + b, 0);
    put_line(GRAY_20, left, top, left, bottom, 1);
    put_line(GRAY_20, left, top, right, top, 1);
    put_line(dark, right, bottom, left, bottom, 1);
    put_line(dark, right, bottom, right, top, 1);

    // A pressed label sits 3 units right and 1 lower.
    const int64_t middle = (top + bottom) / 2;
    if (pressed != 0) {
        put_text(BLACK, left + 20, middle - 7, LABEL_POINTS, label);
    } else {
        put_text(BLACK, left + 17, middle - 6, LABEL_POINTS, label);
    }

    // Where the next button of a column (0) or a row (1) goes; a corner
    // beyond the int range is kept at the last int.
    int64_t nx = left;
    int64_t ny = bottom;
    if (direction == 1) {
        nx = right;
        ny = top;
    }
    if (nx > 2147483647) nx = 2147483647;
    if (ny < -2147483647 - 1) ny = -2147483647 - 1;
    if (next_x != nullptr) *next_x = static_cast<int>(nx);
    if (next_y != nullptr) *next_y = static_cast<int>(ny);
}

void draw_tabs(int category) {
    int x = -298;
    int y = 248;
    for (int i = 0; i < 5; ++i) {
        draw_button(x, y, TAB_LABELS[i], &x, &y, 1, i == category ? 1 : 0);
    }
}

void draw_item_buttons(int category, int item) {
    if (category < 0 || category > 4) return;
    const ItemList& items = ITEM_LISTS[category];
    int x = -298;
    int y = 196;
    for (int j = 0; j < items.count; ++j) {
        draw_button(x, y, items.labels[j], &x, &y, 0, j == item ? 1 : 0);
    }
}

void draw_size_list(int current_size) {
    draw_list(SIZE_LABELS, 4, 27, BOX_TOP_LOW, current_size);
}

void draw_message_list(int current_kind) {
    draw_list(MESSAGE_LABELS, 7, 19, BOX_TOP_HIGH, current_kind);
}

void draw_speed_list(int current_speed) {
    draw_list(SPEED_LABELS, 5, 22, BOX_TOP_LOW, current_speed);
}

void draw_colour_palette(int current_colour) {
    int marked = -1;
    for (int c = 0; c < PALETTE_COLUMNS; ++c) {
        for (int r = 0; r < PALETTE_ROWS; ++r) {
            const int entry = PALETTE_ORDER[PALETTE_ROWS * c + r];
            const int x = BOX_LEFT + CELL_WIDTH * c;
            const int y = BOX_BOTTOM + CELL_HEIGHT * r;
            put_rectangle(entry, x, y, x + CELL_WIDTH, y + CELL_HEIGHT, 0);
            if (entry == current_colour) marked = PALETTE_ROWS * c + r;
        }
    }
    // A colour not in the palette gets no frame.
    if (marked >= 0) {
        const int x = BOX_LEFT + CELL_WIDTH * (marked / PALETTE_ROWS);
        const int y = BOX_BOTTOM + CELL_HEIGHT * (marked % PALETTE_ROWS);
        const int frame = current_colour == WHITE ? BLACK : WHITE;
        put_rectangle(frame, x, y, x + 34, y + 18, 1);
        put_rectangle(frame, x + 1, y - 1, x + 33, y + 19, 1);
        put_rectangle(frame, x - 1, y + 1, x + 35, y + 17, 1);
    }
    draw_box_outline(BOX_TOP_LOW);
}

void draw_shape_palette(int current_kind) {
    // A table of the palette's own, one preview of each kind, standing still.
    int kind[4] = {0, 1, 2, 3};
    int x[4], y[4], colour[4], flash_colour[4], size[4], animated[4], flashing[4];
    for (int k = 0; k < 4; ++k) {
        x[k] = PREVIEW_X[k];
        y[k] = PREVIEW_Y[k];
        colour[k] = BLACK;
        flash_colour[k] = WHITE;
        size[k] = 10;
        animated[k] = 0;
        flashing[k] = 0;
    }
    // The face is black already, so its mark is white rather than red.
    if (current_kind >= 0 && current_kind <= 2) colour[current_kind] = RED;
    if (current_kind == 3) colour[3] = WHITE;
    const ShapeTable previews = {kind, x, y, colour, flash_colour, size, animated, flashing};
    draw_heart(previews, 0);
    draw_starburst(previews, 1);
    draw_spiral(previews, 2);
    draw_face(previews, 3);
    draw_box_outline(BOX_TOP_LOW);
}

void draw_border_list(int current_pattern) {
    for (int k = 0; k < 4; ++k) {
        const bool current = k == current_pattern;
        draw_border_tile(PREVIEW_X[k], PREVIEW_Y[k], current ? RED : BLACK,
                         current ? YELLOW : WHITE, 30, 30, k);
    }
    put_line(BLACK, BOX_LEFT, BOX_TOP_LOW, BOX_RIGHT, BOX_TOP_LOW, 1);
    put_text(current_pattern == -1 ? RED : BLACK, -282, -136, 18, "No border");
    draw_box_outline(BOX_TOP_HIGH);
}
