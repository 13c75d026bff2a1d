// web_driver.h: the display driver of the browser (WebAssembly).
//
// Each top-level window is a canvas in the page's desktop area, placed at its
// outer position; the layer's own caption, menus and frames are part of the
// pixels, so a canvas shows the whole surface. Input comes from the page's
// DOM events (web_page.js), queued on the JavaScript side in the order they
// arrive. The wait hands control back to the browser until input arrives or
// the deadline passes, and the program's stack waits, unwound, meanwhile.
#pragma once

#include <cstdint>
#include <vector>

#include "driver.h"

namespace ws {

class WebDriver : public Driver {
  public:
    // The screen is the page's desktop area, as large as it is now. When
    // the browser window changes size the page keeps the windows on it
    // (web_page.js) and tells the layer as a desktop would, with Moved and
    // Resize messages.
    int screen_width() override;
    int screen_height() override;
    int create_window(const NativeWindowInfo& info) override;
    void show_window(int id, bool shown) override;
    void move_window(int id, int x, int y, int width, int height) override;
    void destroy_window(int id) override;
    void focus_window(int id) override;
    void present(int id, const uint32_t* pixels, int width, int height, int stride,
                 const Rect& dirty) override;
    bool next_input(InputEvent& event) override;
    void wait_input(uint64_t deadline_ms) override;
    uint64_t now_ms() override;

  private:
    int next_id_ = 0;
    std::vector<uint8_t> rgba_; // the changed area of a present, as the canvas takes it
};

// Tells the page that the program has ended with this status.
void web_program_ended(int status);

} // namespace ws
