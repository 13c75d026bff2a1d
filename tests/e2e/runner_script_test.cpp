// Tests of the scripted user: the command line, the command script and its
// messages, the keys of a US layout, and how each command is carried out
// from the driver's idle handler.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "headless_start.h"
#include "kv319.h"
#include "png_io.h"
#include "runner.h"
#include "wm.h"

using runner::Command;
using runner::CommandKind;
using runner::KeyPress;
using runner::Options;
using ws::HeadlessDriver;
using ws::InputEvent;

namespace {

bool options_from(std::vector<const char*> args, Options& o, std::string& error) {
    args.insert(args.begin(), "card-designer-headless");
    o = Options{};
    return runner::parse_options(static_cast<int>(args.size()), args.data(), o, error);
}

std::vector<Command> parse_ok(const std::string& script, const Options& o = Options{}) {
    std::vector<Command> commands;
    std::string error;
    EXPECT_TRUE(runner::parse_script(script, o, commands, error)) << error;
    return commands;
}

std::string parse_error(const std::string& script) {
    std::vector<Command> commands;
    std::string error;
    EXPECT_FALSE(runner::parse_script(script, Options{}, commands, error)) << script;
    return error;
}

KeyPress key(const std::string& name) {
    KeyPress p;
    EXPECT_TRUE(runner::parse_key(name, p)) << name;
    return p;
}

std::vector<InputEvent> drain(HeadlessDriver& d) {
    std::vector<InputEvent> out;
    InputEvent e;
    while (d.next_input(e))
        out.push_back(e);
    return out;
}

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

// ---- Command line ------------------------------------------------------------

TEST(RunnerOptions, DefaultsAndEveryOption) {
    Options o;
    std::string error;
    ASSERT_TRUE(options_from({}, o, error));
    EXPECT_EQ(o.input_path, "");
    EXPECT_EQ(o.screen_width, 1024);
    EXPECT_EQ(o.screen_height, 768);
    EXPECT_EQ(o.max_ticks, 100000u);
    EXPECT_EQ(o.transcript_path, "");

    ASSERT_TRUE(options_from(
        {"--input", "a.txt", "--screen", "800x600", "--max-ticks", "7", "--transcript", "t.txt"}, o,
        error));
    EXPECT_EQ(o.input_path, "a.txt");
    EXPECT_EQ(o.screen_width, 800);
    EXPECT_EQ(o.screen_height, 600);
    EXPECT_EQ(o.max_ticks, 7u);
    EXPECT_EQ(o.transcript_path, "t.txt");

    ASSERT_TRUE(options_from(
        {"--input=b.txt", "--screen=1280x1024", "--max-ticks=0", "--transcript=u.txt"}, o, error));
    EXPECT_EQ(o.input_path, "b.txt");
    EXPECT_EQ(o.screen_height, 1024);
    EXPECT_EQ(o.max_ticks, 0u);
    EXPECT_EQ(o.transcript_path, "u.txt");
    ASSERT_TRUE(options_from({"--input", "-"}, o, error));
    EXPECT_EQ(o.input_path, "");
}

TEST(RunnerOptions, BadOptionsAreRefusedWithAReason) {
    Options o;
    std::string error;
    for (std::vector<const char*> bad : std::vector<std::vector<const char*>>{
             {"--screen", "800"},
             {"--screen", "800x"},
             {"--screen", "x600"},
             {"--screen", "99x600"},
             {"--screen", "-800x600"},
             {"--screen", "800x600x2"},
             {"--screen", "99999x600"},
             {"--max-ticks", "-1"},
             {"--max-ticks", "ten"},
             {"--max-ticks", "99999999999999999999"},
             {"--max-ticks"},
             {"--input"},
             {"--input="},
             {"--transcript"},
             {"--transcript="},
             {"--frobnicate"},
             {"script.txt"},
         }) {
        error.clear();
        EXPECT_FALSE(options_from(bad, o, error)) << bad[0];
        EXPECT_FALSE(error.empty()) << bad[0];
    }
    ASSERT_FALSE(options_from({"--screen", "12x34"}, o, error));
    EXPECT_NE(error.find("12x34"), std::string::npos) << error;
}

// ---- Keys ----------------------------------------------------------------------

TEST(RunnerKeys, CharactersOfAUsLayout) {
    KeyPress p = key("a");
    EXPECT_EQ(p.vk, 'A');
    EXPECT_EQ(p.ch, 'a');
    EXPECT_FALSE(p.shift);

    p = key("A");
    EXPECT_EQ(p.vk, 'A');
    EXPECT_EQ(p.ch, 'A');
    EXPECT_TRUE(p.shift);

    p = key("shift+a");
    EXPECT_EQ(p.ch, 'A');
    EXPECT_TRUE(p.shift);

    p = key("shift+7");
    EXPECT_EQ(p.vk, '7');
    EXPECT_EQ(p.ch, '&');
    p = key("&");
    EXPECT_EQ(p.vk, '7');
    EXPECT_TRUE(p.shift);

    // Punctuation keys and their shifted characters share one key.
    KeyPress a, b;
    ASSERT_TRUE(runner::key_for_char(';', a));
    ASSERT_TRUE(runner::key_for_char(':', b));
    EXPECT_EQ(a.vk, b.vk);
    EXPECT_FALSE(a.shift);
    EXPECT_TRUE(b.shift);
    p = key("+"); // the key after modifiers may itself be '+'
    EXPECT_EQ(p.ch, '+');
    EXPECT_EQ(p.vk, key("=").vk);
    p = key("ctrl++");
    EXPECT_TRUE(p.ctrl);
    EXPECT_EQ(p.vk, key("=").vk);

    EXPECT_FALSE(runner::key_for_char('\xE9', a));
    EXPECT_FALSE(runner::key_for_char('\n', a));
}

TEST(RunnerKeys, ModifiersAndNamedKeys) {
    KeyPress p = key("ctrl+p");
    EXPECT_TRUE(p.ctrl);
    EXPECT_EQ(p.vk, 'P');
    EXPECT_EQ(p.ch, 16);
    EXPECT_EQ(key("Ctrl+Shift+A").ch, 1);
    EXPECT_EQ(key("ctrl+7").ch, 0);

    p = key("alt+r");
    EXPECT_TRUE(p.alt);
    EXPECT_EQ(p.vk, 'R');
    EXPECT_EQ(p.ch, 'r'); // the layer sees Alt held and makes it a menu key

    struct Named {
        const char* name;
        int vk, ch;
    };
    for (Named n : {Named{"Enter", VK_RETURN, 13}, Named{"escape", VK_ESCAPE, 27},
                    Named{"Backspace", VK_BACK, 8}, Named{"Tab", VK_TAB, 9},
                    Named{"Space", VK_SPACE, 32}, Named{"Delete", VK_DELETE, 0},
                    Named{"Home", VK_HOME, 0}, Named{"End", VK_END, 0}, Named{"Left", VK_LEFT, 0},
                    Named{"Right", VK_RIGHT, 0}, Named{"Up", VK_UP, 0}, Named{"Down", VK_DOWN, 0},
                    Named{"F1", VK_F1, 0}, Named{"F10", VK_F10, 0}, Named{"f12", VK_F12, 0}}) {
        KeyPress k = key(n.name);
        EXPECT_EQ(k.vk, n.vk) << n.name;
        EXPECT_EQ(k.ch, n.ch) << n.name;
    }
    EXPECT_EQ(key("shift+Tab").ch, 9);
    EXPECT_EQ(key("ctrl+Enter").ch, 10);

    for (const char* bad :
         {"F0", "F13", "F1x", "Return", "meta+a", "ctrl+", "ctrl+shift", "ab", "", "+a+"})
        EXPECT_FALSE(runner::parse_key(bad, p)) << bad;
}

// ---- The script ----------------------------------------------------------------

TEST(RunnerScript, EveryCommandInItsForm) {
    std::vector<Command> c = parse_ok("# a scripted user\n"
                                      "\n"
                                      "click -300 250\n"
                                      "click-client 10 20\n"
                                      "click-screen 1023 767\r\n"
                                      "   key ctrl+p\n"
                                      "type Hi there!\n"
                                      "wait 3\n"
                                      "\t# indented comment\n"
                                      "focus text\n"
                                      "close dialog\n"
                                      "shot card one.png\n"
                                      "screen all.png  \n"
                                      "console out.txt\n"
                                      "wait 0");
    ASSERT_EQ(c.size(), 12u);
    EXPECT_EQ(c[0].kind, CommandKind::Click);
    EXPECT_EQ(c[0].line, 3);
    EXPECT_EQ(c[0].x, -300);
    EXPECT_EQ(c[0].y, 250);
    EXPECT_EQ(c[2].kind, CommandKind::ClickScreen);
    EXPECT_EQ(c[3].kind, CommandKind::Key);
    EXPECT_EQ(c[3].line, 6);
    ASSERT_EQ(c[3].keys.size(), 1u);
    EXPECT_EQ(c[3].keys[0].ch, 16);
    EXPECT_EQ(c[4].kind, CommandKind::Type);
    ASSERT_EQ(c[4].keys.size(), 9u); // "Hi there!"
    EXPECT_TRUE(c[4].keys[0].shift);
    EXPECT_EQ(c[4].keys[2].vk, VK_SPACE);
    EXPECT_EQ(c[4].keys[8].ch, '!');
    EXPECT_EQ(c[5].kind, CommandKind::Wait);
    EXPECT_EQ(c[5].ticks, 3u);
    EXPECT_EQ(c[6].kind, CommandKind::Focus);
    EXPECT_EQ(c[6].line, 10);
    EXPECT_EQ(c[6].target, runner::Target::Text);
    EXPECT_EQ(c[7].kind, CommandKind::Close);
    EXPECT_EQ(c[7].target, runner::Target::Dialog);
    EXPECT_EQ(c[8].kind, CommandKind::Shot);
    EXPECT_EQ(c[8].file, "card one.png");
    EXPECT_EQ(c[9].file, "all.png");
    EXPECT_EQ(c[11].ticks, 0u);
    EXPECT_EQ(c[11].line, 15);

    // type keeps the text as written, blanks included.
    c = parse_ok("type  two  ");
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].keys.size(), 6u);
    EXPECT_TRUE(parse_ok("").empty());
    EXPECT_TRUE(parse_ok("\n\n# nothing\n").empty());
}

