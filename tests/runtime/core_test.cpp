// Start-up, the switches and the event wait, on the headless driver.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "menus_internal.h"
#include "runtime_fixture.h"

namespace {

using Core = RuntimeTest;

void SendCommand(int command) {
    graphics_window_proc(rt.graphics_window, WM_COMMAND, command, 0);
}

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
    for (Placement p :
         {Placement{1024, 768, 0, 513, 1024, 256}, Placement{800, 600, 0, 401, 800, 200},
          Placement{1280, 1024, 0, 683, 1280, 341}}) {
        ws::headless_start(p.screen_w, p.screen_h);
        reset_runtime_state();
        KV319_open(nullptr, nullptr, const_cast<LPSTR>(""), SW_SHOW);
        ws::Rect r = ws::wm_window(rt.text_window)->rect;
        EXPECT_EQ(r, (ws::Rect{p.x, p.y, p.x + p.w, p.y + p.h})) << p.screen_w << "x" << p.screen_h;
    }
}

TEST(CoreOpen, APreviousInstanceRegistersNoClasses) {
    char earlier;
    HINSTANCE previous = reinterpret_cast<HINSTANCE>(&earlier);
    // Nothing registered yet: with a previous instance there is nothing to
    // create the windows from, and the runtime stays unopened.
    ws::headless_start(1024, 768);
    reset_runtime_state();
    EXPECT_EQ(KV319_open(nullptr, previous, const_cast<LPSTR>(""), SW_SHOW), 1);
    EXPECT_EQ(rt.graphics_window, nullptr);
    EXPECT_EQ(KV319_animate(ANIMATE_RUN), 0);

    // The classes of an earlier open serve a later one.
    reset_runtime_state();
    KV319_open(nullptr, nullptr, const_cast<LPSTR>(""), SW_SHOW);
    reset_runtime_state();
    KV319_open(nullptr, previous, const_cast<LPSTR>(""), SW_SHOW);
    ASSERT_NE(rt.graphics_window, nullptr);
    ASSERT_NE(rt.text_window, nullptr);
    EXPECT_EQ(ws::menu_item_count(rt.run_menu), 15);
    EXPECT_EQ(KV319_animate(ANIMATE_RUN), 1);
    int x, y;
    char key;
    EXPECT_EQ(KV319_await_event(&x, &y, &key), EVENT_PERIODIC);
}

TEST_F(Core, OpenBuildsBothWindowsShownWithTheGraphicsWindowActive) {
    ws::Window& g = window(rt.graphics_window);
    EXPECT_EQ(g.title, "KV319 Graphics");
    EXPECT_EQ(g.rect, (ws::Rect{0, 0, 601, 540}));
    EXPECT_TRUE(g.visible);
    EXPECT_TRUE(window(rt.text_window).visible);
    EXPECT_EQ(ws::wm_active(), rt.graphics_window);
    // The origin is the client centre, set by the size message during creation.
    RECT c;
    GetClientRect(rt.graphics_window, &c);
    EXPECT_EQ(rt.origin_x, c.right / 2);
    EXPECT_EQ(rt.origin_y, c.bottom / 2);
    EXPECT_GE(c.bottom, 501); // room for the whole drawing area, -250..250
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
    EXPECT_TRUE(window(rt.text_window).visible); // turning it off does not hide
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
    EXPECT_GT(driver->now_ms(), before); // it waited for a timer message
    // Then halted again: fifty timer periods pass without an event.
    on_idle([this](uint64_t idle, uint64_t) {
        if (idle < 50)
            driver->advance_to(driver->now_ms() + 100);
        else
            press('K', 'k');
    });
    Event e = await();
    EXPECT_EQ(e.kind, EVENT_KEY);
    EXPECT_EQ(e.key, 'k');
}

