// The layer's menus: building them, the bar in the non-client area, and
// operating them with the mouse and the keyboard on the headless screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "controls_internal.h"
#include "headless_start.h"
#include "menus_internal.h"
#include "metrics.h"
#include "png_io.h"
#include "winsys.h"
#include "wm.h"

namespace {

using ws::InputEvent;

std::vector<WPARAM> commands;
std::vector<std::string> sizes;
int key_downs = 0;
int presses = 0;
HMENU created_bar = nullptr;
HMENU run_menu = nullptr;
HMENU view_menu = nullptr;

// Builds a bar like the runtime's: "&Run" with commands, separators, a
// checked line and grayed lines, and a second title "&View".
void build_menus(HWND hwnd) {
    HMENU bar = CreateMenu();
    run_menu = CreatePopupMenu();
    AppendMenuA(run_menu, MF_STRING, 1, "&Animate\tCtrl+A");
    AppendMenuA(run_menu, MF_STRING, 2, "&Halt animation\tCtrl+H");
    AppendMenuA(run_menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(run_menu, MF_STRING | MF_CHECKED, 4, "&Logging\tCtrl+L");
    AppendMenuA(run_menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(run_menu, MF_STRING, 8, "&Quit\tCtrl+Q");
    AppendMenuA(run_menu, MF_STRING | MF_GRAYED, 9, "MAIL: someone@example.org");
    view_menu = CreatePopupMenu();
    AppendMenuA(view_menu, MF_STRING, 21, "&Zoom");
    AppendMenuA(view_menu, MF_STRING, 22, "Salt && &Pepper");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(run_menu), "&Run");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view_menu), "&View");
    SetMenu(hwnd, bar);
    DrawMenuBar(hwnd);
    created_bar = bar;
}

LRESULT CALLBACK test_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
    case WM_CREATE:
        build_menus(hwnd);
        return 0;
    case WM_SIZE:
        sizes.push_back(std::to_string(LOWORD(lparam)) + "x" + std::to_string(HIWORD(lparam)));
        return 0;
    case WM_COMMAND:
        commands.push_back(wparam);
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        ++key_downs;
        return 0;
    case WM_LBUTTONDOWN:
        ++presses;
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
}

class Menus : public ::testing::Test {
  protected:
    ws::HeadlessDriver* driver = nullptr;
    HWND hwnd = nullptr;

    void SetUp() override {
        driver = &ws::headless_start(1024, 768);
        commands.clear();
        sizes.clear();
        key_downs = presses = 0;
        WNDCLASSA wc{};
        wc.lpfnWndProc = test_proc;
        wc.hbrBackground = CreateSolidBrush(RGB(255, 255, 255));
        wc.lpszClassName = "MenuTestWindow";
        ASSERT_NE(RegisterClassA(&wc), 0);
        hwnd = CreateWindowExA(0, "MenuTestWindow", "Menus", WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                               100, 50, 400, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd, nullptr);
        pump();
    }

    ws::Window& win() { return *ws::wm_window(hwnd); }

    void pump() {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }

    void pointer(InputEvent::Kind kind, int native, int x, int y) {
        InputEvent e;
        e.kind = kind;
        e.window = native;
        e.x = x;
        e.y = y;
        driver->push_input(e);
    }
    void click(int native, int x, int y) {
        pointer(InputEvent::Kind::PointerDown, native, x, y);
        pointer(InputEvent::Kind::PointerUp, native, x, y);
        pump();
    }
    void click_title(int title) {
        ws::Rect r = ws::menu_title_rect(hwnd, title);
        ASSERT_FALSE(r.empty());
        click(win().native, r.left + r.width() / 2, r.top + r.height() / 2);
    }
    int popup_native() {
        ws::Window* p = ws::wm_window(ws::menu_track_view().popup);
        return p ? p->native : -1;
    }
    void click_item(int item) {
        ws::Rect r = ws::menu_popup_item_rect(item);
        ASSERT_FALSE(r.empty());
        click(popup_native(), r.left + 10, r.top + r.height() / 2);
    }
    void key(int vk, int ch = 0) {
        InputEvent e;
        e.kind = InputEvent::Kind::KeyDown;
        e.vk = vk;
        e.ch = ch;
        driver->push_input(e);
        e.kind = InputEvent::Kind::KeyUp;
        e.ch = 0;
        driver->push_input(e);
        pump();
    }
    void alt_with(int vk, int ch) {
        InputEvent e;
        e.kind = InputEvent::Kind::KeyDown;
        e.vk = VK_MENU;
        driver->push_input(e);
        key(vk, ch);
        e.kind = InputEvent::Kind::KeyUp;
        driver->push_input(e);
        pump();
    }
};

