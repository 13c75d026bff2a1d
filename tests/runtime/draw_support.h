// draw_support.h: helpers for the tests of the runtime's drawing, text and
// console: the image read in graphics coordinates and the message history.
#pragma once

#include <string>
#include <vector>

#include "draw.h"
#include "runtime_fixture.h"

class DrawTest : public RuntimeTest {
  protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        KV319_show_text(0);
        KV319_logging(0);
        KV319_clear();
    }

  public:
    // The image pixel of graphics point (x, y).
    static COLORREF at(int x, int y) {
        return GetPixel(rt.image_dc, rt.origin_x + x, rt.origin_y - y);
    }
    static std::vector<COLORREF> image() {
        std::vector<COLORREF> pixels;
        pixels.reserve(IMAGE_WIDTH * IMAGE_HEIGHT);
        for (int py = 0; py < IMAGE_HEIGHT; ++py)
            for (int px = 0; px < IMAGE_WIDTH; ++px)
                pixels.push_back(GetPixel(rt.image_dc, px, py));
        return pixels;
    }
    // Image pixels (not graphics points) of this colour inside [x0,x1) x [y0,y1).
    static int count_pixels(COLORREF colour, int x0 = 0, int y0 = 0, int x1 = IMAGE_WIDTH,
                            int y1 = IMAGE_HEIGHT) {
        int n = 0;
        for (int py = y0; py < y1; ++py)
            for (int px = x0; px < x1; ++px)
                n += GetPixel(rt.image_dc, px, py) == colour;
        return n;
    }

    // Handles every message waiting in the queue, as a pump would.
    static void pump() {
        MSG msg;
        for (int i = 0; i < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    // The stored lines, oldest first.
    static std::vector<std::string> history() {
        std::vector<std::string> lines;
        int slot = rt.history_oldest;
        if (slot == -1) return lines;
        do {
            const char* text = static_cast<const char*>(GlobalLock(rt.history_lines[slot]));
            lines.push_back(text ? text : "<no block>");
            GlobalUnlock(rt.history_lines[slot]);
            slot = (slot + 1) % HISTORY_SIZE;
        } while (slot != rt.history_next);
        return lines;
    }
    // The lines stored since `before` lines were there (history not yet full).
    static std::vector<std::string> since(size_t before) {
        std::vector<std::string> all = history();
        return std::vector<std::string>(all.begin() + static_cast<ptrdiff_t>(before), all.end());
    }
};

inline const COLORREF BLACK = RGB(0, 0, 0);
inline const COLORREF WHITE = RGB(255, 255, 255);
inline const COLORREF RED = RGB(255, 0, 0);
inline const COLORREF BLUE = RGB(0, 0, 255);
