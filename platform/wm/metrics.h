// metrics.h: the sizes that a window system chooses for itself.
//
// Win32 leaves these to the system; ours are fixed here, in one place. With
// no side frame, a 601-pixel-wide window has a 601-pixel-wide client area,
// and the graphics window (601 x 540 with caption and menu bar) gets a client
// of 601 x 501: graphics coordinates -300..300 by -250..250.
#pragma once

namespace ws::metrics {

inline constexpr int CAPTION_HEIGHT = 20;  // title bar of WS_CAPTION windows
inline constexpr int FRAME_WIDTH = 0;      // top-level windows have no side or bottom frame
inline constexpr int MENU_BAR_HEIGHT = 19; // the menu bar below the caption
inline constexpr int BORDER_WIDTH = 1;     // WS_BORDER on child windows

inline constexpr int DEFAULT_SCREEN_WIDTH = 1024;
inline constexpr int DEFAULT_SCREEN_HEIGHT = 768;

// On a scaled desktop, windows grow by the desktop's scale only as far as
// the usable screen still holds this many pixels of ours: a program laid
// out for a screen this size keeps every window on the screen.
inline constexpr int SMALLEST_SCREEN_WIDTH = 800;
inline constexpr int SMALLEST_SCREEN_HEIGHT = 600;

// Dialog base units: one horizontal dialog unit is DIALOG_BASE_X / 4 pixels,
// one vertical dialog unit DIALOG_BASE_Y / 8 pixels.
inline constexpr int DIALOG_BASE_X = 8;
inline constexpr int DIALOG_BASE_Y = 16;

// The face and pixel height of the layer's own user-interface text
// (captions, menus, dialog controls).
inline constexpr const char* UI_FACE = "sans-serif";
inline constexpr int UI_FONT_HEIGHT = 13;

// The monospace face behind ANSI_FIXED_FONT, and its character height.
inline constexpr const char* FIXED_FACE = "monospace";
inline constexpr int FIXED_FONT_HEIGHT = 13;

// A font created with height 0 gets this character height in pixels.
inline constexpr int DEFAULT_FONT_HEIGHT = 16;
// Character and cell heights are capped here, so that a wild request cannot
// make glyph bitmaps of gigabytes.
inline constexpr int MAX_FONT_HEIGHT = 1024;

// Menus: a bar title's text has MENU_TITLE_PADDING on each side; a pull-down
// line is MENU_ITEM_HEIGHT high (a separator MENU_SEPARATOR_HEIGHT), its text
// starts after a check-mark column and its shortcut column is right-aligned
// MENU_RIGHT_PADDING from the edge, at least MENU_SHORTCUT_GAP after the text.
inline constexpr int MENU_TITLE_PADDING = 7;
inline constexpr int MENU_ITEM_HEIGHT = 20;
inline constexpr int MENU_SEPARATOR_HEIGHT = 9;
inline constexpr int MENU_CHECK_COLUMN = 22;
inline constexpr int MENU_SHORTCUT_GAP = 28;
inline constexpr int MENU_RIGHT_PADDING = 14;

// Edit controls: the gap between the client edge and the text.
inline constexpr int EDIT_MARGIN_X = 3;
inline constexpr int EDIT_MARGIN_Y = 2;

} // namespace ws::metrics
