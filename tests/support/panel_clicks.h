// panel_clicks.h: where a user clicks the control panel: the middle of tab t
// and of item button j, as points and as lines of a runner script.
#pragma once

#include <string>

#include "layout.h"

constexpr int tab_x(int t) {
    return TABS_LEFT + BUTTON_WIDTH * t + BUTTON_WIDTH / 2;
}
constexpr int TAB_Y = TABS_TOP - BUTTON_HEIGHT / 2;
constexpr int ITEM_X = ITEMS_LEFT + BUTTON_WIDTH / 2;
constexpr int item_y(int j) {
    return ITEMS_TOP - BUTTON_HEIGHT * j - BUTTON_HEIGHT / 2;
}

// Script lines: a click at (x, y), on tab t, on item button j.
inline std::string at(int x, int y) {
    return "click " + std::to_string(x) + " " + std::to_string(y) + "\n";
}
inline std::string tab(int t) {
    return at(tab_x(t), TAB_Y);
}
inline std::string button(int j) {
    return at(ITEM_X, item_y(j));
}
