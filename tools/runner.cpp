// runner.cpp: the scripted user of the headless runner.
//
// Parsing turns every line into a ready Command (key presses already
// resolved), so that nothing can go wrong with a command's form once the
// program runs; only what depends on the screen (a window that is not
// there, a file that cannot be written) is found out while carrying it
// out. Keys follow a US keyboard layout.
#include "runner.h"

#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "headless_start.h"
#include "kv319_runner_hook.h"
#include "png_io.h"
#include "wm.h"

namespace runner {

std::string usage(const char* argv0) {
    // Any KV319 program linked with the headless entry takes these options:
    // name the one that runs.
    std::string program = argv0 && *argv0 ? argv0 : "program";
    size_t slash = program.find_last_of('/');
    if (slash != std::string::npos && slash + 1 < program.size()) program.erase(0, slash + 1);
    return "usage: " + program +
           " [--input FILE] [--screen WxH] [--max-ticks N] [--transcript FILE]\n" + USAGE_OPTIONS;
}

const char* const USAGE_OPTIONS =
    "  --input FILE    commands of the scripted user, one a line (default: standard input)\n"
    "  --screen WxH    virtual screen size (default 1024x768)\n"
    "  --max-ticks N   give up after N timer periods of virtual time (default 100000)\n"
    "  --transcript FILE  write every line of the text window to FILE\n"
    "commands, one a line: click X Y, click-client PX PY, click-screen SX SY, key KEYS,\n"
    "  type TEXT, wait N, focus|close graphics|text|dialog, shot FILE, screen FILE,\n"
    "  console FILE; blank lines and lines starting with # are skipped\n";

// Limits that keep every later computation far from overflow.
constexpr int64_t MAX_COORDINATE = 1000000;
constexpr uint64_t MAX_TICKS = 1000000000000ULL; // 10^12 ticks: over 3000 years
constexpr int MIN_SCREEN_SIDE = 100;
constexpr int MAX_SCREEN_SIDE = 16384;

// Virtual keys of the punctuation keys on a US layout.
constexpr int VK_OEM_1 = 0xBA;      // ; :
constexpr int VK_OEM_PLUS = 0xBB;   // = +
constexpr int VK_OEM_COMMA = 0xBC;  // , <
constexpr int VK_OEM_MINUS = 0xBD;  // - _
constexpr int VK_OEM_PERIOD = 0xBE; // . >
constexpr int VK_OEM_2 = 0xBF;      // / ?
constexpr int VK_OEM_3 = 0xC0;      // ` ~
constexpr int VK_OEM_4 = 0xDB;      // [ {
constexpr int VK_OEM_5 = 0xDC;      // \ |
constexpr int VK_OEM_6 = 0xDD;      // ] }
constexpr int VK_OEM_7 = 0xDE;      // ' "

// The runner that takes the text window's lines, if any.
static Runner* listening = nullptr;

void fail(int line, const std::string& message) {
    if (line > 0)
        std::fprintf(stderr, "%d: %s\n", line, message.c_str());
    else
        std::fprintf(stderr, "%s\n", message.c_str());
    if (listening) listening->finish_transcript();
    // Flush the program's own files too, then stop without running the
    // destructors of a layer that is still in the middle of a call.
    std::fflush(nullptr);
    std::_Exit(EXIT_RUNNER_ERROR);
}

// ---- Numbers and words -----------------------------------------------------

// A whole decimal integer within [lo, hi].
static bool parse_integer(const std::string& s, int64_t lo, int64_t hi, int64_t& value) {
    if (s.empty()) return false;
    size_t i = (s[0] == '-' || s[0] == '+') ? 1 : 0;
    if (i == s.size()) return false;
    for (size_t j = i; j < s.size(); ++j)
        if (!std::isdigit(static_cast<unsigned char>(s[j]))) return false;
    errno = 0;
    long long v = std::strtoll(s.c_str(), nullptr, 10);
    if (errno == ERANGE || v < lo || v > hi) return false;
    value = v;
    return true;
}

static std::vector<std::string> split_words(const std::string& s) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
        size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t')
            ++i;
        if (i > start) words.push_back(s.substr(start, i - start));
    }
    return words;
}

