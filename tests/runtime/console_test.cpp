// The text window: KV319_printf's history, the drawing of each new line,
// the repaint from the history, key forwarding and the close box.
#include <string>

#include "draw_support.h"

namespace {

class Console : public DrawTest {
  protected:
    // The text window's client pixels, row by row.
    struct Pixels {
        int width = 0, height = 0;
        std::vector<uint32_t> p;
        uint32_t at(int x, int y) const { return p[static_cast<size_t>(y) * width + x]; }
        bool rows_equal(int y, const Pixels& other, int other_y, int count) const {
            for (int r = 0; r < count; ++r)
                for (int x = 0; x < width; ++x)
                    if (at(x, y + r) != other.at(x, other_y + r)) return false;
            return true;
        }
        bool rows_white(int y, int count) const {
            for (int r = 0; r < count; ++r)
                for (int x = 0; x < width; ++x)
                    if (at(x, y + r) != 0xFFFFFFu) return false;
            return true;
        }
        bool operator==(const Pixels&) const = default;
    };
    Pixels text_pixels() {
        ws::Canvas c = ws::wm_client_canvas(window(rt.text_window));
        Pixels out;
        out.width = c.clip.width();
        out.height = c.clip.height();
        for (int y = c.clip.top; y < c.clip.bottom; ++y)
            for (int x = c.clip.left; x < c.clip.right; ++x)
                out.p.push_back(c.row(y)[x]);
        return out;
    }
    // The fixed font's line height, as the console measures it.
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
    // A fresh runtime with the text window shown and these lines printed.
    void fresh_with_lines(int first, int last) {
        start();
        KV319_show_text(1);
        pump();
        for (int i = first; i <= last; ++i)
            KV319_printf("message %d\n", i);
        pump();
    }
};

TEST_F(Console, HistoryKeepsTheLatest25Lines) {
    for (int i = 1; i <= 26; ++i)
        KV319_printf("message %d\n", i);
    std::vector<std::string> lines = history();
    ASSERT_EQ(lines.size(), 25u);
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(lines[i], "message " + std::to_string(i + 2) + "\n");
    for (int slot = 0; slot < HISTORY_SIZE; ++slot)
        EXPECT_NE(rt.history_lines[slot], nullptr);
    EXPECT_EQ(rt.history_oldest, rt.history_next);
    EXPECT_EQ(rt.history_next, 1);
}

TEST_F(Console, RepaintShowsTheStoredLinesNewestAtTheBottom) {
    fresh_with_lines(1, 26);
    repaint();
    Pixels after_26 = text_pixels();

    fresh_with_lines(2, 26);
    repaint();
    EXPECT_TRUE(text_pixels() == after_26);

    fresh_with_lines(1, 25);
    repaint();
    EXPECT_FALSE(text_pixels() == after_26);
    // The repaint drew what the lines drew as they came.
    fresh_with_lines(1, 25);
    Pixels as_they_came = text_pixels();
    repaint();
    int h = line_height();
    Pixels repainted = text_pixels();
    EXPECT_TRUE(repainted.rows_equal(repainted.height - 5 * h, as_they_came,
                                     as_they_came.height - 5 * h, 5 * h));
}

TEST_F(Console, RepaintBeforeAnyMessageLeavesTheWindowBlank) {
    KV319_show_text(1);
    pump();
    repaint();
    Pixels p = text_pixels();
    ASSERT_GT(p.height, 0);
    EXPECT_TRUE(p.rows_white(0, p.height));
}

TEST_F(Console, LinesWrittenWhileHiddenShowUpWhenShown) {
    for (int i = 1; i <= 30; ++i)
        KV319_printf("message %d\n", i);
    KV319_show_text(1);
    pump();
    Pixels shown = text_pixels();
    EXPECT_FALSE(shown.rows_white(0, shown.height));

    fresh_with_lines(6, 30);
    repaint();
    EXPECT_TRUE(text_pixels() == shown);
}

TEST_F(Console, EachMessageIsOneLineScrollingTheRestUp) {
    KV319_show_text(1);
    pump();
    int h = line_height();
    ASSERT_GT(h, 0);

    EXPECT_EQ(KV319_printf("abc"), 3);
    Pixels one = text_pixels();
    EXPECT_FALSE(one.rows_white(one.height - h, h));

    EXPECT_EQ(KV319_printf(""), 0); // an empty message is a blank line
    Pixels two = text_pixels();
    EXPECT_TRUE(two.rows_white(two.height - h, h));
    EXPECT_TRUE(two.rows_equal(two.height - 2 * h, one, one.height - h, h));

    // A trailing newline is not drawn; the stored line keeps it until a
    // repaint shows it.
    EXPECT_EQ(KV319_printf("abc\n"), 4);
    Pixels three = text_pixels();
    EXPECT_TRUE(three.rows_equal(three.height - h, one, one.height - h, h));
    EXPECT_EQ(history().back(), "abc\n");
    repaint();
    EXPECT_EQ(history(), (std::vector<std::string>{"abc", "", "abc"}));

    // Two newlines: one stays on the line.
    KV319_printf("x\n\n");
    EXPECT_EQ(history().back(), "x\n\n");
    repaint();
    EXPECT_EQ(history().back(), "x\n");
}

TEST_F(Console, OverlongMessagesAreCutAt1023) {
    std::string text(5000, 'y');
    EXPECT_EQ(KV319_printf("%s!", text.c_str()), 1023);
    EXPECT_EQ(history().back(), std::string(1023, 'y'));
    EXPECT_EQ(KV319_printf("%s", "next"), 4);
    EXPECT_EQ(history().back(), "next");
    EXPECT_EQ(KV319_printf(nullptr), 0);
    EXPECT_EQ(history().back(), "");
}

TEST_F(Console, KeysInTheTextWindowReachTheGraphicsWindow) {
    pump();
    for (UINT msg : {UINT(WM_KEYDOWN), UINT(WM_KEYUP)}) {
        EXPECT_EQ(text_window_proc(rt.text_window, msg, 'Q', 0x100001), 0);
        MSG m{};
        ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(m.hwnd, rt.graphics_window);
        EXPECT_EQ(m.message, msg);
        EXPECT_EQ(m.wParam, WPARAM('Q'));
        EXPECT_EQ(m.lParam, 0x100001);
    }

    // Through the queue: typed into the text window, a key event of the wait.
    KV319_show_text(1);
    focus(rt.text_window);
    press('X', 'x');
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
    EXPECT_EQ(history().back(), "while closed");
    KV319_show_text(1);
    pump();
    EXPECT_TRUE(window(rt.text_window).visible);
    Pixels p = text_pixels();
    EXPECT_FALSE(p.rows_white(p.height - line_height(), line_height()));
}

} // namespace
