// xvfb_session.cpp: the X server, X client, program and tool helpers of the
// real-window tests.
//
// The server picks its own free display number (-displayfd), so tests can
// run side by side. The close box is pressed the way a window manager does
// it, with a WM_DELETE_WINDOW message; destroying the window from outside
// would be a crash of the program, not a close.
#include "xvfb_session.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "png_io.h"

extern char** environ;

namespace e2e {

void pause_ms(int ms) {
    timespec t{ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, nullptr);
}

namespace {

constexpr const char* kXvfb = "/usr/bin/Xvfb";
constexpr const char* kImport = "/usr/bin/import";
constexpr const char* kXdotool = "/usr/bin/xdotool";

int64_t now_ms() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t{t.tv_sec} * 1000 + t.tv_nsec / 1000000;
}

// The environment of this process without any display settings, plus
// DISPLAY when one is given.
std::vector<std::string> environment_for(const std::string& display) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        std::string s = *e;
        if (s.rfind("DISPLAY=", 0) == 0 || s.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
            s.rfind("SDL_VIDEODRIVER=", 0) == 0 || s.rfind("XAUTHORITY=", 0) == 0)
            continue;
        env.push_back(s);
    }
    if (!display.empty()) env.push_back("DISPLAY=" + display);
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (std::string& s : strings) p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

// Waits for a child; false on timeout. Status as Program::wait_exit.
bool wait_child(pid_t pid, int timeout_ms, int& status) {
    int64_t end = now_ms() + timeout_ms;
    for (;;) {
        int raw = 0;
        pid_t r = waitpid(pid, &raw, WNOHANG);
        if (r == pid) {
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            return true;
        }
        if (r < 0) {
            status = -1;
            return true;
        }
        if (now_ms() >= end) return false;
        pause_ms(20);
    }
}

void end_child(pid_t pid) {
    int status;
    kill(pid, SIGTERM);
    if (!wait_child(pid, 5000, status)) {
        kill(pid, SIGKILL);
        wait_child(pid, 5000, status);
    }
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int ignore_x_errors(Display*, XErrorEvent*) { return 0; }

std::string window_title(Display* d, Window w) {
    Atom net_name = XInternAtom(d, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(d, w, net_name, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data && type == utf8)
        title.assign(reinterpret_cast<char*>(data), count);
    if (data) XFree(data);
    if (!title.empty()) return title;
    XTextProperty text{};
    if (XGetWMName(d, w, &text) && text.value) {
        title.assign(reinterpret_cast<char*>(text.value), text.nitems);
        XFree(text.value);
    }
    return title;
}

}  // namespace

// ---- XServer ----------------------------------------------------------------

bool XServer::installed() { return access(kXvfb, X_OK) == 0; }

XServer::XServer(int width, int height) {
    int fds[2];
    if (pipe(fds) != 0) return;
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    std::string fd = std::to_string(fds[1]);
    pid_ = fork();
    if (pid_ == 0) {
        close(fds[0]);
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        execl(kXvfb, kXvfb, "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
              "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        return;
    }
    // The server writes its display number once it accepts connections.
    std::string number;
    int64_t end = now_ms() + 20000;
    while (number.find('\n') == std::string::npos) {
        int left = static_cast<int>(end - now_ms());
        pollfd p{fds[0], POLLIN, 0};
        if (left <= 0 || poll(&p, 1, left) <= 0) break;
        char buf[16];
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        number.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        end_child(pid_);
        pid_ = -1;
        return;
    }
    number_ = std::atoi(number.c_str());
}

XServer::~XServer() { stop(); }

void XServer::stop() {
    if (pid_ > 0) end_child(pid_);
    pid_ = -1;
}

// ---- XClient ----------------------------------------------------------------

XClient::XClient(const std::string& display) {
    display_ = XOpenDisplay(display.c_str());
    // A window that goes away while we look at it is not the test's failure.
    XSetErrorHandler(ignore_x_errors);
}

XClient::~XClient() {
    if (display_) XCloseDisplay(display_);
}

unsigned long XClient::wait_for_window(const std::string& title, int timeout_ms) {
    if (!display_) return 0;
    int64_t end = now_ms() + timeout_ms;
    for (;;) {
        Window root_return, parent;
        Window* children = nullptr;
        unsigned int n = 0;
        unsigned long found = 0;
        if (XQueryTree(display_, DefaultRootWindow(display_), &root_return, &parent, &children,
                       &n)) {
            for (unsigned int i = 0; i < n && !found; ++i)
                if (viewable(children[i]) && window_title(display_, children[i]) == title)
                    found = children[i];
            if (children) XFree(children);
        }
        if (found || now_ms() >= end) return found;
        pause_ms(20);
    }
}

bool XClient::wait_until_hidden(unsigned long window, int timeout_ms) {
    int64_t end = now_ms() + timeout_ms;
    while (viewable(window)) {
        if (now_ms() >= end) return false;
        pause_ms(20);
    }
    return true;
}

std::vector<unsigned long> XClient::untitled_windows() {
    std::vector<unsigned long> out;
    if (!display_) return out;
    Window root_return, parent;
    Window* children = nullptr;
    unsigned int n = 0;
    if (XQueryTree(display_, DefaultRootWindow(display_), &root_return, &parent, &children, &n)) {
        for (unsigned int i = 0; i < n; ++i)
            if (viewable(children[i]) && window_title(display_, children[i]).empty())
                out.push_back(children[i]);
        if (children) XFree(children);
    }
    return out;
}

bool XClient::viewable(unsigned long window) {
    if (!display_) return false;
    XWindowAttributes a;
    if (!XGetWindowAttributes(display_, window, &a)) return false;
    return a.map_state == IsViewable;
}

Geometry XClient::geometry(unsigned long window) {
    Geometry g;
    XWindowAttributes a;
    if (!display_ || !XGetWindowAttributes(display_, window, &a)) return g;
    Window child;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &g.x, &g.y, &child);
    g.width = a.width;
    g.height = a.height;
    return g;
}

unsigned long XClient::focus() {
    if (!display_) return 0;
    Window w = 0;
    int revert = 0;
    XGetInputFocus(display_, &w, &revert);
    return w == PointerRoot ? 0 : w;
}

unsigned long XClient::cover(const Geometry& area) {
    if (!display_) return 0;
    Window w = XCreateSimpleWindow(display_, DefaultRootWindow(display_), area.x, area.y,
                                   static_cast<unsigned>(area.width),
                                   static_cast<unsigned>(area.height), 0, 0, 0x808080);
    XMapRaised(display_, w);
    XSync(display_, False);
    XSetInputFocus(display_, w, RevertToPointerRoot, CurrentTime);
    XSync(display_, False);
    return w;
}

void XClient::uncover(unsigned long window) {
    if (!display_) return;
    XDestroyWindow(display_, window);
    XSync(display_, False);
}

void XClient::press_close_box(unsigned long window) {
    if (!display_) return;
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = window;
    ev.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window, False, NoEventMask, &ev);
    XSync(display_, False);
}

