// sdl_driver.cpp: the real-window display driver, over SDL2 (X11 or Wayland).
//
// One SDL window per top-level window of the layer. The layer draws its own
// caption into the surface; here the desktop draws the window's frame, so a
// captioned window shows the surface without its caption rows. Where an X
// window manager frames the window, the frame's sizes are read once the
// window is shown: the frame, decorations included, then stands where the
// layer's outer rectangle is, the native window shows what it leaves of the
// surface, and the layer hears of it (a Framed event) to lay out its
// client area inside. Pixels reach the screen through the window's own
// surface (SDL's window framebuffer; an X shared-memory image under X11): a
// present compares the changed area with the pixels last shown and hands
// the window system only those that differ, so a frame drawn again
// unchanged costs one read and no upload. Where the window's surface holds
// the layer's pixels as they are (one native pixel each, in the layer's own
// format: the usual case) it is itself that copy of what is shown; should
// it go, the layer is asked for its pixels again with an expose.
// On a scaled (HiDPI) desktop the surface is larger than the layer's and is
// filled by averaging what each native pixel covers, so the image grows
// without blur at whole scales and with only its pixels' edges mixed at
// fractional ones; pointer positions are mapped back into the layer's
// pixels: drawing and the mouse share one coordinate space. Under X11 the
// desktop's scale comes from its Xft.dpi resource (SDL2 does not scale X11
// windows), in quarter steps, and only as far as the screen holds the
// layer's smallest screen (metrics.h); under Wayland SDL scales by itself.
// The driver blocks in SDL_WaitEventTimeout up to the next deadline; it
// never polls in a loop, and asks the window system for new events only
// after a wait that found some, or now and then while the program runs
// without waiting.
//
// Limits: one display; under Wayland windows cannot be placed, so windows
// and pull-down menus appear where the compositor puts them (X11, and so
// XWayland, is preferred when both are there).
#include "sdl_driver.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

#include "metrics.h"
#include "sdl_display.h"
#include "sdl_input.h"
#include "sdl_pixels.h"

namespace ws {

namespace {

// While the program runs without waiting, SDL is asked for new events at
// most this often (milliseconds); between times the events it already has
// are taken. Each such request reads the X connection several times over.
constexpr uint64_t PUMP_INTERVAL = 10;
// Even when nothing arrives, SDL reads the window system this often, for
// what it does on its own while reading (milliseconds).
constexpr uint64_t QUIET_PUMP_INTERVAL = 1000;

struct SdlWindow {
    SDL_Window* window = nullptr;
    SDL_Surface* surface = nullptr; // the window's surface as last fetched
    // The layer's pixels as last shown (its surface without the parts the
    // native window leaves out), which the window's surface holds scaled.
    std::vector<uint32_t> shown_pixels;
    int x = 0, y = 0;          // the surface's outer position, layer pixels
    int width = 0, height = 0; // the layer surface's size
    // What the native window leaves out of the surface on each side (layer
    // pixels): the layer's caption rows, or what the desktop's frame takes.
    Insets cut;
    bool framed = false; // an X window manager frames it...
    Insets frame;        // ...with this frame (native pixels)
    bool popup = false;
    bool shown = false;
    bool has_pixels = false;   // shown_pixels holds a present's pixels
    bool direct_holds = false; // `surface` itself holds a present's pixels (no shown_pixels)
    bool stale = true;         // the window's surface is new or lost: write it whole
    bool alive = false;

    int shown_width() const { return std::max(width - cut.left - cut.right, 1); }
    int shown_height() const { return std::max(height - cut.top - cut.bottom, 1); }
    Rect whole() const { return {0, 0, shown_width(), shown_height()}; }
};

std::string one_line(const char* s) {
    std::string t = s ? s : "";
    for (char& c : t)
        if (c == '\n' || c == '\r') c = ' ';
    return t;
}

} // namespace

struct SdlDriver::Impl {
    std::vector<SdlWindow> windows;
    std::deque<InputEvent> input;
    bool x11 = false;
    bool window_manager = false; // an X window manager runs (it frames our windows)
    double scale = 1;            // native pixels per layer pixel (X11 only)
    uint64_t last_pump = 0;      // when the window system last had nothing new for SDL
    uint64_t last_full_pump = 0; // when SDL last read it (and did its own chores)
    bool woken = true;           // a wait ended on an event not yet taken in

