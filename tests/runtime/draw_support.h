// draw_support.h: helpers for the tests of the runtime's drawing, text,
// console and scripts: the image in graphics coordinates, the history.
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
    // Image pixels of this colour inside [x0, x1) x [y0, y1), in image pixels.
    static int count(COLORREF c, int x0 = 0, int y0 = 0, int x1 = IMAGE_WIDTH,
                     int y1 = IMAGE_HEIGHT) {
        int n = 0;
        for (int py = y0; py < y1; ++py)
            for (int px = x0; px < x1; ++px)
                n += GetPixel(rt.image_dc, px, py) == c;
        return n;
    }
    static std::vector<COLORREF> image() {
        std::vector<COLORREF> p;
        for (int py = 0; py < IMAGE_HEIGHT; ++py)
            for (int px = 0; px < IMAGE_WIDTH; ++px)
                p.push_back(GetPixel(rt.image_dc, px, py));
        return p;
    }
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
        for (int slot = rt.history_oldest, n = 0; slot != -1 && (n == 0 || slot != rt.history_next);
             slot = (slot + 1) % HISTORY_SIZE, ++n) {
            lines.push_back(static_cast<const char*>(GlobalLock(rt.history_lines[slot])));
            GlobalUnlock(rt.history_lines[slot]);
        }
        return lines;
    }
    using Lines = std::vector<std::string>;
};

inline const COLORREF BLACK = RGB(0, 0, 0), WHITE = RGB(255, 255, 255), RED = RGB(255, 0, 0),
                      BLUE = RGB(0, 0, 255);
