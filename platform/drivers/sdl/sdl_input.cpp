// sdl_input.cpp: key codes, characters, the desktop scale and pointer
// positions for the real-window driver; pure functions, no display needed.
//
// Limits: the right Alt key is reported as Alt, as on a US keyboard.
#include "sdl_input.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "metrics.h"
#include "winsys.h"

namespace ws::sdl_input {

namespace {

// Virtual-key codes that the layer's header does not name (no caller of the
// layer uses them), with the system's values.
constexpr int VK_PAUSE_CODE = 0x13;
constexpr int VK_CAPITAL_CODE = 0x14;
constexpr int VK_PRIOR_CODE = 0x21;
constexpr int VK_NEXT_CODE = 0x22;
constexpr int VK_INSERT_CODE = 0x2D;
constexpr int VK_NUMPAD0_CODE = 0x60;
constexpr int VK_MULTIPLY_CODE = 0x6A;
constexpr int VK_ADD_CODE = 0x6B;
constexpr int VK_SUBTRACT_CODE = 0x6D;
constexpr int VK_DECIMAL_CODE = 0x6E;
constexpr int VK_DIVIDE_CODE = 0x6F;

// Scales come in quarter steps, from 1 to 4.
constexpr double SCALE_STEPS = 4;
constexpr double LARGEST_SCALE = 4;

// The letter of a key, 'A'..'Z', or 0. The layout's letter comes first; a
// layout without Latin letters (Cyrillic, Greek) falls back to the key's
// place, so that Control shortcuts still work there.
int letter_of(SDL_Keycode sym, SDL_Scancode scan) {
    if (sym >= SDLK_a && sym <= SDLK_z) return 'A' + (sym - SDLK_a);
    bool sym_is_text = sym > 0x7F && !(sym & SDLK_SCANCODE_MASK);
    if (sym_is_text && scan >= SDL_SCANCODE_A && scan <= SDL_SCANCODE_Z)
        return 'A' + (scan - SDL_SCANCODE_A);
    return 0;
}

} // namespace

int virtual_key(SDL_Keycode sym, SDL_Scancode scan) {
    if (int letter = letter_of(sym, scan)) return letter;
    // The digit row by place: on layouts whose unshifted row gives symbols
    // (French) the keys still carry '1'..'0'.
    if (scan >= SDL_SCANCODE_1 && scan <= SDL_SCANCODE_9) return '1' + (scan - SDL_SCANCODE_1);
    if (scan == SDL_SCANCODE_0) return '0';
    if (sym >= SDLK_F1 && sym <= SDLK_F12) return VK_F1 + (sym - SDLK_F1);
    if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9) return VK_NUMPAD0_CODE + 1 + (sym - SDLK_KP_1);
    switch (sym) {
    case SDLK_KP_0:
        return VK_NUMPAD0_CODE;
    case SDLK_KP_MULTIPLY:
        return VK_MULTIPLY_CODE;
    case SDLK_KP_PLUS:
        return VK_ADD_CODE;
    case SDLK_KP_MINUS:
        return VK_SUBTRACT_CODE;
    case SDLK_KP_PERIOD:
        return VK_DECIMAL_CODE;
    case SDLK_KP_DIVIDE:
        return VK_DIVIDE_CODE;
    case SDLK_BACKSPACE:
        return VK_BACK;
    case SDLK_TAB:
        return VK_TAB;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return VK_RETURN;
    case SDLK_ESCAPE:
        return VK_ESCAPE;
    case SDLK_SPACE:
        return VK_SPACE;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return VK_CONTROL;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return VK_SHIFT;
    case SDLK_LALT:
    case SDLK_RALT:
        return VK_MENU;
    case SDLK_PAUSE:
        return VK_PAUSE_CODE;
    case SDLK_CAPSLOCK:
        return VK_CAPITAL_CODE;
    case SDLK_PAGEUP:
        return VK_PRIOR_CODE;
    case SDLK_PAGEDOWN:
        return VK_NEXT_CODE;
    case SDLK_INSERT:
        return VK_INSERT_CODE;
    case SDLK_LEFT:
        return VK_LEFT;
    case SDLK_RIGHT:
        return VK_RIGHT;
    case SDLK_UP:
        return VK_UP;
    case SDLK_DOWN:
        return VK_DOWN;
    case SDLK_HOME:
        return VK_HOME;
    case SDLK_END:
        return VK_END;
    case SDLK_DELETE:
        return VK_DELETE;
    default:
        break;
    }
    // Punctuation keys by place, with the system's codes for a US keyboard.
    switch (scan) {
    case SDL_SCANCODE_SEMICOLON:
        return 0xBA;
    case SDL_SCANCODE_EQUALS:
        return 0xBB;
    case SDL_SCANCODE_COMMA:
        return 0xBC;
    case SDL_SCANCODE_MINUS:
        return 0xBD;
    case SDL_SCANCODE_PERIOD:
        return 0xBE;
    case SDL_SCANCODE_SLASH:
        return 0xBF;
    case SDL_SCANCODE_GRAVE:
        return 0xC0;
    case SDL_SCANCODE_LEFTBRACKET:
        return 0xDB;
    case SDL_SCANCODE_BACKSLASH:
        return 0xDC;
    case SDL_SCANCODE_RIGHTBRACKET:
        return 0xDD;
    case SDL_SCANCODE_APOSTROPHE:
        return 0xDE;
    case SDL_SCANCODE_NONUSBACKSLASH:
        return 0xE2;
    default:
        return 0;
    }
}

