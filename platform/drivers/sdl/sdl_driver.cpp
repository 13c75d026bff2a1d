// sdl_driver.cpp: the real-window display driver, over SDL2 (X11 or Wayland).
//
// One SDL window per top-level window of the layer. The layer draws its own
// caption into the surface; here the desktop draws the window's frame, so a
// captioned window shows the surface without its caption rows. Pixels reach
// the screen through a streaming texture: on a scaled (HiDPI) display the
// renderer enlarges them with nearest-pixel scaling, and pointer positions
// stay in the layer's pixels. The driver blocks in SDL_WaitEventTimeout up to
// the next deadline; it never polls in a loop.
#include "sdl_driver.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

#include "winsys.h"

namespace ws {

namespace {

struct SdlWindow {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int width = 0, height = 0;  // the layer surface's size
    int caption = 0;            // rows of the surface the desktop's frame replaces
    bool alive = false;
};

// Virtual-key codes of the keys the layer and its programs use.
int vk_from_sdl(SDL_Keycode k) {
    if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
    if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
    if (k >= SDLK_F1 && k <= SDLK_F12) return VK_F1 + (k - SDLK_F1);
    switch (k) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LALT: case SDLK_RALT: return VK_MENU;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_DELETE: return VK_DELETE;
    default: return 0;
    }
}

// The character of keys that produce a control code, which text input does
// not report.
int control_character(SDL_Keycode k, Uint16 mod) {
    switch (k) {
    case SDLK_RETURN: case SDLK_KP_ENTER: return 13;
    case SDLK_BACKSPACE: return 8;
    case SDLK_ESCAPE: return 27;
    case SDLK_TAB: return 9;
    default: break;
    }
    if ((mod & KMOD_CTRL) && k >= SDLK_a && k <= SDLK_z) return 1 + (k - SDLK_a);
    return 0;
}

// The first code point of a UTF-8 text.
int first_code_point(const char* s) {
    const unsigned char* u = reinterpret_cast<const unsigned char*>(s);
    if (u[0] < 0x80) return u[0];
    if ((u[0] & 0xE0) == 0xC0 && u[1]) return ((u[0] & 0x1F) << 6) | (u[1] & 0x3F);
    if ((u[0] & 0xF0) == 0xE0 && u[1] && u[2])
        return ((u[0] & 0x0F) << 12) | ((u[1] & 0x3F) << 6) | (u[2] & 0x3F);
    if ((u[0] & 0xF8) == 0xF0 && u[1] && u[2] && u[3])
        return ((u[0] & 0x07) << 18) | ((u[1] & 0x3F) << 12) | ((u[2] & 0x3F) << 6) | (u[3] & 0x3F);
    return 0;
}

}  // namespace

struct SdlDriver::Impl {
    std::vector<SdlWindow> windows;
    std::deque<InputEvent> input;

    int id_of(Uint32 sdl_id) const {
        for (size_t i = 0; i < windows.size(); ++i)
            if (windows[i].alive && SDL_GetWindowID(windows[i].window) == sdl_id)
                return static_cast<int>(i);
        return -1;
    }

    void push(InputEvent e) { input.push_back(e); }