    SdlWindow* get(int id) {
        if (id < 0 || id >= static_cast<int>(windows.size()) || !windows[id].alive) return nullptr;
        return &windows[id];
    }

    int id_of(Uint32 sdl_id) const {
        for (size_t i = 0; i < windows.size(); ++i)
            if (windows[i].alive && SDL_GetWindowID(windows[i].window) == sdl_id)
                return static_cast<int>(i);
        return -1;
    }

    int id_of(SDL_Window* w) const { return w ? id_of(SDL_GetWindowID(w)) : -1; }

    // Layer pixels as native ones, and back.
    int native(int v) const { return static_cast<int>(std::lround(v * scale)); }
    int layer(int v) const { return static_cast<int>(std::lround(v / scale)); }
    int native_width(const SdlWindow& w) const { return std::max(native(w.shown_width()), 1); }
    int native_height(const SdlWindow& w) const { return std::max(native(w.shown_height()), 1); }

    // Where the native window's own top-left pixel goes: inside the
    // desktop's frame, which stands at the surface's outer position, or
    // where the surface's first shown pixel is.
    SDL_Point native_position(const SdlWindow& w) const {
        if (w.framed) return {native(w.x) + w.frame.left, native(w.y) + w.frame.top};
        return {native(w.x + w.cut.left), native(w.y + w.cut.top)};
    }

