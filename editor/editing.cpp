// editing.cpp: click routing, the hit test and the editing actions.
//
// The hit regions match what the control panel draws; which list or palette
// is in the item panel is read from the hint code the main loop stored in
// status. A click that maps outside a list's or palette's entries is ignored,
// so nothing past the palette order is read and no out-of-range value is
// stored. The buttons of the "Files" tab save and load through card_files.h.
#include "editing.h"

#include "card_files.h"
#include "display.h"
#include "kv319.h"

namespace {

// Items of the "Shape" and "Message" tabs.
constexpr int ITEM_ADD = 0;
constexpr int ITEM_SELECT = 1;
constexpr int ITEM_FIRST_PANEL = 2;
constexpr int ITEM_SHAPE_ANIMATE = 6;
constexpr int ITEM_SHAPE_FLASH = 7;
constexpr int ITEM_SHAPE_REMOVE = 8;
constexpr int ITEM_MESSAGE_SCROLL = 6;
constexpr int ITEM_MESSAGE_REMOVE = 7;

constexpr int KIND_FREE = -1;
constexpr int MESSAGE_SUBLIMINAL = 6;

bool valid_slot(int slot) {
    return slot >= 0 && slot < SLOT_COUNT;
}

// Row of a list at height y, or -1 past its rows.
int list_row(int y, const ListLayout& list) {
    int row = (y - PANEL_BOTTOM) / list.row_height;
    return row >= 0 && row < list.rows ? row : -1;
}

// Shows the pressed button and a red refusal text for the pause.
int refuse(int category, int item, int code, EditorState& s) {
    draw_item_buttons(category, item);
    draw_status(code, category);
    return pause_three(s);
}

void press_border_button(EditorState& s) {
    if (s.item != 0 && s.border_kind == -1) {
        if (!refuse(CATEGORY_BORDER, s.item, STATUS_NO_BORDER, s)) return;
        s.item = 0;
        s.status = STATUS_CHOOSE_BORDER;
    }
}

// Switches an effect: any non-zero phase counts as on.
int toggled_effect(int value) {
    return value == 0 ? 1 : 0;
}

void press_shape_button(int previous, EditorState& s) {
    int slot = s.selected_shape;
    if (s.item >= ITEM_FIRST_PANEL && !valid_slot(slot)) {
        if (!refuse(CATEGORY_SHAPE, s.item, STATUS_NO_SHAPE, s)) return;
        s.item = ITEM_ADD;
        s.status = STATUS_ADD_SHAPE;
        return;
    }
    if (s.item == ITEM_SHAPE_ANIMATE || s.item == ITEM_SHAPE_FLASH) {
        bool animate = s.item == ITEM_SHAPE_ANIMATE;
        int* effect = animate ? &s.shape_animated[slot] : &s.shape_flashing[slot];
        *effect = toggled_effect(*effect);
        draw_item_buttons(CATEGORY_SHAPE, s.item);
        draw_status(animate ? STATUS_ANIMATION_CHANGED : STATUS_FLASH_CHANGED, CATEGORY_SHAPE);
        if (!pause_three(s)) return;
        s.item = previous;
    } else if (s.item == ITEM_SHAPE_REMOVE) {
        s.shape_kind[slot] = KIND_FREE;
        s.selected_shape = -1;
        draw_item_buttons(CATEGORY_SHAPE, ITEM_SHAPE_REMOVE);
        if (!pause_three(s)) return;
        s.item = ITEM_ADD;
    }
    if (s.item == ITEM_ADD) s.status = STATUS_ADD_SHAPE;
    if (s.item == ITEM_SELECT) s.status = STATUS_SELECT_SHAPE;
}

void press_message_button(int previous, EditorState& s) {
    int slot = s.selected_message;
    bool remove_after_select = s.item == ITEM_MESSAGE_REMOVE && previous == ITEM_SELECT;
    if (s.item >= ITEM_FIRST_PANEL && !valid_slot(slot) && !remove_after_select) {
        if (!refuse(CATEGORY_MESSAGE, s.item, STATUS_NO_MESSAGE, s)) return;
        s.item = ITEM_ADD;
        s.status = STATUS_ADD_MESSAGE;
        return;
    }
    if (s.item == ITEM_MESSAGE_SCROLL) {
        // Scrolling is on only at 1; a subliminal message's cycle counter restarts at 1.
        s.message_scrolling[slot] = s.message_scrolling[slot] == 1 ? 0 : 1;
        draw_item_buttons(CATEGORY_MESSAGE, ITEM_MESSAGE_SCROLL);
        draw_status(STATUS_SCROLL_CHANGED, CATEGORY_MESSAGE);
        if (!pause_three(s)) return;
        s.item = previous;
    } else if (s.item == ITEM_MESSAGE_REMOVE) {
        if (remove_after_select) {
            for (int i = 0; i < SLOT_COUNT; ++i)
                if (s.message_kind[i] == MESSAGE_SUBLIMINAL) s.message_kind[i] = KIND_FREE;
            s.selected_message = -1;
            draw_item_buttons(CATEGORY_MESSAGE, ITEM_MESSAGE_REMOVE);
            if (!pause_three(s)) return;
            s.item = ITEM_SELECT;
        } else {
            s.message_kind[slot] = KIND_FREE;
            s.selected_message = -1;
            if (!pause_three(s)) return;
            s.item = ITEM_ADD;
        }
    }
    if (s.item == ITEM_ADD) s.status = STATUS_ADD_MESSAGE;
    if (s.item == ITEM_SELECT) s.status = STATUS_SELECT_MESSAGE;
}

// One table's view for click_card: the shape or the message fields.
struct CardTable {
    int* kind;
    int* x;
    int* y;
    int* selected;
    int full_code;
    int selected_code;
};

} // namespace

