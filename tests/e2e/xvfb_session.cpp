// xvfb_session.cpp: the X server, window manager, compositor, X client,
// program and tool helpers of the real-window tests.
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

int64_t now_ms() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t{t.tv_sec} * 1000 + t.tv_nsec / 1000000;
}

namespace {

constexpr const char* XVFB = "/usr/bin/Xvfb";
constexpr const char* IMPORT = "/usr/bin/import";
constexpr const char* XDOTOOL = "/usr/bin/xdotool";
constexpr const char* OPENBOX = "/usr/bin/openbox";
constexpr const char* WESTON = "/usr/bin/weston";
constexpr int START_LIMIT = 20000; // for a server, manager or compositor to come up, ms

bool starts_with(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

// The environment of this process without any display, locale or SDL
// settings, with the UTF-8 locale every system has (C.UTF-8), plus
// `settings`, which replace variables of the same name.
std::vector<std::string> environment_with(const std::vector<std::string>& settings) {
    auto set_here = [&](const std::string& s) {
        for (const std::string& t : settings)
            if (starts_with(s, t.substr(0, t.find('=') + 1).c_str())) return true;
        return false;
    };
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        std::string s = *e;
        if (set_here(s)) continue;
        if (starts_with(s, "DISPLAY=") || starts_with(s, "WAYLAND_DISPLAY=") ||
            starts_with(s, "WAYLAND_SOCKET=") || starts_with(s, "XDG_RUNTIME_DIR=") ||
            starts_with(s, "XAUTHORITY=") || starts_with(s, "SDL_") || starts_with(s, "LANG=") ||
            starts_with(s, "LANGUAGE=") || starts_with(s, "LC_"))
            continue;
        env.push_back(s);
    }
    env.push_back("LC_ALL=C.UTF-8");
    for (const std::string& s : settings)
        env.push_back(s);
    return env;
}

std::vector<std::string> environment_for(const std::string& display) {
    if (display.empty()) return environment_with({});
    return environment_with({"DISPLAY=" + display});
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (std::string& s : strings)
        p.push_back(s.data());
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

int ignore_x_errors(Display*, XErrorEvent*) {
    return 0;
}

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

} // namespace

// ---- XServer ----------------------------------------------------------------

bool XServer::installed() {
    return access(XVFB, X_OK) == 0;
}

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
        // -noreset: the resources a test sets stay when the last client leaves.
        execl(XVFB, XVFB, "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
              "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        return;
    }
    // The server writes its display number once it accepts connections.
    std::string number;
    int64_t end = now_ms() + START_LIMIT;
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

XServer::~XServer() {
    stop();
}

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

namespace {

// A shown window with this title among `parent`'s children, or inside
// them: a window manager puts the windows it frames into frames of its own.
unsigned long find_titled(Display* d, Window parent, const std::string& title, int depth) {
    Window root_return, grandparent;
    Window* children = nullptr;
    unsigned int n = 0;
    unsigned long found = 0;
    if (!XQueryTree(d, parent, &root_return, &grandparent, &children, &n)) return 0;
    for (unsigned int i = 0; i < n && !found; ++i) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable) continue;
        if (window_title(d, children[i]) == title)
            found = children[i];
        else if (depth > 0)
            found = find_titled(d, children[i], title, depth - 1);
    }
    if (children) XFree(children);
    return found;
}

} // namespace