    // Writes `area` (of the shown part, layer pixels) of what was last shown
    // into the window's surface, fetched again when SDL made a new one (a
    // size change), and hands the window system the native pixels that
    // changed. A window that is not shown keeps them for its next expose.
    void show_area(SdlWindow& w, Rect area) {
        if (!w.has_pixels) return;
        SDL_Surface* s = SDL_GetWindowSurface(w.window);
        if (!s) sdl_display::fail("cannot draw into a window: " + one_line(SDL_GetError()));
        if (s != w.surface) {
            w.surface = s;
            w.stale = true;
        }
        if (w.stale) area = w.whole();
        area = area.intersect(w.whole());
        if (area.empty()) return;
        const int sw = w.shown_width(), sh = w.shown_height();
        Rect native = sdl_pixels::scaled_area(area, sw, sh, s->w, s->h);
        if (native.empty()) return;
        Uint32 format = s->format->format;
        if (format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888) {
            if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) != 0)
                sdl_display::fail("cannot draw into a window: " + one_line(SDL_GetError()));
            sdl_pixels::scale_area(w.shown_pixels.data(), sw, sw, sh, area,
                                   static_cast<uint32_t*>(s->pixels), s->pitch / 4, s->w, s->h,
                                   format == SDL_PIXELFORMAT_ARGB8888 ? 0xFF000000u : 0);
            if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
        } else {
            // An unusual framebuffer: SDL converts (and scales) the whole.
            SDL_Surface* from = SDL_CreateRGBSurfaceWithFormatFrom(
                w.shown_pixels.data(), sw, sh, 32, sw * 4, SDL_PIXELFORMAT_RGB888);
            if (!from || SDL_SetSurfaceBlendMode(from, SDL_BLENDMODE_NONE) != 0 ||
                SDL_BlitScaled(from, nullptr, s, nullptr) != 0)
                sdl_display::fail("cannot draw into a window: " + one_line(SDL_GetError()));
            SDL_FreeSurface(from);
            native = {0, 0, s->w, s->h};
        }
        w.stale = false;
        if (!w.shown) return;
        SDL_Rect r{native.left, native.top, native.width(), native.height()};
        SDL_UpdateWindowSurfaceRects(w.window, &r, 1);
    }

    // The window's surface when it can hold the layer's pixels as they are:
    // one native pixel a layer pixel, in the layer's format, no locking. A
    // new surface (after a size change) holds nothing yet.
    SDL_Surface* direct_surface(SdlWindow& w) {
        if (scale != 1) return nullptr;
        SDL_Surface* s = SDL_GetWindowSurface(w.window);
        if (!s || s->format->format != SDL_PIXELFORMAT_RGB888 || s->w != w.shown_width() ||
            s->h != w.shown_height() || SDL_MUSTLOCK(s))
            return nullptr;
        if (s != w.surface) {
            w.surface = s;
            w.direct_holds = false;
        }
        return s;
    }

    // Shows every pixel again (the window was shown, exposed or resized).
    void show_all(SdlWindow& w) {
        if (!w.direct_holds) {
            show_area(w, w.whole());
            return;
        }
        if (direct_surface(w) && w.direct_holds) {
            if (w.shown) SDL_UpdateWindowSurface(w.window);
            return;
        }
        // The surface went, and what it held with it: the layer shows it all again.
        w.direct_holds = false;
        InputEvent e;
        e.kind = InputEvent::Kind::Expose;
        e.window = static_cast<int>(&w - windows.data());
        push(e);
    }

    // Puts the native window where the surface's outer position says.
    void place(SdlWindow& w) {
        if (w.framed) {
            sdl_display::x11_move_frame(w.window, native(w.x), native(w.y));
            return;
        }
        SDL_Point p = native_position(w);
        SDL_SetWindowPosition(w.window, p.x, p.y);
    }

    // The desktop frames window `id` with `frame` (native pixels): the
    // native window shrinks to what the frame leaves of the outer
    // rectangle, the frame goes where that rectangle is, and the layer
    // lays its client area out inside.
    void take_frame(int id, const Insets& frame) {
        SdlWindow& w = windows[static_cast<size_t>(id)];
        if (w.framed && w.frame == frame) return;
        w.framed = true;
        w.frame = frame;
        auto side = [&](int n) { return static_cast<int>(std::ceil(n / scale)); };
        w.cut = {side(frame.left), side(frame.top), side(frame.right), side(frame.bottom)};
        SDL_SetWindowSize(w.window, native_width(w), native_height(w));
        place(w);
        w.has_pixels = false;
        w.direct_holds = false;
        w.stale = true;
        InputEvent e;
        e.kind = InputEvent::Kind::Framed;
        e.window = id;
        e.frame = w.cut;
        push(e);
    }

    void push(const InputEvent& e) { input.push_back(e); }

    // A native-window pointer position as surface pixels of window `id`.
    void to_surface(int id, int nx, int ny, InputEvent& e) {
        SdlWindow& w = windows[id];
        int ww = 0, wh = 0;
        SDL_GetWindowSize(w.window, &ww, &wh);
        e.x = sdl_input::to_surface(nx, ww, w.shown_width()) + w.cut.left;
        e.y = sdl_input::to_surface(ny, wh, w.shown_height()) + w.cut.top;
    }

    void pointer_button(const SDL_MouseButtonEvent& b, bool down) {
        InputEvent e;
        e.window = id_of(b.windowID);
        if (e.window < 0) return;
        e.button = b.button == SDL_BUTTON_LEFT     ? 1
                   : b.button == SDL_BUTTON_MIDDLE ? 2
                   : b.button == SDL_BUTTON_RIGHT  ? 3
                                                   : 0;
        if (e.button == 0) return;
        e.kind = down ? InputEvent::Kind::PointerDown : InputEvent::Kind::PointerUp;
        to_surface(e.window, b.x, b.y, e);
        push(e);
    }

    // Characters of a text that came with no key-down of its own (an input
    // method, a compose sequence): one key press with no virtual key each.
    void push_characters(int window, const char* text, int pos) {
        for (int ch; (ch = sdl_input::next_code_point(text, &pos)) != 0;) {
            InputEvent e;
            e.window = window;
            e.kind = InputEvent::Kind::KeyDown;
            e.ch = ch;
            push(e);
            e.kind = InputEvent::Kind::KeyUp;
            e.ch = 0;
            push(e);
        }
    }

    void key(const SDL_KeyboardEvent& k, bool down) {
        InputEvent e;
        e.window = id_of(k.windowID);
        e.vk = sdl_input::virtual_key(k.keysym.sym, k.keysym.scancode);
        e.kind = down ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
        if (!down) {
            if (e.vk != 0) push(e);
            return;
        }
        e.ch = sdl_input::control_character(k.keysym.sym, k.keysym.scancode, k.keysym.mod);
        // The character of a printable key comes as text input right after
        // its key-down, following the user's keyboard layout. Only the very
        // next event can be it: a later one belongs to a later key.
        SDL_Event next;
        if (e.ch == 0 &&
            SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
            next.type == SDL_TEXTINPUT) {
            SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT);
            int pos = 0;
            e.ch = sdl_input::next_code_point(next.text.text, &pos);
            if (e.vk != 0 || e.ch != 0) push(e);
            push_characters(e.window, next.text.text, pos);
            return;
        }
        if (e.vk != 0 || e.ch != 0) push(e);
    }

    // Focus events are told only when they still hold once SDL has taken
    // in every event read so far: a change that a later one undid (the
    // desktop's own, or one that a request of the layer's overtook) would
    // make the layer answer it with a request of its own, and two windows
    // could take the focus from each other for ever.
    void focus_change(int id, bool gained) {
        SdlWindow& w = windows[id];
        // Pull-downs never hold the focus as far as the layer is concerned.
        if (w.popup) return;
        if (gained && id_of(SDL_GetKeyboardFocus()) != id) return;
        if (!gained) {
            // Pull-downs are shown without taking the focus (see
            // show_window); should a desktop give them the focus all the
            // same, the driver hands it back at once. A loss that was undone
            // in the same batch is no loss.
            int now = id_of(SDL_GetKeyboardFocus());
            if (now == id) return;
            if (now >= 0 && windows[now].popup) {
                SDL_SetWindowInputFocus(w.window);
                return;
            }
        }
        InputEvent e;
        e.window = id;
        e.kind = gained ? InputEvent::Kind::FocusIn : InputEvent::Kind::FocusOut;
        push(e);
    }

    void window_event(const SDL_WindowEvent& we) {
        int id = id_of(we.windowID);
        if (id < 0) return;
        SdlWindow& w = windows[id];
        InputEvent e;
        e.window = id;
        switch (we.event) {
        case SDL_WINDOWEVENT_CLOSE:
            e.kind = InputEvent::Kind::Close;
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_RESTORED:
            // The window's surface still holds the picture: show it again.
            // Before the first present the layer has nothing shown yet.
            if (w.has_pixels || w.direct_holds) {
                show_all(w);
                return;
            }
            e.kind = InputEvent::Kind::Expose;
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_FOCUS_LOST:
            focus_change(id, we.event == SDL_WINDOWEVENT_FOCUS_GAINED);
            return;
        case SDL_WINDOWEVENT_MOVED: {
            if (w.popup) return;
            // A window manager that frames the window later than it shows
            // it: SDL has read the frame by now.
            Insets frame;
            if (x11 && window_manager &&
                SDL_GetWindowBordersSize(w.window, &frame.top, &frame.left, &frame.bottom,
                                         &frame.right) == 0 &&
                !(frame == Insets{}) && !(w.framed && w.frame == frame)) {
                take_frame(id, frame);
                return;
            }
            int x = w.framed ? layer(we.data1 - w.frame.left) : layer(we.data1) - w.cut.left;
            int y = w.framed ? layer(we.data2 - w.frame.top) : layer(we.data2) - w.cut.top;
            if (x == w.x && y == w.y) return;
            w.x = x;
            w.y = y;
            e.kind = InputEvent::Kind::Moved;
            e.x = x;
            e.y = y;
            break;
        }
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
            // SDL makes a new surface for the new size: until the layer
            // presents at its new size, the old picture is stretched over it.
            w.stale = true;
            show_all(w);
            int width = std::max(layer(we.data1), 1) + w.cut.left + w.cut.right;
            int height = std::max(layer(we.data2), 1) + w.cut.top + w.cut.bottom;
            if (width == w.width && height == w.height) return;
            e.kind = InputEvent::Kind::Resize;
            e.width = width;
            e.height = height;
            break;
        }
        default:
            return;
        }
        push(e);
    }

    void quit_request() {
        // Wayland reports a broken connection as a request to quit.
        for (const SdlWindow& w : windows)
            if (w.alive && sdl_display::wayland_connection_lost(w.window))
                sdl_display::fail("lost the connection to the display");
        // Otherwise (the session ending): as if the first window's close
        // box were pressed.
        for (size_t i = 0; i < windows.size(); ++i)
            if (windows[i].alive && !windows[i].popup) {
                InputEvent e;
                e.kind = InputEvent::Kind::Close;
                e.window = static_cast<int>(i);
                push(e);
                return;
            }
    }

    void translate(const SDL_Event& ev) {
        switch (ev.type) {
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            pointer_button(ev.button, ev.type == SDL_MOUSEBUTTONDOWN);
            return;
        case SDL_MOUSEMOTION: {
            InputEvent e;
            e.window = id_of(ev.motion.windowID);
            if (e.window < 0) return;
            e.kind = InputEvent::Kind::PointerMove;
            to_surface(e.window, ev.motion.x, ev.motion.y, e);
            push(e);
            return;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            key(ev.key, ev.type == SDL_KEYDOWN);
            return;
        case SDL_TEXTINPUT:
            push_characters(id_of(ev.text.windowID), ev.text.text, 0);
            return;
        case SDL_WINDOWEVENT:
            window_event(ev.window);
            return;
        case SDL_QUIT:
            quit_request();
            return;
        default:
            return;
        }
    }

    // Takes the events SDL holds; first asks it to read new ones from the
    // window system when `fresh` is set.
    void drain_sdl(bool fresh) {
        if (fresh) {
            SDL_PumpEvents();
            last_pump = last_full_pump = SDL_GetTicks64();
        }
        SDL_Event ev;
        while (SDL_PeepEvents(&ev, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1)
            translate(ev);
    }
};

SdlDriver::SdlDriver() : impl_(std::make_unique<Impl>()) {}

SdlDriver::~SdlDriver() {
    for (SdlWindow& w : impl_->windows)
        if (w.alive) SDL_DestroyWindow(w.window);
    if (impl_->x11) sdl_display::x11_round_trip();
    // No SDL_Quit: it puts Xlib's own error handler back before it closes
    // the second connection SDL wakes its waits through, and a wake-up sent
    // there to a pull-down that the first connection had just destroyed
    // comes back as an error that handler ends the process for, with status
    // 1. The process ends right after; the server frees what is left.
}

bool SdlDriver::start(const std::string& program, std::string& error) {
    sdl_display::set_program_name(program);
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* x11 = std::getenv("DISPLAY");
    bool has_wayland = wayland && *wayland, has_x11 = x11 && *x11;
    if (!has_wayland && !has_x11) {
        error = "no display is available (neither DISPLAY nor WAYLAND_DISPLAY is set)";
        return false;
    }
    // Only real displays: never SDL's silent fall-back to an off-screen
    // driver. X11 first, where windows (pull-downs above all) can be placed.
    const char* order = has_x11 ? (has_wayland ? "x11,wayland" : "x11") : "wayland";
    SDL_SetHint(SDL_HINT_VIDEODRIVER, order);
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    // An editor must not keep the screen saver away.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // An interrupt or a termination ends the program at once, as for any
    // other; as requests to quit they would wait behind a modal dialog.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::string which = has_x11 ? std::string(" ") + x11 : std::string(" ") + wayland;
        error = "cannot open the display" + which + ": " + one_line(SDL_GetError());
        return false;
    }
    const char* name = SDL_GetCurrentVideoDriver();
    if (!name || (std::strcmp(name, "x11") != 0 && std::strcmp(name, "wayland") != 0)) {
        error = "cannot open the display: no X11 or Wayland video driver";
        SDL_Quit();
        return false;
    }
    impl_->x11 = std::strcmp(name, "x11") == 0;
    if (impl_->x11) {
        // The window's surface is an X image of its own window: the
        // accelerated kind would make a renderer, and the X window again.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        sdl_display::X11Desktop desktop = sdl_display::x11_desktop();
        impl_->window_manager = desktop.window_manager;
        SDL_Rect usable;
        if (SDL_GetDisplayUsableBounds(0, &usable) != 0 && SDL_GetDisplayBounds(0, &usable) != 0)
            usable = {0, 0, 0, 0};
        impl_->scale = sdl_input::fitting_scale(desktop.scale, usable.w, usable.h);
        sdl_display::watch_x11_errors();
    }
    SDL_StartTextInput();
    return true;
}

