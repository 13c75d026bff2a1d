// xvfb_session.h: what the real-window tests need around a program under
// test: a private X server on a free display, a window manager or a
// Wayland compositor on it, a connection to it (windows by title, their
// geometry and frames, the close box, the keyboard map), the program itself
// with its output kept in files, the input tool and screenshots.
//
// Every program started here gets the locale and environment it needs from
// here (a UTF-8 locale that every system has; no display but the one
// given), not from whoever runs the tests. Every wait here has a generous
// limit so that a broken program fails its test instead of hanging it; none
// of them measures speed.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct _XDisplay Display;

namespace e2e {

// An X server of its own (Xvfb, no window manager), ended when this goes.
// It keeps its resources when its last client leaves.
class XServer {
  public:
    // True when the X server program is installed.
    static bool installed();

    XServer(int width, int height);
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool running() const { return number_ >= 0; }
    std::string display() const { return ":" + std::to_string(number_); }
    // Ends the server at once, as a display that goes away.
    void stop();

  private:
    pid_t pid_ = -1;
    int number_ = -1;
};

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0; // position on the screen
};

// A client connection to the server.
class XClient {
  public:
    explicit XClient(const std::string& display);
    ~XClient();
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    bool connected() const { return display_ != nullptr; }
    // The shown top-level window with this exact title, waiting for it up to
    // timeout_ms; 0 when there is none by then.
    unsigned long wait_for_window(const std::string& title, int timeout_ms);
    // Waits until the window is no longer shown (or gone); false on timeout.
    bool wait_until_hidden(unsigned long window, int timeout_ms);
    // Whether a window manager has announced itself on the root window.
    bool window_manager_running();
    // Shown top-level windows without a title: pull-down menus.
    std::vector<unsigned long> untitled_windows();
    bool viewable(unsigned long window);
    Geometry geometry(unsigned long window);
    // The geometry of what stands on the screen for the window: the window
    // manager's frame around it, decorations included, or the window itself.
    Geometry frame_geometry(unsigned long window);
    // The window with the keyboard focus (0 for none), and giving it.
    unsigned long focus();
    void give_focus(unsigned long window);
    // A plain window of another client over the given area, which also
    // takes the keyboard focus; and its end, which lays bare what it hid.
    unsigned long cover(const Geometry& area);
    void uncover(unsigned long window);
    // Presses the window's close box: the window manager's delete request.
    void press_close_box(unsigned long window);
    // Sets the desktop's resource text (as xrdb does), read by programs
    // when they connect.
    void set_resources(const std::string& text);
    // Gives the keysym (by name, "eacute") a key of its own if no key
    // carries it, so that the input tool can type it without changing the
    // keyboard map under the program's feet. False when it cannot.
    bool map_keysym(const std::string& name);

  private:
    Display* display_ = nullptr;
};

// A program started in a working directory, with its standard output and
// error kept in files there (named after `name`), ended when this goes.
class Program {
  public:
    // On an X display; `display` empty: with neither DISPLAY nor WAYLAND_DISPLAY.
    Program(const std::string& path, const std::string& display, const std::string& workdir);
    // With these arguments and these settings added to the environment.
    Program(const std::string& path, const std::vector<std::string>& args,
            const std::vector<std::string>& settings, const std::string& workdir,
            const std::string& name = "program");
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool started() const { return pid_ > 0; }
    // Waits for the end; false on timeout. `status` is the exit status, or
    // 128 + the signal that ended it.
    bool wait_exit(int timeout_ms, int& status);
    std::string output() const; // standard output so far
    std::string errors() const; // standard error so far

  private:
    pid_t pid_ = -1;
    std::string out_, err_;
};

// A window manager (openbox) on a display, ended when this goes.
class WindowManager {
  public:
    static bool installed();
    // Starts it and waits until it has taken the screen.
    WindowManager(const std::string& display, const std::string& workdir);
    bool running() const { return running_; }

  private:
    std::unique_ptr<Program> process_;
    bool running_ = false;
};

// A Wayland compositor (Weston) in a window of an X display, whose seat is
// driven through that display; ended when this goes.
class Compositor {
  public:
    // Empty when the compositor and the window frames that clients draw
    // (libdecor's plugin) are installed, else what is missing.
    static std::string missing();
    Compositor(const std::string& display, int width, int height, const std::string& workdir);
    ~Compositor();
    Compositor(const Compositor&) = delete;
    Compositor& operator=(const Compositor&) = delete;
    bool running() const { return window_ != 0; }
    // The X window that shows the compositor's screen.
    unsigned long window() const { return window_; }
    // What a client needs in its environment to connect.
    std::vector<std::string> client_settings() const;
    std::string log() const;

  private:
    std::unique_ptr<Program> process_;
    std::string runtime_dir_, socket_;
    unsigned long window_ = 0;
};

// Runs a tool to its end with DISPLAY set (and the UTF-8 locale, which the
// input tool needs to type anything outside ASCII); returns its exit status
// (or -1).
int run_tool(const std::vector<std::string>& argv, const std::string& display,
             int timeout_ms = 20000);

// True when the input tool and the screenshot tool are installed.
bool tools_installed();

// A screenshot of one window, read back as 0x00RRGGBB pixels.
struct Shot {
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    uint32_t at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFFu;
        return pixels[static_cast<size_t>(y) * width + x];
    }
    // Pixels of exactly this colour in [x0, x1) x [y0, y1).
    int count(uint32_t colour, int x0, int y0, int x1, int y1) const;
};
bool screenshot(const std::string& display, unsigned long window, const std::string& path,
                Shot& shot);

// Lets the program under test run for a moment.
void pause_ms(int ms);
// A monotonic clock, milliseconds.
int64_t now_ms();

// Polls `done` until it holds or timeout_ms passes; whether it held.
template <typename Done> bool poll_until(Done done, int timeout_ms) {
    int64_t end = now_ms() + timeout_ms;
    for (;;) {
        if (done()) return true;
        if (now_ms() >= end) return false;
        pause_ms(20);
    }
}

// A fresh, empty directory for one test's files.
std::string fresh_directory(const std::string& name);

} // namespace e2e