TEST(RunnerScript, BadLinesAreNamedByNumber) {
    struct Bad {
        const char* line;
        const char* says;
    };
    for (Bad b : {Bad{"jump 1 2", "unknown command \"jump\""},
                  Bad{"Click 1 2", "unknown command"},
                  Bad{"click 1", "two numbers"},
                  Bad{"click 1 2 3", "two numbers"},
                  Bad{"click a 2", "bad number \"a\""},
                  Bad{"click 1.5 2", "bad number"},
                  Bad{"click 1 99999999999", "bad number"},
                  Bad{"click-client 4", "two numbers"},
                  Bad{"click-screen 1024 0", "outside the 1024x768 screen"},
                  Bad{"click-screen -1 5", "outside"},
                  Bad{"key", "one key"},
                  Bad{"key a b", "one key"},
                  Bad{"key hyper+a", "unknown key \"hyper+a\""},
                  Bad{"type", "text to type"},
                  Bad{"type caf\xC3\xA9", "0xC3"},
                  Bad{"wait", "whole number"},
                  Bad{"wait -1", "whole number"},
                  Bad{"wait 1.5", "whole number"},
                  Bad{"wait 2 3", "whole number"},
                  Bad{"focus", "graphics, text, dialog"},
                  Bad{"focus menu", "graphics, text"},
                  Bad{"close graphics text", "graphics, text"},
                  Bad{"shot", "file name"},
                  Bad{"screen   ", "file name"},
                  Bad{"console", "file name"}}) {
        std::string script = "# header\n\nwait 1\n" + std::string(b.line) + "\nclick 0 0\n";
        std::string error = parse_error(script);
        EXPECT_EQ(error.rfind("4: ", 0), 0u) << b.line << " -> " << error;
        EXPECT_NE(error.find(b.says), std::string::npos) << b.line << " -> " << error;
    }
    EXPECT_EQ(parse_error(std::string("wait 1\nwa\0it 2\n", 15)).rfind("2: ", 0), 0u);
    // The first bad line is the one named.
    EXPECT_EQ(parse_error("wait 1\nbad\nworse\n").rfind("2: ", 0), 0u);
}