unsigned long XClient::wait_for_window(const std::string& title, int timeout_ms) {
    if (!display_) return 0;
    unsigned long found = 0;
    poll_until(
        [&] { return (found = find_titled(display_, DefaultRootWindow(display_), title, 3)) != 0; },
        timeout_ms);
    return found;
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

bool XClient::window_manager_running() {
    if (!display_) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found =
        XGetWindowProperty(display_, DefaultRootWindow(display_),
                           XInternAtom(display_, "_NET_SUPPORTING_WM_CHECK", False), 0, 1, False,
                           XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
        data && count == 1;
    if (data) XFree(data);
    return found;
}

Geometry XClient::frame_geometry(unsigned long window) {
    if (!display_) return {};
    // The window's ancestor just below the root window.
    Window w = window;
    for (;;) {
        Window root_return = 0, parent = 0;
        Window* children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(display_, w, &root_return, &parent, &children, &n)) return {};
        if (children) XFree(children);
        if (parent == root_return || parent == 0) break;
        w = parent;
    }
    XWindowAttributes a;
    if (!XGetWindowAttributes(display_, w, &a)) return {};
    return {a.x, a.y, a.width + 2 * a.border_width, a.height + 2 * a.border_width};
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

void XClient::give_focus(unsigned long window) {
    if (!display_) return;
    XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
    XSync(display_, False);
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

bool XClient::map_keysym(const std::string& name) {
    if (!display_) return false;
    KeySym sym = XStringToKeysym(name.c_str());
    if (sym == NoSymbol) return false;
    if (XKeysymToKeycode(display_, sym) != 0) return true;
    int low = 0, high = 0, per = 0;
    XDisplayKeycodes(display_, &low, &high);
    KeySym* map = XGetKeyboardMapping(display_, static_cast<KeyCode>(low), high - low + 1, &per);
    if (!map) return false;
    // The highest key that carries nothing.
    int free_key = 0;
    for (int k = high; k >= low && !free_key; --k) {
        bool empty = true;
        for (int i = 0; i < per; ++i)
            if (map[(k - low) * per + i] != NoSymbol) empty = false;
        if (empty) free_key = k;
    }
    XFree(map);
    if (!free_key) return false;
    KeySym both[2] = {sym, sym};
    XChangeKeyboardMapping(display_, free_key, 2, both, 1);
    XSync(display_, False);
    return XKeysymToKeycode(display_, sym) != 0;
}

// ---- Program ----------------------------------------------------------------

Program::Program(const std::string& path, const std::string& display, const std::string& workdir)
    : Program(path, {},
              display.empty() ? std::vector<std::string>{}
                              : std::vector<std::string>{"DISPLAY=" + display},
              workdir) {}

Program::Program(const std::string& path, const std::vector<std::string>& args,
                 const std::vector<std::string>& settings, const std::string& workdir,
                 const std::string& name)
    : out_(workdir + "/" + (name == "program" ? std::string("stdout") : name + "-stdout") + ".txt"),
      err_(workdir + "/" + (name == "program" ? std::string("stderr") : name + "-stderr") +
           ".txt") {
    std::vector<std::string> env = environment_with(settings);
    std::vector<char*> envp = pointers(env);
    std::vector<std::string> argv_strings{path};
    argv_strings.insert(argv_strings.end(), args.begin(), args.end());
    std::vector<char*> argv = pointers(argv_strings);
    pid_ = fork();
    if (pid_ == 0) {
        if (chdir(workdir.c_str()) != 0) _exit(127);
        int o = open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int e = open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        dup2(o, 1);
        dup2(e, 2);
        execve(path.c_str(), argv.data(), envp.data());
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

std::string Program::output() const {
    return read_file(out_);
}
std::string Program::errors() const {
    return read_file(err_);
}

// ---- WindowManager --------------------------------------------------------------

bool WindowManager::installed() {
    return access(OPENBOX, X_OK) == 0;
}

WindowManager::WindowManager(const std::string& display, const std::string& workdir) {
    XClient client(display);
    if (!client.connected()) return;
    // Its own settings folder: no settings of whoever runs the tests.
    std::string home = workdir + "/wm-home";
    std::filesystem::create_directories(home);
    process_ =
        std::make_unique<Program>(OPENBOX, std::vector<std::string>{},
                                  std::vector<std::string>{"DISPLAY=" + display, "HOME=" + home,
                                                           "XDG_CONFIG_HOME=" + home + "/config"},
                                  workdir, "openbox");
    running_ = process_->started() &&
               poll_until([&] { return client.window_manager_running(); }, START_LIMIT);
}

// ---- Compositor -------------------------------------------------------------------

namespace {

// Where libdecor looks for the plugins that draw window frames.
bool frame_plugin_installed() {
    std::error_code ec;
    for (const char* dir :
         {"/usr/lib/x86_64-linux-gnu/libdecor/plugins-1",
          "/usr/lib/aarch64-linux-gnu/libdecor/plugins-1", "/usr/lib/libdecor/plugins-1"})
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
            if (entry.path().extension() == ".so") return true;
    return false;
}

} // namespace

std::string Compositor::missing() {
    std::string what;
    if (access(WESTON, X_OK) != 0) what += "weston ";
    if (!frame_plugin_installed()) what += "libdecor-0-plugin-1-cairo ";
    if (!what.empty()) what.pop_back();
    return what;
}

Compositor::Compositor(const std::string& display, int width, int height,
                       const std::string& workdir) {
    // A private runtime folder (the compositor insists on mode 0700), short
    // enough a path for its socket wherever the tests are built, and a
    // configuration without the panel, the screen lock and the on-screen
    // keyboard, which would take the keys. It draws with its software
    // renderer: its OpenGL one, rendered in software on a machine without
    // a graphics card, now and then shows a client's window black for good.
    char dir[] = "/tmp/kv319-wayland-XXXXXX";
    if (!mkdtemp(dir)) return;
    runtime_dir_ = dir;
    std::string config = workdir + "/weston.ini";
    {
        std::ofstream ini(config);
        ini << "[core]\nidle-time=0\n[shell]\npanel-position=none\nlocking=false\n"
               "[input-method]\npath=\n";
    }
    socket_ = "kv319-test";
    process_ = std::make_unique<Program>(
        WESTON,
        std::vector<std::string>{"--backend=x11-backend.so", "--use-pixman", "--socket=" + socket_,
                                 "--config=" + config, "--width=" + std::to_string(width),
                                 "--height=" + std::to_string(height)},
        std::vector<std::string>{"DISPLAY=" + display, "XDG_RUNTIME_DIR=" + runtime_dir_}, workdir,
        "weston");
    if (!process_->started()) return;
    XClient client(display);
    std::string socket_path = runtime_dir_ + "/" + socket_;
    if (!poll_until([&] { return access(socket_path.c_str(), F_OK) == 0; }, START_LIMIT)) return;
    window_ = client.wait_for_window("Weston Compositor - screen0", START_LIMIT);
    // The keyboard goes to the compositor's window from now on. Its seat
    // takes the keyboard from its clients when that window loses the X
    // focus, and does not always give it back when it returns.
    if (window_) client.give_focus(window_);
}

Compositor::~Compositor() {
    process_.reset();
    if (!runtime_dir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(runtime_dir_, ec);
    }
}

std::vector<std::string> Compositor::client_settings() const {
    std::vector<std::string> settings{"WAYLAND_DISPLAY=" + socket_,
                                      "XDG_RUNTIME_DIR=" + runtime_dir_};
    // Under the address sanitizer, no leak check for a client here: the
    // graphics and frame libraries a Wayland client loads are unloaded
    // again before it ends, and what they keep is then reported without a
    // library's name, which no suppression can match. The program's own
    // leaks are checked in every other run.
    if (const char* asan = getenv("ASAN_OPTIONS"))
        settings.push_back(std::string("ASAN_OPTIONS=") + asan + ":detect_leaks=0");
    return settings;
}

std::string Compositor::log() const {
    return process_ ? process_->errors() : std::string();
}

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

bool tools_installed() {
    return access(IMPORT, X_OK) == 0 && access(XDOTOOL, X_OK) == 0;
}

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
    if (run_tool({IMPORT, "-window", id, path}, display) != 0) return false;
    return ws::read_png(path.c_str(), shot.pixels, shot.width, shot.height);
}

std::string fresh_directory(const std::string& name) {
    std::filesystem::path dir = std::filesystem::path(KV319_XVFB_RUN_ROOT) / name;
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir, ec);
    return dir.string();
}

} // namespace e2e