TEST_F(Menus, ItemsKeepTheirTextsOrderIdsAndFlags) {
    ASSERT_EQ(ws::menu_item_count(run_menu), 7);
    ws::MenuItemView v;
    ASSERT_TRUE(ws::menu_item_view(run_menu, 0, v));
    EXPECT_EQ(v.text, "&Animate\tCtrl+A");
    EXPECT_EQ(v.id, 1u);
    EXPECT_EQ(v.flags, 0u);
    ASSERT_TRUE(ws::menu_item_view(run_menu, 2, v));
    EXPECT_EQ(v.flags, static_cast<UINT>(MF_SEPARATOR));
    ASSERT_TRUE(ws::menu_item_view(run_menu, 3, v));
    EXPECT_EQ(v.flags, static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(v.id, 4u);
    ASSERT_TRUE(ws::menu_item_view(run_menu, 6, v));
    EXPECT_EQ(v.flags, static_cast<UINT>(MF_GRAYED));
    EXPECT_FALSE(ws::menu_item_view(run_menu, 7, v));
    ASSERT_TRUE(ws::menu_item_view(created_bar, 1, v));
    EXPECT_EQ(v.flags, static_cast<UINT>(MF_POPUP));
    EXPECT_EQ(v.popup, view_menu);
    EXPECT_EQ(v.text, "&View");

    // Refused: a dead menu, a pull-down that is not a menu, a cycle.
    EXPECT_FALSE(AppendMenuA(reinterpret_cast<HMENU>(uintptr_t{0x1234}), MF_STRING, 1, "x"));
    EXPECT_FALSE(AppendMenuA(run_menu, MF_POPUP, 0x5678, "x"));
    EXPECT_FALSE(AppendMenuA(run_menu, MF_POPUP, reinterpret_cast<UINT_PTR>(created_bar), "x"));
    EXPECT_FALSE(AppendMenuA(run_menu, MF_POPUP, reinterpret_cast<UINT_PTR>(run_menu), "x"));
    EXPECT_EQ(ws::menu_item_count(run_menu), 7);
}

TEST_F(Menus, CheckMenuItemReportsThePreviousStateAndSearchesPullDowns) {
    // Through the bar, by command, into the pull-down.
    EXPECT_EQ(CheckMenuItem(created_bar, 4, MF_BYCOMMAND | MF_UNCHECKED),
              static_cast<DWORD>(MF_CHECKED));
    EXPECT_EQ(CheckMenuItem(run_menu, 4, MF_BYCOMMAND | MF_UNCHECKED),
              static_cast<DWORD>(MF_UNCHECKED));
    EXPECT_EQ(CheckMenuItem(run_menu, 22, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(-1));
    EXPECT_EQ(CheckMenuItem(created_bar, 22, MF_BYCOMMAND | MF_CHECKED),
              static_cast<DWORD>(MF_UNCHECKED));
    EXPECT_EQ(CheckMenuItem(run_menu, 77, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(-1));
    // A separator has no command to find.
    EXPECT_EQ(CheckMenuItem(run_menu, 0, MF_BYCOMMAND | MF_CHECKED), static_cast<DWORD>(-1));
    EXPECT_EQ(CheckMenuItem(run_menu, 0, MF_BYPOSITION | MF_CHECKED),
              static_cast<DWORD>(MF_UNCHECKED));
    ws::MenuItemView v;
    ws::menu_item_view(run_menu, 0, v);
    EXPECT_EQ(v.flags, static_cast<UINT>(MF_CHECKED));
}

TEST_F(Menus, SetMenuShrinksTheClientAndTheBarIsDrawn) {
    // Made during WM_CREATE: the client lost the bar's rows. The size is told
    // by creation's WM_SIZE after it and by the first show, not by SetMenu.
    RECT rc;
    GetClientRect(hwnd, &rc);
    int h = 300 - ws::metrics::CAPTION_HEIGHT - ws::metrics::MENU_BAR_HEIGHT;
    EXPECT_EQ(rc.bottom, h);
    std::string with_bar = "400x" + std::to_string(h);
    EXPECT_EQ(sizes, (std::vector<std::string>{with_bar, with_bar}));

    // The bar's rows hold the title text: more than one colour in them.
    ws::Rect title = ws::menu_title_rect(hwnd, 0);
    ASSERT_FALSE(title.empty());
    EXPECT_EQ(title.top, ws::metrics::CAPTION_HEIGHT);
    int dark = 0;
    for (int y = title.top; y < title.bottom; ++y)
        for (int x = title.left; x < title.right; ++x)
            if ((win().surface[static_cast<size_t>(y) * 400 + x] & 0xFF) < 0x60) ++dark;
    EXPECT_GT(dark, 10);

    // Taking the bar away gives the rows back.
    sizes.clear();
    ASSERT_TRUE(SetMenu(hwnd, nullptr));
    GetClientRect(hwnd, &rc);
    EXPECT_EQ(rc.bottom, 300 - ws::metrics::CAPTION_HEIGHT);
    EXPECT_EQ(sizes, (std::vector<std::string>{"400x" + std::to_string(rc.bottom)}));
    EXPECT_FALSE(DrawMenuBar(hwnd));
    EXPECT_FALSE(SetMenu(hwnd, reinterpret_cast<HMENU>(uintptr_t{0x777})));
}

TEST_F(Menus, ClickingATitleOpensItsPullDownAndAnItemPostsItsCommand) {
    click_title(0);
    ws::MenuTrackView t = ws::menu_track_view();
    ASSERT_NE(t.popup, nullptr);
    EXPECT_EQ(t.open_title, 0);
    ws::Window* p = ws::wm_window(t.popup);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(p->visible);
    // Below the title, on the screen; the keyboard stays with the owner.
    ws::Rect title = ws::menu_title_rect(hwnd, 0);
    EXPECT_EQ(p->rect.left, 100 + title.left);
    EXPECT_EQ(p->rect.top, 50 + ws::metrics::CAPTION_HEIGHT + ws::metrics::MENU_BAR_HEIGHT);
    EXPECT_EQ(ws::wm_active(), hwnd);
    ws::wm_present_all();
    EXPECT_EQ(driver->window_at(p->rect.left + 5, p->rect.top + 5), p->native);

    // Timers go on while it is open.
    SetTimer(hwnd, 2, 100, nullptr);
    driver->advance_to(driver->now_ms() + 150);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));

    click_item(1);
    EXPECT_EQ(ws::menu_track_view().popup, nullptr);
    EXPECT_EQ(ws::wm_window(t.popup), nullptr);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0], 2u);
    EXPECT_EQ(presses, 0); // the menu's presses never reach the client
}

