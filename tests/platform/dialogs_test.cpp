// Modal dialogs from in-memory templates and their edit, button and static
// controls, driven as a user would through the headless driver while the
// dialog's own loop runs.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "controls_internal.h"
#include "headless_start.h"
#include "metrics.h"
#include "png_io.h"
#include "winsys.h"
#include "wm.h"

namespace {

using ws::InputEvent;

constexpr int ID_EDIT = 102, ID_OKAY = 101, ID_PROMPT = 103;

// Writes a template in the published layout, byte by byte.
struct TemplateBytes {
    std::vector<BYTE> b;
    void u16(unsigned v) {
        b.push_back(static_cast<BYTE>(v & 0xFF));
        b.push_back(static_cast<BYTE>((v >> 8) & 0xFF));
    }
    void u32(unsigned long v) {
        u16(static_cast<unsigned>(v & 0xFFFF));
        u16(static_cast<unsigned>(v >> 16));
    }
    void str(const char* s) {
        for (; *s; ++s)
            u16(static_cast<unsigned char>(*s));
        u16(0);
    }
    void align4() {
        while (b.size() % 4)
            b.push_back(0);
    }
    void item(unsigned long style, int x, int y, int cx, int cy, int id, unsigned atom,
              const char* text) {
        align4();
        u32(style);
        u32(0);
        u16(x);
        u16(y);
        u16(cx);
        u16(cy);
        u16(id);
        u16(0xFFFF);
        u16(atom);
        str(text);
        u16(0);
    }
    // Storage on a 4-byte boundary, as a caller keeps it.
    std::vector<DWORD> aligned() const {
        std::vector<DWORD> out((b.size() + 3) / 4 + 1, 0);
        std::memcpy(out.data(), b.data(), b.size());
        return out;
    }
};

// The line-input dialog's shape: an edit box, "Okay" as the default
// button, and a prompt.
TemplateBytes line_input_template(const char* prompt = "Type a line of text, then press Okay") {
    TemplateBytes t;
    t.u32(0x90C80080UL);
    t.u32(0);
    t.u16(3);
    t.u16(50);
    t.u16(50);
    t.u16(185);
    t.u16(92);
    t.u16(0);
    t.u16(0);
    t.str("KV319_gets");
    t.item(0x50810044UL, 8, 30, 167, 37, ID_EDIT, 0x0081, "");
    t.item(0x50010001UL, 67, 74, 50, 14, ID_OKAY, 0x0080, "Okay");
    t.item(0x50020000UL, 8, 3, 167, 24, ID_PROMPT, 0x0082, prompt);
    return t;
}

// What the dialog procedure saw.
struct Seen {
    LPARAM init_param = 0;
    WPARAM init_focus = 0;
    std::vector<WPARAM> commands;
    std::vector<WPARAM> notifications; // WM_COMMAND with a code in the high word
    char text[256] = {};
    UINT text_count = 0;
} seen;

INT_PTR CALLBACK line_proc(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_INITDIALOG) {
        seen.init_param = lparam;
        seen.init_focus = wparam;
        return 1;
    }
    if (msg == WM_COMMAND) {
        // The edit box's focus notifications carry a code in the high word;
        // these tests follow the buttons' commands.
        (HIWORD(wparam) == 0 ? seen.commands : seen.notifications).push_back(wparam);
        if (wparam == ID_OKAY) {
            seen.text_count = GetDlgItemTextA(dialog, ID_EDIT, seen.text, 256);
            EndDialog(dialog, 1);
            return 1;
        }
    }
    return 0;
}

