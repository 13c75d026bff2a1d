// menus_internal.h: a read-only view of menus and of the menu being
// operated, for tests and the layer's own tools.
#pragma once

#include <string>

#include "canvas.h"
#include "wm.h"

namespace ws {

struct MenuItemView {
    UINT flags = 0;        // MF_ flags as appended, check state as it is now
    UINT_PTR id = 0;       // the command (0 for separators and pull-downs)
    HMENU popup = nullptr; // MF_POPUP items: the pull-down
    std::string text;      // as appended, "&" and "\t" included
};

// Whether h is a live menu, its number of items (-1 if not live), and one
// item by position (false if there is none).
bool menu_is_live(HMENU h);
int menu_item_count(HMENU h);
bool menu_item_view(HMENU h, int position, MenuItemView& out);

struct MenuTrackView {
    HWND owner = nullptr; // the window whose menu bar is in use, nullptr for none
    int hot_title = -1;   // the highlighted bar title
    int open_title = -1;  // the title whose pull-down is shown, -1 for none
    HWND popup = nullptr; // the pull-down's window
    int hot_item = -1;    // the highlighted line of the pull-down, -1 for none
};
MenuTrackView menu_track_view();

// A bar title's rectangle in the surface pixels of window hwnd (empty if
// there is no such title), and a line of the open pull-down in the surface
// pixels of its window (empty if none is open or there is no such line).
Rect menu_title_rect(HWND hwnd, int title);
Rect menu_popup_item_rect(int position);

} // namespace ws