    // Turns SDL's events into the layer's notices until one is ready.
    void translate(const SDL_Event& ev) {
        InputEvent e;
        switch (ev.type) {
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            e.window = id_of(ev.button.windowID);
            if (e.window < 0) return;
            e.kind = ev.type == SDL_MOUSEBUTTONDOWN ? InputEvent::Kind::PointerDown
                                                    : InputEvent::Kind::PointerUp;
            e.x = ev.button.x;
            e.y = ev.button.y + windows[e.window].caption;
            e.button = ev.button.button == SDL_BUTTON_LEFT     ? 1
                       : ev.button.button == SDL_BUTTON_MIDDLE ? 2
                       : ev.button.button == SDL_BUTTON_RIGHT  ? 3
                                                               : 0;
            if (e.button == 0) return;
            push(e);
            return;
        }
        case SDL_MOUSEMOTION:
            e.window = id_of(ev.motion.windowID);
            if (e.window < 0) return;
            e.kind = InputEvent::Kind::PointerMove;
            e.x = ev.motion.x;
            e.y = ev.motion.y + windows[e.window].caption;
            push(e);
            return;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            e.window = id_of(ev.key.windowID);
            e.vk = vk_from_sdl(ev.key.keysym.sym);
            bool down = ev.type == SDL_KEYDOWN;
            e.kind = down ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
            if (down) {
                e.ch = control_character(ev.key.keysym.sym, ev.key.keysym.mod);
                // The character of a printable key comes as text input right
                // after its key-down: it follows the user's keyboard layout.
                SDL_Event next;
                if (e.ch == 0 && SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_TEXTINPUT,
                                                SDL_TEXTINPUT) == 1) {
                    SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT);
                    e.ch = first_code_point(next.text.text);
                }
            }
            if (e.vk == 0 && e.ch == 0) return;
            push(e);
            return;
        }
        case SDL_TEXTINPUT: {
            // Text that came without a key of its own (a compose sequence, an
            // input method): a key press with no virtual key.
            int ch = first_code_point(ev.text.text);
            if (ch == 0) return;
            e.window = id_of(ev.text.windowID);
            e.kind = InputEvent::Kind::KeyDown;
            e.ch = ch;
            push(e);
            e.kind = InputEvent::Kind::KeyUp;
            e.ch = 0;
            push(e);
            return;
        }
        case SDL_WINDOWEVENT: {
            e.window = id_of(ev.window.windowID);
            if (e.window < 0) return;
            switch (ev.window.event) {
            case SDL_WINDOWEVENT_CLOSE: e.kind = InputEvent::Kind::Close; break;
            case SDL_WINDOWEVENT_EXPOSED: e.kind = InputEvent::Kind::Expose; break;
            case SDL_WINDOWEVENT_FOCUS_GAINED: e.kind = InputEvent::Kind::FocusIn; break;
            case SDL_WINDOWEVENT_FOCUS_LOST: e.kind = InputEvent::Kind::FocusOut; break;
            case SDL_WINDOWEVENT_SIZE_CHANGED: {
                SdlWindow& w = windows[e.window];
                int h = ev.window.data2 + w.caption;
                if (ev.window.data1 == w.width && h == w.height) return;
                e.kind = InputEvent::Kind::Resize;
                e.width = ev.window.data1;
                e.height = h;
                break;
            }
            default: return;
            }
            push(e);
            return;
        }
        case SDL_QUIT:
            // Asked to end (an interrupt): as if the first window's close box
            // were pressed.
            for (size_t i = 0; i < windows.size(); ++i)
                if (windows[i].alive) {
                    e.kind = InputEvent::Kind::Close;
                    e.window = static_cast<int>(i);
                    push(e);
                    return;
                }
            return;
        default:
            return;
        }
    }

    void drain_sdl() {
        SDL_Event ev;
        while (SDL_PollEvent(&ev)) translate(ev);
    }
};

SdlDriver::SdlDriver() : impl_(std::make_unique<Impl>()) {}
SdlDriver::~SdlDriver() {
    for (SdlWindow& w : impl_->windows) {
        if (!w.alive) continue;
        SDL_DestroyTexture(w.texture);
        SDL_DestroyRenderer(w.renderer);
        SDL_DestroyWindow(w.window);
    }
    SDL_Quit();
}

bool SdlDriver::start(std::string& error) {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* x11 = std::getenv("DISPLAY");
    bool has_wayland = wayland && *wayland, has_x11 = x11 && *x11;
    if (!has_wayland && !has_x11) {
        error = "no display is available (neither DISPLAY nor WAYLAND_DISPLAY is set)";
        return false;
    }
    // Only real displays: never SDL's silent fall-back to an off-screen driver.
    const char* order = has_x11 && has_wayland ? "wayland,x11" : has_x11 ? "x11" : "wayland";
    SDL_SetHint(SDL_HINT_VIDEODRIVER, order);
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        error = std::string("cannot open the display: ") + SDL_GetError();
        return false;
    }
    const char* name = SDL_GetCurrentVideoDriver();
    if (!name || (std::strcmp(name, "x11") != 0 && std::strcmp(name, "wayland") != 0)) {
        error = "cannot open the display: no X11 or Wayland video driver";
        SDL_Quit();
        return false;
    }
    SDL_StartTextInput();
    return true;
}

int SdlDriver::screen_width() {
    SDL_DisplayMode m;
    return SDL_GetDesktopDisplayMode(0, &m) == 0 ? m.w : 1024;
}

int SdlDriver::screen_height() {
    SDL_DisplayMode m;
    return SDL_GetDesktopDisplayMode(0, &m) == 0 ? m.h : 768;
}