TEST(RunnerScript, ClickScreenIsCheckedAgainstTheChosenScreen) {
    Options o;
    o.screen_width = 800;
    o.screen_height = 600;
    std::vector<Command> c;
    std::string error;
    EXPECT_FALSE(runner::parse_script("click-screen 900 10", o, c, error));
    EXPECT_EQ(error, "1: (900, 10) lies outside the 800x600 screen");
    EXPECT_TRUE(runner::parse_script("click-screen 799 599", o, c, error));
}

// ---- Carrying out, on the bare driver -----------------------------------------------

namespace {

struct Scripted {
    HeadlessDriver driver;
    runner::Runner user;

    explicit Scripted(const std::string& script, Options o = Options{})
        : driver(o.screen_width, o.screen_height), user(parse_ok(script, o), o) {
        driver.set_idle_handler(
            [this](HeadlessDriver& d, uint64_t deadline) { user.on_idle(d, deadline); });
    }
};

} // namespace

TEST(RunnerIdle, WaitStepsTheClockNeverPastTheDeadline) {
    Scripted s("wait 3\nwait 0\nwait 1");
    s.driver.wait_input(250);
    EXPECT_EQ(s.driver.now_ms(), 250u);
    s.driver.wait_input(5000); // the first wait ends at 300
    EXPECT_EQ(s.driver.now_ms(), 300u);
    EXPECT_EQ(s.user.commands_done(), 0u);
    s.driver.wait_input(5000); // ends it, skips wait 0, starts wait 1
    EXPECT_EQ(s.driver.now_ms(), 400u);
    EXPECT_EQ(s.user.commands_done(), 2u);
    // Commands done, no graphics window to close: time passes to each deadline.
    s.driver.wait_input(900);
    EXPECT_EQ(s.user.commands_done(), 3u);
    EXPECT_EQ(s.driver.now_ms(), 900u);
    s.driver.wait_input(10000);
    EXPECT_EQ(s.driver.now_ms(), 10000u);
    EXPECT_TRUE(drain(s.driver).empty());
}