TEST_F(Menus, GrayedLinesAndSeparatorsCannotBeChosen) {
    click_title(0);
    click_item(6); // grayed
    click_item(2); // separator
    EXPECT_TRUE(commands.empty());
    EXPECT_NE(ws::menu_track_view().popup, nullptr);

    // A second press on the open title closes it; so does a press outside.
    click_title(0);
    EXPECT_EQ(ws::menu_track_view().owner, nullptr);
    click_title(1);
    ASSERT_NE(ws::menu_track_view().popup, nullptr);
    ws::Rect client = ws::wm_client_in_surface(win());
    click(win().native, client.left + 200, client.top + 200);
    EXPECT_EQ(ws::menu_track_view().owner, nullptr);
    EXPECT_EQ(presses, 0);
    click(win().native, client.left + 200, client.top + 200);
    EXPECT_EQ(presses, 1); // with the menu closed, presses reach the client again
    EXPECT_TRUE(commands.empty());
}

TEST_F(Menus, PullDownLinesShowMarksGrayShortcutsAndMnemonics) {
    AppendMenuA(view_menu, MF_STRING, 23, "Zoom"); // "&Zoom" without its mnemonic
    click_title(0);
    ws::Window* p = ws::wm_window(ws::menu_track_view().popup);
    ASSERT_NE(p, nullptr);
    ws::wm_present_all();
    const int width = p->rect.width();
    auto pixel = [&](int x, int y) { return p->surface[static_cast<size_t>(y) * width + x]; };
    auto dark = [](uint32_t c) {
        return ((c >> 16) & 0xFF) < 0x60 && ((c >> 8) & 0xFF) < 0x60 && (c & 0xFF) < 0x60;
    };
    const ws::Rect top_line = ws::menu_popup_item_rect(0);
    auto ink = [&](uint32_t c) { return c != pixel(top_line.left + 1, top_line.top + 1); };
    // Dark pixels of line `position` within columns [x0, x1).
    auto count_dark = [&](int position, int x0, int x1) {
        ws::Rect r = ws::menu_popup_item_rect(position);
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = std::max(x0, r.left); x < std::min(x1, r.right); ++x)
                n += dark(pixel(x, y));
        return n;
    };
    auto rightmost_ink = [&](int position) {
        ws::Rect r = ws::menu_popup_item_rect(position);
        int right = -1;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right - 2; ++x)
                if (ink(pixel(x, y))) right = std::max(right, x);
        return right;
    };
    const int check_column = ws::menu_popup_item_rect(0).left + ws::metrics::MENU_CHECK_COLUMN;

    // Only the checked line has a mark in the check column.
    EXPECT_GT(count_dark(3, 0, check_column), 5);
    EXPECT_EQ(count_dark(0, 0, check_column), 0);
    // A grayed line is drawn, but in no dark ink.
    EXPECT_GT(rightmost_ink(6), check_column);
    EXPECT_EQ(count_dark(6, 0, width), 0);
    EXPECT_GT(count_dark(0, check_column, width), 20);
    // Shortcuts end at one right-aligned edge, whatever their widths.
    const int right = ws::menu_popup_item_rect(0).right - ws::metrics::MENU_RIGHT_PADDING;
    for (int position : {0, 1, 3, 5}) {
        EXPECT_LE(rightmost_ink(position), right) << position;
        EXPECT_GE(rightmost_ink(position), right - 2) << position;
    }

    // "&Zoom" and "Zoom" differ only by the underline below the Z.
    click_title(0);
    click_title(1);
    p = ws::wm_window(ws::menu_track_view().popup);
    ASSERT_NE(p, nullptr);
    ws::wm_present_all();
    ws::Rect with = ws::menu_popup_item_rect(0), without = ws::menu_popup_item_rect(2);
    std::vector<int> rows;
    int first = -1, last = -1;
    for (int dy = 0; dy < with.height(); ++dy)
        for (int x = with.left; x < with.right; ++x) {
            uint32_t a = p->surface[static_cast<size_t>(with.top + dy) * p->rect.width() + x];
            uint32_t b = p->surface[static_cast<size_t>(without.top + dy) * p->rect.width() + x];
            if (a == b) continue;
            if (rows.empty() || rows.back() != dy) rows.push_back(dy);
            if (first < 0 || x < first) first = x;
            last = std::max(last, x);
        }
    ASSERT_FALSE(rows.empty());
    EXPECT_LE(rows.size(), 2u);                 // a line one or two pixels thick
    EXPECT_GT(rows.front(), with.height() / 2); // below the middle of the text
    EXPECT_GE(last - first, 4);                 // as wide as a letter
    EXPECT_LT(last - first, 20);
}