int owner_timers = 0;
LRESULT CALLBACK owner_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_TIMER) {
        ++owner_timers;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

class Dialogs : public ::testing::Test {
  protected:
    ws::HeadlessDriver* driver = nullptr;
    HWND owner = nullptr;
    std::deque<std::function<void()>> steps;
    int leftover_idles = 0;

    void SetUp() override {
        driver = &ws::headless_start(1024, 768);
        seen = Seen{};
        owner_timers = 0;
        WNDCLASSA wc{};
        wc.lpfnWndProc = owner_proc;
        wc.hbrBackground = CreateSolidBrush(RGB(255, 255, 255));
        wc.lpszClassName = "DialogOwner";
        ASSERT_NE(RegisterClassA(&wc), 0);
        owner = CreateWindowExA(0, "DialogOwner", "Owner", WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                                100, 100, 600, 400, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(owner, nullptr);
        // Each time the dialog's loop waits, the next step acts; with none
        // left the dialog is ended, so that no test can hang.
        driver->set_idle_handler([this](ws::HeadlessDriver& d, uint64_t) {
            if (!steps.empty()) {
                auto step = std::move(steps.front());
                steps.pop_front();
                step();
            } else {
                ++leftover_idles;
                if (HWND dlg = ws::dialog_running()) EndDialog(dlg, 77);
            }
            d.advance_to(d.now_ms() + 1);
        });
    }

    INT_PTR run(const TemplateBytes& t, LPARAM param = 0x5150) {
        std::vector<DWORD> storage = t.aligned();
        return DialogBoxIndirectParamA(nullptr, reinterpret_cast<LPCDLGTEMPLATEA>(storage.data()),
                                       owner, line_proc, param);
    }

    static HWND dlg() { return ws::dialog_running(); }
    static HWND item(int id) {
        ws::Window* d = ws::wm_window(dlg());
        if (!d) return nullptr;
        for (HWND h : d->children)
            if (ws::wm_window(h)->id == id) return h;
        return nullptr;
    }
    static std::string edit_text() {
        char buf[1024];
        GetDlgItemTextA(dlg(), ID_EDIT, buf, sizeof buf);
        return buf;
    }

    void key_event(bool down, int vk, int ch) {
        InputEvent e;
        e.kind = down ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
        e.vk = vk;
        e.ch = down ? ch : 0;
        driver->push_input(e);
    }
    void press(int vk, int ch = 0) {
        key_event(true, vk, ch);
        key_event(false, vk, 0);
    }
    void type(const std::string& s) {
        for (char c : s) {
            int vk = c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c == ' ' ? VK_SPACE : c;
            press(vk, static_cast<unsigned char>(c));
        }
    }
    void click_item(int id) {
        ws::Window* c = ws::wm_window(item(id));
        ws::Window* d = ws::wm_window(dlg());
        ws::Rect r = ws::wm_client_in_surface(*c);
        for (auto kind : {InputEvent::Kind::PointerDown, InputEvent::Kind::PointerUp}) {
            InputEvent e;
            e.kind = kind;
            e.window = d->native;
            e.x = r.left + r.width() / 2;
            e.y = r.top + r.height() / 2;
            driver->push_input(e);
        }
    }
};

TEST_F(Dialogs, RunsModallyOverADisabledOwnerAndReturnsTheResult) {
    bool checked = false;
    steps.push_back([&] {
        ws::Window* d = ws::wm_window(dlg());
        ASSERT_NE(d, nullptr);
        // Centred on the owner, its client area the template's size in units.
        RECT rc;
        GetClientRect(dlg(), &rc);
        EXPECT_EQ(rc.right, 185 * ws::metrics::DIALOG_BASE_X / 4);
        EXPECT_EQ(rc.bottom, 92 * ws::metrics::DIALOG_BASE_Y / 8);
        EXPECT_EQ(d->rect.left + d->rect.width() / 2, 100 + 300);
        EXPECT_EQ(d->rect.top + d->rect.height() / 2, 100 + 200);
        EXPECT_EQ(d->title, "KV319_gets");
        EXPECT_TRUE(d->visible);
        EXPECT_EQ(ws::wm_active(), dlg());
        EXPECT_EQ(ws::wm_focus(), item(ID_EDIT));
        EXPECT_FALSE(ws::wm_window(owner)->enabled);
        EXPECT_EQ(ws::wm_window(item(ID_PROMPT))->title, "Type a line of text, then press Okay");
        checked = true;
        type("hi");
    });
    steps.push_back([&] { press(VK_RETURN, 13); });
    EXPECT_EQ(run(line_input_template()), 1);
    EXPECT_TRUE(checked);
    EXPECT_EQ(seen.init_param, 0x5150);
    EXPECT_NE(seen.init_focus, 0u);
    EXPECT_STREQ(seen.text, "hi");
    EXPECT_EQ(seen.text_count, 2u);
    // Afterwards: the dialog is gone and the owner enabled and active again.
    EXPECT_EQ(dlg(), nullptr);
    EXPECT_EQ(ws::wm_window(reinterpret_cast<HWND>(seen.init_focus)), nullptr);
    EXPECT_TRUE(ws::wm_window(owner)->enabled);
    EXPECT_EQ(ws::wm_active(), owner);
}

TEST_F(Dialogs, ADesktopFrameKeepsTheClientAreaTheTemplateAsksFor) {
    ws::Rect before;
    steps.push_back([&] {
        ws::Window* d = ws::wm_window(dlg());
        ASSERT_NE(d, nullptr);
        before = d->rect;
        InputEvent f;
        f.kind = InputEvent::Kind::Framed;
        f.window = d->native;
        f.frame = {4, 30, 4, 4};
        driver->push_input(f);
    });
    steps.push_back([&] {
        ws::Window* d = ws::wm_window(dlg());
        ASSERT_NE(d, nullptr);
        RECT rc;
        GetClientRect(dlg(), &rc);
        EXPECT_EQ(rc.right, 185 * ws::metrics::DIALOG_BASE_X / 4);
        EXPECT_EQ(rc.bottom, 92 * ws::metrics::DIALOG_BASE_Y / 8);
        // It grew around its client area, from the same corner, and the
        // native window with it.
        EXPECT_EQ(d->rect.left, before.left);
        EXPECT_EQ(d->rect.top, before.top);
        EXPECT_EQ(d->rect.width(), before.width() + 8);
        EXPECT_EQ(d->rect.height(), before.height() + 34 - ws::metrics::CAPTION_HEIGHT);
        EXPECT_EQ(driver->window(d->native)->info.width, d->rect.width());
        EXPECT_EQ(driver->window(d->native)->info.height, d->rect.height());
        type("ok");
    });
    steps.push_back([&] { press(VK_RETURN, 13); });
    EXPECT_EQ(run(line_input_template()), 1);
    EXPECT_STREQ(seen.text, "ok");
}

TEST_F(Dialogs, TheEditBoxTypesAndEdits) {
    std::vector<std::string> texts;
    std::vector<long> carets;
    auto note = [&] {
        texts.push_back(edit_text());
        carets.push_back(ws::edit_caret(item(ID_EDIT)));
    };
    steps.push_back([&] {
        type("helo");
        press(VK_LEFT);
        type("l");
    });
    steps.push_back([&] {
        note(); // "hello", caret before the o
        press(VK_HOME);
        press(VK_DELETE);
        type("J");
        press(VK_END);
        press(VK_BACK, 8);
    });
    steps.push_back([&] {
        note(); // "Jell"
        // Control+Enter breaks the line instead of pressing Okay.
        key_event(true, VK_CONTROL, 0);
        press(VK_RETURN, 10);
        key_event(false, VK_CONTROL, 0);
        type("J");
        press(VK_UP);
    });
    steps.push_back([&] {
        note();
        // Backspace and Left take the line break as one unit.
        press(VK_DOWN);
        press(VK_LEFT);
        press(VK_BACK, 8);
    });
    steps.push_back([&] {
        note();
        press(VK_RETURN, 13);
    });
    EXPECT_EQ(run(line_input_template()), 1);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], "hello");
    EXPECT_EQ(carets[0], 4);
    EXPECT_EQ(texts[1], "Jell");
    EXPECT_EQ(texts[2], "Jell\r\nJ");
    EXPECT_EQ(carets[2], 1); // Up from after the J: the same place on the line above
    EXPECT_EQ(texts[3], "JellJ");
    EXPECT_EQ(carets[3], 4);
    EXPECT_EQ(seen.commands, std::vector<WPARAM>{ID_OKAY});
    EXPECT_STREQ(seen.text, "JellJ");
    // The edit box told of its focus: given at the start, lost at the end.
    constexpr WPARAM set_focus = WPARAM{0x0100} << 16 | ID_EDIT;
    constexpr WPARAM kill_focus = WPARAM{0x0200} << 16 | ID_EDIT;
    EXPECT_EQ(seen.notifications, (std::vector<WPARAM>{set_focus, kill_focus}));
}

