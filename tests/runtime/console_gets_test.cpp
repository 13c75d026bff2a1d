// KV319_gets: the bytes of its in-memory dialog template, and the dialog run
// end to end on the headless layer.
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "controls_internal.h"
#include "draw_support.h"

namespace {

unsigned w16(const BYTE* b, int at) {
    return b[at] | (b[at + 1] << 8);
}
// `count` 16-bit units from `at`, narrowed back to bytes ('?' for any
// unit above 0xFF).
std::string units(const BYTE* b, int at, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) {
        unsigned u = w16(b, at + 2 * i);
        s.push_back(u > 0xFF ? '?' : static_cast<char>(u));
    }
    return s;
}

TEST(GetsTemplate, DialogThenThreeControlsOnFourByteBoundaries) {
    BYTE b[GETS_TEMPLATE_SIZE + 4];
    memset(b, 0xAB, sizeof b);
    build_gets_template("Your name?", b);
    EXPECT_EQ(b[GETS_TEMPLATE_SIZE], 0xAB); // nothing past the 292 bytes

    // style, extended style, count, x, y, cx, cy, menu, class, title
    const unsigned dialog[] = {0x0080, 0x90C8, 0, 0, 3, 50, 50, 185, 92, 0, 0};
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(w16(b, 2 * i), dialog[i]) << i;
    EXPECT_EQ(units(b, 22, 11), std::string("KV319_gets", 11));

    struct Item {
        int at;
        unsigned words[11]; // style, extended style, x, y, cx, cy, id, 0xFFFF, atom
        int text_units;
        std::string text;
    };
    const Item items[] = {
        {44, {0x0044, 0x5081, 0, 0, 8, 30, 167, 37, 102, 0xFFFF, 0x81}, 1, std::string(1, '\0')},
        {72, {0x0001, 0x5001, 0, 0, 67, 74, 50, 14, 101, 0xFFFF, 0x80}, 5, std::string("Okay", 5)},
        {108,
         {0x0000, 0x5002, 0, 0, 8, 3, 167, 24, 103, 0xFFFF, 0x82},
         80,
         "Your name?" + std::string(69, ' ') + '\0'},
    };
    for (const Item& it : items) {
        for (int i = 0; i < 11; ++i)
            EXPECT_EQ(w16(b, it.at + 2 * i), it.words[i]) << it.at;
        EXPECT_EQ(units(b, it.at + 22, it.text_units), it.text);
        EXPECT_EQ(w16(b, it.at + 22 + 2 * it.text_units), 0u); // no creation data
    }
    EXPECT_EQ(108 + 22 + 2 * 80 + 2, GETS_TEMPLATE_SIZE);
}

TEST(GetsTemplate, PromptIsCutAt79AndReadAsUtf8OrWindows1252) {
    BYTE b[GETS_TEMPLATE_SIZE];
    std::string hundred;
    for (int i = 0; i < 100; ++i)
        hundred.push_back(static_cast<char>('a' + i % 26));
    build_gets_template(hundred.c_str(), b);
    EXPECT_EQ(units(b, 130, 80), hundred.substr(0, 79) + '\0');
    build_gets_template("caf\xE9 \xFF", b); // Latin-1: a byte is its own code unit
    EXPECT_EQ(units(b, 130, 8), "caf\xE9 \xFF  ");

    // Read as every drawn text is: UTF-8 when valid, else Windows-1252; 79
    // characters of two bytes each are 79 units.
    auto unit_list = [&](const std::string& prompt, int count) {
        build_gets_template(prompt.c_str(), b);
        std::vector<unsigned> got;
        for (int i = 0; i < count; ++i)
            got.push_back(w16(b, 130 + 2 * i));
        return got;
    };
    using U = std::vector<unsigned>;
    EXPECT_EQ(unit_list("caf\xC3\xA9 \xE2\x82\xAC", 7), (U{'c', 'a', 'f', 0xE9, ' ', 0x20AC, ' '}));
    EXPECT_EQ(unit_list("\x80\x96", 3), (U{0x20AC, 0x2013, ' '}));
    std::string accents;
    for (int i = 0; i < 100; ++i)
        accents += "\xC3\xA9";
    U cut(79, 0xE9);
    cut.push_back(0); // the text's end
    EXPECT_EQ(unit_list(accents, 80), cut);
    // A character of two units that the 79th would cut in half is left out.
    EXPECT_EQ(unit_list(std::string(78, 'a') + "\xF0\x9F\x98\x80", 80)[78], unsigned{' '});
}

using Gets = DrawTest;

