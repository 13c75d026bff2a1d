// menus.cpp: menus: the bar, pull-downs, mouse and keyboard.
// (Placeholder hooks until the menu code lands.)
#include "wm.h"

namespace ws {
void menu_paint_bar(Window&) {}
bool menu_handle_input(Window&, const InputEvent&) { return false; }
void menu_cancel() {}
void menu_destroy(HMENU) {}
void menu_reset() {}
}  // namespace ws