TEST_F(Core, InputReplacesAPeriodicWait) {
    KV319_animate(ANIMATE_RUN);
    await(); // the first wait copies the image; start from a clean tick
    uint64_t before = driver->now_ms();
    bool clicked = false;
    on_idle([this, &clicked](uint64_t, uint64_t) {
        if (clicked) return;
        clicked = true;
        click_client(0, 0);
    });
    Event e = await();
    EXPECT_EQ(e.kind, EVENT_MOUSE);
    EXPECT_EQ(e.x, -rt.origin_x); // the client's top-left pixel
    EXPECT_EQ(e.y, rt.origin_y);
    EXPECT_EQ(e.key, 0);
    EXPECT_EQ(driver->now_ms(), before); // it did not wait for the tick
    // No periodic event is owed for the replaced one.
    EXPECT_EQ(await().kind, EVENT_PERIODIC);
    EXPECT_EQ(driver->now_ms(), before + 100);

    // A key does the same.
    bool pressed = false;
    on_idle([this, &pressed](uint64_t, uint64_t) {
        if (pressed) return;
        pressed = true;
        press('Z', 'z');
    });
    e = await();
    EXPECT_EQ(e.kind, EVENT_KEY);
    EXPECT_EQ(e.key, 'z');
    EXPECT_EQ(e.x, 0);
    EXPECT_EQ(driver->now_ms(), before + 100);
    EXPECT_EQ(await().kind, EVENT_PERIODIC);
    EXPECT_EQ(driver->now_ms(), before + 200);
}

TEST_F(Core, KeysAndControl) {
    press(VK_RETURN, 13);
    press(VK_BACK, 8);
    press(VK_ESCAPE, 27);
    press(VK_LEFT); // no character: no event
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
    EXPECT_EQ(rt.animating, 1); // Control+A
}