static std::string trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

static std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// ---- Options ---------------------------------------------------------------

// A whole number of decimal digits, no sign, within [lo, hi].
static bool parse_count(const std::string& s, int64_t lo, int64_t hi, int64_t& value) {
    return !s.empty() && std::isdigit(static_cast<unsigned char>(s[0])) &&
           parse_integer(s, lo, hi, value);
}

static bool parse_screen(const std::string& s, int& width, int& height) {
    size_t x = s.find('x');
    int64_t w, h;
    if (x == std::string::npos ||
        !parse_count(s.substr(0, x), MIN_SCREEN_SIDE, MAX_SCREEN_SIDE, w) ||
        !parse_count(s.substr(x + 1), MIN_SCREEN_SIDE, MAX_SCREEN_SIDE, h))
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool parse_options(int argc, const char* const* argv, Options& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i], value;
        bool has_value = false;
        size_t eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            has_value = true;
        }
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg != "--input" && arg != "--screen" && arg != "--max-ticks" &&
            arg != "--transcript") {
            error = "unknown option \"" + std::string(argv[i]) + "\"";
            return false;
        }
        if (!has_value) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (arg == "--input") {
            if (value.empty()) {
                error = "--input needs a file name";
                return false;
            }
            options.input_path = value == "-" ? std::string() : value;
        } else if (arg == "--transcript") {
            if (value.empty()) {
                error = "--transcript needs a file name";
                return false;
            }
            options.transcript_path = value;
        } else if (arg == "--screen") {
            if (!parse_screen(value, options.screen_width, options.screen_height)) {
                error = "--screen wants WxH, each from " + std::to_string(MIN_SCREEN_SIDE) +
                        " to " + std::to_string(MAX_SCREEN_SIDE) + ", not \"" + value + "\"";
                return false;
            }
        } else {
            int64_t n;
            if (!parse_count(value, 0, static_cast<int64_t>(MAX_TICKS), n)) {
                error = "--max-ticks wants a whole number from 0 to " + std::to_string(MAX_TICKS) +
                        ", not \"" + value + "\"";
                return false;
            }
            options.max_ticks = static_cast<uint64_t>(n);
        }
    }
    return true;
}

// ---- Keys ------------------------------------------------------------------

// Printable characters that need shift, and the unshifted character of
// their key, on a US layout.
static const char SHIFTED[] = "!@#$%^&*()_+{}|:\"<>?~";
static const char UNSHIFTED[] = "1234567890-=[]\\;',./`";

static int punctuation_vk(char c) {
    switch (c) {
    case ';':
        return VK_OEM_1;
    case '=':
        return VK_OEM_PLUS;
    case ',':
        return VK_OEM_COMMA;
    case '-':
        return VK_OEM_MINUS;
    case '.':
        return VK_OEM_PERIOD;
    case '/':
        return VK_OEM_2;
    case '`':
        return VK_OEM_3;
    case '[':
        return VK_OEM_4;
    case '\\':
        return VK_OEM_5;
    case ']':
        return VK_OEM_6;
    case '\'':
        return VK_OEM_7;
    default:
        return 0;
    }
}

bool key_for_char(char c, KeyPress& press) {
    press = KeyPress{};
    if (c >= 'a' && c <= 'z') {
        press.vk = c - 'a' + 'A';
        press.ch = c;
    } else if (c >= 'A' && c <= 'Z') {
        press.vk = c;
        press.ch = c;
        press.shift = true;
    } else if (c >= '0' && c <= '9') {
        press.vk = c;
        press.ch = c;
    } else if (c == ' ') {
        press.vk = VK_SPACE;
        press.ch = ' ';
    } else if (c == '\t') {
        press.vk = VK_TAB;
        press.ch = '\t';
    } else if (const char* s = c ? std::strchr(SHIFTED, c) : nullptr) {
        char base = UNSHIFTED[s - SHIFTED];
        press.vk = base >= '0' && base <= '9' ? base : punctuation_vk(base);
        press.ch = c;
        press.shift = true;
    } else if (int vk = punctuation_vk(c)) {
        press.vk = vk;
        press.ch = c;
    } else {
        return false;
    }
    return true;
}

