// The layer's message order, window creation and painting messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "headless_start.h"
#include "winsys.h"
#include "wm.h"

namespace {

std::vector<std::string> seen;

LRESULT CALLBACK recording_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
    case WM_CREATE:
        seen.push_back("create");
        return 0;
    case WM_SIZE:
        seen.push_back("size " + std::to_string(LOWORD(lparam)) + "x" +
                       std::to_string(HIWORD(lparam)));
        return 0;
    case WM_PAINT: {
        seen.push_back("paint");
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        seen.push_back("erase");
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    case WM_TIMER:
        seen.push_back("timer " + std::to_string(wparam));
        return 0;
    case WM_USER:
        seen.push_back("user " + std::to_string(wparam));
        return 0;
    case WM_LBUTTONDOWN:
        seen.push_back("down " + std::to_string(LOWORD(lparam)) + "," +
                       std::to_string(HIWORD(lparam)));
        return 0;
    case WM_KEYDOWN:
        seen.push_back("keydown " + std::to_string(wparam));
        return 0;
    case WM_CHAR:
        seen.push_back("char " + std::to_string(wparam));
        return 0;
    case WM_DESTROY:
        seen.push_back("destroy");
        PostQuitMessage(3);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
}

class Queue : public ::testing::Test {
  protected:
    ws::HeadlessDriver* driver = nullptr;
    HWND hwnd = nullptr;

    void SetUp() override {
        driver = &ws::headless_start(800, 600);
        seen.clear();
        WNDCLASSA wc{};
        wc.lpfnWndProc = recording_proc;
        wc.hbrBackground = CreateSolidBrush(RGB(255, 255, 255));
        wc.lpszClassName = "QueueTest";
        ASSERT_NE(RegisterClassA(&wc), 0);
        hwnd = CreateWindowExA(0, "QueueTest", "t", WS_CAPTION | WS_SYSMENU, 0, 0, 200, 150,
                               nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd, nullptr);
    }

    // Takes and dispatches every message there is; returns WM_QUIT's code or -1.
    int drain() {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) return static_cast<int>(m.wParam);
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        return -1;
    }
};

TEST_F(Queue, CreationSendsCreateThenSizeAndTheFirstShowSizeAgain) {
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], "create");
    EXPECT_EQ(seen[1], "size 200x130"); // the caption takes 20 rows
    ShowWindow(hwnd, SW_SHOW);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2], "size 200x130");
    // Only the first show tells the size.
    ShowWindow(hwnd, SW_HIDE);
    ShowWindow(hwnd, SW_SHOW);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "size 200x130"), 2);
    EXPECT_EQ(RegisterClassA(nullptr), 0);
}

TEST_F(Queue, PostedFirstThenQuitThenPaintThenTimer) {
    ShowWindow(hwnd, SW_SHOW);
    SetTimer(hwnd, 7, 100, nullptr);
    driver->advance_to(100);
    PostMessageA(hwnd, WM_USER, 1, 0);
    PostQuitMessage(5);
    PostMessageA(hwnd, WM_USER, 2, 0);
    seen.clear();
    EXPECT_EQ(drain(), 5);
    EXPECT_EQ(seen, (std::vector<std::string>{"user 1", "user 2"}));
    seen.clear();
    EXPECT_EQ(drain(), -1);
    EXPECT_EQ(seen, (std::vector<std::string>{"paint", "erase", "timer 7"}));
}

TEST_F(Queue, TimerIsNeverQueuedTwiceAndWaitSleepsUntilItIsDue) {
    SetTimer(hwnd, 2, 100, nullptr);
    drain();
    seen.clear();
    driver->advance_to(1000); // ten periods late: still one message
    drain();
    EXPECT_EQ(seen, (std::vector<std::string>{"timer 2"}));
    uint64_t idles = driver->idle_count();
    WaitMessage();
    EXPECT_EQ(driver->now_ms(), 1100u);
    EXPECT_EQ(driver->idle_count(), idles + 1);
    EXPECT_TRUE(KillTimer(hwnd, 2));
    EXPECT_FALSE(KillTimer(hwnd, 2));
}

TEST_F(Queue, AWaitWithoutTheTimerInItsMaskSleepsPastTheTimer) {
    SetTimer(hwnd, 2, 100, nullptr);
    drain();
    const DWORD no_timer = QS_ALLINPUT & ~QS_TIMER;
    // The timer's deadline is not the wait's: only the wait's own timeout is.
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 250, no_timer), (DWORD)WAIT_TIMEOUT);
    EXPECT_EQ(driver->now_ms(), 250u);
    // With the timer in the mask, its deadline ends the wait.
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT),
              (DWORD)WAIT_OBJECT_0);
    EXPECT_EQ(driver->now_ms(), 250u); // it was due already
    // A posted message ends it at once; the late timer follows it, once.
    seen.clear();
    PostMessageA(hwnd, WM_USER, 5, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, no_timer),
              (DWORD)WAIT_OBJECT_0);
    drain();
    EXPECT_EQ(seen, (std::vector<std::string>{"user 5", "timer 2"}));
    // No kernel objects here to wait on.
    HANDLE h = nullptr;
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &h, FALSE, 0, QS_ALLINPUT), WAIT_FAILED);
}

