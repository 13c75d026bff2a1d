// metrics.h: the sizes that a window system chooses for itself.
//
// Win32 leaves these to the system; ours are fixed here, in one place. With
// no side frame, a 601-pixel-wide window has a 601-pixel-wide client area,
// and the graphics window (601 x 540 with caption and menu bar) gets a client
// of 601 x 501: graphics coordinates -300..300 by -250..250.
#pragma once

namespace ws::metrics {

inline constexpr int kCaptionHeight = 20;  // title bar of WS_CAPTION windows
inline constexpr int kFrameWidth = 0;      // top-level windows have no side or bottom frame
inline constexpr int kMenuBarHeight = 19;  // the menu bar below the caption
inline constexpr int kBorderWidth = 1;     // WS_BORDER on child windows

inline constexpr int kDefaultScreenWidth = 1024;
inline constexpr int kDefaultScreenHeight = 768;

// On a scaled desktop, windows grow by the desktop's scale only as far as
// the usable screen still holds this many pixels of ours: a program laid
// out for a screen this size keeps every window on the screen.
inline constexpr int kSmallestScreenWidth = 800;
inline constexpr int kSmallestScreenHeight = 600;

// Dialog base units: one horizontal dialog unit is kDialogBaseX / 4 pixels,
// one vertical dialog unit kDialogBaseY / 8 pixels.
inline constexpr int kDialogBaseX = 8;
inline constexpr int kDialogBaseY = 16;

// The face and pixel height of the layer's own user-interface text
// (captions, menus, dialog controls).
inline constexpr const char* kUiFace = "sans-serif";
inline constexpr int kUiFontHeight = 13;

// The monospace face behind ANSI_FIXED_FONT, and its character height.
inline constexpr const char* kFixedFace = "monospace";
inline constexpr int kFixedFontHeight = 13;

// A font created with height 0 gets this character height in pixels.
inline constexpr int kDefaultFontHeight = 16;
// Character and cell heights are capped here, so that a wild request cannot
// make glyph bitmaps of gigabytes.
inline constexpr int kMaxFontHeight = 1024;

// Menus: a bar title's text has kMenuTitlePadding on each side; a pull-down
// line is kMenuItemHeight high (a separator kMenuSeparatorHeight), its text
// starts after a check-mark column and its shortcut column is right-aligned
// kMenuRightPadding from the edge, at least kMenuShortcutGap after the text.
inline constexpr int kMenuTitlePadding = 7;
inline constexpr int kMenuItemHeight = 20;
inline constexpr int kMenuSeparatorHeight = 9;
inline constexpr int kMenuCheckColumn = 22;
inline constexpr int kMenuShortcutGap = 28;
inline constexpr int kMenuRightPadding = 14;

// Edit controls: the gap between the client edge and the text.
inline constexpr int kEditMarginX = 3;
inline constexpr int kEditMarginY = 2;

}  // namespace ws::metrics