TEST_F(Dialogs, EscapeAndTheCloseBoxCancelButTheDialogStaysOpen) {
    bool still_open = false;
    steps.push_back([&] { press(VK_ESCAPE, 27); });
    steps.push_back([&] {
        // The close box: a press on the caption's right end.
        ws::Window* d = ws::wm_window(dlg());
        InputEvent e;
        e.kind = InputEvent::Kind::PointerDown;
        e.window = d->native;
        e.x = d->rect.width() - ws::metrics::CAPTION_HEIGHT / 2;
        e.y = ws::metrics::CAPTION_HEIGHT / 2;
        driver->push_input(e);
        e.kind = InputEvent::Kind::PointerUp;
        driver->push_input(e);
    });
    steps.push_back([&] {
        still_open = dlg() != nullptr && ws::wm_window(dlg())->visible;
        // The owner's close box does nothing while the dialog is up.
        InputEvent e;
        e.kind = InputEvent::Kind::Close;
        e.window = ws::wm_window(owner)->native;
        driver->push_input(e);
    });
    steps.push_back([&] { click_item(ID_OKAY); });
    EXPECT_EQ(run(line_input_template()), 1);
    EXPECT_TRUE(still_open);
    EXPECT_EQ(seen.commands, (std::vector<WPARAM>{IDCANCEL, IDCANCEL, ID_OKAY}));
    EXPECT_NE(ws::wm_window(owner), nullptr);
}

