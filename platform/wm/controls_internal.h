// controls_internal.h: what the menu, dialog and control code of the layer
// share: the colours of its own user interface, labels with "&" mnemonics,
// word wrapping, and a few inspection calls for tests.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "canvas.h"
#include "fonts.h"
#include "wm.h"

namespace ws {

// Colours of the layer's own user interface (0x00RRGGBB).
namespace look {
inline constexpr uint32_t FACE = 0xF0F0F0;   // dialogs, buttons, the menu bar
inline constexpr uint32_t MENU = 0xF8F8F8;   // pull-downs
inline constexpr uint32_t WINDOW = 0xFFFFFF; // edit boxes
inline constexpr uint32_t TEXT = 0x000000;
inline constexpr uint32_t GRAY_TEXT = 0x8C8C8C;
inline constexpr uint32_t HIGHLIGHT = 0x3165C4; // the chosen title or line
inline constexpr uint32_t HIGHLIGHT_TEXT = 0xFFFFFF;
inline constexpr uint32_t HIGHLIGHT_GRAY = 0xB4C4E4; // a grayed line, highlighted
inline constexpr uint32_t LIGHT = 0xFFFFFF;          // bevel: lit edges
inline constexpr uint32_t SHADOW = 0xA0A0A0;         // bevel: shaded edges
inline constexpr uint32_t DARK_SHADOW = 0x404040;    // bevel: outer shaded edges, frames
} // namespace look

// WM_COMMAND's notification code for a clicked button, and the packing of
// its wParam.
inline constexpr WORD BN_CLICKED = 0;
inline WPARAM make_wparam(unsigned low, unsigned high) {
    return static_cast<WPARAM>((low & 0xFFFFu) | ((high & 0xFFFFu) << 16));
}

// The face of the layer's user-interface text.
const FontFace* ui_face();

// A label as shown: the "&" markers taken out ("&&" is a literal "&"), and
// the position of the underlined mnemonic character.
struct Label {
    std::string shown;
    int mnemonic = -1; // index into `shown`, -1 for none
};
Label parse_label(const char* text, size_t length);
// The mnemonic as a lower-case character, 0 for none.
char label_mnemonic(const Label& label);
// Draws `length` characters of `text` from `first` at (x, y) (top of the cell),
// underlining the character at `underline` (an index into text) if it is
// among them.
void draw_text_run(const Canvas& c, const FontFace* face, int x, int y, const char* text,
                   size_t first, size_t length, int underline, uint32_t pixel);
// A one-pixel frame just inside r.
void draw_frame(const Canvas& c, const Rect& r, uint32_t pixel);

// One line of wrapped text: text[start, end), the line break excluded.
struct TextLine {
    size_t start = 0, end = 0;
};
// Breaks text into lines no wider than `width` pixels: at "\r\n", "\n" and
// "\r", and between words (spaces that end a line hang past the edge; a
// word longer than the width is broken between characters). Always at
// least one line.
void wrap_text(const FontFace* face, const char* text, size_t length, int width,
               std::vector<TextLine>& lines);

// The window procedure of the dialog class (dialogs.cpp).
LRESULT CALLBACK dialog_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
// The pull-down windows' class (menus.cpp).
void menu_register_class();

inline constexpr const char* DIALOG_CLASS = "#32770";
inline constexpr const char* MENU_POPUP_CLASS = "#32768";

// For tests: the edit box's caret (a byte offset into its text), its top
// visible line and its number of lines; -1 when hwnd is not an edit box.
long edit_caret(HWND hwnd);
int edit_first_line(HWND hwnd);
int edit_line_count(HWND hwnd);
// For tests: the innermost modal dialog running, or nullptr.
HWND dialog_running();

} // namespace ws
