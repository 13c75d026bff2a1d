// windows.cpp: window classes, windows, their geometry, focus and caption.
//
// Top-level windows own a surface of their outer size and a native window
// of the driver; children draw into their top-level window's surface. There
// is no side frame: a caption (and a menu bar) sit above the client area.
// Where the desktop frames a window itself, its frame takes the caption's
// place, inside the same outer rectangle, and the client area is what the
// frame (and the menu bar) leave.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "driver.h"
#include "fonts.h"
#include "gdi.h"
#include "metrics.h"
#include "wm.h"

namespace ws {

namespace {

HandleTable<Window> windows;
std::vector<std::unique_ptr<WindowClass>> classes;
std::vector<HWND> top_levels; // creation order
std::vector<HWND> activation; // most recently active last
HWND focus_hwnd = nullptr;
HWND active_hwnd = nullptr;

constexpr ATOM FIRST_ATOM = 0xC000;

bool same_name(const std::string& a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// A class name may be an atom (MAKEINTATOM): a pointer value below 0x10000.
const WindowClass* find_class(LPCSTR name) {
    uintptr_t v = reinterpret_cast<uintptr_t>(name);
    if (v == 0) return nullptr;
    if (v < 0x10000) {
        size_t i = v - FIRST_ATOM;
        return v >= FIRST_ATOM && i < classes.size() ? classes[i].get() : nullptr;
    }
    for (auto& c : classes)
        if (same_name(c->name, name)) return c.get();
    return nullptr;
}

bool has_caption(const Window& w) {
    return (w.style & WS_CAPTION) == WS_CAPTION;
}

int caption_height(const Window& w) {
    return wm_own_caption(w) ? metrics::CAPTION_HEIGHT : 0;
}

Rect close_box(const Window& w) {
    int h = metrics::CAPTION_HEIGHT;
    return {w.rect.width() - h, 0, w.rect.width(), h};
}

void fill(const Canvas& c, const Rect& r, uint32_t pixel) {
    fill_rect(c, r, pixel);
}

void paint_caption(Window& w) {
    Canvas c = wm_window_canvas(w);
    int h = caption_height(w);
    if (h == 0) return;
    bool active = w.handle == active_hwnd;
    Rect bar{0, 0, w.rect.width(), h};
    fill(c, bar, active ? 0x1F3F7F : 0x7F7F8F);
    const FontFace* face = font_resolve({-metrics::UI_FONT_HEIGHT, 700, false, metrics::UI_FACE});
    FontMetrics m = font_metrics(face);
    int ty = (h - m.height) / 2;
    font_draw(c.clipped_to({0, 0, bar.right - h - 2, h}), face, 6, ty, w.title.data(),
              static_cast<int>(w.title.size()), 0xFFFFFF);
    if (w.style & WS_SYSMENU) {
        Rect box = close_box(w);
        Rect inner{box.left + 3, box.top + 3, box.right - 3, box.bottom - 3};
        fill(c, inner, 0xC0C0C0);
        // An X of two diagonal strokes, two pixels thick.
        int n = inner.width() - 6;
        for (int i = 0; i < n; ++i) {
            for (int t = 0; t < 2; ++t) {
                int x = inner.left + 3 + i;
                fill(c, {x, inner.top + 3 + i + t - 1, x + 1, inner.top + 3 + i + t}, 0);
                fill(c, {x, inner.bottom - 4 - i + t - 1, x + 1, inner.bottom - 4 - i + t}, 0);
            }
        }
    }
    wm_surface_touched(w, bar);
}

void paint_child_border(Window& w) {
    if (!(w.style & WS_BORDER) || has_caption(w)) return;
    Window* top = wm_top_level(w);
    if (!top) return;
    Canvas c = wm_window_canvas(w);
    Rect o{0, 0, w.rect.width(), w.rect.height()};
    fill(c, {o.left, o.top, o.right, o.top + 1}, 0x404040);
    fill(c, {o.left, o.bottom - 1, o.right, o.bottom}, 0x404040);
    fill(c, {o.left, o.top, o.left + 1, o.bottom}, 0x404040);
    fill(c, {o.right - 1, o.top, o.right, o.bottom}, 0x404040);
    wm_surface_touched(*top, wm_outer_in_surface(w));
}

void unlink(std::vector<HWND>& list, HWND h) {
    list.erase(std::remove(list.begin(), list.end(), h), list.end());
}

// Sets the client area's canvas clip through every ancestor's client area.
Rect visible_client_in_surface(const Window& w) {
    Rect r = wm_client_in_surface(w);
    const Window* p = &w;
    while (p->parent) {
        const Window* parent = wm_window(p->parent);
        if (!parent) break;
        r = r.intersect(wm_client_in_surface(*parent));
        p = parent;
    }
    return r;
}

void activate_most_recent() {
    for (auto it = activation.rbegin(); it != activation.rend(); ++it) {
        Window* w = wm_window(*it);
        if (w && w->visible && w->enabled && !w->destroying) {
            wm_activate(w->handle);
            return;
        }
    }
    active_hwnd = nullptr;
    focus_hwnd = nullptr;
}

} // namespace

HandleTable<Window>& wm_windows() {
    return windows;
}
Window* wm_window(HWND h) {
    return windows.get(handle_value(h));
}
const std::vector<HWND>& wm_top_levels() {
    return top_levels;
}

Window* wm_window_for_native(int native) {
    if (native < 0) return nullptr;
    for (HWND h : top_levels) {
        Window* w = wm_window(h);
        if (w && w->native == native) return w;
    }
    return nullptr;
}

bool wm_is_top_level(const Window& w) {
    return !(w.style & WS_CHILD);
}

Window* wm_top_level(Window& w) {
    Window* p = &w;
    while (!wm_is_top_level(*p)) {
        p = wm_window(p->parent);
        if (!p) return nullptr;
    }
    return p;
}

bool wm_own_caption(const Window& w) {
    return has_caption(w) && wm_is_top_level(w) && !w.desktop_frame;
}

Rect wm_client_rect(const Window& w) {
    Rect r{0, 0, w.rect.width(), w.rect.height()};
    if (has_caption(w)) {
        if (wm_is_top_level(w) && w.desktop_frame) {
            r = {w.frame.left, w.frame.top, r.right - w.frame.right, r.bottom - w.frame.bottom};
        } else if (wm_is_top_level(w)) {
            r.left += metrics::FRAME_WIDTH;
            r.right -= metrics::FRAME_WIDTH;
            r.bottom -= metrics::FRAME_WIDTH;
            r.top += metrics::FRAME_WIDTH + metrics::CAPTION_HEIGHT;
        } else {
            r.top += metrics::CAPTION_HEIGHT;
        }
    } else if (w.style & WS_BORDER) {
        int b = metrics::BORDER_WIDTH;
        r = {r.left + b, r.top + b, r.right - b, r.bottom - b};
    }
    if (w.menu && wm_is_top_level(w)) r.top += metrics::MENU_BAR_HEIGHT;
    if (r.bottom < r.top) r.bottom = r.top;
    if (r.right < r.left) r.right = r.left;
    return r;
}

Rect wm_outer_in_surface(const Window& w) {
    if (wm_is_top_level(w)) return {0, 0, w.rect.width(), w.rect.height()};
    const Window* parent = wm_window(w.parent);
    if (!parent) return {};
    Rect pc = wm_client_in_surface(*parent);
    return w.rect.offset(pc.left, pc.top);
}

Rect wm_client_in_surface(const Window& w) {
    Rect o = wm_outer_in_surface(w);
    return wm_client_rect(w).offset(o.left, o.top);
}

Canvas wm_client_canvas(Window& w) {
    Window* top = wm_top_level(w);
    if (!top || top->surface.empty()) return Canvas{};
    Canvas c =
        make_canvas(top->surface.data(), top->rect.width(), top->rect.height(), top->rect.width());
    Rect client = wm_client_in_surface(w);
    c.origin_x = client.left;
    c.origin_y = client.top;
    c.clip = c.clip.intersect(visible_client_in_surface(w));
    return c;
}

Canvas wm_window_canvas(Window& w) {
    Window* top = wm_top_level(w);
    if (!top || top->surface.empty()) return Canvas{};
    Canvas c =
        make_canvas(top->surface.data(), top->rect.width(), top->rect.height(), top->rect.width());
    Rect outer = wm_outer_in_surface(w);
    c.origin_x = outer.left;
    c.origin_y = outer.top;
    Rect keep = outer;
    if (w.parent)
        if (Window* parent = wm_window(w.parent))
            keep = keep.intersect(visible_client_in_surface(*parent));
    c.clip = c.clip.intersect(keep);
    return c;
}

void wm_surface_touched(Window& top, const Rect& area) {
    top.dirty = top.dirty.unite(area.intersect({0, 0, top.rect.width(), top.rect.height()}));
}

void wm_present_all() {
    for (HWND h : top_levels) {
        Window* w = wm_window(h);
        if (!w || w->native < 0 || w->dirty.empty()) continue;
        driver().present(w->native, w->surface.data(), w->rect.width(), w->rect.height(),
                         w->rect.width(), w->dirty);
        w->dirty = {};
    }
}

void wm_paint_nonclient(Window& w) {
    if (wm_is_top_level(w)) {
        paint_caption(w);
        if (w.menu) menu_paint_bar(w);
    } else {
        paint_child_border(w);
    }
}

void wm_invalidate(Window& w, const Rect* area, bool erase) {
    Rect client = wm_client_rect(w);
    Rect all{0, 0, client.width(), client.height()};
    Rect r = area ? area->intersect(all) : all;
    if (r.empty()) return;
    w.invalid = w.invalid.unite(r);
    if (erase) w.erase_pending = true;
    // Children are drawn after their parent, so whatever the parent repaints
    // under them is painted over again.
    for (HWND ch : w.children) {
        Window* c = wm_window(ch);
        if (!c || !c->visible) continue;
        Rect overlap = r.intersect(c->rect);
        if (overlap.empty()) continue;
        Rect cc = wm_client_rect(*c);
        Rect local = overlap.offset(-c->rect.left - cc.left, -c->rect.top - cc.top);
        wm_invalidate(*c, &local, true);
    }
}

Window* wm_window_at(Window& top, int sx, int sy) {
    for (auto it = top.children.rbegin(); it != top.children.rend(); ++it) {
        Window* c = wm_window(*it);
        if (!c || !c->visible) continue;
        if (wm_outer_in_surface(*c).contains(sx, sy)) return wm_window_at(*c, sx, sy);
    }
    return &top;
}

HWND wm_focus() {
    return focus_hwnd;
}
HWND wm_active() {
    return active_hwnd;
}

void wm_set_focus(HWND hwnd) {
    if (hwnd == focus_hwnd) return;
    Window* w = wm_window(hwnd);
    if (hwnd && (!w || !w->enabled)) return;
    HWND old = focus_hwnd;
    focus_hwnd = hwnd;
    if (wm_window(old)) wm_send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (w) {
        Window* top = wm_top_level(*w);
        if (top && top != w) top->focus_child = hwnd;
        if (top && top->handle != active_hwnd) wm_activate(top->handle);
        if (wm_window(hwnd)) wm_send(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    }
}

void wm_activate(HWND h) {
    Window* w = wm_window(h);
    if (!w || !wm_is_top_level(*w) || !w->enabled) return;
    unlink(activation, h);
    activation.push_back(h);
    if (active_hwnd != h) {
        HWND old = active_hwnd;
        active_hwnd = h;
        if (Window* o = wm_window(old)) paint_caption(*o);
        paint_caption(*w);
        if (w->native >= 0) driver().focus_window(w->native);
    }
    HWND want = wm_window(w->focus_child) ? w->focus_child : h;
    Window* f = wm_window(focus_hwnd);
    if (!f || wm_top_level(*f) != w) wm_set_focus(want);
}

void wm_forget_activation(HWND top) {
    unlink(activation, top);
}

void wm_enable(Window& w, bool enabled) {
    if (w.enabled == enabled) return;
    w.enabled = enabled;
    if (!enabled) {
        Window* f = wm_window(focus_hwnd);
        if (f && (f == &w || wm_top_level(*f) == &w)) focus_hwnd = nullptr;
        if (active_hwnd == w.handle) active_hwnd = nullptr;
    }
    wm_send(w.handle, WM_ENABLE, enabled ? TRUE : FALSE, 0);
}

void wm_windows_reset() {
    windows.clear();
    classes.clear();
    top_levels.clear();
    activation.clear();
    focus_hwnd = active_hwnd = nullptr;
}

// Shows or hides a window; returns whether it was visible.
bool wm_show(Window& w, bool show) {
    bool was = w.visible;
    if (was == show) return was;
    w.visible = show;
    HWND h = w.handle;
    wm_send(h, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if (!wm_window(h)) return was;
    if (show && !w.size_sent) {
        w.size_sent = true;
        Rect client = wm_client_rect(w);
        wm_send(h, WM_SIZE, 0, MAKELPARAM(client.width(), client.height()));
        if (!wm_window(h)) return was;
    }
    if (wm_is_top_level(w)) {
        if (w.native >= 0) driver().show_window(w.native, show);
        if (show) {
            wm_paint_nonclient(w);
            wm_invalidate(w, nullptr, true);
            wm_activate(h);
        } else {
            menu_cancel();
            if (active_hwnd == h) {
                active_hwnd = nullptr;
                focus_hwnd = nullptr;
                activate_most_recent();
            }
        }
    } else if (Window* parent = wm_window(w.parent)) {
        if (show) {
            wm_paint_nonclient(w);
            wm_invalidate(w, nullptr, true);
        } else {
            wm_invalidate(*parent, &w.rect, true);
            if (focus_hwnd == h) focus_hwnd = nullptr;
        }
    }
    return was;
}

void wm_destroy(HWND h) {
    Window* w = wm_window(h);
    if (!w || w->destroying) return;
    w->destroying = true;
    // Owned windows (dialogs) go first, as on the real system.
    std::vector<HWND> owned;
    for (HWND t : top_levels) {
        Window* o = wm_window(t);
        if (o && o->owner == h) owned.push_back(t);
    }
    for (HWND o : owned)
        wm_destroy(o);
    if ((w = wm_window(h)) == nullptr) return;
    // A control that goes away with the focus (a dialog's edit box, say)
    // loses it first and hears so, as on the real system.
    if (Window* f = wm_window(focus_hwnd); f && !wm_is_top_level(*f)) {
        for (; f; f = wm_window(f->parent)) {
            if (f->handle != h) continue;
            wm_set_focus(nullptr);
            break;
        }
    }
    if ((w = wm_window(h)) == nullptr) return;

    if (w->visible && !wm_is_top_level(*w)) {
        if (Window* parent = wm_window(w->parent)) wm_invalidate(*parent, &w->rect, true);
    }
    if (wm_is_top_level(*w)) menu_cancel();
    wm_send(h, WM_DESTROY, 0, 0);
    if ((w = wm_window(h)) == nullptr) return;
    std::vector<HWND> kids = w->children;
    for (HWND c : kids)
        wm_destroy(c);
    if ((w = wm_window(h)) == nullptr) return;

    wm_kill_timers(h);
    wm_drop_messages(h);
    if (w->menu) menu_destroy(w->menu);
    if (w->native >= 0) driver().destroy_window(w->native);
    if (Window* parent = wm_window(w->parent)) {
        unlink(parent->children, h);
        if (parent->focus_child == h) parent->focus_child = nullptr;
    }
    for (HWND t : top_levels)
        if (Window* o = wm_window(t); o && o->focus_child == h) o->focus_child = nullptr;
    unlink(top_levels, h);
    unlink(activation, h);
    bool was_active = active_hwnd == h;
    if (focus_hwnd == h) focus_hwnd = nullptr;
    if (was_active) active_hwnd = nullptr;
    windows.remove(handle_value(h));
    if (was_active) activate_most_recent();
}

} // namespace ws

using namespace ws;

extern "C" {

ATOM WINAPI RegisterClassA(const WNDCLASSA* wc) {
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) return 0;
    if (reinterpret_cast<uintptr_t>(wc->lpszClassName) < 0x10000) return 0;
    if (find_class(wc->lpszClassName)) return 0; // already registered
    auto c = std::make_unique<WindowClass>();
    c->name = wc->lpszClassName;
    c->style = wc->style;
    c->proc = wc->lpfnWndProc;
    c->instance = wc->hInstance;
    c->background = wc->hbrBackground;
    classes.push_back(std::move(c));
    return static_cast<ATOM>(FIRST_ATOM + classes.size() - 1);
}

HWND WINAPI CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style,
                            int x, int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
    (void)instance;
    (void)param;
    const WindowClass* cls = find_class(class_name);
    if (!cls) return nullptr;
    bool child = style & WS_CHILD;
    Window* parent_window = wm_window(parent);
    if (child && !parent_window) return nullptr;

    auto owned = std::make_unique<Window>();
    Window& w = *owned;
    w.cls = cls;
    w.proc = cls->proc;
    w.title = window_name ? window_name : "";
    w.style = style & ~WS_VISIBLE;
    w.ex_style = ex_style;
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = 320, height = 240;
    // Sizes are kept within what a surface can hold.
    width = std::clamp(width, 0, 16384);
    height = std::clamp(height, 0, 16384);
    x = std::clamp(x, -(1 << 24), 1 << 24);
    y = std::clamp(y, -(1 << 24), 1 << 24);
    w.rect = {x, y, x + width, y + height};
    if (child) {
        w.parent = parent;
        w.id = static_cast<int>(reinterpret_cast<intptr_t>(menu));
    } else {
        w.owner = parent;
        w.menu = menu;
        w.surface.assign(static_cast<size_t>(width) * height, 0xFFFFFF);
    }
    HWND h = make_handle<HWND>(windows.add(std::move(owned)));
    Window* wp = wm_window(h);
    wp->handle = h;
    if (child) {
        wm_window(parent)->children.push_back(h);
    } else {
        top_levels.push_back(h);
        NativeWindowInfo info;
        info.title = wp->title;
        info.x = x;
        info.y = y;
        info.width = width;
        info.height = height;
        info.caption_height = caption_height(*wp);
        info.resizable = style & WS_THICKFRAME;
        info.popup = !has_caption(*wp);
        if (Window* o = wm_window(parent)) info.owner = o->native;
        wp->native = driver().create_window(info);
    }

    if (wm_send(h, WM_CREATE, 0, 0) == -1) {
        wm_destroy(h);
        return nullptr;
    }
    // As on the system's own, a window hears its size after its creation and
    // once more when it is first shown.
    if (!(wp = wm_window(h))) return nullptr;
    wp->creating = false;
    Rect client = wm_client_rect(*wp);
    wm_send(h, WM_SIZE, 0, MAKELPARAM(client.width(), client.height()));
    if ((wp = wm_window(h)) && (style & WS_VISIBLE)) wm_show(*wp, true);
    return wm_window(h) ? h : nullptr;
}

BOOL WINAPI ShowWindow(HWND hwnd, int show) {
    Window* w = wm_window(hwnd);
    if (!w) return FALSE;
    return wm_show(*w, show != SW_HIDE) ? TRUE : FALSE;
}

BOOL WINAPI DestroyWindow(HWND hwnd) {
    if (!wm_window(hwnd)) return FALSE;
    wm_destroy(hwnd);
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    Window* w = wm_window(hwnd);
    if (!w) return 0;
    switch (msg) {
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_SYSCOMMAND:
        if ((wparam & 0xFFF0) == SC_CLOSE) wm_send(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_ERASEBKGND: {
        DC* dc = gdi_dc(reinterpret_cast<HDC>(wparam));
        Brush* b = w->cls ? gdi_brush(w->cls->background) : nullptr;
        if (!dc || !b || b->hollow) return 0;
        Canvas c = dc_canvas(*dc);
        Rect area = c.local_clip();
        fill_rect(c, area, pixel_from_colorref(b->colour));
        dc_touched(*dc, area);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_SETTEXT:
        w->title = lparam ? reinterpret_cast<const char*>(lparam) : "";
        if (wm_is_top_level(*w) && w->visible) paint_caption(*w);
        return TRUE;
    case WM_GETTEXT: {
        if (wparam == 0 || !lparam) return 0;
        size_t n = std::min<size_t>(w->title.size(), wparam - 1);
        std::memcpy(reinterpret_cast<char*>(lparam), w->title.data(), n);
        reinterpret_cast<char*>(lparam)[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(w->title.size());
    default:
        return 0;
    }
}

int WINAPI GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
        return driver().screen_width();
    case SM_CYSCREEN:
        return driver().screen_height();
    case SM_CYCAPTION:
        return metrics::CAPTION_HEIGHT;
    case SM_CYMENU:
        return metrics::MENU_BAR_HEIGHT;
    default:
        return 0;
    }
}

BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect) {
    Window* w = wm_window(hwnd);
    if (!w || !rect) return FALSE;
    Rect c = wm_client_rect(*w);
    *rect = {0, 0, c.width(), c.height()};
    return TRUE;
}

// Icons and cursors are not drawn by this layer; any non-null handle will do.
HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) {
    return reinterpret_cast<HICON>(uintptr_t{0x1004});
}
HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR) {
    return reinterpret_cast<HCURSOR>(uintptr_t{0x2004});
}

} // extern "C"
