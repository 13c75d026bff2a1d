// Start-up, the switches and the event wait, on the headless driver.
#include <string>
#include <vector>

#include "runtime_fixture.h"

namespace {

using Core = RuntimeTest;

void SendCommand(int command) { graphics_window_proc(rt.graphics_window, WM_COMMAND, command, 0); }

TEST(CoreBeforeOpen, SwitchesReturnZeroAndChangeNothing) {
    ws::headless_start(1024, 768);
    reset_runtime_state();
    EXPECT_EQ(KV319_animate(ANIMATE_RUN), 0);
    EXPECT_EQ(KV319_logging(0), 0);
    EXPECT_EQ(rt.animating, 0);
    EXPECT_EQ(rt.logging_on, 1);
}

struct Placement {
    int screen_w, screen_h, x, y, w, h;
};

TEST(CoreOpen, TextWindowAcrossTheLowerThird) {
    for (Placement p : {Placement{1024, 768, 0, 513, 1024, 256}, Placement{800, 600, 0, 401, 800, 200},
                        Placement{1280, 1024, 0, 683, 1280, 341}}) {
        ws::headless_start(p.screen_w, p.screen_h);
        reset_runtime_state();
        KV319_open(nullptr, nullptr, const_cast<LPSTR>(""), SW_SHOW);
        ws::Rect r = ws::wm_window(rt.text_window)->rect;
        EXPECT_EQ(r, (ws::Rect{p.x, p.y, p.x + p.w, p.y + p.h})) << p.screen_w << "x" << p.screen_h;
    }
}

TEST_F(Core, OpenBuildsBothWindowsShownWithTheGraphicsWindowActive) {
    ws::Window& g = window(rt.graphics_window);
    EXPECT_EQ(g.title, "KV319 Graphics");
    EXPECT_EQ(g.rect, (ws::Rect{0, 0, 601, 540}));
    EXPECT_TRUE(g.visible);
    EXPECT_TRUE(window(rt.text_window).visible);
    EXPECT_EQ(ws::wm_active(), rt.graphics_window);
    // The origin is the client centre, set by the size notice during creation.
    RECT c;
    GetClientRect(rt.graphics_window, &c);
    EXPECT_EQ(rt.origin_x, c.right / 2);
    EXPECT_EQ(rt.origin_y, c.bottom / 2);
    EXPECT_GE(c.bottom, 501);  // room for the whole drawing area, -250..250
    EXPECT_EQ(c.right, 601);
}

TEST_F(Core, LoggingSwitchesShowsTextWindowOnlyWhenTurnedOn) {
    KV319_show_text(0);
    EXPECT_EQ(KV319_logging(0), 1);
    EXPECT_EQ(rt.logging_on, 0);
    EXPECT_FALSE(window(rt.text_window).visible);
    EXPECT_EQ(KV319_logging(7), 1);
    EXPECT_EQ(rt.logging_on, 1);
    EXPECT_TRUE(window(rt.text_window).visible);
    KV319_logging(0);
    EXPECT_TRUE(window(rt.text_window).visible);  // turning it off does not hide
}

TEST_F(Core, AnimateCodes) {
    KV319_animate(ANIMATE_RUN);
    EXPECT_EQ(KV319_animate(ANIMATE_ONE_FRAME), 1);
    EXPECT_EQ(rt.animating, 1);
    EXPECT_EQ(rt.one_frame, 1);
    for (int code : {3, 4, -1, 6}) {
        EXPECT_EQ(KV319_animate(code), 1);
        EXPECT_EQ(rt.animating, 1);
        EXPECT_EQ(rt.one_frame, 1);
        EXPECT_EQ(rt.forced_quit, 0);
    }
    KV319_animate(ANIMATE_HALT);
    EXPECT_EQ(rt.animating, 0);
    EXPECT_EQ(rt.one_frame, 0);
}

TEST_F(Core, PeriodicEventsComeOncePerTimerPeriod) {
    KV319_animate(ANIMATE_RUN);
    uint64_t start = driver->now_ms();
    for (int i = 1; i <= 10; ++i) {
        Event e = await();
        EXPECT_EQ(e.kind, EVENT_PERIODIC);
        EXPECT_EQ(e.x, 0);
        EXPECT_EQ(e.y, 0);
        EXPECT_EQ(e.key, 0);
        EXPECT_EQ(driver->now_ms() - start, 100u * i);
    }
}

TEST_F(Core, HaltedWaitReturnsOnlyForInput) {
    // Halted, the timer does not wake the program: it sleeps with no
    // deadline. Five minutes of virtual time pass; only a click ends the wait.
    std::vector<uint64_t> deadlines;
    on_idle([&](uint64_t idle, uint64_t deadline) {
        deadlines.push_back(deadline);
        if (idle == 1) driver->advance_to(driver->now_ms() + 300000);
        if (idle == 2) click_client(rt.origin_x + 10, rt.origin_y - 20);
    });
    Event e = await();
    EXPECT_EQ(e.kind, EVENT_MOUSE);
    EXPECT_EQ(e.x, 10);
    EXPECT_EQ(e.y, 20);
    EXPECT_GE(driver->now_ms(), 300000u);
    EXPECT_EQ(deadlines, (std::vector<uint64_t>{UINT64_MAX, UINT64_MAX}));
}

TEST_F(Core, OneFrameGivesExactlyOnePeriodicEvent) {
    KV319_animate(ANIMATE_ONE_FRAME);
    uint64_t before = driver->now_ms();
    EXPECT_EQ(await().kind, EVENT_PERIODIC);
    EXPECT_GT(driver->now_ms(), before);  // it waited for a timer notice
    // Then halted again: fifty timer periods pass without an event.
    on_idle([this](uint64_t idle, uint64_t) {
        if (idle < 50) driver->advance_to(driver->now_ms() + 100);
        else press('K', 'k');
    });
    Event e = await();
    EXPECT_EQ(e.kind, EVENT_KEY);
    EXPECT_EQ(e.key, 'k');
}

TEST_F(Core, InputReplacesAPeriodicWait) {
    KV319_animate(ANIMATE_RUN);
    await();  // the first wait copies the image; start from a clean tick
    uint64_t before = driver->now_ms();
    bool clicked = false;
    on_idle([this, &clicked](uint64_t, uint64_t) {
        if (clicked) return;
        clicked = true;
        click_client(0, 0);
    });
    Event e = await();
    EXPECT_EQ(e.kind, EVENT_MOUSE);
    EXPECT_EQ(e.x, -rt.origin_x);  // the client's top-left pixel
    EXPECT_EQ(e.y, rt.origin_y);
    EXPECT_EQ(e.key, 0);
    EXPECT_EQ(driver->now_ms(), before);  // it did not wait for the tick
    // No periodic event is owed for the replaced one.
    EXPECT_EQ(await().kind, EVENT_PERIODIC);
    EXPECT_EQ(driver->now_ms(), before + 100);
}

TEST_F(Core, KeysAndControl) {
    press(VK_RETURN, 13);
    press(VK_BACK, 8);
    press(VK_ESCAPE, 27);
    press(VK_LEFT);        // no character: no event
    press('A', 'A');
    for (int code : {13, 8, 27, int{'A'}}) {
        Event e = await();
        EXPECT_EQ(e.kind, EVENT_KEY);
        EXPECT_EQ(e.key, code);
        EXPECT_EQ(e.x, 0);
        EXPECT_EQ(e.y, 0);
    }
    // A character typed while Control is held is dropped; the shortcut acts.
    key_down(VK_CONTROL);
    press('A', 1);
    press('X', 24);
    key_up(VK_CONTROL);
    press('b', 'b');
    Event e = await();
    EXPECT_EQ(e.kind, EVENT_KEY);
    EXPECT_EQ(e.key, 'b');
    EXPECT_EQ(rt.animating, 1);  // Control+A
}

TEST_F(Core, ControlReleasedElsewhereStaysHeld) {
    // The release happened while another program had the keyboard: no
    // notice of it reaches our windows, so control_down stays set.
    key_down(VK_CONTROL);
    press('c', 'c');
    on_idle([this](uint64_t idle, uint64_t) {
        if (idle < 5) driver->advance_to(driver->now_ms() + 100);
        else click_client(1, 1);
    });
    EXPECT_EQ(await().kind, EVENT_MOUSE);
    EXPECT_EQ(rt.control_down, 1);
    // Pressing and releasing Control in our window clears it again.
    key_down(VK_CONTROL);
    key_up(VK_CONTROL);
    press('d', 'd');
    Event e = await();
    EXPECT_EQ(e.kind, EVENT_KEY);
    EXPECT_EQ(e.key, 'd');
}

TEST_F(Core, ForcedQuitEndsTheNextWaitWithQuit) {
    KV319_animate(ANIMATE_QUIT);
    click_client(5, 5);
    EXPECT_EQ(await().kind, EVENT_QUIT);
}

TEST_F(Core, FirstWaitCopiesTheImageEvenWithNothingDrawn) {
    ws::Window& g = window(rt.graphics_window);
    ws::Rect client = ws::wm_client_in_surface(g);
    // The image starts black, the window white.
    SetPixel(rt.image_dc, 7, 9, RGB(10, 20, 30));
    rt.image_dirty = 1;
    KV319_animate(ANIMATE_RUN);
    await();
    EXPECT_EQ(rt.image_dirty, 0);
    uint32_t p = g.surface[(client.top + 9) * g.rect.width() + client.left + 7];
    EXPECT_EQ(p, ws::pixel_from_colorref(RGB(10, 20, 30)));
}

TEST_F(Core, ClosingTheGraphicsWindowQuitsAndLaterWaitsDoNotHang) {
    ws::InputEvent e;
    e.kind = ws::InputEvent::Kind::Close;
    e.window = native(rt.graphics_window);
    driver->push_input(e);
    EXPECT_EQ(await().kind, EVENT_QUIT);
    EXPECT_EQ(await().kind, EVENT_QUIT);
}

TEST_F(Core, QuitCommandFromTheMenuPath) {
    PostMessageA(rt.graphics_window, WM_COMMAND, CMD_QUIT, 0);
    EXPECT_EQ(await().kind, EVENT_QUIT);
}

TEST_F(Core, RecordingAndPlaybackNeverRunTogether) {
    auto last_line = [] {
        int slot = (rt.history_next + HISTORY_SIZE - 1) % HISTORY_SIZE;
        const char* text = static_cast<const char*>(GlobalLock(rt.history_lines[slot]));
        std::string line = text ? text : "";
        GlobalUnlock(rt.history_lines[slot]);
        return line;
    };
    SendCommand(CMD_PLAYBACK);
    SendCommand(CMD_RECORD);
    EXPECT_EQ(rt.recording, 0);
    EXPECT_EQ(last_line(), "Cannot record while playing back a script\n");
    SendCommand(CMD_PLAYBACK);  // off again
    SendCommand(CMD_RECORD);
    EXPECT_EQ(rt.recording, 1);
    SendCommand(CMD_PLAYBACK);
    EXPECT_EQ(rt.playing_back, 0);
    SendCommand(CMD_PLAY_ONE);
    EXPECT_EQ(rt.play_one, 0);
    EXPECT_EQ(last_line(), "Cannot play back while recording a script\n");
}

}  // namespace
