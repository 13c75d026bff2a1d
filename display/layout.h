// layout.h: what the display draws where and the editor's hit test finds
// again: the drawing area, the card area and the control panel (tabs, item
// buttons, the item panel with its lists and palettes), the colours by name,
// the tabs by name and the status codes, including the hint codes that tell
// the hit test which list or palette is on screen.
//
// Graphics coordinates: origin at the centre, y upward. Left and bottom
// edges are inclusive; the regions' other bounds are given with each.
#pragma once

// ---- Colour indices ---------------------------------------------------------
inline constexpr int BLACK = 0;
inline constexpr int WHITE = 1;
inline constexpr int RED = 2;
inline constexpr int GREEN = 3;
inline constexpr int YELLOW = 5;
inline constexpr int GRAY_20 = 23;

// ---- Drawing area and card area ---------------------------------------------
inline constexpr int AREA_LEFT = -300;
inline constexpr int AREA_RIGHT = 300;
inline constexpr int AREA_BOTTOM = -250;
inline constexpr int AREA_TOP = 250;

// The card: a click on it lies in CARD_LEFT <= x < CARD_RIGHT and
// CARD_BOTTOM <= y < CARD_TOP.
inline constexpr int CARD_LEFT = -130;
inline constexpr int CARD_RIGHT = 270;
inline constexpr int CARD_BOTTOM = -170;
inline constexpr int CARD_TOP = 190;
inline constexpr int CARD_WIDTH = CARD_RIGHT - CARD_LEFT;
inline constexpr int CARD_HEIGHT = CARD_TOP - CARD_BOTTOM;

// ---- Tabs and item buttons --------------------------------------------------
inline constexpr int CATEGORY_BACKGROUND = 0;
inline constexpr int CATEGORY_BORDER = 1;
inline constexpr int CATEGORY_SHAPE = 2;
inline constexpr int CATEGORY_MESSAGE = 3;
inline constexpr int CATEGORY_FILES = 4;
inline constexpr int CATEGORY_COUNT = 5;

// Item buttons of each tab, and the most any tab has.
inline constexpr int ITEM_COUNTS[CATEGORY_COUNT] = {1, 4, 9, 8, 6};
inline constexpr int MOST_ITEMS = 9;

// Buttons are placed by their upper-left corner. The tabs run to the right
// from the first one's corner, the item buttons down from the first one's.
inline constexpr int BUTTON_WIDTH = 110;
inline constexpr int BUTTON_HEIGHT = 35;
inline constexpr int TABS_LEFT = -298;
inline constexpr int TABS_TOP = 248;
inline constexpr int ITEMS_LEFT = -298;
inline constexpr int ITEMS_TOP = 196;

// The hit test finds the buttons 2 units left of and 2 above where they are
// drawn. The tab row lies above TAB_HIT_BOTTOM and left of TAB_HIT_RIGHT; x
// is in tab (x - TAB_HIT_LEFT) / BUTTON_WIDTH. The item column lies below
// ITEM_HIT_TOP and left of ITEM_HIT_RIGHT; y is in item
// (ITEM_HIT_TOP - y) / BUTTON_HEIGHT.
inline constexpr int HIT_SHIFT = 2;
inline constexpr int TAB_HIT_LEFT = TABS_LEFT - HIT_SHIFT;
inline constexpr int TAB_HIT_RIGHT = TABS_LEFT + BUTTON_WIDTH * CATEGORY_COUNT - HIT_SHIFT;
inline constexpr int TAB_HIT_BOTTOM = TABS_TOP - BUTTON_HEIGHT + HIT_SHIFT;
inline constexpr int ITEM_HIT_RIGHT = ITEMS_LEFT + BUTTON_WIDTH - HIT_SHIFT;
inline constexpr int ITEM_HIT_TOP = ITEMS_TOP + HIT_SHIFT;

// ---- The item panel ---------------------------------------------------------
// A box at the lower left; its top edge depends on what it shows. Clicks
// count up to and including the right and top edges.
inline constexpr int PANEL_LEFT = AREA_LEFT;
inline constexpr int PANEL_RIGHT = -163;
inline constexpr int PANEL_BOTTOM = AREA_BOTTOM;
inline constexpr int PANEL_TOP_LOWER = -140; // size and speed lists, both palettes
inline constexpr int PANEL_TOP_TALL = -113;  // message list, border list