struct NamedKey {
    const char* name; // lower case
    int vk;
    int ch;
};

static const NamedKey NAMED_KEYS[] = {
    {"enter", VK_RETURN, 13}, {"escape", VK_ESCAPE, 27}, {"backspace", VK_BACK, 8},
    {"tab", VK_TAB, 9},       {"space", VK_SPACE, 32},   {"delete", VK_DELETE, 0},
    {"home", VK_HOME, 0},     {"end", VK_END, 0},        {"left", VK_LEFT, 0},
    {"right", VK_RIGHT, 0},   {"up", VK_UP, 0},          {"down", VK_DOWN, 0},
};

static bool parse_key_name(const std::string& name, KeyPress& press) {
    if (name.size() == 1) return name[0] != ' ' && name[0] != '\t' && key_for_char(name[0], press);
    press = KeyPress{};
    std::string n = lower(name);
    for (const NamedKey& k : NAMED_KEYS)
        if (n == k.name) {
            press.vk = k.vk;
            press.ch = k.ch;
            return true;
        }
    int64_t f;
    if (n.size() >= 2 && n[0] == 'f' && std::isdigit(static_cast<unsigned char>(n[1])) &&
        parse_integer(n.substr(1), 1, 12, f)) {
        press.vk = VK_F1 + static_cast<int>(f) - 1;
        return true;
    }
    return false;
}

bool parse_key(const std::string& keys, KeyPress& press) {
    bool ctrl = false, shift = false, alt = false;
    std::string rest = keys;
    // Modifiers come first, each followed by '+'; what is left is the key,
    // which may itself be '+'.
    for (;;) {
        size_t plus = rest.find('+');
        if (plus == std::string::npos || plus == 0 || plus + 1 >= rest.size()) break;
        std::string mod = lower(rest.substr(0, plus));
        if (mod == "ctrl" || mod == "control")
            ctrl = true;
        else if (mod == "shift")
            shift = true;
        else if (mod == "alt")
            alt = true;
        else
            return false;
        rest = rest.substr(plus + 1);
    }
    if (!parse_key_name(rest, press)) return false;

    if (shift && !press.shift) {
        press.shift = true;
        if (press.ch >= 'a' && press.ch <= 'z') {
            press.ch = press.ch - 'a' + 'A';
        } else if (const char* u = press.ch > 32 && press.ch < 127
                                       ? std::strchr(UNSHIFTED, static_cast<char>(press.ch))
                                       : nullptr) {
            press.ch = SHIFTED[u - UNSHIFTED];
        }
    }
    if (ctrl) {
        press.ctrl = true;
        // Control with a letter gives its control code; with Enter a line
        // feed, with Backspace DEL; other printable keys give nothing.
        if (press.vk >= 'A' && press.vk <= 'Z')
            press.ch = press.vk - 'A' + 1;
        else if (press.vk == VK_RETURN)
            press.ch = 10;
        else if (press.vk == VK_BACK)
            press.ch = 127;
        else if (press.vk != VK_ESCAPE && press.vk != VK_TAB && press.vk != VK_SPACE)
            press.ch = 0;
    }
    press.alt = alt;
    return true;
}

// ---- The script ------------------------------------------------------------

struct CommandName {
    const char* name;
    CommandKind kind;
};

static const CommandName COMMANDS[] = {
    {"click", CommandKind::Click},
    {"click-client", CommandKind::ClickClient},
    {"click-screen", CommandKind::ClickScreen},
    {"key", CommandKind::Key},
    {"type", CommandKind::Type},
    {"wait", CommandKind::Wait},
    {"focus", CommandKind::Focus},
    {"close", CommandKind::Close},
    {"shot", CommandKind::Shot},
    {"screen", CommandKind::Screen},
    {"console", CommandKind::Console},
};