TEST_F(Menus, PressDragAndReleaseChoosesAndHoverMovesTheHighlight) {
    ws::Rect title = ws::menu_title_rect(hwnd, 0);
    pointer(InputEvent::Kind::PointerDown, win().native, title.left + 3, title.top + 3);
    pump();
    // Sliding along the bar switches pull-downs while one is open.
    ws::Rect view = ws::menu_title_rect(hwnd, 1);
    pointer(InputEvent::Kind::PointerMove, win().native, view.left + 3, view.top + 3);
    pump();
    EXPECT_EQ(ws::menu_track_view().open_title, 1);
    pointer(InputEvent::Kind::PointerMove, win().native, title.left + 3, title.top + 3);
    pump();
    ASSERT_EQ(ws::menu_track_view().open_title, 0);
    ws::Rect item = ws::menu_popup_item_rect(3);
    pointer(InputEvent::Kind::PointerMove, popup_native(), item.left + 5, item.top + 5);
    pump();
    EXPECT_EQ(ws::menu_track_view().hot_item, 3);
    pointer(InputEvent::Kind::PointerUp, popup_native(), item.left + 5, item.top + 5);
    pump();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0], 4u);
}

TEST_F(Menus, AltThenArrowsAndEnterChooseWithoutReachingTheWindow) {
    key(VK_MENU);
    ws::MenuTrackView t = ws::menu_track_view();
    EXPECT_EQ(t.owner, hwnd);
    EXPECT_EQ(t.hot_title, 0);
    EXPECT_EQ(t.popup, nullptr);
    int before = key_downs;
    key(VK_DOWN);
    t = ws::menu_track_view();
    ASSERT_NE(t.popup, nullptr);
    EXPECT_EQ(t.hot_item, 0);
    key(VK_DOWN);
    key(VK_DOWN); // over the separator
    EXPECT_EQ(ws::menu_track_view().hot_item, 3);
    key(VK_UP);
    key(VK_UP);
    key(VK_UP); // wraps to the grayed last line
    EXPECT_EQ(ws::menu_track_view().hot_item, 6);
    key(VK_RETURN); // grayed: nothing
    EXPECT_TRUE(commands.empty());
    key(VK_UP);
    key(VK_RETURN, 13);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0], 8u);
    EXPECT_EQ(key_downs, before); // every key went to the menu
    EXPECT_EQ(ws::menu_track_view().owner, nullptr);
    key('A', 'a'); // menu mode is over: keys reach the window again
    EXPECT_EQ(key_downs, before + 1);
}

