// web_driver.cpp: the browser's display driver, over the page's script
// (web_page.js, the `KV319Web` object) through Emscripten's EM_JS calls.
//
// Pixels: the layer's 0x00RRGGBB words become the canvas's RGBA bytes here,
// for the changed rectangle only, which the page hands to putImageData.
// Waiting: wait_input is an asynchronous call (ASYNCIFY): the program's
// stack is put aside and the browser runs until an input event or the
// deadline's timer wakes it, so an idle program runs no code at all and a
// hidden tab costs nothing beyond the browser's own throttled timers.
#include "web_driver.h"

#include <emscripten.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "canvas.h"

namespace ws {

// The page numbers input kinds in the order of InputEvent::Kind.
static_assert(static_cast<int>(InputEvent::Kind::PointerDown) == 0);
static_assert(static_cast<int>(InputEvent::Kind::KeyDown) == 3);
static_assert(static_cast<int>(InputEvent::Kind::Close) == 5);
static_assert(static_cast<int>(InputEvent::Kind::FocusIn) == 7);
static_assert(static_cast<int>(InputEvent::Kind::Moved) == 10);

namespace {

EM_JS(int, page_screen_width, (), { return KV319Web.screenWidth(); });
EM_JS(int, page_screen_height, (), { return KV319Web.screenHeight(); });

EM_JS(void, page_create_window,
      (int id, const char* title, int x, int y, int width, int height, int caption, int resizable,
       int popup, int owner),
      {
          KV319Web.createWindow(id, UTF8ToString(title), x, y, width, height, caption, !!resizable,
                                !!popup, owner);
      });
EM_JS(void, page_show_window, (int id, int shown), { KV319Web.showWindow(id, !!shown); });
EM_JS(void, page_move_window, (int id, int x, int y, int width, int height),
      { KV319Web.moveWindow(id, x, y, width, height); });
EM_JS(void, page_destroy_window, (int id), { KV319Web.destroyWindow(id); });
EM_JS(void, page_focus_window, (int id), { KV319Web.focusWindow(id); });
EM_JS(void, page_present, (int id, const uint8_t* rgba, int x, int y, int width, int height), {
    KV319Web.present(id, HEAPU8.subarray(rgba, rgba + width * height * 4), x, y, width, height);
});

// Writes kind, window, x, y, button, vk, ch, width, height into `out`.
EM_JS(int, page_next_input, (int* out), {
    var e = KV319Web.nextInput();
    if (!e) return 0;
    var fields = [
        e.kind, e.window, e.x | 0, e.y | 0, e.button || 1, e.vk | 0, e.ch | 0, e.width | 0,
        e.height | 0
    ];
    for (var i = 0; i < fields.length; i++)
        HEAP32[(out >> 2) + i] = fields[i];
    return 1;
});

// Resolves when input is queued or `timeout_ms` (negative: none) has passed.
EM_ASYNC_JS(void, page_wait_input, (double timeout_ms), { await KV319Web.waitInput(timeout_ms); });

EM_JS(void, page_program_ended, (int status), { KV319Web.programEnded(status); });

} // namespace

int WebDriver::screen_width() {
    return page_screen_width();
}

int WebDriver::screen_height() {
    return page_screen_height();
}

int WebDriver::create_window(const NativeWindowInfo& info) {
    int id = next_id_++;
    page_create_window(id, info.title.c_str(), info.x, info.y, info.width, info.height,
                       info.caption_height, info.resizable ? 1 : 0, info.popup ? 1 : 0, info.owner);
    return id;
}

void WebDriver::show_window(int id, bool shown) {
    page_show_window(id, shown ? 1 : 0);
}

void WebDriver::move_window(int id, int x, int y, int width, int height) {
    page_move_window(id, x, y, width, height);
}

void WebDriver::destroy_window(int id) {
    page_destroy_window(id);
}

void WebDriver::focus_window(int id) {
    page_focus_window(id);
}

void WebDriver::present(int id, const uint32_t* pixels, int width, int height, int stride,
                        const Rect& dirty) {
    Rect area = dirty.intersect({0, 0, width, height});
    if (area.empty()) return;
    rgba_.resize(static_cast<size_t>(area.width()) * area.height() * 4);
    uint8_t* out = rgba_.data();
    for (int y = area.top; y < area.bottom; ++y) {
        const uint32_t* row = pixels + static_cast<ptrdiff_t>(y) * stride;
        for (int x = area.left; x < area.right; ++x) {
            uint32_t p = row[x];
            *out++ = static_cast<uint8_t>(p >> 16);
            *out++ = static_cast<uint8_t>(p >> 8);
            *out++ = static_cast<uint8_t>(p);
            *out++ = 0xFF;
        }
    }
    page_present(id, rgba_.data(), area.left, area.top, area.width(), area.height());
}

bool WebDriver::next_input(InputEvent& event) {
    int f[9];
    if (!page_next_input(f)) return false;
    event = InputEvent{};
    event.kind = static_cast<InputEvent::Kind>(f[0]);
    event.window = f[1];
    event.x = f[2];
    event.y = f[3];
    event.button = f[4];
    event.vk = f[5];
    event.ch = f[6];
    event.width = f[7];
    event.height = f[8];
    return true;
}

void WebDriver::wait_input(uint64_t deadline_ms) {
    if (deadline_ms == UINT64_MAX) {
        page_wait_input(-1);
        return;
    }
    uint64_t now = now_ms();
    page_wait_input(deadline_ms > now ? static_cast<double>(deadline_ms - now) : 0);
}

uint64_t WebDriver::now_ms() {
    return static_cast<uint64_t>(std::floor(emscripten_get_now()));
}

void web_program_ended(int status) {
    page_program_ended(status);
}

} // namespace ws
