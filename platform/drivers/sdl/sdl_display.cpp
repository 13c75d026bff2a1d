// sdl_display.cpp: fatal window-system errors, the X11 desktop scale,
// frames, mapping and round trips, and Wayland connection checks, beneath
// SDL.
//
// Xlib's default handlers print a paragraph and exit (a lost server) or may
// leave the process in an undefined state; ours say what happened in one
// line. Wayland's client library is asked only through the copy SDL has
// loaded, so the program does not depend on it.
#include "sdl_display.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <poll.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "sdl_input.h"

namespace ws::sdl_display {

namespace {

std::string program = "card-designer";

int on_io_error(Display* display) {
    const char* name = display ? DisplayString(display) : nullptr;
    fail(std::string("lost the connection to the display") + (name ? std::string(" ") + name : ""));
}

Display* sdl_connection = nullptr;

// Request codes of the X protocol.
constexpr unsigned char X_SEND_EVENT = 25;
constexpr unsigned char X_SET_INPUT_FOCUS = 42;

int on_x_error(Display* display, XErrorEvent* e) {
    bool gone = e->error_code == BadWindow || e->error_code == BadMatch;
    if (gone && (e->request_code == X_SEND_EVENT || e->request_code == X_SET_INPUT_FOCUS)) return 0;
    char text[256] = {0};
    XGetErrorText(display, e->error_code, text, sizeof text - 1);
    fail("window system error: " + std::string(text) + " (request " +
         std::to_string(static_cast<int>(e->request_code)) + ")");
}

Display* x11_display_of(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return nullptr;
    return info.info.x11.display;
}

Window x11_window_of(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
    return info.info.x11.window;
}

} // namespace

void set_program_name(const std::string& name) {
    program = name;
}

void fail(const std::string& what) {
    std::string line = program + ": " + what;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    std::fflush(nullptr);
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    // No exit handlers: they would talk to a display that may be gone.
    std::_Exit(1);
}

void watch_x11_errors() {
    XSetIOErrorHandler(on_io_error);
    XSetErrorHandler(on_x_error);
}

X11Desktop x11_desktop() {
    // A connection of our own, only to read what the desktop set.
    X11Desktop desktop;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return desktop;
    desktop.scale = sdl_input::scale_from_resources(XResourceManagerString(d));
    // A running window manager names its window on the root window.
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, DefaultRootWindow(d),
                           XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False), 0, 1, False,
                           XA_WINDOW, &type, &format, &count, &after, &data) == Success)
        desktop.window_manager = data && type == XA_WINDOW && count == 1;
    if (data) XFree(data);
    XCloseDisplay(d);
    return desktop;
}

bool x11_frame(SDL_Window* window, Insets& frame) {
    Display* d = x11_display_of(window);
    Window w = x11_window_of(window);
    if (!d || !w) return false;
    // The window manager sets it while it takes the window in, before the
    // window is mapped; a round trip makes sure the server has it.
    XSync(d, False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found =
        XGetWindowProperty(d, w, XInternAtom(d, "_NET_FRAME_EXTENTS", False), 0, 4, False,
                           XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        data && type == XA_CARDINAL && format == 32 && count == 4;
    if (found) {
        const long* v = reinterpret_cast<const long*>(data);
        auto side = [](long n) { return static_cast<int>(n < 0 ? 0 : n > 1024 ? 1024 : n); };
        frame = {side(v[0]), side(v[2]), side(v[1]), side(v[3])};
        found = !(frame == Insets{});
    }
    if (data) XFree(data);
    return found;
}

void x11_move_frame(SDL_Window* window, int x, int y) {
    Display* d = x11_display_of(window);
    Window w = x11_window_of(window);
    if (!d || !w) return;
    XMoveWindow(d, w, x, y);
    XFlush(d);
}

void x11_map(SDL_Window* window, bool mapped) {
    Display* d = x11_display_of(window);
    Window w = x11_window_of(window);
    if (!d || !w) return;
    if (mapped)
        XMapRaised(d, w);
    else
        XUnmapWindow(d, w);
    XFlush(d);
}

void x11_attach(SDL_Window* window) {
    if (!sdl_connection) sdl_connection = x11_display_of(window);
}

void x11_round_trip() {
    if (sdl_connection) XSync(sdl_connection, False);
}

int x11_wait(int timeout_ms) {
    if (!sdl_connection) return -1;
    // Events Xlib or its transport has read already count as arrived; this
    // also sends the requests still buffered.
    if (XPending(sdl_connection) > 0) return 1;
    pollfd p{ConnectionNumber(sdl_connection), POLLIN, 0};
    int r = poll(&p, 1, timeout_ms);
    if (r < 0) return errno == EINTR ? 1 : -1;
    return r > 0 ? 1 : 0;
}

bool wayland_connection_lost(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_WAYLAND)
        return false;
    void* lib = dlopen("libwayland-client.so.0", RTLD_LAZY | RTLD_NOLOAD);
    if (!lib) return false;
    using GetError = int (*)(struct wl_display*);
    auto get_error = reinterpret_cast<GetError>(dlsym(lib, "wl_display_get_error"));
    bool lost = get_error && get_error(info.info.wl.display) != 0;
    dlclose(lib);
    return lost;
}

} // namespace ws::sdl_display