void XClient::set_resources(const std::string& text) {
    if (!display_) return;
    XChangeProperty(display_, DefaultRootWindow(display_), XA_RESOURCE_MANAGER, XA_STRING, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(text.data()),
                    static_cast<int>(text.size()));
    XSync(display_, False);
}

// ---- Program ----------------------------------------------------------------

Program::Program(const std::string& path, const std::string& display, const std::string& workdir)
    : workdir_(workdir) {
    std::vector<std::string> env = environment_for(display);
    std::vector<char*> envp = pointers(env);
    std::string out = workdir + "/stdout.txt", err = workdir + "/stderr.txt";
    pid_ = fork();
    if (pid_ == 0) {
        if (chdir(workdir.c_str()) != 0) _exit(127);
        int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        dup2(o, 1);
        dup2(e, 2);
        char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
        execve(path.c_str(), argv, envp.data());
        _exit(127);
    }
}

Program::~Program() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        int status;
        wait_child(pid_, 5000, status);
    }
}

bool Program::wait_exit(int timeout_ms, int& status) {
    if (pid_ <= 0) {
        status = -1;
        return true;
    }
    if (!wait_child(pid_, timeout_ms, status)) return false;
    pid_ = -1;
    return true;
}

std::string Program::output() const { return read_file(workdir_ + "/stdout.txt"); }
std::string Program::errors() const { return read_file(workdir_ + "/stderr.txt"); }

// ---- Tools --------------------------------------------------------------------

int run_tool(const std::vector<std::string>& argv, const std::string& display, int timeout_ms) {
    std::vector<std::string> env = environment_for(display);
    std::vector<char*> envp = pointers(env);
    std::vector<std::string> args = argv;
    std::vector<char*> argp = pointers(args);
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        execve(argp[0], argp.data(), envp.data());
        _exit(127);
    }
    if (pid < 0) return -1;
    int status;
    if (!wait_child(pid, timeout_ms, status)) {
        end_child(pid);
        return -1;
    }
    return status;
}

bool tools_installed() { return access(kImport, X_OK) == 0 && access(kXdotool, X_OK) == 0; }

int Shot::count(uint32_t colour, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (at(x, y) == colour) ++n;
    return n;
}

bool screenshot(const std::string& display, unsigned long window, const std::string& path,
                Shot& shot) {
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", window);
    if (run_tool({kImport, "-window", id, path}, display) != 0) return false;
    return ws::read_png(path.c_str(), shot.pixels, shot.width, shot.height);
}

std::string fresh_directory(const std::string& name) {
    std::filesystem::path dir = std::filesystem::path(KV319_XVFB_RUN_ROOT) / name;
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir, ec);
    return dir.string();
}

}  // namespace e2e
