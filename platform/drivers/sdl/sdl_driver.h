// sdl_driver.h: the real-window display driver (SDL2 on X11 or Wayland).
#pragma once

#include <memory>
#include <string>

#include "driver.h"

namespace ws {

class SdlDriver : public Driver {
  public:
    SdlDriver();
    ~SdlDriver() override;

    // Opens the display; `program` names the program in fatal messages.
    // False, with a one-line reason, when there is no X11 or Wayland display.
    bool start(const std::string& program, std::string& error);

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
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace ws
