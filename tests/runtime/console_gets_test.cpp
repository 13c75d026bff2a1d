// KV319_gets: the bytes of its in-memory dialog template, and the dialog run
// end to end on the headless layer.
#include <cctype>
#include <cstring>
#include <string>

#include "controls_internal.h"
#include "draw_support.h"

namespace {

unsigned w16(const BYTE* b, int at) {
    return b[at] | (b[at + 1] << 8);
}
unsigned long w32(const BYTE* b, int at) {
    return w16(b, at) | (static_cast<unsigned long>(w16(b, at + 2)) << 16);
}
std::u16string wide(const BYTE* b, int at, int count) {
    std::u16string s;
    for (int i = 0; i < count; ++i)
        s.push_back(static_cast<char16_t>(w16(b, at + 2 * i)));
    return s;
}
std::u16string widen(const std::string& s) {
    std::u16string out;
    for (unsigned char c : s)
        out.push_back(c);
    return out;
}

struct Item {
    int at;
    unsigned long style;
    int x, y, cx, cy, id;
    unsigned atom;
};

TEST(GetsTemplate, LayoutOfTheDialogAndItsThreeControls) {
    BYTE b[GETS_TEMPLATE_SIZE + 8];
    memset(b, 0xAB, sizeof b);
    build_gets_template("Your name?", b);
    EXPECT_EQ(b[GETS_TEMPLATE_SIZE], 0xAB); // nothing written past the 292 bytes

    EXPECT_EQ(w32(b, 0), 0x90C80080UL);
    EXPECT_EQ(w32(b, 4), 0UL);
    EXPECT_EQ(w16(b, 8), 3u);
    EXPECT_EQ(w16(b, 10), 50u);
    EXPECT_EQ(w16(b, 12), 50u);
    EXPECT_EQ(w16(b, 14), 185u);
    EXPECT_EQ(w16(b, 16), 92u);
    EXPECT_EQ(w16(b, 18), 0u); // no menu
    EXPECT_EQ(w16(b, 20), 0u); // default class
    EXPECT_EQ(wide(b, 22, 11), widen(std::string("KV319_gets", 11)));

    // Every item on a 4-byte boundary, each with an atom class and no
    // creation data.
    const Item items[3] = {
        {44, 0x50810044UL, 8, 30, 167, 37, 102, 0x0081},
        {72, 0x50010001UL, 67, 74, 50, 14, 101, 0x0080},
        {108, 0x50020000UL, 8, 3, 167, 24, 103, 0x0082},
    };
    for (const Item& it : items) {
        SCOPED_TRACE(it.id);
        EXPECT_EQ(it.at % 4, 0);
        EXPECT_EQ(w32(b, it.at), it.style);
        EXPECT_EQ(w32(b, it.at + 4), 0UL);
        EXPECT_EQ(w16(b, it.at + 8), static_cast<unsigned>(it.x));
        EXPECT_EQ(w16(b, it.at + 10), static_cast<unsigned>(it.y));
        EXPECT_EQ(w16(b, it.at + 12), static_cast<unsigned>(it.cx));
        EXPECT_EQ(w16(b, it.at + 14), static_cast<unsigned>(it.cy));
        EXPECT_EQ(w16(b, it.at + 16), static_cast<unsigned>(it.id));
        EXPECT_EQ(w16(b, it.at + 18), 0xFFFFu);
        EXPECT_EQ(w16(b, it.at + 20), it.atom);
    }
    EXPECT_EQ(w16(b, 66), 0u); // the edit box's empty text
    EXPECT_EQ(w16(b, 68), 0u);
    EXPECT_EQ(wide(b, 94, 5), widen(std::string("Okay", 5)));
    EXPECT_EQ(w16(b, 104), 0u);
    std::string prompt = "Your name?" + std::string(69, ' ');
    EXPECT_EQ(wide(b, 130, 80), widen(prompt + '\0'));
    EXPECT_EQ(w16(b, 290), 0u);
}

TEST(GetsTemplate, PromptIsCutAt79AndWidenedByteByByte) {
    BYTE b[GETS_TEMPLATE_SIZE];
    std::string hundred;
    for (int i = 0; i < 100; ++i)
        hundred.push_back(static_cast<char>('a' + i % 26));
    build_gets_template(hundred.c_str(), b);
    EXPECT_EQ(wide(b, 130, 80), widen(hundred.substr(0, 79) + '\0'));

    build_gets_template("caf\xE9 \xFF", b); // bytes above 127 keep their value
    EXPECT_EQ(w16(b, 130 + 2 * 3), 0x00E9u);
    EXPECT_EQ(w16(b, 130 + 2 * 5), 0x00FFu);
    EXPECT_EQ(w16(b, 130 + 2 * 6), u' ');

    build_gets_template(nullptr, b); // no prompt: all blanks
    EXPECT_EQ(wide(b, 130, 79), std::u16string(79, u' '));
}

using Gets = DrawTest;

TEST_F(Gets, OnlyOkayEndsTheDialogAndTheBufferTakes255Characters) {
    std::string typed;
    for (int i = 0; i < 300; ++i)
        typed.push_back(static_cast<char>('a' + i % 26));
    std::string prompt(100, 'p');
    std::string shown_prompt;
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
    EXPECT_EQ(rt.gets_buffer, nullptr);
}

TEST_F(Gets, ABufferIsWrittenOnlyByOkay) {
    char buffer[256];
    strcpy(buffer, "untouched");
    // The dialog procedure alone: a cancel command is left to the platform.
    EXPECT_EQ(gets_dialog_proc(nullptr, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(buffer)), 1);
    EXPECT_EQ(rt.gets_buffer, buffer);
    EXPECT_EQ(gets_dialog_proc(nullptr, WM_COMMAND, IDCANCEL, 0), 0);
    EXPECT_EQ(gets_dialog_proc(nullptr, WM_COMMAND, MAKELONG(101, 1), 0), 0); // not a click
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(KV319_gets("no buffer", nullptr), 0);
}

} // namespace
