// The text window: KV319_printf's history, the drawing of each new line,
// the repaint from the history, key forwarding and the close box.
#include <string>

#include "draw_support.h"

namespace {

class Console : public DrawTest {
  protected:
    // The text window's client pixels, one row after another.
    struct Pixels {
        int width = 0, height = 0;
        std::vector<uint32_t> p;
        std::vector<uint32_t> rows(int y, int n) const {
            return {p.begin() + y * width, p.begin() + (y + n) * width};
        }
        bool white(int y, int n) const {
            for (uint32_t v : rows(y, n))
                if (v != 0xFFFFFFu) return false;
            return true;
        }
        bool operator==(const Pixels&) const = default;
    };
    Pixels text_pixels() {
        ws::Canvas c = ws::wm_client_canvas(window(rt.text_window));
        Pixels out{c.clip.width(), c.clip.height(), {}};
        for (int y = c.clip.top; y < c.clip.bottom; ++y)
            out.p.insert(out.p.end(), c.row(y) + c.clip.left, c.row(y) + c.clip.right);
        return out;
    }
    int line_height() {
        HDC dc = GetDC(rt.text_window);
        HGDIOBJ previous = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        SelectObject(dc, previous);
        ReleaseDC(rt.text_window, dc);
        return tm.tmHeight + tm.tmExternalLeading;
    }
    void repaint() {
        InvalidateRect(rt.text_window, nullptr, TRUE);
        pump();
    }
    // The text window after a fresh start, shown, with these lines printed
    // and repainted.
    Pixels painted(int first, int last) {
        start();
        KV319_show_text(1);
        for (int i = first; i <= last; ++i)
            KV319_printf("message %d\n", i);
        repaint();
        return text_pixels();
    }
};

TEST_F(Console, TheLatest25LinesAreKeptAndRepaintedNewestAtTheBottom) {
    for (int i = 1; i <= 26; ++i)
        KV319_printf("message %d\n", i);
    Lines lines = history();
    ASSERT_EQ(lines.size(), 25u);
    EXPECT_EQ(lines.front(), "message 2\n");
    EXPECT_EQ(lines.back(), "message 26\n");

    Pixels after_26 = painted(1, 26);
    EXPECT_TRUE(painted(2, 26) == after_26);
    EXPECT_FALSE(painted(1, 25) == after_26);
    EXPECT_TRUE(painted(1, 0).white(0, after_26.height)); // nothing stored: blank
}

TEST_F(Console, LinesWrittenWhileHiddenShowUpWhenShown) {
    for (int i = 1; i <= 30; ++i)
        KV319_printf("message %d\n", i);
    KV319_show_text(1);
    pump();
    Pixels shown = text_pixels();
    EXPECT_FALSE(shown.white(0, shown.height));
    EXPECT_TRUE(painted(6, 30) == shown);
}

TEST_F(Console, EachMessageIsOneLineScrollingTheRestUp) {
    KV319_show_text(1);
    pump();
    const int h = line_height();
    ASSERT_GT(h, 0);
    EXPECT_EQ(KV319_printf("abc"), 3);
    Pixels one = text_pixels();
    const int bottom = one.height - h;
    EXPECT_FALSE(one.white(bottom, h));

    EXPECT_EQ(KV319_printf(""), 0); // an empty message is a blank line
    Pixels two = text_pixels();
    EXPECT_TRUE(two.white(bottom, h));
    EXPECT_EQ(two.rows(bottom - h, h), one.rows(bottom, h));

    // A trailing newline is not drawn; the stored line keeps it until a
    // repaint shows it, and of two newlines one stays.
    EXPECT_EQ(KV319_printf("abc\n"), 4);
    EXPECT_EQ(text_pixels().rows(bottom, h), one.rows(bottom, h));
    KV319_printf("x\n\n");
    EXPECT_EQ(history(), (Lines{"abc", "", "abc\n", "x\n\n"}));
    repaint();
    EXPECT_EQ(history(), (Lines{"abc", "", "abc", "x\n"}));

    EXPECT_EQ(KV319_printf("%s!", std::string(5000, 'y').c_str()), 1023);
    EXPECT_EQ(history().back(), std::string(1023, 'y'));
    EXPECT_EQ(KV319_printf(nullptr), 0);
}

TEST_F(Console, Utf8AndWindows1252LinesShowTheSameLetters) {
    // A log line holds the text it logs: both readings reach the window.
    auto shown = [&](const char* text) {
        start();
        KV319_show_text(1);
        KV319_logging(1);
        KV319_text(0, 0, 0, 12, text);
        repaint();
        return text_pixels();
    };
    Pixels latin1 = shown("caf\xE9 \x80");
    EXPECT_TRUE(shown("caf\xC3\xA9 \xE2\x82\xAC") == latin1);
    EXPECT_FALSE(shown("caf\xC3\x83\xC2\xA9 \xE2\x82\xAC") == latin1); // "cafÃ© €"
}

TEST_F(Console, KeysTypedInTheTextWindowReachTheGraphicsWindow) {
    KV319_show_text(1);
    focus(rt.text_window);
    // Press and release alike: Control+A starts animation, and the released
    // Control lets the next character through.
    ctrl('A');
    pump();
    ASSERT_EQ(rt.animating, 1);
    press('X', 'x'); // arrives before the next tick
    Event e = await();
    EXPECT_EQ(e.kind, EVENT_KEY);
    EXPECT_EQ(e.key, 'x');
}

TEST_F(Console, CloseBoxHidesTheWindowAndItComesBack) {
    KV319_show_text(1);
    pump();
    ws::InputEvent close;
    close.kind = ws::InputEvent::Kind::Close;
    close.window = native(rt.text_window);
    driver->push_input(close);
    pump();
    ASSERT_NE(ws::wm_window(rt.text_window), nullptr);
    EXPECT_FALSE(window(rt.text_window).visible);

    KV319_printf("while closed");
    KV319_show_text(1);
    pump();
    Pixels p = text_pixels();
    EXPECT_FALSE(p.white(p.height - line_height(), line_height()));
}

} // namespace