// Parses one non-blank line into `c`; false with the message (no line).
static bool parse_line(const std::string& line, const Options& options, Command& c,
                       std::string& error) {
    std::string body = trim(line);
    size_t name_end = body.find_first_of(" \t");
    std::string name = body.substr(0, name_end);
    std::string rest = name_end == std::string::npos ? std::string() : body.substr(name_end);
    std::vector<std::string> args = split_words(rest);

    const CommandName* found = nullptr;
    for (const CommandName& n : COMMANDS)
        if (name == n.name) found = &n;
    if (!found) {
        error = "unknown command \"" + name + "\"";
        return false;
    }
    c.kind = found->kind;

    switch (c.kind) {
    case CommandKind::Click:
    case CommandKind::ClickClient:
    case CommandKind::ClickScreen: {
        const char* form = c.kind == CommandKind::Click         ? "click X Y"
                           : c.kind == CommandKind::ClickClient ? "click-client PX PY"
                                                                : "click-screen SX SY";
        int64_t x, y;
        if (args.size() != 2) {
            error = std::string(name) + " wants two numbers: " + form;
            return false;
        }
        for (int i = 0; i < 2; ++i)
            if (!parse_integer(args[i], -MAX_COORDINATE, MAX_COORDINATE, i ? y : x)) {
                error = "bad number \"" + args[i] + "\" for " + form;
                return false;
            }
        if (c.kind == CommandKind::ClickScreen &&
            (x < 0 || y < 0 || x >= options.screen_width || y >= options.screen_height)) {
            error = "(" + args[0] + ", " + args[1] + ") lies outside the " +
                    std::to_string(options.screen_width) + "x" +
                    std::to_string(options.screen_height) + " screen";
            return false;
        }
        c.x = static_cast<int>(x);
        c.y = static_cast<int>(y);
        return true;
    }
    case CommandKind::Key: {
        KeyPress press;
        if (args.size() != 1) {
            error = "key wants one key, such as a, A, ctrl+p, Enter or F1";
            return false;
        }
        if (!parse_key(args[0], press)) {
            error = "unknown key \"" + args[0] + "\"";
            return false;
        }
        c.keys.push_back(press);
        return true;
    }
    case CommandKind::Type: {
        // The text is the rest of the line after one blank, kept as written.
        std::string text = line.substr(line.find_first_not_of(" \t"));
        text = text.size() > 5 ? text.substr(5) : std::string();
        if (text.empty()) {
            error = "type wants the text to type";
            return false;
        }
        for (char ch : text) {
            KeyPress press;
            if (!key_for_char(ch, press)) {
                char code[8];
                std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned char>(ch));
                error = std::string("no key types the character ") + code;
                return false;
            }
            c.keys.push_back(press);
        }
        return true;
    }
    case CommandKind::Wait: {
        int64_t n;
        if (args.size() != 1 || !parse_count(args[0], 0, static_cast<int64_t>(MAX_TICKS), n)) {
            error = "wait wants a whole number of timer periods, from 0 to " +
                    std::to_string(MAX_TICKS);
            return false;
        }
        c.ticks = static_cast<uint64_t>(n);
        return true;
    }
    case CommandKind::Focus:
    case CommandKind::Close: {
        if (args.size() == 1 && args[0] == "graphics")
            c.target = Target::Graphics;
        else if (args.size() == 1 && args[0] == "text")
            c.target = Target::Text;
        else if (args.size() == 1 && args[0] == "dialog")
            c.target = Target::Dialog;
        else {
            error = name + " wants one of graphics, text, dialog";
            return false;
        }
        return true;
    }
    case CommandKind::Shot:
    case CommandKind::Screen:
    case CommandKind::Console:
        c.file = trim(rest);
        if (c.file.empty()) {
            error = name + " wants a file name";
            return false;
        }
        return true;
    }
    return false;
}