int SdlDriver::screen_width() {
    SDL_DisplayMode m;
    if (SDL_GetDesktopDisplayMode(0, &m) != 0) return metrics::DEFAULT_SCREEN_WIDTH;
    return std::max(static_cast<int>(m.w / impl_->scale), 1);
}

int SdlDriver::screen_height() {
    SDL_DisplayMode m;
    if (SDL_GetDesktopDisplayMode(0, &m) != 0) return metrics::DEFAULT_SCREEN_HEIGHT;
    return std::max(static_cast<int>(m.h / impl_->scale), 1);
}

int SdlDriver::create_window(const NativeWindowInfo& info) {
    Impl& d = *impl_;
    SdlWindow w;
    w.x = info.x;
    w.y = info.y;
    w.width = std::max(info.width, 1);
    w.height = std::max(info.height, 1);
    w.cut.top = std::clamp(info.caption_height, 0, w.height - 1);
    w.popup = info.popup;
    Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
    if (info.resizable) flags |= SDL_WINDOW_RESIZABLE;
    if (info.popup) flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_SKIP_TASKBAR;
    // A pull-down is a window of its own kind under X11. Under Wayland SDL
    // would attach it to a window whose frame its client library draws,
    // which the compositor refuses by ending the connection: there it is a
    // plain window without a frame, wherever the compositor puts it.
    if (info.popup && d.x11) flags |= SDL_WINDOW_POPUP_MENU;
    // A window manager puts a new window's frame where the window asks to
    // be: there the frame belongs at the outer position.
    SDL_Point at = d.native_position(w);
    if (d.x11 && d.window_manager && !w.popup) at = {d.native(w.x), d.native(w.y)};
    w.window = SDL_CreateWindow(info.title.c_str(), at.x, at.y, d.native_width(w),
                                d.native_height(w), flags);
    if (!w.window) sdl_display::fail("cannot create a window: " + one_line(SDL_GetError()));
    if (d.x11) sdl_display::x11_attach(w.window);
    if (SdlWindow* owner = d.get(info.owner); owner && !info.popup)
        SDL_SetWindowModalFor(w.window, owner->window);
    w.alive = true;
    d.windows.push_back(w);
    return static_cast<int>(d.windows.size() - 1);
}

