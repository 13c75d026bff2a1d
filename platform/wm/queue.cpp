// queue.cpp: the message queue, input, painting and timers.
//
// One thread, one queue. Posted messages and converted input share one FIFO
// in arrival order; after it come WM_QUIT (once the FIFO is empty after
// PostQuitMessage), then WM_PAINT for a window with an update region, then
// WM_TIMER for a due timer. Paint and timer messages are never queued: they
// are made when the queue is otherwise empty, so a timer never has two
// messages waiting. An idle wait presents what changed and then blocks in
// the driver until input or the next timer deadline.
#include <algorithm>
#include <cstdint>
#include <deque>
#include <vector>

#include "driver.h"
#include "gdi.h"
#include "metrics.h"
#include "wm.h"

namespace ws {

namespace {

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT period;
    TIMERPROC proc;
    uint64_t due;
};

std::deque<MSG> queue;
std::vector<Timer> timers;
bool quit_pending = false;
int quit_code = 0;
bool alt_down = false;
uint64_t last_present = 0;
UINT_PTR next_thread_timer = 0x7000;

// While the program runs without blocking, what it draws is still shown
// this often (driver milliseconds).
constexpr uint64_t PRESENT_INTERVAL = 16;

DWORD now_ms() {
    return static_cast<DWORD>(driver().now_ms());
}

MSG make_msg(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    MSG m{};
    m.hwnd = hwnd;
    m.message = msg;
    m.wParam = wparam;
    m.lParam = lparam;
    m.time = now_ms();
    return m;
}

// The window that a key goes to: the focus window, else the active window.
HWND key_target() {
    if (wm_window(wm_focus())) return wm_focus();
    if (wm_window(wm_active())) return wm_active();
    return nullptr;
}

// Key-down lParam: repeat count 1; bits 16..23 carry the character the key
// produces in the user's layout (the layer's own scan code), which
// TranslateMessage turns into WM_CHAR; bit 29 is the Alt context.
LPARAM key_lparam(int ch, bool up) {
    uint32_t l = 1;
    if (ch > 0 && ch < 256) l |= static_cast<uint32_t>(ch) << 16;
    if (alt_down) l |= 1u << 29;
    if (up) l |= (1u << 30) | (1u << 31);
    return static_cast<LPARAM>(static_cast<int32_t>(l));
}

bool in_close_box(const Window& top, int sx, int sy) {
    if (!wm_own_caption(top) || !(top.style & WS_SYSMENU)) return false;
    int h = metrics::CAPTION_HEIGHT;
    return sx >= top.rect.width() - h && sx < top.rect.width() && sy >= 0 && sy < h;
}

// A disabled owner (a modal dialog is open) passes the activation on to its
// enabled owned window.
Window* enabled_owned(Window& top) {
    for (HWND h : wm_top_levels()) {
        Window* w = wm_window(h);
        if (w && w->owner == top.handle && w->visible && w->enabled) return w;
    }
    return nullptr;
}

void pointer_button(Window& top, const InputEvent& ev) {
    if (!top.enabled) {
        if (ev.kind == InputEvent::Kind::PointerDown)
            if (Window* d = enabled_owned(top)) wm_activate(d->handle);
        return;
    }
    bool down = ev.kind == InputEvent::Kind::PointerDown;
    if (down && in_close_box(top, ev.x, ev.y)) {
        if (ev.button == 1) wm_post(top.handle, WM_SYSCOMMAND, SC_CLOSE, 0);
        return;
    }
    if (down) wm_activate(top.handle);

    Window* target = nullptr;
    if (!down && wm_window(top.captured_by)) {
        target = wm_window(top.captured_by);
    } else {
        Window* w = wm_window_at(top, ev.x, ev.y);
        if (w && wm_client_in_surface(*w).contains(ev.x, ev.y)) target = w;
    }
    if (down)
        top.captured_by = target ? target->handle : nullptr;
    else
        top.captured_by = nullptr;
    if (!target || !target->enabled) return;

    Rect client = wm_client_in_surface(*target);
    int cx = ev.x - client.left, cy = ev.y - client.top;
    UINT msg;
    switch (ev.button) {
    case 1:
        msg = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        break;
    case 2:
        msg = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
        break;
    case 3:
        msg = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        break;
    default:
        return;
    }
    wm_post(target->handle, msg, down && ev.button == 1 ? 1 : 0, MAKELPARAM(cx, cy));
}

void pointer_move(Window& top, const InputEvent& ev) {
    if (!top.enabled) return;
    Window* w = wm_window(top.captured_by);
    if (!w) w = wm_window_at(top, ev.x, ev.y);
    if (!w || !w->enabled) return;
    Rect client = wm_client_in_surface(*w);
    LPARAM l = MAKELPARAM(ev.x - client.left, ev.y - client.top);
    // Moves are coalesced: a move still waiting at the end of the queue is
    // brought up to date instead of queueing another.
    if (!queue.empty() && queue.back().message == WM_MOUSEMOVE && queue.back().hwnd == w->handle) {
        queue.back().lParam = l;
        return;
    }
    wm_post(w->handle, WM_MOUSEMOVE, 0, l);
}

void key(const InputEvent& ev) {
    bool down = ev.kind == InputEvent::Kind::KeyDown;
    HWND target = key_target();
    if (!target) return;
    bool sys = alt_down || ev.vk == VK_F10 || ev.vk == VK_MENU;
    UINT msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    wm_post(target, msg, static_cast<WPARAM>(ev.vk), key_lparam(down ? ev.ch : 0, !down));
}

// The desktop frames the window itself. Its frame takes the caption's place
// inside the outer rectangle, so the client area changes size; a dialog,
// whose outer size was worked out from the client area its template asks
// for, grows instead to keep that client area.
void framed(Window& top, const InputEvent& ev) {
    if ((top.style & WS_CAPTION) != WS_CAPTION || (top.desktop_frame && top.frame == ev.frame))
        return;
    HWND h = top.handle;
    Rect before = wm_client_rect(top);
    Insets f = ev.frame;
    f.left = std::clamp(f.left, 0, 1024);
    f.top = std::clamp(f.top, 0, 1024);
    f.right = std::clamp(f.right, 0, 1024);
    f.bottom = std::clamp(f.bottom, 0, 1024);
    top.desktop_frame = true;
    top.frame = f;
    Rect after = wm_client_rect(top);
    if (top.dialog_proc) {
        int w = std::clamp(top.rect.width() + before.width() - after.width(), 1, 16384);
        int ht = std::clamp(top.rect.height() + before.height() - after.height(), 1, 16384);
        top.rect.right = top.rect.left + w;
        top.rect.bottom = top.rect.top + ht;
        top.surface.assign(static_cast<size_t>(w) * ht, 0xFFFFFF);
        driver().move_window(top.native, top.rect.left, top.rect.top, w, ht);
        // Controls keep their places in the client area.
        after = wm_client_rect(top);
    }
    if (after.width() != before.width() || after.height() != before.height()) {
        wm_send(h, WM_SIZE, 0, MAKELPARAM(after.width(), after.height()));
        if (!wm_window(h)) return;
    }
    wm_paint_nonclient(top);
    wm_invalidate(top, nullptr, true);
    wm_surface_touched(top, {0, 0, top.rect.width(), top.rect.height()});
}

void convert(const InputEvent& ev) {
    Window* top = wm_window_for_native(ev.window);
    bool is_key = ev.kind == InputEvent::Kind::KeyDown || ev.kind == InputEvent::Kind::KeyUp;
    if (is_key) {
        // The Alt state is the layer's own, kept even for keys the menu takes.
        if (ev.vk == VK_MENU) alt_down = ev.kind == InputEvent::Kind::KeyDown;
        Window* active = wm_window(wm_active());
        if (active && menu_handle_input(*active, ev)) return;
        key(ev);
        return;
    }
    if (!top) return;
    if (menu_handle_input(*top, ev)) return;
    switch (ev.kind) {
    case InputEvent::Kind::PointerDown:
    case InputEvent::Kind::PointerUp:
        pointer_button(*top, ev);
        break;
    case InputEvent::Kind::PointerMove:
        pointer_move(*top, ev);
        break;
    case InputEvent::Kind::Close:
        if (top->enabled) wm_post(top->handle, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case InputEvent::Kind::Expose:
        // The surface still holds every pixel: showing it again is enough.
        wm_surface_touched(*top, {0, 0, top->rect.width(), top->rect.height()});
        break;
    case InputEvent::Kind::FocusIn:
        if (top->enabled)
            wm_activate(top->handle);
        else if (Window* d = enabled_owned(*top))
            wm_activate(d->handle);
        break;
    case InputEvent::Kind::FocusOut:
        alt_down = false;
        break;
    case InputEvent::Kind::Resize: {
        if (!(top->style & WS_THICKFRAME)) break;
        int w = std::clamp(ev.width, 1, 16384), h = std::clamp(ev.height, 1, 16384);
        if (w == top->rect.width() && h == top->rect.height()) break;
        top->rect.right = top->rect.left + w;
        top->rect.bottom = top->rect.top + h;
        top->surface.assign(static_cast<size_t>(w) * h, 0xFFFFFF);
        Rect client = wm_client_rect(*top);
        wm_send(top->handle, WM_SIZE, 0, MAKELPARAM(client.width(), client.height()));
        if ((top = wm_window_for_native(ev.window)) == nullptr) break;
        wm_paint_nonclient(*top);
        wm_invalidate(*top, nullptr, true);
        wm_surface_touched(*top, {0, 0, w, h});
        break;
    }
    case InputEvent::Kind::Moved:
        // The desktop placed or moved the window: pull-downs and dialogs
        // are placed from here.
        top->rect = top->rect.offset(ev.x - top->rect.left, ev.y - top->rect.top);
        break;
    case InputEvent::Kind::Framed:
        framed(*top, ev);
        break;
    case InputEvent::Kind::KeyDown:
    case InputEvent::Kind::KeyUp:
        break;
    }
}

void pump_input() {
    InputEvent ev;
    while (driver().next_input(ev))
        convert(ev);
}

bool matches(const MSG& m, HWND filter, UINT lo, UINT hi) {
    if (lo != 0 || hi != 0)
        if (m.message < lo || m.message > hi) return false;
    if (!filter) return true;
    if (filter == reinterpret_cast<HWND>(-1)) return m.hwnd == nullptr;
    for (Window* w = wm_window(m.hwnd); w; w = wm_window(w->parent))
        if (w->handle == filter) return true;
    return false;
}

// The first window, parents before children, with an update region.
Window* find_paint(Window& w, HWND filter) {
    if (!w.visible) return nullptr;
    bool wanted = !filter || filter == w.handle;
    if (!w.invalid.empty() && wanted) return &w;
    for (HWND c : w.children)
        if (Window* cw = wm_window(c))
            if (Window* p = find_paint(*cw, wanted ? nullptr : filter)) return p;
    return nullptr;
}

Window* paint_pending(HWND filter) {
    for (HWND h : wm_top_levels())
        if (Window* w = wm_window(h))
            if (Window* p = find_paint(*w, filter)) return p;
    return nullptr;
}

Timer* due_timer(HWND filter) {
    uint64_t now = driver().now_ms();
    Timer* best = nullptr;
    for (Timer& t : timers) {
        if (t.due > now) continue;
        if (filter && t.hwnd != filter) continue;
        if (!best || t.due < best->due) best = &t;
    }
    return best;
}

uint64_t next_deadline() {
    uint64_t d = UINT64_MAX;
    for (const Timer& t : timers)
        d = std::min(d, t.due);
    return d;
}

void present_if_due() {
    uint64_t now = driver().now_ms();
    if (now - last_present >= PRESENT_INTERVAL) {
        wm_present_all();
        last_present = now;
    }
}

// Whether a message of the kinds in a wake mask is there to be taken. Posted
// messages and input share the queue, so either kind wakes for both.
bool pending_for(DWORD wake_mask) {
    if ((wake_mask & (QS_INPUT | QS_POSTMESSAGE | QS_SENDMESSAGE | QS_HOTKEY)) &&
        (!queue.empty() || quit_pending))
        return true;
    if ((wake_mask & QS_PAINT) && paint_pending(nullptr)) return true;
    return (wake_mask & QS_TIMER) && due_timer(nullptr);
}

} // namespace

LRESULT wm_send(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    Window* w = wm_window(hwnd);
    if (!w || !w->proc) return 0;
    return w->proc(hwnd, msg, wparam, lparam);
}

void wm_post(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    queue.push_back(make_msg(hwnd, msg, wparam, lparam));
}

void wm_kill_timers(HWND hwnd) {
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [&](const Timer& t) { return t.hwnd == hwnd; }),
                 timers.end());
}