bool parse_script(const std::string& text, const Options& options, std::vector<Command>& commands,
                  std::string& error) {
    commands.clear();
    int number = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > MAX_LINE_LENGTH) {
            error = std::to_string(number) + ": the line is longer than " +
                    std::to_string(MAX_LINE_LENGTH) + " characters";
            return false;
        }
        std::string body = trim(line);
        if (body.empty() || body[0] == '#') continue;
        if (line.find('\0') != std::string::npos) {
            error = std::to_string(number) + ": the line holds a zero byte";
            return false;
        }
        Command c;
        c.line = number;
        std::string message;
        if (!parse_line(line, options, c, message)) {
            error = std::to_string(number) + ": " + message;
            return false;
        }
        commands.push_back(std::move(c));
    }
    return true;
}

// ---- Carrying out ----------------------------------------------------------

static void take_hooked_line(const char* line) {
    if (listening) listening->take_text_line(line);
}

Runner::Runner(std::vector<Command> commands, const Options& options)
    : commands_(std::move(commands)), options_(options) {
    if (!options_.transcript_path.empty() && !(transcript_ = std::tmpfile()))
        fail(0, "cannot keep a transcript: no temporary file can be made");
    listening = this;
    KV319_set_text_line_hook(take_hooked_line);
}

Runner::~Runner() {
    if (listening == this) {
        KV319_set_text_line_hook(nullptr);
        listening = nullptr;
    }
    if (transcript_) std::fclose(transcript_);
}

void Runner::take_text_line(const char* line) {
    if (console_.size() == CONSOLE_LINES) console_.pop_front();
    console_.emplace_back(line);
    // A failed write shows in the stream's error flag when the file is made.
    if (transcript_) {
        std::fputs(line, transcript_);
        std::fputc('\n', transcript_);
    }
}

void Runner::finish_transcript() {
    std::FILE* spool = transcript_;
    if (!spool) return;
    transcript_ = nullptr; // once, even when fail() comes back here
    bool ok = !std::ferror(spool) && std::fflush(spool) == 0 &&
              std::fseek(spool, 0, SEEK_SET) == 0 &&
              ws::write_file_whole(options_.transcript_path.c_str(), [spool](std::FILE* f) {
                  char buffer[65536];
                  size_t n;
                  while ((n = std::fread(buffer, 1, sizeof buffer, spool)) > 0)
                      if (std::fwrite(buffer, 1, n, f) != n) return false;
                  return !std::ferror(spool);
              });
    std::fclose(spool);
    if (!ok) fail(0, "cannot write \"" + options_.transcript_path + "\"");
}

static const char* target_name(Target t) {
    switch (t) {
    case Target::Graphics:
        return "graphics";
    case Target::Text:
        return "text";
    case Target::Dialog:
        return "dialog";
    }
    return "?";
}

// The top-level window for `target`, through the layer's window table:
// the topmost one when several match. With `shown`, only a window that is
// on screen counts (a dialog always must be).
static ws::Window* find_window(const ws::HeadlessDriver& driver, Target target, bool shown) {
    const char* cls = target == Target::Graphics ? "DrawWndClass"
                      : target == Target::Text   ? "TextWndClass"
                                                 : "#32770";
    if (target == Target::Dialog) shown = true;
    ws::Window* best = nullptr;
    uint64_t best_z = 0;
    ws::wm_windows().for_each([&](uintptr_t, ws::Window& w) {
        if (!ws::wm_is_top_level(w) || w.destroying || !w.cls || w.cls->name != cls) return;
        const ws::HeadlessDriver::NativeWindow* n = driver.window(w.native);
        if (!n || !n->alive) return;
        if (shown && (!w.visible || !n->shown)) return;
        if (!best || n->z > best_z) {
            best = &w;
            best_z = n->z;
        }
    });
    return best;
}

static ws::Window& need_window(const ws::HeadlessDriver& driver, Target target, int line) {
    ws::Window* w = find_window(driver, target, true);
    if (!w) fail(line, std::string("there is no ") + target_name(target) + " window on screen");
    return *w;
}

