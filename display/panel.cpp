// panel.cpp: the control panel: bevelled buttons, the category tabs, the
// item buttons, and the item panels (size, message and speed lists, the
// colour palette, the shape palette and the border list).
//
// Each panel marks its current value; a value outside the panel's entries
// marks nothing. Panels end with the outline of their box. The click routing
// maps clicks back onto these same rectangles: layout.h holds their geometry.
#include "checked_draw.h"
#include "display.h"

namespace {

constexpr int BEVEL = 5;
constexpr int LABEL_POINTS = 12;

const char* const TAB_LABELS[CATEGORY_COUNT] = {"Background", "Border", "Shape", "Message",
                                                "Files"};

const char* const ITEM_LABELS[CATEGORY_COUNT][MOST_ITEMS] = {
    {"Color"},
    {"Shape", "Size", "Primary Color", "Secondary Color"},
    {"Add", "Select", "Shape", "Shape Color", "Flash Color", "Size", "Animate", "Flash", "Remove"},
    {"Add", "Select", "Message", "Color", "Size", "Speed", "Scroll", "Remove"},
    {"Save 1", "Save 2", "Save 3", "Load 1", "Load 2", "Load 3"},
};

const char* const SIZE_LABELS[] = {"Small", "Medium", "Large", "Huge"};
const char* const MESSAGE_LABELS[] = {"I love you",     "Will you be mine?", "Kiss me",
                                      "For my sweetie", "From your honey",   "GO ZORBS!",
                                      "Subliminal"};
const char* const SPEED_LABELS[] = {"Slowest", "Slow", "Medium", "Fast", "Fastest"};
static_assert(sizeof SIZE_LABELS / sizeof *SIZE_LABELS == SIZE_LIST.rows);
static_assert(sizeof MESSAGE_LABELS / sizeof *MESSAGE_LABELS == MESSAGE_LIST.rows);
static_assert(sizeof SPEED_LABELS / sizeof *SPEED_LABELS == SPEED_LIST.rows);

void draw_box_outline(int top) {
    put_rectangle(BLACK, PANEL_LEFT, top, PANEL_RIGHT, PANEL_BOTTOM, 1);
}

// A list's rows, the current row's label in red. Label offsets and size
// follow from the row height.
void draw_list(const char* const* labels, const ListLayout& list, int current) {
    const int h = list.row_height;
    const int label_x = PANEL_LEFT + h / 2;
    const int points = (2 * h) / 3;
    for (int i = 0; i < list.rows; ++i) {
        const int lower = PANEL_BOTTOM + h * i;
        put_line(BLACK, PANEL_LEFT, lower, PANEL_RIGHT, lower, 1);
        put_text(i == current ? RED : BLACK, label_x, lower + h / 6, points, labels[i]);
    }
    draw_box_outline(list.top);
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
    int x = TABS_LEFT;
    int y = TABS_TOP;
    for (int i = 0; i < CATEGORY_COUNT; ++i) {
        draw_button(x, y, TAB_LABELS[i], &x, &y, 1, i == category ? 1 : 0);
    }
}

void draw_item_buttons(int category, int item) {
    if (category < 0 || category >= CATEGORY_COUNT) return;
    int x = ITEMS_LEFT;
    int y = ITEMS_TOP;
    for (int j = 0; j < ITEM_COUNTS[category]; ++j) {
        draw_button(x, y, ITEM_LABELS[category][j], &x, &y, 0, j == item ? 1 : 0);
    }
}

void draw_size_list(int current_size) {
    draw_list(SIZE_LABELS, SIZE_LIST, current_size);
}

void draw_message_list(int current_kind) {
    draw_list(MESSAGE_LABELS, MESSAGE_LIST, current_kind);
}

void draw_speed_list(int current_speed) {
    draw_list(SPEED_LABELS, SPEED_LIST, current_speed);
}

void draw_colour_palette(int current_colour) {
    int marked = -1;
    for (int c = 0; c < PALETTE_COLUMNS; ++c) {
        for (int r = 0; r < PALETTE_ROWS; ++r) {
            const int entry = PALETTE_ORDER[PALETTE_ROWS * c + r];
            const int x = PANEL_LEFT + CELL_WIDTH * c;
            const int y = PANEL_BOTTOM + CELL_HEIGHT * r;
            put_rectangle(entry, x, y, x + CELL_WIDTH, y + CELL_HEIGHT, 0);
            if (entry == current_colour) marked = PALETTE_ROWS * c + r;
        }
    }
    // A colour not in the palette gets no frame.
    if (marked >= 0) {
        const int x = PANEL_LEFT + CELL_WIDTH * (marked / PALETTE_ROWS);
        const int y = PANEL_BOTTOM + CELL_HEIGHT * (marked % PALETTE_ROWS);
        const int frame = current_colour == WHITE ? BLACK : WHITE;
        const int w = CELL_WIDTH;
        const int h = CELL_HEIGHT;
        put_rectangle(frame, x, y, x + w, y + h, 1);
        put_rectangle(frame, x + 1, y - 1, x + w - 1, y + h + 1, 1);
        put_rectangle(frame, x - 1, y + 1, x + w + 1, y + h - 1, 1);
    }
    draw_box_outline(PANEL_TOP_LOWER);
}

void draw_shape_palette(int current_kind) {
    // A table of the palette's own, one preview of each kind, standing still.
    int kind[4] = {0, 1, 2, 3};
    int x[4], y[4], colour[4], flash_colour[4], size[4], animated[4], flashing[4];
    for (int k = 0; k < 4; ++k) {
        x[k] = preview_centre_x(k);
        y[k] = preview_centre_y(k);
        colour[k] = BLACK;
        flash_colour[k] = WHITE;
        size[k] = PREVIEW_SIZE;
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
    draw_box_outline(PANEL_TOP_LOWER);
}

void draw_border_list(int current_pattern) {
    for (int k = 0; k < 4; ++k) {
        const bool current = k == current_pattern;
        draw_border_tile(preview_centre_x(k), preview_centre_y(k), current ? RED : BLACK,
                         current ? YELLOW : WHITE, 30, 30, k);
    }
    const int no_border = PANEL_BOTTOM + PREVIEW_HEIGHT * PREVIEW_ROWS;
    put_line(BLACK, PANEL_LEFT, no_border, PANEL_RIGHT, no_border, 1);
    put_text(current_pattern == -1 ? RED : BLACK, PANEL_LEFT + 18, no_border + 4, 18, "No border");
    draw_box_outline(PANEL_TOP_TALL);
}