void wm_drop_messages(HWND hwnd) {
    queue.erase(
        std::remove_if(queue.begin(), queue.end(), [&](const MSG& m) { return m.hwnd == hwnd; }),
        queue.end());
}

void wm_queue_reset() {
    queue.clear();
    timers.clear();
    quit_pending = false;
    quit_code = 0;
    alt_down = false;
    last_present = 0;
}

} // namespace ws

using namespace ws;

extern "C" {

BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT lo, UINT hi, UINT remove) {
    if (!msg) return FALSE;
    pump_input();
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (!matches(*it, hwnd, lo, hi)) continue;
        *msg = *it;
        if (remove & PM_REMOVE) queue.erase(it);
        return TRUE;
    }
    bool wants_quit = (lo == 0 && hi == 0) || (WM_QUIT >= lo && WM_QUIT <= hi);
    if (quit_pending && wants_quit && !hwnd) {
        *msg = make_msg(nullptr, WM_QUIT, static_cast<WPARAM>(quit_code), 0);
        if (remove & PM_REMOVE) quit_pending = false;
        return TRUE;
    }
    bool wants_paint = (lo == 0 && hi == 0) || (WM_PAINT >= lo && WM_PAINT <= hi);
    if (wants_paint)
        if (Window* w = paint_pending(hwnd)) {
            *msg = make_msg(w->handle, WM_PAINT, 0, 0);
            return TRUE;
        }
    bool wants_timer = (lo == 0 && hi == 0) || (WM_TIMER >= lo && WM_TIMER <= hi);
    if (wants_timer)
        if (Timer* t = due_timer(hwnd)) {
            *msg = make_msg(t->hwnd, WM_TIMER, t->id, reinterpret_cast<LPARAM>(t->proc));
            if (remove & PM_REMOVE) t->due = driver().now_ms() + t->period;
            return TRUE;
        }
    present_if_due();
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
    int ch = static_cast<int>((static_cast<uint32_t>(msg->lParam) >> 16) & 0xFF);
    if (ch == 0) return FALSE;
    UINT char_msg = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    // The character belongs to the key-down just taken, so it comes before
    // anything queued after that key-down.
    queue.push_front(make_msg(msg->hwnd, char_msg, static_cast<WPARAM>(ch), msg->lParam));
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, now_ms());
        return 0;
    }
    return wm_send(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WINAPI WaitMessage(void) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
    return TRUE;
}