TEST(RunnerIdle, AWaitWithoutAnyDeadlineStillEnds) {
    Scripted s("wait 2\nkey a");
    s.driver.wait_input(UINT64_MAX);
    EXPECT_EQ(s.driver.now_ms(), 200u);
    s.driver.wait_input(UINT64_MAX);
    EXPECT_EQ(drain(s.driver).size(), 2u);
}

TEST(RunnerIdle, KeysGoToTheFocusWithTheirModifiersAround) {
    Scripted s("key ctrl+shift+p\ntype aB\n");
    int native = s.driver.create_window({});
    s.driver.focus_window(native);

    s.driver.wait_input(100);
    std::vector<InputEvent> ev = drain(s.driver);
    ASSERT_EQ(ev.size(), 6u);
    const int order[6] = {VK_CONTROL, VK_SHIFT, 'P', 'P', VK_SHIFT, VK_CONTROL};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(ev[i].vk, order[i]) << i;
        EXPECT_EQ(ev[i].window, native);
        EXPECT_EQ(ev[i].kind, i < 3 ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp) << i;
    }
    EXPECT_EQ(ev[2].ch, 16);
    EXPECT_EQ(ev[3].ch, 0);
    EXPECT_EQ(s.driver.now_ms(), 0u); // input given: no time passed

    // type gives one character per idle, as a person types.
    s.driver.wait_input(100);
    ev = drain(s.driver);
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].ch, 'a');
    s.driver.wait_input(100);
    ev = drain(s.driver);
    ASSERT_EQ(ev.size(), 4u);
    EXPECT_EQ(ev[0].vk, VK_SHIFT);
    EXPECT_EQ(ev[1].vk, 'B');
    EXPECT_EQ(ev[1].ch, 'B');
    EXPECT_EQ(s.user.commands_done(), 2u);
}