void SdlDriver::show_window(int id, bool shown) {
    Impl& d = *impl_;
    SdlWindow* w = d.get(id);
    if (!w || w->shown == shown) return;
    w->shown = shown;
    if (w->popup && d.x11) {
        // Where no window manager runs, SDL would hand a pull-down the
        // keyboard focus, and take it back in a flurry of made-up key
        // releases and presses (Alt+R would close the menu it opened).
        sdl_display::x11_map(w->window, shown);
        if (shown) d.show_all(*w);
        return;
    }
    if (!shown) {
        SDL_HideWindow(w->window);
        return;
    }
    SDL_ShowWindow(w->window);
    if (d.x11 && d.window_manager && !w->popup && !w->framed) {
        // The window manager has taken the window in: its frame is known.
        Insets frame;
        if (sdl_display::x11_frame(w->window, frame))
            d.take_frame(id, frame);
        else
            d.place(*w); // not framed after all: where the surface shows
        w = d.get(id);
    }
    d.show_all(*w);
}

void SdlDriver::move_window(int id, int x, int y, int width, int height) {
    Impl& d = *impl_;
    SdlWindow* w = d.get(id);
    if (!w) return;
    w->x = x;
    w->y = y;
    d.place(*w);
    width = std::max(width, w->cut.left + w->cut.right + 1);
    height = std::max(height, w->cut.top + w->cut.bottom + 1);
    if (width != w->width || height != w->height) {
        w->width = width;
        w->height = height;
        SDL_SetWindowSize(w->window, d.native_width(*w), d.native_height(*w));
        // The layer presents every pixel at the new size next.
        w->has_pixels = false;
        w->direct_holds = false;
        w->stale = true;
    }
}