static void push_click(ws::HeadlessDriver& driver, int native, int64_t sx, int64_t sy) {
    ws::InputEvent e;
    e.window = native;
    e.x = static_cast<int>(sx);
    e.y = static_cast<int>(sy);
    e.button = 1;
    e.kind = ws::InputEvent::Kind::PointerDown;
    driver.push_input(e);
    e.kind = ws::InputEvent::Kind::PointerUp;
    driver.push_input(e);
}

static void push_key_event(ws::HeadlessDriver& driver, bool down, int vk, int ch) {
    ws::InputEvent e;
    e.kind = down ? ws::InputEvent::Kind::KeyDown : ws::InputEvent::Kind::KeyUp;
    e.window = driver.focused_window();
    e.vk = vk;
    e.ch = down ? ch : 0;
    driver.push_input(e);
}

static void push_press(ws::HeadlessDriver& driver, const KeyPress& p) {
    if (p.ctrl) push_key_event(driver, true, VK_CONTROL, 0);
    if (p.alt) push_key_event(driver, true, VK_MENU, 0);
    if (p.shift) push_key_event(driver, true, VK_SHIFT, 0);
    push_key_event(driver, true, p.vk, p.ch);
    push_key_event(driver, false, p.vk, 0);
    if (p.shift) push_key_event(driver, false, VK_SHIFT, 0);
    if (p.alt) push_key_event(driver, false, VK_MENU, 0);
    if (p.ctrl) push_key_event(driver, false, VK_CONTROL, 0);
}

void Runner::carry_out_input(ws::HeadlessDriver& driver, const Command& c) {
    switch (c.kind) {
    case CommandKind::Click:
    case CommandKind::ClickClient: {
        ws::Window& w = need_window(driver, Target::Graphics, c.line);
        ws::Rect client = ws::wm_client_in_surface(w);
        int64_t px = c.x, py = c.y;
        if (c.kind == CommandKind::Click) {
            // The runtime's origin: the client centre, divisions truncating.
            px = int64_t{c.x} + client.width() / 2;
            py = int64_t{client.height() / 2} - c.y;
        }
        push_click(driver, w.native, client.left + px, client.top + py);
        return;
    }
    case CommandKind::ClickScreen: {
        int id = driver.window_at(c.x, c.y);
        if (id < 0)
            fail(c.line, "no window lies at screen pixel (" + std::to_string(c.x) + ", " +
                             std::to_string(c.y) + ")");
        const ws::NativeWindowInfo& info = driver.window(id)->info;
        push_click(driver, id, int64_t{c.x} - info.x, int64_t{c.y} - info.y);
        return;
    }
    case CommandKind::Key:
        push_press(driver, c.keys[0]);
        return;
    case CommandKind::Type:
        push_press(driver, c.keys[typed_]);
        return;
    case CommandKind::Focus: {
        ws::Window& w = need_window(driver, c.target, c.line);
        int before = driver.focused_window();
        if (before >= 0 && before != w.native) {
            ws::InputEvent out;
            out.kind = ws::InputEvent::Kind::FocusOut;
            out.window = before;
            driver.push_input(out);
        }
        ws::InputEvent in;
        in.kind = ws::InputEvent::Kind::FocusIn;
        in.window = w.native;
        driver.push_input(in);
        return;
    }
    case CommandKind::Close: {
        ws::InputEvent e;
        e.kind = ws::InputEvent::Kind::Close;
        e.window = need_window(driver, c.target, c.line).native;
        driver.push_input(e);
        return;
    }
    default:
        return;
    }
}