TEST_F(Dialogs, TabMovesTheFocusAndSpacePressesTheFocusedButton) {
    HWND after_tab = nullptr, after_back = nullptr;
    steps.push_back([&] { press(VK_TAB, 9); });
    steps.push_back([&] {
        after_tab = ws::wm_focus();
        key_event(true, VK_SHIFT, 0);
        press(VK_TAB, 9);
        key_event(false, VK_SHIFT, 0);
    });
    steps.push_back([&] {
        after_back = ws::wm_focus();
        press(VK_TAB, 9);
    });
    steps.push_back([&] { press(VK_SPACE, ' '); });
    EXPECT_EQ(run(line_input_template()), 1);
    // The static prompt is no tab stop: the focus goes edit, Okay, edit.
    ASSERT_NE(after_tab, nullptr);
    EXPECT_EQ(ws::wm_window(after_tab), nullptr); // gone with the dialog
    EXPECT_NE(after_tab, after_back);
    EXPECT_EQ(reinterpret_cast<WPARAM>(after_back), seen.init_focus);
    EXPECT_EQ(seen.commands, std::vector<WPARAM>{ID_OKAY});
    EXPECT_STREQ(seen.text, ""); // nothing was typed, and a space on a button types nothing
}

TEST_F(Dialogs, GetDlgItemTextKeepsToItsLimit) {
    std::string long_text(300, 'w');
    UINT n255 = 0, n1 = 0, missing = 99;
    char buf[300], one[4] = {'x', 'x', 'x', 'x'}, none[4] = {'x', 'x', 'x', 'x'};
    steps.push_back([&] { type(long_text); });
    steps.push_back([&] {
        std::memset(buf, '#', sizeof buf);
        n255 = GetDlgItemTextA(dlg(), ID_EDIT, buf, 256);
        n1 = GetDlgItemTextA(dlg(), ID_EDIT, one, 1);
        missing = GetDlgItemTextA(dlg(), 999, none, 4);
        press(VK_RETURN, 13);
    });
    EXPECT_EQ(run(line_input_template()), 1);
    EXPECT_EQ(n255, 255u);
    EXPECT_EQ(std::string(buf, 255), std::string(255, 'w'));
    EXPECT_EQ(buf[255], 0);
    EXPECT_EQ(buf[256], '#');
    EXPECT_EQ(n1, 0u);
    EXPECT_EQ(one[0], 0);
    EXPECT_EQ(one[1], 'x');
    EXPECT_EQ(missing, 0u);
    EXPECT_EQ(none[0], 0);
}

TEST_F(Dialogs, LongTextWrapsAndScrollsToKeepTheCaretInView) {
    int lines = 0, first = -1;
    steps.push_back([&] {
        for (int i = 0; i < 20; ++i)
            type("several words ");
    });
    steps.push_back([&] {
        lines = ws::edit_line_count(item(ID_EDIT));
        first = ws::edit_first_line(item(ID_EDIT));
        press(VK_RETURN, 13);
    });
    EXPECT_EQ(run(line_input_template()), 1);
    // 74 pixels of edit box show a few lines; the text needs more and the
    // box scrolled so the last line, where the caret is, is the bottom one.
    int visible = (37 * ws::metrics::DIALOG_BASE_Y / 8 - 2 - 2 * ws::metrics::EDIT_MARGIN_Y) /
                  font_metrics(ws::ui_face()).height;
    EXPECT_GT(lines, visible);
    EXPECT_EQ(first, lines - visible);
    EXPECT_EQ(std::strlen(seen.text), 255u);
}

TEST_F(Dialogs, TheOwnersTimersKeepComingDuringTheLoop) {
    SetTimer(owner, 2, 100, nullptr);
    int during = 0;
    // The idle handler moves the clock on; each wait lets a tick through.
    for (int i = 0; i < 5; ++i)
        steps.push_back([&] { driver->advance_to(driver->now_ms() + 100); });
    steps.push_back([&] {
        during = owner_timers;
        press(VK_RETURN, 13);
    });
    EXPECT_EQ(run(line_input_template()), 1);
    EXPECT_GE(during, 4);
}