int control_character(SDL_Keycode sym, SDL_Scancode scan, uint16_t mod) {
    switch (sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return 13;
    case SDLK_BACKSPACE:
        return 8;
    case SDLK_ESCAPE:
        return 27;
    case SDLK_TAB:
        return 9;
    default:
        break;
    }
    if (mod & KMOD_CTRL) {
        int letter = letter_of(sym, scan);
        if (letter) return 1 + (letter - 'A');
    }
    return 0;
}

int next_code_point(const char* text, int* pos) {
    const unsigned char* u = reinterpret_cast<const unsigned char*>(text) + *pos;
    if (u[0] == 0) return 0;
    int len, cp;
    if (u[0] < 0x80) {
        *pos += 1;
        return u[0];
    } else if ((u[0] & 0xE0) == 0xC0) {
        len = 2;
        cp = u[0] & 0x1F;
    } else if ((u[0] & 0xF0) == 0xE0) {
        len = 3;
        cp = u[0] & 0x0F;
    } else if ((u[0] & 0xF8) == 0xF0) {
        len = 4;
        cp = u[0] & 0x07;
    } else {
        *pos += 1;
        return 0xFFFD;
    }
    for (int i = 1; i < len; ++i) {
        // A continuation byte is missing (the terminator stops us here too).
        if ((u[i] & 0xC0) != 0x80) {
            *pos += 1;
            return 0xFFFD;
        }
        cp = (cp << 6) | (u[i] & 0x3F);
    }
    static const int LEAST[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < LEAST[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        *pos += 1;
        return 0xFFFD;
    }
    *pos += len;
    return cp;
}

double scale_from_resources(const char* resources) {
    if (!resources) return 1;
    static const char KEY[] = "Xft.dpi";
    for (const char* line = resources; *line;) {
        const char* end = std::strchr(line, '\n');
        size_t n = end ? static_cast<size_t>(end - line) : std::strlen(line);
        if (n > sizeof KEY - 1 && std::strncmp(line, KEY, sizeof KEY - 1) == 0) {
            size_t i = sizeof KEY - 1;
            while (i < n && (line[i] == ' ' || line[i] == '\t'))
                ++i;
            if (i < n && line[i] == ':') {
                char value[32] = {0};
                size_t v = 0;
                for (++i; i < n && v + 1 < sizeof value; ++i)
                    if (line[i] != ' ' && line[i] != '\t') value[v++] = line[i];
                char* stop = nullptr;
                double dpi = std::strtod(value, &stop);
                if (stop == value || *stop != 0 || !std::isfinite(dpi) || dpi <= 0) return 1;
                double s = std::floor(dpi / 96.0 * SCALE_STEPS + 0.5) / SCALE_STEPS;
                return std::clamp(s, 1.0, LARGEST_SCALE);
            }
        }
        if (!end) break;
        line = end + 1;
    }
    return 1;
}

double fitting_scale(double desktop, int usable_width, int usable_height) {
    double s = std::floor(std::clamp(desktop, 1.0, LARGEST_SCALE) * SCALE_STEPS) / SCALE_STEPS;
    for (; s > 1; s -= 1.0 / SCALE_STEPS)
        if (metrics::SMALLEST_SCREEN_WIDTH * s <= usable_width &&
            metrics::SMALLEST_SCREEN_HEIGHT * s <= usable_height)
            break;
    return s;
}

int to_surface(int v, int native_extent, int surface_extent) {
    if (native_extent <= 0 || surface_extent <= 0 || native_extent == surface_extent) return v;
    int64_t n = int64_t{v} * surface_extent;
    int64_t q = n / native_extent;
    if (n % native_extent != 0 && n < 0) --q;
    return static_cast<int>(std::clamp<int64_t>(q, INT_MIN, INT_MAX));
}

} // namespace ws::sdl_input
