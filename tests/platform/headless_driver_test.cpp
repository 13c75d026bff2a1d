// Tests of the headless driver: its virtual clock and idle handling, its
// record of native windows and their pixels, and its start under the layer.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "canvas.h"
#include "headless_start.h"
#include "winsys.h"

using ws::HeadlessDriver;
using ws::InputEvent;

namespace {

InputEvent key_down(int vk) {
    InputEvent e;
    e.kind = InputEvent::Kind::KeyDown;
    e.vk = vk;
    return e;
}

ws::NativeWindowInfo window_at(int x, int y, int w, int h) {
    ws::NativeWindowInfo s;
    s.x = x;
    s.y = y;
    s.width = w;
    s.height = h;
    return s;
}

// Presents a whole window in one colour.
void fill(HeadlessDriver& d, int id, int w, int h, uint32_t colour) {
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h, colour);
    d.present(id, pixels.data(), w, h, w, {0, 0, w, h});
}

} // namespace

TEST(HeadlessClock, IdleWithoutHelpJumpsToTheDeadline) {
    HeadlessDriver d(640, 480);
    uint64_t seen_deadline = 0;
    int calls = 0;
    d.set_idle_handler([&](HeadlessDriver&, uint64_t deadline) {
        ++calls;
        seen_deadline = deadline;
    });
    d.wait_input(250);
    EXPECT_EQ(d.now_ms(), 250u);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen_deadline, 250u);
    EXPECT_EQ(d.idle_count(), 1u);

    // Without any handler the clock jumps just the same.
    HeadlessDriver bare(640, 480);
    bare.wait_input(100);
    EXPECT_EQ(bare.now_ms(), 100u);
}

TEST(HeadlessClock, QueuedInputOrAPassedDeadlineMeansNoWait) {
    HeadlessDriver d(640, 480);
    int calls = 0;
    d.set_idle_handler([&](HeadlessDriver&, uint64_t) { ++calls; });
    d.push_input(key_down('A'));
    d.wait_input(1000);
    EXPECT_EQ(d.now_ms(), 0u);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(d.idle_count(), 0u);

    InputEvent e;
    ASSERT_TRUE(d.next_input(e));
    EXPECT_EQ(e.vk, 'A');
    EXPECT_FALSE(d.next_input(e));

    d.advance_to(500);
    d.wait_input(400); // already due
    EXPECT_EQ(d.now_ms(), 500u);
    EXPECT_EQ(calls, 0);
}

TEST(HeadlessClock, WhatTheIdleHandlerDoesStands) {
    HeadlessDriver d(640, 480);
    // Input from the handler: the clock stays.
    d.set_idle_handler([](HeadlessDriver& drv, uint64_t) { drv.push_input(key_down('B')); });
    d.wait_input(300);
    EXPECT_EQ(d.now_ms(), 0u);
    InputEvent e;
    ASSERT_TRUE(d.next_input(e));
    EXPECT_EQ(e.vk, 'B');

    // The handler moves the clock part of the way: no jump beyond it.
    d.set_idle_handler([](HeadlessDriver& drv, uint64_t) { drv.advance_to(drv.now_ms() + 40); });
    d.wait_input(300);
    EXPECT_EQ(d.now_ms(), 40u);
    d.wait_input(300);
    EXPECT_EQ(d.now_ms(), 80u);

    // A handler with input and no deadline at all is fine too.
    d.set_idle_handler([](HeadlessDriver& drv, uint64_t) { drv.push_input(key_down('C')); });
    d.wait_input(UINT64_MAX);
    EXPECT_TRUE(d.next_input(e));
    EXPECT_EQ(d.idle_count(), 4u);
}

TEST(HeadlessClock, NeverRunsBackwards) {
    HeadlessDriver d(640, 480);
    d.advance_to(700);
    d.advance_to(300);
    EXPECT_EQ(d.now_ms(), 700u);
}

TEST(HeadlessClockDeathTest, AWaitThatNothingCanEndStopsTheProcess) {
    EXPECT_EXIT(
        {
            HeadlessDriver d(640, 480);
            d.set_idle_handler([](HeadlessDriver&, uint64_t) {});
            d.wait_input(UINT64_MAX);
        },
        testing::ExitedWithCode(2), "waits for input");
}

TEST(HeadlessWindows, PresentCopiesOnlyTheDirtyPartWithinBounds) {
    HeadlessDriver d(640, 480);
    int id = d.create_window(window_at(0, 0, 8, 6));
    fill(d, id, 8, 6, 0x111111);

    // A source with a wider stride; the dirty area reaches past the window.
    const int stride = 12;
    std::vector<uint32_t> src(static_cast<size_t>(stride) * 6, 0xABCDEF);
    d.present(id, src.data(), 8, 6, stride, {5, 4, 40, 40});
    const auto* w = d.window(id);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->pixels[4 * 8 + 5], 0xABCDEFu);
    EXPECT_EQ(w->pixels[5 * 8 + 7], 0xABCDEFu);
    EXPECT_EQ(w->pixels[3 * 8 + 5], 0x111111u);
    EXPECT_EQ(w->pixels[4 * 8 + 4], 0x111111u);

    // Nonsense is ignored rather than trusted.
    d.present(id, src.data(), 8, 6, 4, {0, 0, 8, 6}); // stride shorter than a row
    d.present(id, nullptr, 8, 6, 8, {0, 0, 8, 6});
    d.present(99, src.data(), 8, 6, 8, {0, 0, 8, 6});
    d.present(id, src.data(), 8, 6, 8, {-5, -5, 0, 0});
    EXPECT_EQ(d.window(id)->pixels[0], 0x111111u);
}

