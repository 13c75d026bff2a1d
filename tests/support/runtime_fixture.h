// runtime_fixture.h: the real runtime on the headless driver, for tests.
//
// Each test starts a fresh window-system layer on a headless screen, resets
// the runtime's record and opens the runtime, as a program would. Input is
// given as the driver's events (surface pixels of the native window), and
// the idle hook lets a test act when the program blocks.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "headless_start.h"
#include "kv319.h"
#include "state.h"
#include "wm.h"

class RuntimeTest : public ::testing::Test {
  protected:
    ws::HeadlessDriver* driver = nullptr;

    void start(int screen_width = 1024, int screen_height = 768, bool open = true) {
        driver = &ws::headless_start(screen_width, screen_height);
        reset_runtime_state();
        if (open) KV319_open(nullptr, nullptr, const_cast<LPSTR>(""), SW_SHOW);
    }
    void SetUp() override { start(); }

    ws::Window& window(HWND h) { return *ws::wm_window(h); }
    int native(HWND h) { return window(h).native; }

    // A press and release of the left button at client pixel (px, py).
    void click_client(int px, int py, HWND h = nullptr) {
        if (!h) h = rt.graphics_window;
        ws::Rect client = ws::wm_client_in_surface(window(h));
        for (auto kind : {ws::InputEvent::Kind::PointerDown, ws::InputEvent::Kind::PointerUp}) {
            ws::InputEvent e;
            e.kind = kind;
            e.window = native(h);
            e.x = client.left + px;
            e.y = client.top + py;
            driver->push_input(e);
        }
    }
    void key_down(int vk, int ch = 0) { push_key(ws::InputEvent::Kind::KeyDown, vk, ch); }
    void key_up(int vk) { push_key(ws::InputEvent::Kind::KeyUp, vk, 0); }
    void press(int vk, int ch = 0) {
        key_down(vk, ch);
        key_up(vk);
    }
    void ctrl(int letter) {
        key_down(VK_CONTROL);
        press(letter, letter - 'A' + 1);
        key_up(VK_CONTROL);
    }
    void focus(HWND h) {
        ws::InputEvent e;
        e.kind = ws::InputEvent::Kind::FocusIn;
        e.window = native(h);
        driver->push_input(e);
    }
    // Acts when the program blocks: the hook gets the number of the idle
    // (1 for the first) and the deadline the program waits for.
    void on_idle(std::function<void(uint64_t idle, uint64_t deadline)> hook) {
        driver->set_idle_handler([this, hook](ws::HeadlessDriver& d, uint64_t deadline) {
            hook(d.idle_count(), deadline);
        });
    }

    struct Event {
        int kind, x, y;
        char key;
    };
    Event await() {
        Event e{};
        e.kind = KV319_await_event(&e.x, &e.y, &e.key);
        return e;
    }

  private:
    void push_key(ws::InputEvent::Kind kind, int vk, int ch) {
        ws::InputEvent e;
        e.kind = kind;
        e.window = -1;
        e.vk = vk;
        e.ch = ch;
        driver->push_input(e);
    }
};