TEST(RunnerIdle, ClickScreenHitsTheTopmostWindowInItsOwnPixels) {
    Scripted s("click-screen 150 120\nclick-screen 20 20\n");
    ws::NativeWindowInfo a, b;
    a.x = 0, a.y = 0, a.width = 200, a.height = 200;
    b.x = 100, b.y = 100, b.width = 100, b.height = 50;
    int under = s.driver.create_window(a), over = s.driver.create_window(b);
    s.driver.show_window(under, true);
    s.driver.show_window(over, true);

    s.driver.wait_input(100);
    std::vector<InputEvent> ev = drain(s.driver);
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].kind, InputEvent::Kind::PointerDown);
    EXPECT_EQ(ev[1].kind, InputEvent::Kind::PointerUp);
    EXPECT_EQ(ev[0].window, over);
    EXPECT_EQ(ev[0].x, 50);
    EXPECT_EQ(ev[0].y, 20);
    EXPECT_EQ(ev[1].button, 1);

    s.driver.wait_input(100);
    ev = drain(s.driver);
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].window, under);
    EXPECT_EQ(ev[0].x, 20);
}

TEST(RunnerIdle, ScreenWritesTheWholeScreenAndGoesOn) {
    std::string file = testing::TempDir() + "runner_screen.png";
    Options o;
    o.screen_width = 320;
    o.screen_height = 200;
    Scripted s("screen " + file + "\nkey x\n", o);
    s.driver.wait_input(100);
    EXPECT_EQ(drain(s.driver).size(), 2u); // the key followed in the same idle
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    ASSERT_TRUE(ws::read_png(file.c_str(), px, w, h));
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 200);
    EXPECT_EQ(px[0], HeadlessDriver::SCREEN_BACKGROUND);
}

TEST(RunnerIdleDeathTest, RunningPastMaxTicksIsARunnerError) {
    Options o;
    o.max_ticks = 2;
    EXPECT_EXIT(
        {
            Scripted s("\nwait 5\n", o);
            s.driver.wait_input(150);
            s.driver.wait_input(250);
        },
        testing::ExitedWithCode(2), "^2: the program did not end within 2 timer periods");
    EXPECT_EXIT(
        {
            Scripted s("wait 1\n", o);
            s.driver.wait_input(5000); // the wait, to 100
            s.driver.wait_input(5000); // commands done: the deadline is past the limit
        },
        testing::ExitedWithCode(2), "after the last command");
}

TEST(RunnerIdleDeathTest, AMissingWindowIsNamedWithItsLine) {
    for (const char* script : {"close dialog", "focus text", "click 0 0", "click-client 1 1"}) {
        EXPECT_EXIT(
            {
                Scripted s(std::string("wait 0\n") + script);
                s.driver.wait_input(100);
            },
            testing::ExitedWithCode(2), "^2: there is no .* window on screen")
            << script;
    }
    EXPECT_EXIT(
        {
            Scripted s("click-screen 5 5");
            s.driver.wait_input(100);
        },
        testing::ExitedWithCode(2), "^1: no window lies at screen pixel \\(5, 5\\)");
    EXPECT_EXIT(
        {
            Scripted s("screen /nonexistent-dir/x.png");
            s.driver.wait_input(100);
        },
        testing::ExitedWithCode(2), "^1: cannot write \"/nonexistent-dir/x.png\"");
}