// Only the message queue can be waited on: the layer has no kernel objects.
// A timer left out of the mask does not wake the wait; its WM_TIMER is made
// as usual by the next PeekMessage after it is due.
DWORD WINAPI MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL wait_all,
                                       DWORD milliseconds, DWORD wake_mask) {
    (void)handles;
    (void)wait_all;
    if (count != 0) return WAIT_FAILED;
    const uint64_t start = driver().now_ms();
    const uint64_t end = milliseconds == INFINITE ? UINT64_MAX : start + milliseconds;
    for (;;) {
        pump_input();
        if (pending_for(wake_mask)) return WAIT_OBJECT_0;
        uint64_t now = driver().now_ms();
        if (now >= end) return WAIT_TIMEOUT;
        wm_present_all();
        last_present = now;
        driver().wait_input((wake_mask & QS_TIMER) ? std::min(end, next_deadline()) : end);
    }
}

BOOL WINAPI PostMessageA(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (hwnd && !wm_window(hwnd)) return FALSE;
    wm_post(hwnd, msg, wparam, lparam);
    return TRUE;
}

void WINAPI PostQuitMessage(int exit_code) {
    quit_pending = true;
    quit_code = exit_code;
}

UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    if (hwnd && !wm_window(hwnd)) return 0;
    if (!hwnd) id = ++next_thread_timer;
    // The shortest period is 10 ms, as on the real system.
    UINT period = std::max<UINT>(elapse, 10);
    uint64_t due = driver().now_ms() + period;
    for (Timer& t : timers)
        if (t.hwnd == hwnd && t.id == id) {
            t = {hwnd, id, period, proc, due};
            return hwnd ? 1 : id;
        }
    timers.push_back({hwnd, id, period, proc, due});
    return hwnd ? 1 : id;
}

