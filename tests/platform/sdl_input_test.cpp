// sdl_input_test.cpp: the real-window driver's translations that need no
// display: key codes under different layouts, UTF-8 text input, the
// desktop's scale resource and pointer positions on a scaled window.
#include <gtest/gtest.h>

#include <climits>

#include "sdl_input.h"
#include "winsys.h"

namespace {

using namespace ws::sdl_input;

TEST(SdlKeys, LettersFollowTheLayoutDigitsAndPunctuationTheKeysPlace) {
    // US layout.
    EXPECT_EQ(virtual_key(SDLK_a, SDL_SCANCODE_A), 'A');
    EXPECT_EQ(virtual_key(SDLK_z, SDL_SCANCODE_Z), 'Z');
    // French layout: the key in the place of Q gives A, and the digit row's
    // unshifted '&' is still the key 1.
    EXPECT_EQ(virtual_key(SDLK_a, SDL_SCANCODE_Q), 'A');
    EXPECT_EQ(virtual_key(SDLK_AMPERSAND, SDL_SCANCODE_1), '1');
    EXPECT_EQ(virtual_key(SDLK_0, SDL_SCANCODE_0), '0');
    // A layout without Latin letters (Cyrillic 'a' on the F key) keeps the
    // letter of the key's place, so that Control+F still works.
    EXPECT_EQ(virtual_key(0x0430, SDL_SCANCODE_F), 'F');
    EXPECT_EQ(virtual_key(SDLK_MINUS, SDL_SCANCODE_MINUS), 0xBD);
    EXPECT_EQ(virtual_key(SDLK_F1, SDL_SCANCODE_F1), VK_F1);
    EXPECT_EQ(virtual_key(SDLK_F12, SDL_SCANCODE_F12), VK_F12);
    EXPECT_EQ(virtual_key(SDLK_KP_7, SDL_SCANCODE_KP_7), 0x67);
    EXPECT_EQ(virtual_key(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER), VK_RETURN);
    EXPECT_EQ(virtual_key(SDLK_RCTRL, SDL_SCANCODE_RCTRL), VK_CONTROL);
    EXPECT_EQ(virtual_key(SDLK_LALT, SDL_SCANCODE_LALT), VK_MENU);
    EXPECT_EQ(virtual_key(SDLK_LEFT, SDL_SCANCODE_LEFT), VK_LEFT);
    EXPECT_EQ(virtual_key(SDLK_VOLUMEUP, SDL_SCANCODE_VOLUMEUP), 0);
}

TEST(SdlKeys, ControlCodesThatTextInputNeverReports) {
    EXPECT_EQ(control_character(SDLK_RETURN, SDL_SCANCODE_RETURN, 0), 13);
    EXPECT_EQ(control_character(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 0), 13);
    EXPECT_EQ(control_character(SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 0), 8);
    EXPECT_EQ(control_character(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, KMOD_SHIFT), 27);
    EXPECT_EQ(control_character(SDLK_TAB, SDL_SCANCODE_TAB, 0), 9);
    EXPECT_EQ(control_character(SDLK_a, SDL_SCANCODE_A, KMOD_LCTRL), 1);
    EXPECT_EQ(control_character(SDLK_z, SDL_SCANCODE_Z, KMOD_RCTRL | KMOD_SHIFT), 26);
    EXPECT_EQ(control_character(0x0430, SDL_SCANCODE_F, KMOD_LCTRL), 6);
    // Printable keys leave their character to text input.
    EXPECT_EQ(control_character(SDLK_a, SDL_SCANCODE_A, 0), 0);
    EXPECT_EQ(control_character(SDLK_1, SDL_SCANCODE_1, KMOD_LCTRL), 0);
    EXPECT_EQ(control_character(SDLK_LCTRL, SDL_SCANCODE_LCTRL, KMOD_LCTRL), 0);
}

// Every code point of a text, 0-terminated list.
std::vector<int> decode(const char* text) {
    std::vector<int> out;
    int pos = 0;
    for (int cp; (cp = next_code_point(text, &pos)) != 0;)
        out.push_back(cp);
    return out;
}

TEST(SdlText, Utf8DecodesWholeSequencesAndRejectsBrokenOnesWithoutReadingPastTheEnd) {
    EXPECT_EQ(decode("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"),
              (std::vector<int>{'a', 0xE9, 0x20AC, 0x1F600}));
    EXPECT_EQ(decode(""), std::vector<int>{});
    // A lone continuation byte, a sequence cut short by the terminator, an
    // overlong form, a surrogate and a value past U+10FFFF: each is one
    // replacement character for its first byte, and decoding goes on.
    EXPECT_EQ(decode("\x80z"), (std::vector<int>{0xFFFD, 'z'}));
    EXPECT_EQ(decode("\xE2\x82"), (std::vector<int>{0xFFFD, 0xFFFD}));
    EXPECT_EQ(decode("\xC0\x80"), (std::vector<int>{0xFFFD, 0xFFFD}));
    EXPECT_EQ(decode("\xED\xA0\x80").front(), 0xFFFD);
    EXPECT_EQ(decode("\xF4\x90\x80\x80").front(), 0xFFFD);
    EXPECT_EQ(decode("\xFF"), std::vector<int>{0xFFFD});
    int pos = 0;
    EXPECT_EQ(next_code_point("", &pos), 0);
    EXPECT_EQ(pos, 0);
}

TEST(SdlScale, TheDesktopsDpiResourceGivesAFactorInQuarterSteps) {
    EXPECT_EQ(scale_from_resources(nullptr), 1);
    EXPECT_EQ(scale_from_resources(""), 1);
    EXPECT_EQ(scale_from_resources("Xft.dpi:\t96\n"), 1);
    EXPECT_EQ(scale_from_resources("Xcursor.size:\t48\nXft.dpi:\t192\nXft.hinting:\t1\n"), 2);
    EXPECT_EQ(scale_from_resources("Xft.dpi : 192"), 2); // no newline at the end
    EXPECT_EQ(scale_from_resources("Xft.dpi:\t120\n"), 1.25);
    EXPECT_EQ(scale_from_resources("Xft.dpi:\t144\n"), 1.5);
    EXPECT_EQ(scale_from_resources("Xft.dpi:\t168\n"), 1.75);
    EXPECT_EQ(scale_from_resources("Xft.dpi:\t100\n"), 1);
    EXPECT_EQ(scale_from_resources("Xft.dpi:\t288.0\n"), 3);
    EXPECT_EQ(scale_from_resources("Xft.dpi:\t72\n"), 1);
    EXPECT_EQ(scale_from_resources("Xft.dpi:\t100000\n"), 4);
    // Not the resource, or not a number: no scale.
    EXPECT_EQ(scale_from_resources("Xft.dpiX:\t192\n"), 1);
    EXPECT_EQ(scale_from_resources("*Xft.dpi:\t192\n"), 1);
    EXPECT_EQ(scale_from_resources("Xft.dpi:\tbig\n"), 1);
    EXPECT_EQ(scale_from_resources("Xft.dpi:\t192 dots\n"), 1);
    EXPECT_EQ(scale_from_resources("Xft.dpi:\t-192\n"), 1);
    EXPECT_EQ(scale_from_resources("Xft.dpi:\tnan\n"), 1);
    EXPECT_EQ(scale_from_resources("Xft.dpi:\t1e999\n"), 1);
}

TEST(SdlScale, WindowsGrowOnlyAsFarAsTheUsableScreenHoldsTheSmallestScreen) {
    // Room enough: the desktop's own scale.
    EXPECT_EQ(fitting_scale(2, 2048, 1536), 2);
    EXPECT_EQ(fitting_scale(1.5, 1920, 1080), 1.5);
    // 150 % on 1280 x 1024: 853 x 682 of ours, enough. 200 % would leave
    // 640 x 512, too little: the largest step that fits is 150 %.
    EXPECT_EQ(fitting_scale(1.5, 1280, 1024), 1.5);
    EXPECT_EQ(fitting_scale(2, 1280, 1024), 1.5);
    // A panel takes part of the screen: the usable part decides.
    EXPECT_EQ(fitting_scale(2, 1920, 1200), 2);
    EXPECT_EQ(fitting_scale(2, 1920, 1160), 1.75);
    // Never below 1, whatever the screen; never a step the desktop did not ask for.
    EXPECT_EQ(fitting_scale(1.75, 640, 480), 1);
    EXPECT_EQ(fitting_scale(1, 4000, 3000), 1);
    EXPECT_EQ(fitting_scale(1.3, 4000, 3000), 1.25);
}

TEST(SdlPointer, PositionsOnAStretchedWindowMapBackToSurfacePixels) {
    EXPECT_EQ(to_surface(123, 601, 601), 123);
    // Twice the size: both native pixels of a surface pixel give it.
    EXPECT_EQ(to_surface(600, 1202, 601), 300);
    EXPECT_EQ(to_surface(601, 1202, 601), 300);
    EXPECT_EQ(to_surface(1201, 1202, 601), 600);
    // Outside the window (a drag with the button held) stays outside.
    EXPECT_EQ(to_surface(-1, 1202, 601), -1);
    EXPECT_EQ(to_surface(-2, 1202, 601), -1);
    EXPECT_EQ(to_surface(-3, 1202, 601), -2);
    EXPECT_EQ(to_surface(1202, 1202, 601), 601);
    // A degenerate window leaves the position alone; no overflow at extremes.
    EXPECT_EQ(to_surface(50, 0, 601), 50);
    EXPECT_EQ(to_surface(50, 100, 0), 50);
    EXPECT_EQ(to_surface(INT_MAX, 1, 16384), INT_MAX);
    EXPECT_EQ(to_surface(INT_MIN, 1, 16384), INT_MIN);
    EXPECT_EQ(to_surface(INT_MIN, 2, 1), INT_MIN / 2);
}

} // namespace