void Runner::carry_out_output(ws::HeadlessDriver& driver, const Command& c) {
    bool ok = false;
    switch (c.kind) {
    case CommandKind::Shot: {
        ws::Window* w = find_window(driver, Target::Graphics, false);
        if (!w) fail(c.line, "there is no graphics window to take a shot of");
        const ws::HeadlessDriver::NativeWindow* n = driver.window(w->native);
        ws::Rect client =
            ws::wm_client_in_surface(*w).intersect({0, 0, n->info.width, n->info.height});
        if (client.empty()) fail(c.line, "the graphics window has no client area to take");
        const uint32_t* first =
            n->pixels.data() + static_cast<ptrdiff_t>(client.top) * n->info.width + client.left;
        ok = ws::write_png(c.file.c_str(), first, client.width(), client.height(), n->info.width);
        break;
    }
    case CommandKind::Screen: {
        std::vector<uint32_t> screen = driver.compose_screen();
        ok = ws::write_png(c.file.c_str(), screen.data(), driver.screen_width(),
                           driver.screen_height(), driver.screen_width());
        break;
    }
    case CommandKind::Console:
        // The text window's last lines, oldest first, one per line.
        ok = ws::write_file_whole(c.file.c_str(), [this](std::FILE* f) {
            for (const std::string& line : console_) {
                std::fputs(line.c_str(), f);
                std::fputc('\n', f);
            }
            return true;
        });
        break;
    default:
        return;
    }
    if (!ok) fail(c.line, "cannot write \"" + c.file + "\"");
}

void Runner::move_clock(ws::HeadlessDriver& driver, uint64_t to_ms, int line) {
    if (to_ms > options_.max_ticks * TICK_MS) {
        std::string message = "the program did not end within " +
                              std::to_string(options_.max_ticks) +
                              " timer periods of virtual time (--max-ticks)";
        if (line == 0) message += " after the last command";
        fail(line, message);
    }
    driver.advance_to(to_ms);
}

void Runner::on_idle(ws::HeadlessDriver& driver, uint64_t deadline_ms) {
    while (next_ < commands_.size()) {
        const Command& c = commands_[next_];
        switch (c.kind) {
        case CommandKind::Shot:
        case CommandKind::Screen:
        case CommandKind::Console:
            carry_out_output(driver, c);
            ++next_;
            continue;
        case CommandKind::Wait: {
            uint64_t now = driver.now_ms();
            if (!waiting_) {
                waiting_ = true;
                wait_until_ = now + c.ticks * TICK_MS;
            }
            if (now >= wait_until_) {
                waiting_ = false;
                ++next_;
                continue;
            }
            move_clock(driver, std::min(deadline_ms, wait_until_), c.line);
            return;
        }
        case CommandKind::Type:
            carry_out_input(driver, c);
            if (++typed_ == c.keys.size()) {
                typed_ = 0;
                ++next_;
            }
            return;
        default:
            carry_out_input(driver, c);
            ++next_;
            return;
        }
    }
    finish(driver, deadline_ms);
}

void Runner::on_busy(ws::HeadlessDriver& driver) {
    ws::wm_present_all();
    on_idle(driver, driver.now_ms() + TICK_MS);
}

void Runner::finish(ws::HeadlessDriver& driver, uint64_t deadline_ms) {
    if (!closed_) {
        closed_ = true;
        if (ws::Window* g = find_window(driver, Target::Graphics, false)) {
            ws::InputEvent e;
            e.kind = ws::InputEvent::Kind::Close;
            e.window = g->native;
            driver.push_input(e);
            return;
        }
    }
    // No timer left: nothing will ever happen, and the driver says so.
    if (deadline_ms == UINT64_MAX) return;
    move_clock(driver, deadline_ms, 0);
}

// ---- The driver -------------------------------------------------------------

bool ScriptedDriver::next_input(ws::InputEvent& event) {
    if (HeadlessDriver::next_input(event)) return true;
    if (++empty_looks_ < BUSY_LOOKS || !busy_) return false;
    empty_looks_ = 0;
    busy_(*this);
    return HeadlessDriver::next_input(event);
}

void ScriptedDriver::wait_input(uint64_t deadline_ms) {
    empty_looks_ = 0;
    HeadlessDriver::wait_input(deadline_ms);
}

ScriptedDriver& scripted_start(int screen_width, int screen_height) {
    auto* driver = new ScriptedDriver(screen_width, screen_height);
    ws::headless_start(driver);
    return *driver;
}

} // namespace runner