void SdlDriver::destroy_window(int id) {
    Impl& d = *impl_;
    SdlWindow* w = d.get(id);
    if (!w) return;
    SDL_DestroyWindow(w->window);
    *w = SdlWindow{};
}

void SdlDriver::focus_window(int id) {
    Impl& d = *impl_;
    SdlWindow* w = d.get(id);
    if (!w) return;
    SDL_RaiseWindow(w->window);
    SDL_SetWindowInputFocus(w->window);
    // Every focus event from before this request is read together with the
    // ones it causes (see focus_change).
    if (d.x11) sdl_display::x11_round_trip();
}

void SdlDriver::present(int id, const uint32_t* pixels, int width, int height, int stride,
                        const Rect& dirty) {
    Impl& d = *impl_;
    SdlWindow* w = d.get(id);
    if (!w || !pixels || width <= 0 || height <= 0 || stride < width) return;
    if (width != w->width || height != w->height) {
        // The layer resized the surface (a user resize).
        w->width = std::max(width, w->cut.left + w->cut.right + 1);
        w->height = std::max(height, w->cut.top + w->cut.bottom + 1);
        w->has_pixels = false;
        w->direct_holds = false;
        w->stale = true;
    }
    const int columns = std::min(w->shown_width(), width - w->cut.left - w->cut.right);
    const int rows = std::min(w->shown_height(), height - w->cut.top - w->cut.bottom);
    if (rows <= 0 || columns <= 0) return;
    const uint32_t* shown_part = pixels + static_cast<ptrdiff_t>(w->cut.top) * stride + w->cut.left;
    Rect area{0, 0, columns, rows};
    // Into a copy of what is shown: every pixel when it holds none yet, else
    // only what really differs from it.
    auto take = [&](uint32_t* shown, int shown_stride, bool& holds) {
        if (holds)
            return sdl_pixels::take_changes(
                shown_part, stride, shown, shown_stride,
                dirty.offset(-w->cut.left, -w->cut.top).intersect(area));
        for (int y = 0; y < rows; ++y)
            std::memcpy(shown + static_cast<ptrdiff_t>(y) * shown_stride,
                        shown_part + static_cast<ptrdiff_t>(y) * stride,
                        static_cast<size_t>(columns) * sizeof(uint32_t));
        holds = true;
        return area;
    };
    if (SDL_Surface* s = d.direct_surface(*w)) {
        // The surface is the copy of what is shown: compared and written at once.
        Rect changed = take(static_cast<uint32_t*>(s->pixels), s->pitch / 4, w->direct_holds);
        w->has_pixels = false;
        w->stale = false;
        if (w->shown && !changed.empty()) {
            SDL_Rect r{changed.left, changed.top, changed.width(), changed.height()};
            SDL_UpdateWindowSurfaceRects(w->window, &r, 1);
        }
        return;
    }
    w->direct_holds = false;
    const size_t shown_size = static_cast<size_t>(w->shown_width()) * w->shown_height();
    if (w->shown_pixels.size() != shown_size) {
        w->shown_pixels.assign(shown_size, 0);
        w->has_pixels = false;
    }
    Rect changed = take(w->shown_pixels.data(), w->shown_width(), w->has_pixels);
    if (!changed.empty() || w->stale) d.show_area(*w, changed);
}