int item_count(int category) {
    return category >= 0 && category < CATEGORY_COUNT ? ITEM_COUNTS[category] : 0;
}

int hit_test(int x, int y, int category, int status) {
    int items_bottom = ITEM_HIT_TOP - BUTTON_HEIGHT * item_count(category);
    if (x < ITEM_HIT_RIGHT && y < ITEM_HIT_TOP && y > items_bottom) return CLICK_ITEM;
    if (x < TAB_HIT_RIGHT && y > TAB_HIT_BOTTOM) return CLICK_TAB;
    if (x >= CARD_LEFT && x < CARD_RIGHT && y >= CARD_BOTTOM && y < CARD_TOP) return CLICK_CARD;
    if (x <= PANEL_RIGHT && y <= PANEL_TOP_LOWER) {
        if (status == HINT_COLOUR) return CLICK_COLOUR;
        if (status == HINT_SHAPE) return CLICK_SHAPE;
        if (status == HINT_SIZE) return CLICK_SIZE;
        if (status == HINT_SPEED) return CLICK_SPEED;
    }
    if (x <= PANEL_RIGHT && y <= PANEL_TOP_TALL) {
        if (status == HINT_MESSAGE) return CLICK_MESSAGE;
        if (status == HINT_BORDER) return CLICK_BORDER;
    }
    return CLICK_NONE;
}

void route_click(int x, int y, EditorState& s) {
    // A card file's failure stays on the status line until the next click.
    if (is_card_file_failure(s.status)) s.status = STATUS_FILES;
    switch (hit_test(x, y, s.category, s.status)) {
    case CLICK_TAB:
        select_tab(x, s);
        break;
    case CLICK_CARD:
        click_card(x, y, s);
        break;
    case CLICK_ITEM:
        press_item_button(y, s);
        break;
    case CLICK_COLOUR:
        pick_colour(x, y, s);
        break;
    case CLICK_SHAPE:
        if (valid_slot(s.selected_shape)) pick_shape(x, y, s.selected_shape, s.shape_kind);
        break;
    case CLICK_SIZE:
        if (s.category == CATEGORY_SHAPE && valid_slot(s.selected_shape))
            pick_size(y, s.selected_shape, s.shape_size);
        else if (s.category == CATEGORY_MESSAGE && valid_slot(s.selected_message))
            pick_size(y, s.selected_message, s.message_size);
        else if (s.category == CATEGORY_BORDER)
            pick_size(y, 0, &s.border_size);
        break;
    case CLICK_SPEED:
        if (valid_slot(s.selected_message)) pick_speed(y, s.selected_message, s.message_speed);
        break;
    case CLICK_MESSAGE:
        if (valid_slot(s.selected_message)) pick_message(y, s.selected_message, s.message_kind);
        break;
    case CLICK_BORDER:
        pick_border(x, y, &s.border_kind);
        break;
    default:
        break;
    }
}