// ---- Carrying out, on the layer's windows -------------------------------------------

namespace {

LRESULT CALLBACK plain_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

// The layer on a fresh headless driver with the runtime's two windows
// stood in for by plain windows of their classes.
struct OnLayer {
    HeadlessDriver& driver;
    runner::Runner user;
    HWND graphics = nullptr, text = nullptr;

    explicit OnLayer(const std::string& script, const Options& options = Options{})
        : driver(ws::headless_start(1024, 768)), user(parse_ok(script), options) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = plain_proc;
        wc.lpszClassName = "DrawWndClass";
        RegisterClassA(&wc);
        wc.lpszClassName = "TextWndClass";
        RegisterClassA(&wc);
        graphics = CreateWindowExA(0, "DrawWndClass", "G", WS_CAPTION | WS_SYSMENU, 0, 0, 601, 540,
                                   nullptr, nullptr, nullptr, nullptr);
        text = CreateWindowExA(0, "TextWndClass", "T", WS_OVERLAPPEDWINDOW, 0, 513, 1024, 256,
                               nullptr, nullptr, nullptr, nullptr);
        ShowWindow(text, SW_SHOW);
        ShowWindow(graphics, SW_SHOW);
        driver.set_idle_handler(
            [this](HeadlessDriver& d, uint64_t deadline) { user.on_idle(d, deadline); });
        drain(driver);
    }
    int native(HWND h) { return ws::wm_window(h)->native; }
    ws::Rect client(HWND h) { return ws::wm_client_in_surface(*ws::wm_window(h)); }
};

} // namespace

TEST(RunnerOnLayer, ClicksLandWhereTheRuntimeLooksForThem) {
    OnLayer s("click 10 20\nclick -300 250\nclick-client 0 0\n");
    ws::Rect c = s.client(s.graphics);
    ASSERT_FALSE(c.empty());
    int ox = c.width() / 2, oy = c.height() / 2;

    s.driver.wait_input(100);
    std::vector<InputEvent> ev = drain(s.driver);
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].window, s.native(s.graphics));
    EXPECT_EQ(ev[0].x, c.left + ox + 10);
    EXPECT_EQ(ev[0].y, c.top + oy - 20);
    EXPECT_EQ(ev[1].kind, InputEvent::Kind::PointerUp);

    s.driver.wait_input(100);
    ev = drain(s.driver);
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].x, c.left + ox - 300);
    EXPECT_EQ(ev[0].y, c.top + oy - 250);

    s.driver.wait_input(100);
    ev = drain(s.driver);
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].x, c.left);
    EXPECT_EQ(ev[0].y, c.top);
}

TEST(RunnerOnLayer, FocusAndCloseNameTheWindowsNativeWindow) {
    OnLayer s("focus text\nclose graphics\n");
    s.driver.wait_input(100);
    std::vector<InputEvent> ev = drain(s.driver);
    ASSERT_FALSE(ev.empty());
    EXPECT_EQ(ev.back().kind, InputEvent::Kind::FocusIn);
    EXPECT_EQ(ev.back().window, s.native(s.text));
    EXPECT_EQ(s.driver.focused_window(), s.native(s.text));

    s.driver.wait_input(100);
    ev = drain(s.driver);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, InputEvent::Kind::Close);
    EXPECT_EQ(ev[0].window, s.native(s.graphics));

    // Commands done: the end-of-script close is given once only.
    s.driver.wait_input(100);
    ev = drain(s.driver);
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].kind, InputEvent::Kind::Close);
    s.driver.wait_input(300);
    EXPECT_TRUE(drain(s.driver).empty());
    EXPECT_EQ(s.driver.now_ms(), 300u);
}

