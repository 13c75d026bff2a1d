// xvfb_session.h: what the real-window tests need around a program under
// test: a private X server on a free display, a connection to it (windows
// by title, their geometry, the close box), the program itself with its
// output kept in files, the input tool and screenshots.
//
// Every wait here has a generous limit so that a broken program fails its
// test instead of hanging it; none of them measures speed.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

typedef struct _XDisplay Display;

namespace e2e {

// An X server of its own (Xvfb, no window manager), ended when this goes.
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
    int x = 0, y = 0, width = 0, height = 0;  // position on the screen
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
    // Shown top-level windows without a title: pull-down menus.
    std::vector<unsigned long> untitled_windows();
    bool viewable(unsigned long window);
    Geometry geometry(unsigned long window);
    // The window with the keyboard focus (0 for none).
    unsigned long focus();
    // A plain window of another client over the given area, which also
    // takes the keyboard focus; and its end, which lays bare what it hid.
    unsigned long cover(const Geometry& area);
    void uncover(unsigned long window);
    // Presses the window's close box: the window manager's delete request.
    void press_close_box(unsigned long window);
    // Sets the desktop's resource text (as xrdb does), read by programs
    // when they connect.
    void set_resources(const std::string& text);

  private:
    Display* display_ = nullptr;
};

// A program started on a display, in a working directory, with its
// standard output and error kept in files there.
class Program {
  public:
    // `display` empty: started with neither DISPLAY nor WAYLAND_DISPLAY.
    Program(const std::string& path, const std::string& display, const std::string& workdir);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool started() const { return pid_ > 0; }
    // Waits for the end; false on timeout. `status` is the exit status, or
    // 128 + the signal that ended it.
    bool wait_exit(int timeout_ms, int& status);
    std::string output() const;  // standard output so far
    std::string errors() const;  // standard error so far

  private:
    pid_t pid_ = -1;
    std::string workdir_;
};

// Runs a tool to its end with DISPLAY set; returns its exit status (or -1).
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

// A fresh, empty directory for one test's files.
std::string fresh_directory(const std::string& name);

}  // namespace e2e