TEST_F(Menus, F10EscapeLeftRightAndMnemonics) {
    key(VK_F10);
    EXPECT_EQ(ws::menu_track_view().owner, hwnd);
    key(VK_RIGHT);
    EXPECT_EQ(ws::menu_track_view().hot_title, 1);
    key(VK_RETURN, 13);
    EXPECT_EQ(ws::menu_track_view().open_title, 1);
    key(VK_LEFT); // with a pull-down open, the neighbour's opens
    EXPECT_EQ(ws::menu_track_view().open_title, 0);
    key(VK_ESCAPE, 27); // one level: the pull-down closes, the bar stays
    EXPECT_EQ(ws::menu_track_view().popup, nullptr);
    EXPECT_EQ(ws::menu_track_view().owner, hwnd);
    key(VK_ESCAPE, 27);
    EXPECT_EQ(ws::menu_track_view().owner, nullptr);
    EXPECT_TRUE(commands.empty());

    // A letter opens the title with that mnemonic, then chooses a line;
    // "&&" is a literal ampersand, so Salt's mnemonic is P.
    key(VK_F10);
    key('V', 'v');
    EXPECT_EQ(ws::menu_track_view().open_title, 1);
    key('P', 'p');
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0], 22u);

    // Alt+letter opens the title straight away.
    alt_with('R', 'r');
    EXPECT_EQ(ws::menu_track_view().open_title, 0);
    key('L', 'l');
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[1], 4u);
}

TEST_F(Menus, ADisabledWindowsMenuDoesNotRespond) {
    ws::wm_enable(win(), false);
    click_title(0);
    EXPECT_EQ(ws::menu_track_view().owner, nullptr);
    EXPECT_EQ(ws::menu_track_view().popup, nullptr);
    ws::wm_enable(win(), true);
    ws::wm_activate(hwnd);
    click_title(0);
    ASSERT_NE(ws::menu_track_view().popup, nullptr);
    // Disabled while open: the next event gives it up.
    ws::wm_enable(win(), false);
    pointer(InputEvent::Kind::PointerMove, win().native, 200, 200);
    pump();
    EXPECT_EQ(ws::menu_track_view().owner, nullptr);
    EXPECT_EQ(ws::menu_track_view().popup, nullptr);
}

TEST_F(Menus, DestroyingTheWindowClosesThePullDownAndFreesItsMenus) {
    click_title(0);
    HWND popup = ws::menu_track_view().popup;
    ASSERT_NE(popup, nullptr);
    DestroyWindow(hwnd);
    EXPECT_EQ(ws::wm_window(popup), nullptr);
    EXPECT_EQ(ws::menu_track_view().owner, nullptr);
    EXPECT_FALSE(ws::menu_is_live(created_bar));
    EXPECT_FALSE(ws::menu_is_live(run_menu));
    EXPECT_FALSE(ws::menu_is_live(view_menu));
}

// Writes a picture of the open pull-down for a person to look at:
// run with --gtest_also_run_disabled_tests.
TEST_F(Menus, DISABLED_Screenshot) {
    click_title(0);
    key(VK_DOWN);
    key(VK_DOWN);
    ws::wm_present_all();
    std::vector<uint32_t> screen = driver->compose_screen();
    ASSERT_TRUE(ws::write_png("menu_screen.png", screen.data(), 1024, 768, 1024));
}

} // namespace