bool SdlDriver::next_input(InputEvent& event) {
    Impl& d = *impl_;
    if (d.input.empty()) {
        uint64_t now = SDL_GetTicks64();
        bool fresh = d.woken || now - d.last_pump >= PUMP_INTERVAL ||
                     now - d.last_full_pump >= QUIET_PUMP_INTERVAL;
        d.woken = false;
        d.drain_sdl(fresh);
    }
    if (d.input.empty()) return false;
    event = impl_->input.front();
    impl_->input.pop_front();
    return true;
}

void SdlDriver::wait_input(uint64_t deadline_ms) {
    if (!impl_->input.empty()) return;
    uint64_t now = now_ms();
    if (deadline_ms <= now) return;
    uint64_t span = deadline_ms - now;
    // No deadline: wait as long as SDL can be asked to.
    int timeout = span > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(span);
    Impl& d = *impl_;
    // Events SDL holds already end the wait at once.
    if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return;
    // Under X11 the wait is on the connection alone: a timer's deadline
    // wakes the program for one poll, and SDL reads the connection only
    // when something came. Elsewhere SDL waits, reading before it blocks.
    int woke = d.x11 ? sdl_display::x11_wait(timeout) : -1;
    if (woke < 0) woke = SDL_WaitEventTimeout(nullptr, timeout);
    // A wait that ended without an event leaves nothing new to read.
    if (woke > 0) d.woken = true;
    d.last_pump = SDL_GetTicks64();
}

uint64_t SdlDriver::now_ms() {
    return SDL_GetTicks64();
}

} // namespace ws