TEST(RunnerOnLayer, AHiddenWindowCannotBeFocused) {
    EXPECT_EXIT(
        {
            OnLayer s("focus text");
            ShowWindow(s.text, SW_HIDE);
            s.driver.wait_input(100);
        },
        testing::ExitedWithCode(2), "^1: there is no text window on screen");
}

TEST(RunnerOnLayer, ShotIsTheClientAreaAsLastPresented) {
    std::string file = testing::TempDir() + "runner_shot.png";
    OnLayer s("shot " + file + "\n");
    const ws::HeadlessDriver::NativeWindow* n = s.driver.window(s.native(s.graphics));
    int w = n->info.width, h = n->info.height;
    std::vector<uint32_t> frame(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            frame[static_cast<size_t>(y) * w + x] = static_cast<uint32_t>((y << 12) | x);
    s.driver.present(s.native(s.graphics), frame.data(), w, h, w, {0, 0, w, h});

    s.driver.wait_input(100);
    ws::Rect c = s.client(s.graphics);
    std::vector<uint32_t> px;
    int pw = 0, ph = 0;
    ASSERT_TRUE(ws::read_png(file.c_str(), px, pw, ph));
    EXPECT_EQ(pw, c.width());
    EXPECT_EQ(ph, c.height());
    EXPECT_EQ(px[0], static_cast<uint32_t>((c.top << 12) | c.left));
    EXPECT_EQ(px.back(), static_cast<uint32_t>(((c.bottom - 1) << 12) | (c.right - 1)));
}

TEST(RunnerOnLayer, ConsoleAndTranscriptHoldTheTextWindowsLinesAsShown) {
    std::string console = testing::TempDir() + "runner_console.txt";
    Options options;
    options.transcript_path = testing::TempDir() + "runner_transcript.txt";
    std::remove(options.transcript_path.c_str());
    OnLayer s("console " + console + "\n", options);
    // More messages than the window keeps, through the runtime: each is one
    // line of the window, without its one trailing newline; a newline inside
    // a message (drawn on its one line) ends a line of the files too, and a
    // message longer than the window is wide, which it cuts off, is kept
    // whole up to the formatting's 1023 characters.
    std::vector<std::string> shown;
    for (int n = 0; n < 25; ++n) {
        KV319_printf("line %d", n);
        shown.push_back("line " + std::to_string(n));
    }
    KV319_printf("first\n");
    KV319_printf("");
    KV319_printf("two\nlines");
    KV319_printf("ends twice\n\n");
    KV319_printf("%s", std::string(1500, 'w').c_str());
    for (std::string line : {"first", "", "two\nlines", "ends twice\n"})
        shown.push_back(line);
    shown.push_back(std::string(1023, 'w'));

    s.driver.wait_input(100);
    std::string last, all;
    for (size_t i = 0; i < shown.size(); ++i) {
        all += shown[i] + "\n";
        if (i >= shown.size() - runner::CONSOLE_LINES) last += shown[i] + "\n";
    }
    EXPECT_EQ(read_text(console), last);
    // Written when the program has ended, and only then.
    EXPECT_FALSE(std::ifstream(options.transcript_path).good());
    s.user.finish_transcript();
    EXPECT_EQ(read_text(options.transcript_path), all);
}

TEST(RunnerOnLayer, ARunnerErrorStillWritesTheTranscript) {
    std::string path = testing::TempDir() + "runner_error_transcript.txt";
    std::remove(path.c_str());
    EXPECT_EXIT(
        {
            Options options;
            options.transcript_path = path;
            OnLayer s("focus dialog\n", options);
            KV319_printf("said before the error");
            s.driver.wait_input(100);
        },
        testing::ExitedWithCode(2), "^1: there is no dialog window on screen");
    EXPECT_EQ(read_text(path), "said before the error\n");
}
