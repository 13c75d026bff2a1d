// headless_driver.cpp: the headless display driver.
//
// Native windows are records with a copy of the pixels last presented; the
// screen is composed from them on request. Input comes only from
// push_input (the scripted user or a test). The clock is virtual: it moves
// only while the program waits, so a run is the same on every machine and
// takes no wall time for its timers. The driver never sleeps and never
// polls: a wait that nothing can ever end stops the process.
#include "headless_driver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "canvas.h"

namespace ws {

HeadlessDriver::HeadlessDriver(int screen_width, int screen_height)
    : width_(std::max(screen_width, 1)), height_(std::max(screen_height, 1)) {}

static size_t pixel_count(int width, int height) {
    return static_cast<size_t>(std::max(width, 0)) * static_cast<size_t>(std::max(height, 0));
}

int HeadlessDriver::create_window(const NativeWindowInfo& info) {
    NativeWindow w;
    w.info = info;
    w.info.width = std::max(info.width, 0);
    w.info.height = std::max(info.height, 0);
    w.pixels.assign(pixel_count(w.info.width, w.info.height), 0);
    w.z = next_z_++;
    windows_.push_back(std::move(w));
    return static_cast<int>(windows_.size()) - 1;
}

// A live window by id, or nullptr: ids the layer never had, or whose window
// is gone, are ignored by every operation.
static HeadlessDriver::NativeWindow* live(std::vector<HeadlessDriver::NativeWindow>& windows,
                                          int id) {
    if (id < 0 || id >= static_cast<int>(windows.size())) return nullptr;
    HeadlessDriver::NativeWindow& w = windows[static_cast<size_t>(id)];
    return w.alive ? &w : nullptr;
}

void HeadlessDriver::show_window(int id, bool shown) {
    NativeWindow* w = live(windows_, id);
    if (!w) return;
    // A window that appears comes up on top, as on a desktop.
    if (shown && !w->shown) w->z = next_z_++;
    w->shown = shown;
}

void HeadlessDriver::move_window(int id, int x, int y, int width, int height) {
    NativeWindow* w = live(windows_, id);
    if (!w) return;
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width != w->info.width || height != w->info.height) {
        // Keep what overlaps; the layer presents the rest after the resize.
        std::vector<uint32_t> pixels(pixel_count(width, height), 0);
        int keep_w = std::min(width, w->info.width), keep_h = std::min(height, w->info.height);
        for (int row = 0; row < keep_h; ++row)
            std::copy_n(w->pixels.begin() + static_cast<ptrdiff_t>(row) * w->info.width, keep_w,
                        pixels.begin() + static_cast<ptrdiff_t>(row) * width);
        w->pixels = std::move(pixels);
    }
    w->info.x = x;
    w->info.y = y;
    w->info.width = width;
    w->info.height = height;
}

void HeadlessDriver::destroy_window(int id) {
    NativeWindow* w = live(windows_, id);
    if (!w) return;
    w->alive = false;
    w->shown = false;
    w->pixels = {};
    if (focused_ == id) focused_ = -1;
}

void HeadlessDriver::focus_window(int id) {
    NativeWindow* w = live(windows_, id);
    if (!w) return;
    // The layer asked for it, so the layer knows: no FocusIn is sent back.
    focused_ = id;
    w->z = next_z_++;
}

void HeadlessDriver::present(int id, const uint32_t* pixels, int width, int height, int stride,
                             const Rect& dirty) {
    NativeWindow* w = live(windows_, id);
    if (!w || !pixels || width <= 0 || height <= 0 || stride < width) return;
    Rect area =
        dirty.intersect({0, 0, std::min(width, w->info.width), std::min(height, w->info.height)});
    if (area.empty()) return;
    for (int row = area.top; row < area.bottom; ++row) {
        const uint32_t* src = pixels + static_cast<ptrdiff_t>(row) * stride + area.left;
        std::copy_n(src, area.width(),
                    w->pixels.begin() + static_cast<ptrdiff_t>(row) * w->info.width + area.left);
    }
}

bool HeadlessDriver::next_input(InputEvent& event) {
    if (input_.empty()) return false;
    event = input_.front();
    input_.pop_front();
    return true;
}

void HeadlessDriver::push_input(const InputEvent& event) {
    if (event.kind == InputEvent::Kind::FocusIn && live(windows_, event.window)) {
        focused_ = event.window;
        windows_[static_cast<size_t>(event.window)].z = next_z_++;
    }
    input_.push_back(event);
}

void HeadlessDriver::advance_to(uint64_t clock_ms) {
    clock_ms_ = std::max(clock_ms_, clock_ms);
}

void HeadlessDriver::wait_input(uint64_t deadline_ms) {
    // Input waiting, or the deadline already passed: nothing to wait for.
    if (!input_.empty() || deadline_ms <= clock_ms_) return;

    ++idle_count_;
    uint64_t clock_before = clock_ms_;
    if (idle_) idle_(*this, deadline_ms);
    if (!input_.empty() || clock_ms_ != clock_before) return;

    if (deadline_ms != UINT64_MAX) {
        clock_ms_ = deadline_ms;
        return;
    }
    // No timer will ever fire and nobody will ever type: waiting would hang.
    std::fprintf(stderr,
                 "headless driver: the program waits for input, but no timer runs and no more "
                 "input will come; stopping\n");
    std::fflush(nullptr);
    std::_Exit(2);
}

const HeadlessDriver::NativeWindow* HeadlessDriver::window(int id) const {
    if (id < 0 || id >= static_cast<int>(windows_.size())) return nullptr;
    return &windows_[static_cast<size_t>(id)];
}

int HeadlessDriver::window_at(int sx, int sy) const {
    int best = -1;
    uint64_t best_z = 0;
    for (size_t i = 0; i < windows_.size(); ++i) {
        const NativeWindow& w = windows_[i];
        if (!w.alive || !w.shown) continue;
        int64_t dx = int64_t{sx} - w.info.x, dy = int64_t{sy} - w.info.y;
        if (dx < 0 || dy < 0 || dx >= w.info.width || dy >= w.info.height) continue;
        if (best < 0 || w.z > best_z) {
            best = static_cast<int>(i);
            best_z = w.z;
        }
    }
    return best;
}

std::vector<uint32_t> HeadlessDriver::compose_screen() const {
    std::vector<uint32_t> screen(pixel_count(width_, height_), SCREEN_BACKGROUND);
    std::vector<const NativeWindow*> order;
    for (const NativeWindow& w : windows_)
        if (w.alive && w.shown) order.push_back(&w);
    std::sort(order.begin(), order.end(),
              [](const NativeWindow* a, const NativeWindow* b) { return a->z < b->z; });
    for (const NativeWindow* w : order) {
        // Clip the window's rectangle to the screen in 64 bits: a window may
        // sit far off screen.
        int64_t left = std::max<int64_t>(w->info.x, 0), top = std::max<int64_t>(w->info.y, 0);
        int64_t right = std::min<int64_t>(int64_t{w->info.x} + w->info.width, width_);
        int64_t bottom = std::min<int64_t>(int64_t{w->info.y} + w->info.height, height_);
        if (right <= left || bottom <= top) continue;
        for (int64_t y = top; y < bottom; ++y) {
            const uint32_t* src =
                w->pixels.data() + (y - w->info.y) * w->info.width + (left - w->info.x);
            std::copy_n(src, right - left, screen.data() + y * width_ + left);
        }
    }
    return screen;
}

} // namespace ws