void select_tab(int x, EditorState& s) {
    // The tab row has no left bound in the hit test; a click left of the
    // first tab that maps to no tab is ignored.
    int t = (x - TAB_HIT_LEFT) / BUTTON_WIDTH;
    if (t < 0 || t >= CATEGORY_COUNT) return;
    if (t != s.category) {
        s.item = 0;
        if (t == CATEGORY_SHAPE) {
            s.selected_shape = -1;
            s.status = STATUS_ADD_SHAPE;
        } else if (t == CATEGORY_MESSAGE) {
            s.selected_message = -1;
            s.status = STATUS_ADD_MESSAGE;
        }
    }
    s.category = t;
    if (t == CATEGORY_FILES) {
        s.item = -1;
        s.status = STATUS_FILES;
    }
}

void press_item_button(int y, EditorState& s) {
    int previous = s.item;
    int item = (ITEM_HIT_TOP - y) / BUTTON_HEIGHT;
    if (y >= ITEM_HIT_TOP || item < 0 || item >= item_count(s.category)) return;
    s.item = item;
    switch (s.category) {
    case CATEGORY_BORDER:
        press_border_button(s);
        break;
    case CATEGORY_SHAPE:
        press_shape_button(previous, s);
        break;
    case CATEGORY_MESSAGE:
        press_message_button(previous, s);
        break;
    case CATEGORY_FILES:
        press_files_button(s);
        break;
    default: // "Background" has only its "Color" button
        break;
    }
}

void press_files_button(EditorState& s) {
    int item = s.item;
    if (item < 0 || item >= ITEM_COUNTS[CATEGORY_FILES]) return;
    s.status = STATUS_FILES;
    if (item <= 2) {
        int slot = item + 1;
        if (!save_card(slot, s)) s.status = STATUS_SAVE_FAILED_BASE + slot;
    } else {
        int slot = item - 2;
        if (!load_card(slot, s)) s.status = STATUS_LOAD_FAILED_BASE + slot;
    }

    draw_item_buttons(CATEGORY_FILES, item);
    // A failure is not shown as a success: its red text replaces the tab's
    // at once, and stays after the pause, until the next click.
    if (s.status != STATUS_FILES) draw_status(s.status, CATEGORY_FILES);
    if (!pause_three(s)) return;
    s.item = -1;
}

void click_card(int x, int y, EditorState& s) {
    CardTable t;
    if (s.category == CATEGORY_SHAPE) {
        t = {s.shape_kind,      s.shape_x,          s.shape_y,
             &s.selected_shape, STATUS_SHAPES_FULL, STATUS_SHAPE_SELECTED};
    } else if (s.category == CATEGORY_MESSAGE) {
        t = {s.message_kind,      s.message_x,          s.message_y,
             &s.selected_message, STATUS_MESSAGES_FULL, STATUS_MESSAGE_SELECTED};
    } else {
        return;
    }

    if (s.item == ITEM_ADD) {
        int i = find_free_slot(t.kind, SLOT_COUNT);
        if (i == -1) {
            s.status = t.full_code;
            return;
        }
        // A heart or "I love you"; a reused slot keeps its other fields.
        t.kind[i] = 0;
        t.x[i] = x;
        t.y[i] = y;
        s.item = ITEM_FIRST_PANEL;
        *t.selected = i;
        s.status = STATUS_EMPTY;
    } else if (s.item != ITEM_SELECT && valid_slot(*t.selected)) {
        t.x[*t.selected] = x;
        t.y[*t.selected] = y;
    } else if (s.item == ITEM_SELECT) {
        int i = find_near_slot(t.kind, t.x, t.y, x, y, SLOT_COUNT);
        if (i == -1) return;
        s.item = ITEM_FIRST_PANEL;
        *t.selected = i;
        s.status = STATUS_EMPTY;
        show_crosshair(x, y, t.selected_code, s);
    }
}