TEST_F(Dialogs, AQuitDuringTheLoopEndsItAndIsPostedAgain) {
    steps.push_back([&] { PostQuitMessage(5); });
    EXPECT_EQ(run(line_input_template()), 0);
    EXPECT_EQ(dlg(), nullptr);
    EXPECT_TRUE(ws::wm_window(owner)->enabled);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(m.wParam, 5u);
}

TEST_F(Dialogs, MalformedTemplatesFailWithoutSideEffects) {
    size_t windows_before = ws::wm_top_levels().size();
    EXPECT_EQ(DialogBoxIndirectParamA(nullptr, nullptr, owner, line_proc, 0), -1);

    TemplateBytes too_many = line_input_template();
    too_many.b[8] = 0x00;
    too_many.b[9] = 0x04; // 1024 items
    EXPECT_EQ(run(too_many), -1);

    TemplateBytes unterminated;
    unterminated.u32(0x90C80080UL);
    unterminated.u32(0);
    for (int i = 0; i < 5; ++i)
        unterminated.u16(0);
    unterminated.u16(0);
    unterminated.u16(0);
    for (int i = 0; i < 5000; ++i)
        unterminated.u16('A'); // a title with no end
    unterminated.u16(0);
    EXPECT_EQ(run(unterminated), -1);

    TemplateBytes unknown_class = line_input_template();
    unknown_class.item(0x50010000UL, 1, 1, 10, 10, 7, 0x0085, ""); // no such control here
    unknown_class.b[8] = 4;
    EXPECT_EQ(run(unknown_class), -1);

    TemplateBytes extended;
    extended.u16(1);
    extended.u16(0xFFFF);
    for (int i = 0; i < 20; ++i)
        extended.u16(0);
    EXPECT_EQ(run(extended), -1);

    EXPECT_TRUE(seen.commands.empty());
    EXPECT_EQ(seen.init_param, 0); // no procedure ever ran
    EXPECT_EQ(ws::wm_top_levels().size(), windows_before);
    EXPECT_TRUE(ws::wm_window(owner)->enabled);
    EXPECT_EQ(leftover_idles, 0);
}

TEST_F(Dialogs, AClickPlacesTheCaretAndButtonsClickOnRelease) {
    long caret = -1;
    steps.push_back([&] {
        type("abcdef");
        press(VK_TAB, 9); // the focus leaves the edit box
    });
    steps.push_back([&] {
        // A press at the left of the edit box's text brings the focus back
        // and the caret to the start.
        ws::Window* e = ws::wm_window(item(ID_EDIT));
        ws::Rect r = ws::wm_client_in_surface(*e);
        for (auto kind : {InputEvent::Kind::PointerDown, InputEvent::Kind::PointerUp}) {
            InputEvent ev;
            ev.kind = kind;
            ev.window = ws::wm_window(dlg())->native;
            ev.x = r.left + 1;
            ev.y = r.top + 4;
            driver->push_input(ev);
        }
    });
    steps.push_back([&] {
        caret = ws::edit_caret(item(ID_EDIT));
        EXPECT_EQ(ws::wm_focus(), item(ID_EDIT));
        // A press on Okay released outside it is no click.
        ws::Window* b = ws::wm_window(item(ID_OKAY));
        ws::Rect r = ws::wm_client_in_surface(*b);
        InputEvent ev;
        ev.kind = InputEvent::Kind::PointerDown;
        ev.window = ws::wm_window(dlg())->native;
        ev.x = r.left + 3;
        ev.y = r.top + 3;
        driver->push_input(ev);
        ev.kind = InputEvent::Kind::PointerUp;
        ev.x = r.right + 30;
        driver->push_input(ev);
    });
    steps.push_back([&] {
        EXPECT_TRUE(seen.commands.empty());
        click_item(ID_OKAY);
    });
    EXPECT_EQ(run(line_input_template()), 1);
    EXPECT_EQ(caret, 0);
    EXPECT_EQ(seen.commands, std::vector<WPARAM>{ID_OKAY});
    EXPECT_STREQ(seen.text, "abcdef");
}

// Writes a picture of the dialog over its owner for a person to look at:
// run with --gtest_also_run_disabled_tests.
TEST_F(Dialogs, DISABLED_Screenshot) {
    steps.push_back([&] { type("A line of text"); });
    steps.push_back([&] {
        ws::wm_present_all();
        std::vector<uint32_t> screen = driver->compose_screen();
        ws::write_png("dialog_screen.png", screen.data(), 1024, 768, 1024);
        press(VK_RETURN, 13);
    });
    EXPECT_EQ(run(line_input_template("Please type your name. The prompt wraps onto a second line "
                                      "when it is long enough&&")),
              1);
}

} // namespace