TEST_F(Queue, InputInArrivalOrderAndCharactersFollowTheirKey) {
    ShowWindow(hwnd, SW_SHOW);
    drain();
    seen.clear();
    ws::Rect client = ws::wm_client_in_surface(*ws::wm_window(hwnd));
    ws::InputEvent down;
    down.kind = ws::InputEvent::Kind::PointerDown;
    down.window = ws::wm_window(hwnd)->native;
    down.x = client.left + 3;
    down.y = client.top + 4;
    driver->push_input(down);
    for (int ch : {'x', 'y'}) {
        ws::InputEvent k;
        k.kind = ws::InputEvent::Kind::KeyDown;
        k.vk = ch - 'a' + 'A';
        k.ch = ch;
        driver->push_input(k);
    }
    drain();
    EXPECT_EQ(seen, (std::vector<std::string>{"down 3,4", "keydown 88", "char 120", "keydown 89",
                                              "char 121"}));
}

TEST_F(Queue, CloseBoxDestroysThroughDefaultHandling) {
    ShowWindow(hwnd, SW_SHOW);
    ws::InputEvent c;
    c.kind = ws::InputEvent::Kind::Close;
    c.window = ws::wm_window(hwnd)->native;
    driver->push_input(c);
    EXPECT_EQ(drain(), 3);
    EXPECT_EQ(ws::wm_window(hwnd), nullptr);
    EXPECT_EQ(seen.back(), "destroy");
    // A stale handle is refused everywhere.
    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOW));
    EXPECT_FALSE(PostMessageA(hwnd, WM_USER, 0, 0));
    EXPECT_EQ(GetDC(hwnd), nullptr);
}

TEST_F(Queue, MessagesQueuedForADestroyedWindowAreDropped) {
    ShowWindow(hwnd, SW_SHOW);
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    PostMessageA(hwnd, WM_USER, 9, 0); // still queued when the window goes
    EXPECT_EQ(drain(), 3);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "user 9"), 0);
    EXPECT_EQ(seen.back(), "destroy");
}

TEST_F(Queue, PaintErasesWithTheClassBrushAndValidates) {
    ShowWindow(hwnd, SW_SHOW);
    HDC dc = GetDC(hwnd);
    SetPixel(dc, 10, 10, RGB(1, 2, 3));
    ReleaseDC(hwnd, dc);
    RECT r{5, 5, 20, 20};
    drain();
    InvalidateRect(hwnd, &r, TRUE);
    seen.clear();
    drain();
    EXPECT_EQ(seen, (std::vector<std::string>{"paint", "erase"}));
    ws::Window& w = *ws::wm_window(hwnd);
    ws::Rect client = ws::wm_client_in_surface(w);
    EXPECT_EQ(w.surface[(client.top + 10) * w.rect.width() + client.left + 10], 0xFFFFFFu);
    seen.clear();
    drain();
    EXPECT_TRUE(seen.empty());
}

TEST_F(Queue, AWindowTheDesktopMovedIsWhereItSaysAtTheSameSize) {
    // Pull-downs and dialogs are placed from the window's rectangle.
    ShowWindow(hwnd, SW_SHOW);
    drain();
    ws::InputEvent m;
    m.kind = ws::InputEvent::Kind::Moved;
    m.window = ws::wm_window(hwnd)->native;
    m.x = 300;
    m.y = -20;
    driver->push_input(m);
    m.window = 999; // no such window: nothing happens
    driver->push_input(m);
    drain();
    EXPECT_EQ(ws::wm_window(hwnd)->rect, (ws::Rect{300, -20, 500, 130}));
}

TEST_F(Queue, AWindowTheDesktopFramesKeepsItsRectangleAndLaysItsClientAreaOutInside) {
    ShowWindow(hwnd, SW_SHOW);
    drain();
    seen.clear();
    ws::InputEvent f;
    f.kind = ws::InputEvent::Kind::Framed;
    f.window = ws::wm_window(hwnd)->native;
    f.frame = {2, 10, 3, 4};
    driver->push_input(f);
    drain();
    ws::Window& w = *ws::wm_window(hwnd);
    EXPECT_EQ(w.rect, (ws::Rect{0, 0, 200, 150}));
    EXPECT_EQ(ws::wm_client_rect(w), (ws::Rect{2, 10, 197, 146}));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), "size 195x136");
    EXPECT_NE(std::find(seen.begin(), seen.end(), "paint"), seen.end());
    // The desktop draws the caption now: where the layer's close box was,
    // a press is the client area's.
    seen.clear();
    ws::InputEvent p;
    p.kind = ws::InputEvent::Kind::PointerDown;
    p.window = w.native;
    p.x = 190;
    p.y = 12;
    driver->push_input(p);
    drain();
    EXPECT_EQ(seen, (std::vector<std::string>{"down 188,2"}));
    EXPECT_NE(ws::wm_window(hwnd), nullptr);
}

} // namespace