TEST_F(Core, ControlReleasedElsewhereStaysHeld) {
    // The release happened while another program had the keyboard: no
    // message of it reaches our windows, so control_down stays set.
    key_down(VK_CONTROL);
    press('c', 'c');
    on_idle([this](uint64_t idle, uint64_t) {
        if (idle < 5)
            driver->advance_to(driver->now_ms() + 100);
        else
            click_client(1, 1);
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
    SendCommand(CMD_PLAYBACK); // off again
    SendCommand(CMD_RECORD);
    EXPECT_EQ(rt.recording, 1);
    SendCommand(CMD_PLAYBACK);
    EXPECT_EQ(rt.playing_back, 0);
    SendCommand(CMD_PLAY_ONE);
    EXPECT_EQ(rt.play_one, 0);
    EXPECT_EQ(last_line(), "Cannot play back while recording a script\n");
}

TEST_F(Core, AQuitDuringPlaybackIsNotLost) {
    // Playback would hand every turn a scripted event; a quit (Quit, or the
    // window closed) taken in such a turn must still end the program.
    namespace fs = std::filesystem;
    fs::path home = fs::current_path();
    char name[] = "/tmp/kv319_core_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    fs::current_path(name);
    std::ofstream(SCRIPT_FILE_NAME) << "KV319_PERIODIC(1000);\n";

    for (bool close_box : {false, true}) {
        for (int one : {0, 1}) {
            start();
            SendCommand(one ? CMD_PLAY_ONE : CMD_PLAYBACK);
            EXPECT_EQ(await().kind, EVENT_PERIODIC);
            if (one) SendCommand(CMD_PLAY_ONE);
            if (close_box) {
                ws::InputEvent e;
                e.kind = ws::InputEvent::Kind::Close;
                e.window = native(rt.graphics_window);
                driver->push_input(e);
            } else {
                PostQuitMessage(0); // as the Quit command does
            }
            int kind = EVENT_NONE;
            for (int i = 0; i < 5 && kind != EVENT_QUIT; ++i)
                kind = await().kind;
            EXPECT_EQ(kind, EVENT_QUIT)
                << (close_box ? "close box" : "Quit") << (one ? ", one event" : "");
        }
    }
    close_script_file();
    fs::current_path(home);
    fs::remove_all(name);
}

// ---- The Run menu ----------------------------------------------------------

class RunMenu : public RuntimeTest {
  protected:
    void pump() {
        MSG msg;
        for (int i = 0; i < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    void pointer_click(int native_window, int x, int y) {
        for (auto kind : {ws::InputEvent::Kind::PointerDown, ws::InputEvent::Kind::PointerUp}) {
            ws::InputEvent e;
            e.kind = kind;
            e.window = native_window;
            e.x = x;
            e.y = y;
            driver->push_input(e);
        }
    }
    // Opens "Run" with the mouse; the pull-down appears once the layer has
    // taken the click.
    void open_run_menu() {
        ws::Rect title = ws::menu_title_rect(rt.graphics_window, 0);
        ASSERT_FALSE(title.empty());
        pointer_click(native(rt.graphics_window), title.left + title.width() / 2,
                      title.top + title.height() / 2);
    }
    // Clicks line `position` (0 for the top one) of the open pull-down.
    void click_line(int position) {
        ws::Rect line = ws::menu_popup_item_rect(position);
        ASSERT_FALSE(line.empty()) << position;
        pointer_click(window(ws::menu_track_view().popup).native, line.left + 10,
                      line.top + line.height() / 2);
    }
    void choose(int position) {
        open_run_menu();
        pump();
        click_line(position);
        pump();
    }
    bool checked(int position) {
        ws::MenuItemView v;
        return ws::menu_item_view(rt.run_menu, position, v) && (v.flags & MF_CHECKED);
    }

    struct Switches {
        int animating, one_frame, logging_on, recording, playing_back, play_one;
        bool logging_mark, record_mark, playback_mark, text_shown;
        bool operator==(const Switches&) const = default;
    };
    Switches switches() {
        return {rt.animating,    rt.one_frame,
                rt.logging_on,   rt.recording,
                rt.playing_back, rt.play_one,
                checked(4),      checked(6),
                checked(7),      window(rt.text_window).visible};
    }
};

TEST_F(RunMenu, TheBarHoldsRunWithItsFifteenLines) {
    HMENU bar = window(rt.graphics_window).menu;
    ASSERT_EQ(ws::menu_item_count(bar), 1);
    ws::MenuItemView v;
    ASSERT_TRUE(ws::menu_item_view(bar, 0, v));
    EXPECT_EQ(v.text, "&Run");
    EXPECT_EQ(v.popup, rt.run_menu);

    struct Line {
        const char* text; // nullptr: a separator
        UINT_PTR command;
        UINT flags;
    };
    const Line lines[] = {
        {"&Animate\tCtrl+A", 1, MF_STRING},
        {"&Halt animation\tCtrl+H", 2, MF_STRING},
        {"Advance one &frame\tCtrl+F", 3, MF_STRING},
        {nullptr, 0, MF_SEPARATOR},
        {"&Logging\tCtrl+L", 4, MF_STRING | MF_CHECKED},
        {nullptr, 0, MF_SEPARATOR},
        {"&Record Script\tCtrl+R", 5, MF_STRING},
        {"&Playback Script\tCtrl+P", 6, MF_STRING},
        {"Play &One Script\tCtrl+O", 7, MF_STRING},
        {nullptr, 0, MF_SEPARATOR},
        {"&Quit\tCtrl+Q", 8, MF_STRING},
        {nullptr, 0, MF_SEPARATOR},
        {"MAC: ", 9, MF_STRING | MF_GRAYED},
        {"WINDOWS: ", 9, MF_STRING | MF_GRAYED},
        {"UPDATES: ", 9, MF_STRING | MF_GRAYED},
    };
    ASSERT_EQ(ws::menu_item_count(rt.run_menu), 15);
    for (int i = 0; i < 15; ++i) {
        ASSERT_TRUE(ws::menu_item_view(rt.run_menu, i, v));
        const Line& want = lines[i];
        EXPECT_EQ(v.flags, want.flags) << "line " << i;
        EXPECT_EQ(v.id, want.command) << "line " << i;
        if (!want.text) continue;
        if (want.flags & MF_GRAYED) {
            // A contact address of ours, under the reserved domain.
            EXPECT_EQ(v.text.rfind(want.text, 0), 0u) << v.text;
            std::string address = v.text.substr(std::string(want.text).size());
            EXPECT_NE(address.find('@'), std::string::npos) << v.text;
            EXPECT_TRUE(address.ends_with(".invalid")) << v.text;
        } else {
            EXPECT_EQ(v.text, want.text);
        }
    }
}

TEST_F(RunMenu, EachShortcutDoesWhatItsLineDoes) {
    struct Case {
        char letter;
        int position;
        int start_animating, start_one_frame;
        Switches after;
    };
    // Logging starts on with its mark; the text window starts hidden.
    const Case cases[] = {
        {'A', 0, 0, 0, {1, 0, 1, 0, 0, 0, true, false, false, false}},
        {'H', 1, 1, 1, {0, 1, 1, 0, 0, 0, true, false, false, false}},
        {'F', 2, 1, 0, {0, 1, 1, 0, 0, 0, true, false, false, false}},
        {'L', 4, 1, 0, {1, 0, 0, 0, 0, 0, false, false, false, false}},
        {'R', 6, 1, 0, {1, 0, 1, 1, 0, 0, true, true, false, false}},
        {'P', 7, 1, 1, {0, 0, 1, 0, 1, 0, true, false, true, false}},
        {'O', 8, 1, 1, {0, 0, 1, 0, 0, 1, true, false, false, false}},
    };
    for (const Case& c : cases) {
        for (bool by_menu : {false, true}) {
            start();
            KV319_show_text(0);
            rt.animating = static_cast<unsigned char>(c.start_animating);
            rt.one_frame = static_cast<unsigned char>(c.start_one_frame);
            if (by_menu) {
                choose(c.position);
            } else {
                ctrl(c.letter);
                pump();
            }
            EXPECT_TRUE(switches() == c.after)
                << c.letter << (by_menu ? " from the menu" : " as a shortcut");
            EXPECT_EQ(rt.control_down, 0);
        }
        // The letter alone is only a character.
        start();
        KV319_show_text(0);
        rt.animating = static_cast<unsigned char>(c.start_animating);
        rt.one_frame = static_cast<unsigned char>(c.start_one_frame);
        Switches before = switches();
        press(c.letter, c.letter + ('a' - 'A'));
        pump();
        EXPECT_TRUE(switches() == before) << c.letter << " without Control";
    }

    for (bool by_menu : {false, true}) {
        start();
        if (by_menu) {
            open_run_menu();
            pump();
            click_line(10); // the wait takes the choice and then the quit
        } else {
            ctrl('Q');
        }
        on_idle([](uint64_t idle, uint64_t) {
            if (idle < 50) return;
            ADD_FAILURE() << "no quit";
            DestroyWindow(rt.graphics_window);
        });
        EXPECT_EQ(await().kind, EVENT_QUIT) << (by_menu ? "Quit from the menu" : "Control+Q");
        EXPECT_NE(ws::wm_window(rt.graphics_window), nullptr); // quitting closes no window
    }
}

TEST_F(RunMenu, AChoiceDuringTheWaitActsInALaterTurn) {
    // Halted, the wait has nothing to return until Animate is chosen; the
    // command then turns it into a periodic wait that ends at the next tick
    // (here one that came due while the program slept).
    on_idle([this](uint64_t idle, uint64_t) {
        if (idle == 1) driver->advance_to(driver->now_ms() + 500);
        if (idle == 2) open_run_menu();
        if (idle == 3) click_line(0);
    });
    uint64_t before = driver->now_ms();
    EXPECT_EQ(await().kind, EVENT_PERIODIC);
    EXPECT_EQ(rt.animating, 1);
    EXPECT_EQ(ws::menu_track_view().popup, nullptr);
    EXPECT_GT(driver->now_ms(), before);
}

TEST_F(RunMenu, HaltAfterOneFrameStillGivesTheFrame) {
    KV319_animate(ANIMATE_RUN);
    ctrl('F');
    ctrl('H');
    pump();
    EXPECT_EQ(rt.animating, 0);
    EXPECT_EQ(rt.one_frame, 1);
    EXPECT_EQ(await().kind, EVENT_PERIODIC);
    // Then halted: ticks pass and only the key ends the next wait.
    on_idle([this](uint64_t idle, uint64_t) {
        if (idle < 30)
            driver->advance_to(driver->now_ms() + 100);
        else
            press('K', 'k');
    });
    uint64_t before = driver->now_ms();
    Event e = await();
    EXPECT_EQ(e.kind, EVENT_KEY);
    EXPECT_GE(driver->now_ms() - before, 2800u);
}

TEST_F(RunMenu, LoggingChosenTwiceIsAsBefore) {
    KV319_show_text(0);
    Switches before = switches();
    choose(4);
    EXPECT_EQ(rt.logging_on, 0);
    EXPECT_FALSE(checked(4));
    choose(4);
    EXPECT_TRUE(switches() == before);
    EXPECT_FALSE(window(rt.text_window).visible);
}

} // namespace