TEST_F(Gets, OnlyOkayEndsTheDialogAndTheBufferTakes255Characters) {
    std::string typed;
    for (int i = 0; i < 300; ++i)
        typed.push_back(static_cast<char>('a' + i % 26));
    std::string prompt(100, 'p'), shown_prompt;
    bool open_after_cancel = false;
    char buffer[300];
    memset(buffer, '#', sizeof buffer);

    on_idle([&](uint64_t idle, uint64_t) {
        HWND dialog = ws::dialog_running();
        if (!dialog) return;
        if (idle == 1) {
            char text[256] = {};
            GetDlgItemTextA(dialog, GETS_ID_PROMPT, text, sizeof text);
            shown_prompt = text;
            for (char c : typed)
                press(std::toupper(static_cast<unsigned char>(c)), c);
            press(VK_ESCAPE, 27);
            ws::InputEvent close;
            close.kind = ws::InputEvent::Kind::Close;
            close.window = ws::wm_window(dialog)->native;
            driver->push_input(close);
        } else if (idle == 2) {
            open_after_cancel = true;
            press(VK_RETURN, 13);
        } else if (idle > 10) {
            DestroyWindow(dialog); // never wait for ever on a broken dialog
        }
    });
    EXPECT_EQ(KV319_gets(prompt.c_str(), buffer), 1);
    EXPECT_TRUE(open_after_cancel);
    EXPECT_EQ(shown_prompt, prompt.substr(0, 79));
    EXPECT_EQ(std::string(buffer), typed.substr(0, 255));
    EXPECT_EQ(buffer[256], '#');
    EXPECT_EQ(KV319_gets("no buffer", nullptr), 0);
}

TEST_F(Gets, ClickingOkayEndsItWithWhatWasTyped) {
    char buffer[256];
    memset(buffer, '#', sizeof buffer);
    std::string shown_prompt;
    on_idle([&](uint64_t idle, uint64_t) {
        HWND dialog = ws::dialog_running();
        if (!dialog) return;
        if (idle == 1) {
            char text[256] = {};
            GetDlgItemTextA(dialog, GETS_ID_PROMPT, text, sizeof text);
            shown_prompt = text;
            for (char c : std::string("two words"))
                press(c == ' ' ? VK_SPACE : std::toupper(static_cast<unsigned char>(c)), c);
        } else if (idle == 2) {
            ws::Window* d = ws::wm_window(dialog);
            HWND okay = nullptr;
            for (HWND child : d->children)
                if (ws::wm_window(child)->id == GETS_ID_OKAY) okay = child;
            ASSERT_NE(okay, nullptr);
            ws::Rect r = ws::wm_client_in_surface(*ws::wm_window(okay));
            for (auto kind : {ws::InputEvent::Kind::PointerDown, ws::InputEvent::Kind::PointerUp}) {
                ws::InputEvent e;
                e.kind = kind;
                e.window = d->native;
                e.x = r.left + r.width() / 2;
                e.y = r.top + r.height() / 2;
                driver->push_input(e);
            }
        } else if (idle > 10) {
            DestroyWindow(dialog);
        }
    });
    // The prompt's euro sign, read from UTF-8, is the controls' own 0x80.
    EXPECT_EQ(KV319_gets("Name (\xE2\x82\xAC)?", buffer), 1);
    EXPECT_EQ(shown_prompt, "Name (\x80)?" + std::string(70, ' '));
    EXPECT_STREQ(buffer, "two words");
    EXPECT_EQ(ws::dialog_running(), nullptr);
    EXPECT_TRUE(window(rt.graphics_window).enabled);
}

TEST_F(Gets, AQuitEndsItWithNoTextAndReachesTheNextWait) {
    // Ctrl+Q typed in the text window, which passes its keys on to the
    // graphics window, while something is typed in the dialog.
    KV319_show_text(1);
    char buffer[256];
    memset(buffer, '#', sizeof buffer);
    on_idle([&](uint64_t idle, uint64_t) {
        HWND dialog = ws::dialog_running();
        if (!dialog) return;
        if (idle == 1) {
            press('A', 'a');
        } else if (idle == 2) {
            focus(rt.text_window);
            ctrl('Q');
        } else if (idle > 10) {
            DestroyWindow(dialog);
        }
    });
    EXPECT_EQ(KV319_gets("Name?", buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(ws::dialog_running(), nullptr);
    int x = 1, y = 1;
    char key = 1;
    EXPECT_EQ(KV319_await_event(&x, &y, &key), EVENT_QUIT);
}

} // namespace
