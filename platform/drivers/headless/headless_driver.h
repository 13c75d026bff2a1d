// headless_driver.h: an in-memory screen, a virtual clock and scripted input.
//
// The clock advances only while the program waits: when the layer blocks
// with no input, the idle handler (the scripted user of the runner, or a
// test) may give input or move the clock; if it does neither, the clock
// jumps to the deadline. Presented pixels are kept per native window, so the
// screen can be read back exactly as the program last showed it.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "driver.h"

namespace ws {

class HeadlessDriver : public Driver {
  public:
    struct NativeWindow {
        NativeWindowInfo info;
        bool shown = false;
        bool alive = true;
        std::vector<uint32_t> pixels; // info.width x info.height, as last presented
        uint64_t z = 0;               // stacking: higher is on top
    };
    // Called when the program blocks with no input pending. `deadline_ms` is
    // the clock value the program waits for (UINT64_MAX: none).
    using IdleHandler = std::function<void(HeadlessDriver&, uint64_t deadline_ms)>;

    HeadlessDriver(int screen_width, int screen_height);

    int screen_width() override { return width_; }
    int screen_height() override { return height_; }
    int create_window(const NativeWindowInfo& info) override;
    void show_window(int id, bool shown) override;
    void move_window(int id, int x, int y, int width, int height) override;
    void destroy_window(int id) override;
    void focus_window(int id) override;
    void present(int id, const uint32_t* pixels, int width, int height, int stride,
                 const Rect& dirty) override;
    bool next_input(InputEvent& event) override;
    void wait_input(uint64_t deadline_ms) override;
    uint64_t now_ms() override { return clock_ms_; }

    // For the scripted user and tests.
    void push_input(const InputEvent& event);
    void advance_to(uint64_t clock_ms); // never moves the clock back
    void set_idle_handler(IdleHandler handler) { idle_ = std::move(handler); }
    uint64_t idle_count() const { return idle_count_; } // how often the program blocked

    const NativeWindow* window(int id) const;
    int window_count() const { return static_cast<int>(windows_.size()); }
    // The window with the keyboard focus, as the layer last asked for it
    // (focus_window) or the user last gave it (a FocusIn pushed); -1 for none.
    int focused_window() const { return focused_; }
    // The topmost shown window whose outer rectangle holds screen pixel
    // (sx, sy), or -1 for the bare screen.
    int window_at(int sx, int sy) const;
    // The whole screen: every shown window in stacking order over a
    // background, width x height pixels.
    std::vector<uint32_t> compose_screen() const;
    static constexpr uint32_t SCREEN_BACKGROUND = 0x00404040; // where no window is

  private:
    int width_, height_;
    uint64_t clock_ms_ = 0;
    uint64_t next_z_ = 1;
    uint64_t idle_count_ = 0;
    int focused_ = -1;
    std::vector<NativeWindow> windows_;
    std::deque<InputEvent> input_;
    IdleHandler idle_;
};

} // namespace ws
