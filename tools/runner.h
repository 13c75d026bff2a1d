// runner.h: the scripted user of the headless runner.
//
// A command script is parsed and checked whole before the program starts
// (parse_script); a Runner then carries it out from the headless driver's
// idle handler, one step each time the program waits with nothing queued,
// as a person acts on what is on screen. A program that goes on without
// waiting (continuous script playback) gets a step every BUSY_LOOKS looks
// at its empty input queue instead (ScriptedDriver), as a person can act
// while it runs. Runner errors (a bad line, a window that is not there, the
// program running past --max-ticks) print "LINE: message" on stderr and end
// the process with status 2.
//
// Of the runtime the runner knows only the hook that hands it every line
// of the text window as the window shows it (kv319_runner_hook.h): it keeps
// the last CONSOLE_LINES for `console`, and with --transcript every line
// since the start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "headless_driver.h"

namespace runner {

// Virtual time of one timer period ("tick") of the program.
inline constexpr uint64_t TICK_MS = 100;
inline constexpr int EXIT_RUNNER_ERROR = 2;

// Bounds of a command script: far beyond any check's needs, they keep an
// input that never ends (a device, a runaway pipe) from taking all memory.
inline constexpr size_t MAX_SCRIPT_BYTES = size_t{4} << 20; // 4 MiB
inline constexpr size_t MAX_LINE_LENGTH = 4096;             // characters, without the newline

// The lines the text window keeps, and `console` writes.
inline constexpr size_t CONSOLE_LINES = 25;

struct Options {
    std::string input_path;      // empty: standard input
    std::string transcript_path; // --transcript: empty for none
    int screen_width = 1024, screen_height = 768;
    uint64_t max_ticks = 100000;
    bool help = false; // --help: print the usage and stop
};

// The usage text that --help and a bad option print, naming the program
// by the last part of argv[0]; the options' lines alone.
std::string usage(const char* argv0);
extern const char* const USAGE_OPTIONS;

// Reads the command line (argv[0] is the program). False with a message in
// `error` for an unknown option or a bad value.
bool parse_options(int argc, const char* const* argv, Options& options, std::string& error);

// One key press as a person makes it: modifiers held around one key.
struct KeyPress {
    int vk = 0; // virtual-key code
    int ch = 0; // the character it produces on a US layout, 0 for none
    bool ctrl = false, shift = false, alt = false;
};

// The press of the key `keys` names, as `key` takes it: "a", "A", "7",
// "ctrl+p", "shift+a", "alt+r", "Enter", "F5"... False for an unknown name.
bool parse_key(const std::string& keys, KeyPress& press);
// The press that types character c on a US layout (shift where needed).
// False for a character no key of it types.
bool key_for_char(char c, KeyPress& press);

enum class CommandKind {
    Click,       // x, y: graphics coordinates
    ClickClient, // x, y: client pixel
    ClickScreen, // x, y: screen pixel
    Key,         // keys: one press
    Type,        // keys: one press per character
    Wait,        // ticks
    Focus,       // target
    Close,       // target
    Shot,        // file
    Screen,      // file
    Console,     // file
};
enum class Target { Graphics, Text, Dialog };

struct Command {
    CommandKind kind = CommandKind::Wait;
    int line = 0; // of the script, from 1
    int x = 0, y = 0;
    uint64_t ticks = 0;
    Target target = Target::Graphics;
    std::string file;
    std::vector<KeyPress> keys;
};

// Parses a whole script: one command a line; blank lines and lines whose
// first non-blank character is '#' are skipped. A line longer than
// MAX_LINE_LENGTH is an error, whatever it holds. On the first bad line,
// false with "LINE: message" in `error`. `options` gives the screen that
// click-screen positions must lie on.
bool parse_script(const std::string& text, const Options& options, std::vector<Command>& commands,
                  std::string& error);

// How often a program that goes on without waiting may look at its empty
// input queue before the scripted user takes a step anyway. In continuous
// script playback each scripted event is one look.
inline constexpr uint64_t BUSY_LOOKS = 100;

// The headless driver of a scripted run. Besides the idle handler, which
// runs when the program blocks with nothing to take, it has a busy handler,
// which runs after every BUSY_LOOKS looks at an empty input queue without
// blocking in between; input it pushes is taken at once.
class ScriptedDriver : public ws::HeadlessDriver {
  public:
    using BusyHandler = std::function<void(ws::HeadlessDriver&)>;
    using HeadlessDriver::HeadlessDriver;

    void set_busy_handler(BusyHandler handler) { busy_ = std::move(handler); }
    bool next_input(ws::InputEvent& event) override;
    void wait_input(uint64_t deadline_ms) override;

  private:
    uint64_t empty_looks_ = 0; // since the program last blocked
    BusyHandler busy_;
};

// Resets the window-system layer and starts it afresh on a new ScriptedDriver
// with the given screen, as ws::headless_start does with a plain one.
ScriptedDriver& scripted_start(int screen_width, int screen_height);

class Runner {
  public:
    // Takes the text window's lines from the runtime from now on, until the
    // runner goes; with a transcript, every line is kept in a temporary file
    // (a long run costs no memory). One runner at a time.
    Runner(std::vector<Command> commands, const Options& options);
    ~Runner();
    Runner(const Runner&) = delete;
    Runner& operator=(const Runner&) = delete;

    // The driver's idle handler: carries out what comes next. Commands that
    // give no input (shot, screen, console) run at once and the next one
    // follows; an input command pushes its events and returns, so that the
    // program handles them; wait moves the clock (never past the program's
    // own deadline in one step). When the commands run out, the graphics
    // window is closed, once, and time passes until the program ends.
    void on_idle(ws::HeadlessDriver& driver, uint64_t deadline_ms);
    // The busy handler: the program runs on without waiting. What it drew
    // is shown, and the next step is taken as at idle, with a wait moving
    // the clock one timer period per call.
    void on_busy(ws::HeadlessDriver& driver);

    size_t commands_done() const { return next_; }

    // One more line of the text window, as the runtime's hook hands it over.
    void take_text_line(const char* line);
    // Writes the --transcript file, once, as `console` writes its file: every
    // line the text window has received, one per line. Called when the
    // program has ended, and by fail(). A file that cannot be written is a
    // runner error.
    void finish_transcript();

  private:
    void finish(ws::HeadlessDriver& driver, uint64_t deadline_ms);
    void move_clock(ws::HeadlessDriver& driver, uint64_t to_ms, int line);
    void carry_out_input(ws::HeadlessDriver& driver, const Command& command);
    void carry_out_output(ws::HeadlessDriver& driver, const Command& command);

    std::vector<Command> commands_;
    Options options_;
    size_t next_ = 0;      // the command being carried out
    bool waiting_ = false; // a wait has begun and runs until wait_until_
    uint64_t wait_until_ = 0;
    size_t typed_ = 0;                // characters of the current type command pushed
    bool closed_ = false;             // the end-of-script close has been given
    std::deque<std::string> console_; // the text window's last CONSOLE_LINES lines
    std::FILE* transcript_ = nullptr; // every line so far, with --transcript
};

// Ends the process as a runner error: "LINE: message" (no line when 0) on
// stderr, status 2. The transcript is written after the message: what the
// program said until then.
[[noreturn]] void fail(int line, const std::string& message);

} // namespace runner