TEST(HeadlessWindows, ScreenStacksShownWindowsAndClipsThem) {
    HeadlessDriver d(20, 10);
    int back = d.create_window(window_at(-3, -2, 10, 6)); // partly off screen
    int front = d.create_window(window_at(5, 3, 30, 30)); // runs past the edge
    int hidden = d.create_window(window_at(0, 0, 20, 10));
    fill(d, back, 10, 6, 0x0000FF);
    fill(d, front, 30, 30, 0x00FF00);
    fill(d, hidden, 20, 10, 0xFF0000);
    d.show_window(back, true);
    d.show_window(front, true);

    std::vector<uint32_t> screen = d.compose_screen();
    ASSERT_EQ(screen.size(), 200u);
    auto at = [&](int x, int y) { return screen[static_cast<size_t>(y) * 20 + x]; };
    EXPECT_EQ(at(0, 0), 0x0000FFu);
    EXPECT_EQ(at(6, 3), 0x00FF00u); // front covers back where both are
    EXPECT_EQ(at(19, 9), 0x00FF00u);
    EXPECT_EQ(at(7, 0), HeadlessDriver::SCREEN_BACKGROUND);

    // Showing a window again brings it to the top.
    d.show_window(back, false);
    d.show_window(back, true);
    EXPECT_EQ(d.compose_screen()[3 * 20 + 6], 0x0000FFu);
    EXPECT_EQ(d.window_at(6, 3), back);
    EXPECT_EQ(d.window_at(7, 3), front); // back covers x -3..6 only
    EXPECT_EQ(d.window_at(4, 9), -1);
}

TEST(HeadlessWindows, FocusMovesAndRaises) {
    HeadlessDriver d(100, 100);
    int a = d.create_window(window_at(0, 0, 50, 50));
    int b = d.create_window(window_at(0, 0, 50, 50));
    d.show_window(a, true);
    d.show_window(b, true);
    EXPECT_EQ(d.focused_window(), -1);
    EXPECT_EQ(d.window_at(10, 10), b);

    d.focus_window(a);
    EXPECT_EQ(d.focused_window(), a);
    EXPECT_EQ(d.window_at(10, 10), a);
    InputEvent e;
    EXPECT_FALSE(d.next_input(e)); // the layer asked; nothing is echoed back

    InputEvent in;
    in.kind = InputEvent::Kind::FocusIn;
    in.window = b;
    d.push_input(in); // the user gives b the focus
    EXPECT_EQ(d.focused_window(), b);
    EXPECT_EQ(d.window_at(10, 10), b);

    d.destroy_window(b);
    EXPECT_EQ(d.focused_window(), -1);
    EXPECT_EQ(d.window_at(10, 10), a);
    EXPECT_FALSE(d.window(b)->alive);
    d.focus_window(b); // gone: ignored
    EXPECT_EQ(d.focused_window(), -1);
}

TEST(HeadlessWindows, ResizeKeepsWhatOverlaps) {
    HeadlessDriver d(100, 100);
    int id = d.create_window(window_at(0, 0, 4, 3));
    std::vector<uint32_t> src(12);
    for (int i = 0; i < 12; ++i)
        src[static_cast<size_t>(i)] = static_cast<uint32_t>(i + 1);
    d.present(id, src.data(), 4, 3, 4, {0, 0, 4, 3});
    d.move_window(id, 7, 8, 2, 5);
    const auto* w = d.window(id);
    EXPECT_EQ(w->info.x, 7);
    EXPECT_EQ(w->info.width, 2);
    ASSERT_EQ(w->pixels.size(), 10u);
    EXPECT_EQ(w->pixels, (std::vector<uint32_t>{1, 2, 5, 6, 9, 10, 0, 0, 0, 0}));
}

namespace {
int timer_calls = 0;
void CALLBACK count_timer(HWND, UINT, UINT_PTR, DWORD) {
    ++timer_calls;
}
} // namespace

TEST(HeadlessStart, TheLayerRunsOnTheNewDriver) {
    HeadlessDriver& d = ws::headless_start(800, 600);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);

    // A program that waits for its timer gets it after 100 ms of virtual
    // time, in one idle.
    ASSERT_NE(SetTimer(nullptr, 0, 100, count_timer), 0u);
    WaitMessage();
    EXPECT_EQ(d.now_ms(), 100u);
    EXPECT_EQ(d.idle_count(), 1u);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    DispatchMessageA(&msg);
    EXPECT_EQ(timer_calls, 1);

    // A second start replaces the driver and the layer's state.
    HeadlessDriver& again = ws::headless_start(1024, 768);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(again.now_ms(), 0u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}