void pick_colour(int x, int y, EditorState& s) {
    int column = (x - PANEL_LEFT) / CELL_WIDTH;
    int row = (y - PANEL_BOTTOM) / CELL_HEIGHT;
    if (column < 0 || column >= PALETTE_COLUMNS || row < 0 || row >= PALETTE_ROWS) return;
    int colour = PALETTE_ORDER[PALETTE_ROWS * column + row];

    int* target = nullptr;
    switch (s.category) {
    case CATEGORY_BACKGROUND:
        target = &s.background_colour;
        break;
    case CATEGORY_BORDER:
        if (s.item == 2) target = &s.border_primary_colour;
        if (s.item == 3) target = &s.border_secondary_colour;
        break;
    case CATEGORY_SHAPE:
        if (!valid_slot(s.selected_shape)) break;
        if (s.item == 3) target = &s.shape_colour[s.selected_shape];
        if (s.item == 4) target = &s.shape_flash_colour[s.selected_shape];
        break;
    case CATEGORY_MESSAGE:
        if (valid_slot(s.selected_message)) target = &s.message_colour[s.selected_message];
        break;
    default:
        break;
    }
    if (target) *target = colour;
}

void pick_shape(int x, int y, int slot, int* shape_kind) {
    int column = (x - PANEL_LEFT) / PREVIEW_WIDTH;
    int row = (y - PANEL_BOTTOM) / PREVIEW_HEIGHT;
    if (column < 0 || column > 1 || row < 0 || row >= PREVIEW_ROWS) return;
    shape_kind[slot] = column + 2 * row;
}

void pick_border(int x, int y, int* border_kind) {
    int row = (y - PANEL_BOTTOM) / PREVIEW_HEIGHT;
    if (row >= PREVIEW_ROWS) {
        *border_kind = -1; // the "No border" row
        return;
    }
    int column = (x - PANEL_LEFT) / PREVIEW_WIDTH;
    if (row < 0 || column < 0 || column > 1) return;
    *border_kind = column + 2 * row;
}

void pick_size(int y, int slot, int* sizes) {
    int size = list_row(y, SIZE_LIST);
    if (size >= 0) sizes[slot] = size;
}

void pick_message(int y, int slot, int* message_kind) {
    int kind = list_row(y, MESSAGE_LIST);
    if (kind >= 0) message_kind[slot] = kind;
}

void pick_speed(int y, int slot, int* speeds) {
    int speed = list_row(y, SPEED_LIST);
    if (speed >= 0) speeds[slot] = speed;
}

int find_free_slot(const int* kind, int count) {
    for (int i = 0; i < count; ++i)
        if (kind[i] == KIND_FREE) return i;
    return -1;
}

int find_near_slot(const int* kind, const int* anchor_x, const int* anchor_y, int x, int y,
                   int count) {
    // Within 12 units on both axes; 64-bit so that no coordinate overflows.
    long long cx = x, cy = y;
    for (int i = 0; i < count; ++i) {
        if (kind[i] == KIND_FREE) continue;
        long long ax = anchor_x[i], ay = anchor_y[i];
        if (cx - 13 < ax && ax < cx + 13 && cy - 13 < ay && ay < cy + 13) return i;
    }
    return -1;
}

int show_crosshair(int x, int y, int code, EditorState& s) {
    KV319_line(GREEN, x + 8, y + 8, x - 8, y - 8, 2);
    KV319_line(RED, x + 10, y, x - 10, y, 2);
    KV319_line(GREEN, x - 8, y + 8, x + 8, y - 8, 2);
    KV319_line(RED, x, y + 10, x, y - 10, 2);
    draw_status(code, s.category);
    return pause_events(5, s);
}

int pause_events(int count, EditorState& s) {
    int x = 0, y = 0;
    char key = 0;
    for (int i = 0; i < count; ++i) {
        if (KV319_await_event(&x, &y, &key) == EVENT_QUIT) {
            s.quit_requested = 1;
            return 0;
        }
    }
    return 1;
}

int pause_three(EditorState& s) {
    return pause_events(3, s);
}