BOOL WINAPI KillTimer(HWND hwnd, UINT_PTR id) {
    auto it = std::find_if(timers.begin(), timers.end(),
                           [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == timers.end()) return FALSE;
    timers.erase(it);
    return TRUE;
}

BOOL WINAPI InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    Window* w = wm_window(hwnd);
    if (!w) return FALSE;
    Rect r;
    if (rect) r = from_win(*rect);
    wm_invalidate(*w, rect ? &r : nullptr, erase);
    return TRUE;
}

HDC WINAPI GetDC(HWND hwnd) {
    if (!wm_window(hwnd)) return nullptr;
    return gdi_create_dc(DC::Kind::Window, hwnd);
}

int WINAPI ReleaseDC(HWND hwnd, HDC hdc) {
    DC* d = gdi_dc(hdc);
    if (!d || d->kind != DC::Kind::Window || d->window != hwnd) return 0;
    gdi_delete_dc(hdc);
    return 1;
}

HDC WINAPI BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
    Window* w = wm_window(hwnd);
    if (!w || !ps) return nullptr;
    // A child's border is drawn with its paint, after the parent's, which
    // may have painted over it.
    if (!wm_is_top_level(*w)) wm_paint_nonclient(*w);
    HDC hdc = gdi_create_dc(DC::Kind::Window, hwnd);
    DC* d = gdi_dc(hdc);
    Rect update = w->invalid;
    d->paint_clip = update;
    d->has_paint_clip = true;
    *ps = PAINTSTRUCT{};
    ps->hdc = hdc;
    ps->rcPaint = to_win(update);
    bool erase = w->erase_pending;
    w->invalid = {};
    w->erase_pending = false;
    if (erase) ps->fErase = wm_send(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) == 0;
    return hdc;
}

BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
    if (!ps) return FALSE;
    DC* d = gdi_dc(ps->hdc);
    if (!d || d->window != hwnd) return FALSE;
    gdi_delete_dc(ps->hdc);
    return TRUE;
}

} // extern "C"