int SdlDriver::create_window(const NativeWindowSpec& spec) {
    SdlWindow w;
    w.width = std::max(spec.width, 1);
    w.height = std::max(spec.height, 1);
    w.caption = std::clamp(spec.caption_height, 0, w.height - 1);
    Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
    if (spec.resizable) flags |= SDL_WINDOW_RESIZABLE;
    if (spec.popup) flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_POPUP_MENU | SDL_WINDOW_SKIP_TASKBAR;
    w.window = SDL_CreateWindow(spec.title.c_str(), spec.x, spec.y + w.caption, w.width,
                                w.height - w.caption, flags);
    if (!w.window) {
        std::fprintf(stderr, "card designer: cannot create a window: %s\n", SDL_GetError());
        std::exit(1);
    }
    w.renderer = SDL_CreateRenderer(w.window, -1, 0);
    if (!w.renderer) w.renderer = SDL_CreateRenderer(w.window, -1, SDL_RENDERER_SOFTWARE);
    if (w.renderer)
        w.texture = SDL_CreateTexture(w.renderer, SDL_PIXELFORMAT_RGB888,
                                      SDL_TEXTUREACCESS_STREAMING, w.width, w.height - w.caption);
    if (!w.renderer || !w.texture) {
        std::fprintf(stderr, "card designer: cannot draw into a window: %s\n", SDL_GetError());
        std::exit(1);
    }
    w.alive = true;
    impl_->windows.push_back(w);
    return static_cast<int>(impl_->windows.size() - 1);
}

void SdlDriver::show_window(int id, bool shown) {
    if (id < 0 || id >= static_cast<int>(impl_->windows.size()) || !impl_->windows[id].alive) return;
    if (shown) SDL_ShowWindow(impl_->windows[id].window);
    else SDL_HideWindow(impl_->windows[id].window);
}

void SdlDriver::move_window(int id, int x, int y, int width, int height) {
    if (id < 0 || id >= static_cast<int>(impl_->windows.size()) || !impl_->windows[id].alive) return;
    SdlWindow& w = impl_->windows[id];
    SDL_SetWindowPosition(w.window, x, y + w.caption);
    if (width != w.width || height != w.height) {
        w.width = std::max(width, 1);
        w.height = std::max(height, w.caption + 1);
        SDL_SetWindowSize(w.window, w.width, w.height - w.caption);
        // The texture follows the new size.
        SDL_DestroyTexture(w.texture);
        w.texture = SDL_CreateTexture(w.renderer, SDL_PIXELFORMAT_RGB888,
                                      SDL_TEXTUREACCESS_STREAMING, w.width, w.height - w.caption);
    }
}

void SdlDriver::destroy_window(int id) {
    if (id < 0 || id >= static_cast<int>(impl_->windows.size()) || !impl_->windows[id].alive) return;
    SdlWindow& w = impl_->windows[id];
    SDL_DestroyTexture(w.texture);
    SDL_DestroyRenderer(w.renderer);
    SDL_DestroyWindow(w.window);
    w = SdlWindow{};
}

void SdlDriver::focus_window(int id) {
    if (id < 0 || id >= static_cast<int>(impl_->windows.size()) || !impl_->windows[id].alive) return;
    SDL_RaiseWindow(impl_->windows[id].window);
    SDL_SetWindowInputFocus(impl_->windows[id].window);
}

void SdlDriver::present(int id, const uint32_t* pixels, int width, int height, int stride,
                        const Rect& dirty) {
    if (id < 0 || id >= static_cast<int>(impl_->windows.size()) || !impl_->windows[id].alive) return;
    SdlWindow& w = impl_->windows[id];
    if (width != w.width || height != w.height) {
        // The layer resized the surface (a user resize): fetch a texture of
        // the new size before showing it.
        w.width = width;
        w.height = height;
        SDL_DestroyTexture(w.texture);
        w.texture = SDL_CreateTexture(w.renderer, SDL_PIXELFORMAT_RGB888,
                                      SDL_TEXTUREACCESS_STREAMING, w.width,
                                      std::max(w.height - w.caption, 1));
    }
    Rect area = dirty.intersect({0, w.caption, width, height});
    if (!area.empty()) {
        SDL_Rect r{area.left, area.top - w.caption, area.width(), area.height()};
        const uint32_t* first = pixels + static_cast<ptrdiff_t>(area.top) * stride + area.left;
        SDL_UpdateTexture(w.texture, &r, first, stride * 4);
    }
    SDL_RenderCopy(w.renderer, w.texture, nullptr, nullptr);
    SDL_RenderPresent(w.renderer);
}

bool SdlDriver::next_input(InputEvent& event) {
    if (impl_->input.empty()) impl_->drain_sdl();
    if (impl_->input.empty()) return false;
    event = impl_->input.front();
    impl_->input.pop_front();
    return true;
}

void SdlDriver::wait_input(uint64_t deadline_ms) {
    if (!impl_->input.empty()) return;
    uint64_t now = now_ms();
    if (deadline_ms <= now) return;
    uint64_t span = deadline_ms - now;
    int timeout = span > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(span);
    SDL_WaitEventTimeout(nullptr, timeout);
}

uint64_t SdlDriver::now_ms() { return SDL_GetTicks64(); }

}  // namespace ws
