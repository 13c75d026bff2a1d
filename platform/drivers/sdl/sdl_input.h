// sdl_input.h: the real-window driver's translations that need no display:
// SDL keys to virtual-key codes and characters, UTF-8 text to code points,
// the desktop's scale factor, and native-window positions to surface pixels.
//
// Limits: virtual-key codes cover the keys a desktop keyboard commonly has;
// others map to 0 (the key still produces its character through text input).
#pragma once

#include <SDL_keycode.h>
#include <SDL_scancode.h>

#include <cstdint>

namespace ws::sdl_input {

// The virtual-key code of a key. Letters follow the user's layout (the key
// labelled A gives 'A'); the digit row gives '0'..'9' whatever its labels,
// as on the desktop whose codes these are. 0 for a key without a code.
int virtual_key(SDL_Keycode sym, SDL_Scancode scan);

// The character a key-down produces that SDL's text input never reports:
// the control codes of Enter, Backspace, Escape and Tab, and of
// Control+letter (1..26). 0 for every other key.
int control_character(SDL_Keycode sym, SDL_Scancode scan, uint16_t mod);

// Decodes the UTF-8 sequence at text[*pos], advancing *pos past it. Returns
// the code point, 0xFFFD for a malformed or overlong sequence (one byte is
// skipped), or 0 at the end of the text.
int next_code_point(const char* text, int* pos);

// The scale factor a desktop asks for with its "Xft.dpi" resource, from the
// X resource string (the root window's resource manager text; may be null):
// dpi / 96 to the nearest quarter (120 gives 1.25, 144 gives 1.5, 192 gives
// 2), at least 1 and at most 4. Malformed or absent values give 1.
double scale_from_resources(const char* resources);

// The scale windows are shown at: the largest quarter step from 1 up to the
// desktop's at which a usable screen of `usable_width` x `usable_height`
// native pixels still holds metrics::SMALLEST_SCREEN_WIDTH x
// SMALLEST_SCREEN_HEIGHT of the layer's, so that every window a program lays
// out for such a screen fits on it. 1 when even that does not fit.
double fitting_scale(double desktop, int usable_width, int usable_height);

// A native-window pointer coordinate `v`, on a window `native_extent` long,
// as a pixel of a surface `surface_extent` long shown stretched over it.
// Rounds toward negative infinity, so positions left of or above the window
// (a held button dragged outside) stay outside; clamped to the int range.
int to_surface(int v, int native_extent, int surface_extent);

} // namespace ws::sdl_input