// Lists: rows of one height stacked up from the box's bottom, row 0 lowest.
struct ListLayout {
    int rows;
    int row_height;
    int top; // the box's top edge
};
inline constexpr ListLayout SIZE_LIST = {4, 27, PANEL_TOP_LOWER};
inline constexpr ListLayout MESSAGE_LIST = {7, 19, PANEL_TOP_TALL};
inline constexpr ListLayout SPEED_LIST = {5, 22, PANEL_TOP_LOWER};

// The colour palette: 4 columns of 6 cells from the box's lower-left
// corner; cell (c, r), row r counted from the bottom, shows entry
// PALETTE_ROWS * c + r of the palette order.
inline constexpr int PALETTE_COLUMNS = 4;
inline constexpr int PALETTE_ROWS = 6;
inline constexpr int CELL_WIDTH = 34;
inline constexpr int CELL_HEIGHT = 18;
inline constexpr int PALETTE_ORDER[PALETTE_COLUMNS * PALETTE_ROWS] = {
    0,  10, 9,  19, 14, 2,  // column 0
    22, 8,  4,  20, 21, 13, // column 1
    23, 6,  7,  3,  17, 5,  // column 2
    1,  15, 11, 12, 18, 16, // column 3
};

// The shape palette and the border list: 2 x 2 preview cells from the box's
// lower-left corner, entry k in column k % 2 and row k / 2. Above them the
// border list has its "No border" row.
inline constexpr int PREVIEW_WIDTH = 68;
inline constexpr int PREVIEW_HEIGHT = 55;
inline constexpr int PREVIEW_ROWS = 2;
inline constexpr int PREVIEW_SIZE = 10; // the size code of the shape palette's shapes

constexpr int preview_centre_x(int k) {
    return PANEL_LEFT + PREVIEW_WIDTH * (k % 2) + PREVIEW_WIDTH / 2;
}
constexpr int preview_centre_y(int k) {
    return PANEL_BOTTOM + PREVIEW_HEIGHT * (k / 2) + PREVIEW_HEIGHT / 2;
}

// ---- Status codes -----------------------------------------------------------
// Each has a text of its own on the status line; code 2 has none.
inline constexpr int STATUS_ADD_SHAPE = 1;
inline constexpr int STATUS_NO_SHAPE = 4; // red, like the other refusals
inline constexpr int STATUS_SHAPES_FULL = 5;
inline constexpr int STATUS_SELECT_SHAPE = 6;
inline constexpr int STATUS_EMPTY = 7;
inline constexpr int STATUS_SHAPE_SELECTED = 8;
inline constexpr int STATUS_ANIMATION_CHANGED = 9;
inline constexpr int STATUS_FLASH_CHANGED = 10;
inline constexpr int STATUS_ADD_MESSAGE = 13;
inline constexpr int STATUS_MESSAGE_SELECTED = 14;
inline constexpr int STATUS_SCROLL_CHANGED = 15;
inline constexpr int STATUS_NO_MESSAGE = 16;
inline constexpr int STATUS_MESSAGES_FULL = 18;
inline constexpr int STATUS_SELECT_MESSAGE = 19;
inline constexpr int STATUS_NO_BORDER = 20;
inline constexpr int STATUS_CHOOSE_BORDER = 22;
inline constexpr int STATUS_FILES = 24;

// Hint codes: the texts for the list or palette on screen, which the frame
// stores so that the hit test knows what the item panel shows.
inline constexpr int HINT_COLOUR = 3;
inline constexpr int HINT_SHAPE = 11;
inline constexpr int HINT_SIZE = 12;
inline constexpr int HINT_MESSAGE = 17;
inline constexpr int HINT_SPEED = 21;
inline constexpr int HINT_BORDER = 23;

// Status codes of a card file that could not be saved or loaded, beyond the
// codes with texts of their own. Stored like any other code, so the red text
// stays on the status line until the next click: "Cannot save C:TOBU<n>.SAV."
// for slot n = code - STATUS_SAVE_FAILED_BASE and "Cannot load C:TOBU<n>.SAV."
// for slot n = code - STATUS_LOAD_FAILED_BASE, n 1..3 (codes 101..103 and
// 111..113).
inline constexpr int STATUS_SAVE_FAILED_BASE = 100;
inline constexpr int STATUS_LOAD_FAILED_BASE = 110;

inline bool is_card_file_failure(int code) {
    return (code > STATUS_SAVE_FAILED_BASE && code <= STATUS_SAVE_FAILED_BASE + 3) ||
           (code > STATUS_LOAD_FAILED_BASE && code <= STATUS_LOAD_FAILED_BASE + 3);
}
