// dialogs.cpp: modal dialogs from in-memory templates.
//
// DialogBoxIndirectParamA reads the template in its published layout
// (DLGTEMPLATE, then menu, class and title, the font with DS_SETFONT, then
// each DLGITEMTEMPLATE on a 4-byte boundary with its class, title and
// creation data; strings are 16-bit, little-endian, narrowed to code page
// 1252 as the controls hold their text), creates the dialog centred on its owner and its controls,
// disables the owner and runs its own message loop until EndDialog. The
// loop takes Enter, Escape and Tab for the dialog before translating them.
// Limits: the extended template layout, dialog menus and the template's
// font are not supported (the layer's UI font is used); only the button,
// edit and static atoms name built-in classes. Counts and string lengths are
// capped, so a damaged template fails with -1 rather than running away.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "codepage.h"
#include "controls_internal.h"
#include "driver.h"
#include "gdi.h"
#include "metrics.h"
#include "wm.h"

namespace ws {

namespace {

constexpr int MAX_ITEMS = 255;
constexpr size_t MAX_STRING_UNITS = 4096;
constexpr int MAX_SIDE = 16384;          // the largest window the layer makes
constexpr int FIRST_CLASS_ATOM = 0xC000; // RegisterClassA's atoms start here

struct ItemTemplate {
    DWORD style = 0, ex_style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    WORD id = 0;
    std::string class_name;
    WORD class_atom = 0; // a class registered by the program, by its atom
    std::string title;
};

struct DialogTemplate {
    DWORD style = 0, ex_style = 0;
    int cx = 0, cy = 0;
    std::string class_name; // empty (and no atom): the dialog class
    WORD class_atom = 0;
    std::string title;
    std::vector<ItemTemplate> items;
};

// Reads the template's little-endian units from its start.
struct Reader {
    const BYTE* base;
    size_t at = 0;

    WORD u16() {
        WORD v = static_cast<WORD>(base[at] | (base[at + 1] << 8));
        at += 2;
        return v;
    }
    DWORD u32() {
        DWORD lo = u16();
        return lo | (static_cast<DWORD>(u16()) << 16);
    }
    int s16() { return static_cast<SHORT>(u16()); }
    void align(size_t n) { at = (at + n - 1) / n * n; }

    // A zero-terminated 16-bit string, narrowed to the A calls' code page;
    // false past the cap.
    bool string(std::string& out) {
        std::vector<WCHAR> units;
        for (;;) {
            WORD u = u16();
            if (u == 0) break;
            if (units.size() >= MAX_STRING_UNITS) return false;
            units.push_back(u);
        }
        out = cp1252_from_utf16(units.data(), units.size());
        return true;
    }
    // The menu, class and title fields: 0 (none), 0xFFFF + ordinal, or a string.
    bool name_or_ordinal(std::string& name, int& ordinal) {
        ordinal = -1;
        name.clear();
        WORD first = static_cast<WORD>(base[at] | (base[at + 1] << 8));
        if (first == 0) {
            at += 2;
            return true;
        }
        if (first == 0xFFFF) {
            at += 2;
            ordinal = u16();
            return true;
        }
        return string(name);
    }
};

bool parse_template(const BYTE* bytes, DialogTemplate& t) {
    Reader r{bytes};
    t.style = r.u32();
    t.ex_style = r.u32();
    // The extended layout starts with version 1 and signature 0xFFFF.
    if ((t.style & 0xFFFF) == 1 && (t.style >> 16) == 0xFFFF) return false;
    int count = r.u16();
    r.s16(); // the position: a modal dialog is centred on its owner instead
    r.s16();
    t.cx = std::max(0, r.s16());
    t.cy = std::max(0, r.s16());
    if (count > MAX_ITEMS) return false;
    std::string name;
    int ordinal;
    if (!r.name_or_ordinal(name, ordinal)) return false; // the menu: not used
    if (!r.name_or_ordinal(t.class_name, ordinal)) return false;
    if (ordinal >= 0) {
        if (ordinal < FIRST_CLASS_ATOM) return false;
        t.class_atom = static_cast<WORD>(ordinal);
    }
    if (!r.string(t.title)) return false;
    if (t.style & DS_SETFONT) {
        r.u16(); // point size
        std::string face;
        if (!r.string(face)) return false;
    }
    for (int i = 0; i < count; ++i) {
        r.align(4);
        ItemTemplate it;
        it.style = r.u32();
        it.ex_style = r.u32();
        it.x = r.s16();
        it.y = r.s16();
        it.cx = std::max(0, r.s16());
        it.cy = std::max(0, r.s16());
        it.id = r.u16();
        if (!r.name_or_ordinal(it.class_name, ordinal)) return false;
        if (ordinal >= 0) {
            switch (ordinal) {
            case 0x0080:
                it.class_name = "button";
                break;
            case 0x0081:
                it.class_name = "edit";
                break;
            case 0x0082:
                it.class_name = "static";
                break;
            default:
                // Other built-in atoms name controls this layer does not have.
                if (ordinal < FIRST_CLASS_ATOM) return false;
                it.class_atom = static_cast<WORD>(ordinal);
            }
        } else if (it.class_name.empty()) {
            return false;
        }
        if (!r.name_or_ordinal(it.title, ordinal)) return false; // an ordinal title: no text
        WORD extra = r.u16();
        r.at += extra;
        t.items.push_back(std::move(it));
    }
    return true;
}

LPCSTR class_by_atom(WORD atom) {
    return reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(atom));
}

int units_to_pixels(int units, int base, int per) {
    int64_t v = int64_t{units} * base / per;
    return static_cast<int>(std::clamp<int64_t>(v, -MAX_SIDE * 4, MAX_SIDE * 4));
}

int side(int units, int base, int per) {
    return std::clamp(units_to_pixels(units, base, per), 0, MAX_SIDE);
}

// The modal dialogs running, innermost last.
std::vector<HWND> running;
bool shift_down = false;
bool control_down = false;

bool is_running(HWND h) {
    return std::find(running.begin(), running.end(), h) != running.end();
}

bool takes_focus(const Window& c) {
    return (c.style & WS_TABSTOP) && c.visible && c.enabled;
}

HWND first_tab_stop(const Window& dialog) {
    for (HWND h : dialog.children)
        if (Window* c = wm_window(h); c && takes_focus(*c)) return h;
    return nullptr;
}

bool is_push_button(const Window& w) {
    if (!w.cls || w.cls->name != "button") return false;
    DWORD kind = w.style & 0x0F;
    return kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON;
}

HWND child_with_id(const Window& dialog, int id) {
    for (HWND h : dialog.children)
        if (Window* c = wm_window(h); c && c->id == id) return h;
    return nullptr;
}

// Enter: the focused push button, else the default one, else IDOK.
void press_default(Window& dialog) {
    HWND target = nullptr;
    if (Window* f = wm_window(wm_focus()); f && f->parent == dialog.handle && is_push_button(*f))
        target = f->handle;
    else if (wm_window(dialog.default_button))
        target = dialog.default_button;
    if (Window* b = wm_window(target)) {
        if (!b->enabled) return;
        wm_send(dialog.handle, WM_COMMAND, make_wparam(static_cast<unsigned>(b->id), BN_CLICKED),
                reinterpret_cast<LPARAM>(target));
        return;
    }
    wm_send(dialog.handle, WM_COMMAND, make_wparam(IDOK, BN_CLICKED), 0);
}

void send_cancel(Window& dialog) {
    HWND cancel = child_with_id(dialog, IDCANCEL);
    wm_send(dialog.handle, WM_COMMAND, make_wparam(IDCANCEL, BN_CLICKED),
            reinterpret_cast<LPARAM>(cancel));
}

void move_focus(Window& dialog, bool backward) {
    std::vector<HWND> stops;
    for (HWND h : dialog.children)
        if (Window* c = wm_window(h); c && takes_focus(*c)) stops.push_back(h);
    if (stops.empty()) return;
    auto at = std::find(stops.begin(), stops.end(), wm_focus());
    size_t n = stops.size(), next;
    if (at == stops.end())
        next = backward ? n - 1 : 0;
    else
        next = (static_cast<size_t>(at - stops.begin()) + (backward ? n - 1 : 1)) % n;
    wm_set_focus(stops[next]);
}

void track_modifiers(const MSG& m) {
    bool down = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
    bool up = m.message == WM_KEYUP || m.message == WM_SYSKEYUP;
    if (!down && !up) return;
    if (m.wParam == VK_SHIFT) shift_down = down;
    if (m.wParam == VK_CONTROL) control_down = down;
}

// Creates the dialog window and its controls, hidden; nullptr on failure.
HWND create_dialog(HINSTANCE instance, const DialogTemplate& t, HWND owner, DLGPROC proc) {
    DWORD style = (t.style & ~static_cast<DWORD>(WS_VISIBLE | WS_CHILD)) | WS_POPUP;
    int client_w = side(t.cx, metrics::DIALOG_BASE_X, 4);
    int client_h = side(t.cy, metrics::DIALOG_BASE_Y, 8);
    // The frame around the client area, as the window manager lays it out.
    Window probe;
    probe.style = style;
    probe.rect = {0, 0, 1000, 1000};
    Rect pc = wm_client_rect(probe);
    int width = std::min(MAX_SIDE, client_w + (1000 - pc.width()));
    int height = std::min(MAX_SIDE, client_h + (1000 - pc.height()));

    int64_t sw = driver().screen_width(), sh = driver().screen_height();
    Rect area{0, 0, static_cast<int>(sw), static_cast<int>(sh)};
    if (Window* o = wm_window(owner); o && o->visible) area = o->rect;
    int64_t x = int64_t{area.left} + (int64_t{area.width()} - width) / 2;
    int64_t y = int64_t{area.top} + (int64_t{area.height()} - height) / 2;
    // Kept on the screen where it fits.
    x = std::max<int64_t>(0, std::min<int64_t>(x, sw - width));
    y = std::max<int64_t>(0, std::min<int64_t>(y, sh - height));

    LPCSTR cls = t.class_atom           ? class_by_atom(t.class_atom)
                 : t.class_name.empty() ? DIALOG_CLASS
                                        : t.class_name.c_str();
    HWND dlg =
        CreateWindowExA(t.ex_style, cls, t.title.c_str(), style, static_cast<int>(x),
                        static_cast<int>(y), width, height, owner, nullptr, instance, nullptr);
    Window* w = wm_window(dlg);
    if (!w) return nullptr;
    w->dialog_proc = proc;

    for (const ItemTemplate& it : t.items) {
        DWORD cs = (it.style | WS_CHILD) & ~static_cast<DWORD>(WS_POPUP);
        HWND c = CreateWindowExA(
            it.ex_style, it.class_atom ? class_by_atom(it.class_atom) : it.class_name.c_str(),
            it.title.c_str(), cs, units_to_pixels(it.x, metrics::DIALOG_BASE_X, 4),
            units_to_pixels(it.y, metrics::DIALOG_BASE_Y, 8),
            side(it.cx, metrics::DIALOG_BASE_X, 4), side(it.cy, metrics::DIALOG_BASE_Y, 8), dlg,
            reinterpret_cast<HMENU>(static_cast<uintptr_t>(it.id)), instance, nullptr);
        Window* cw = wm_window(c);
        if (!cw || !(w = wm_window(dlg))) {
            if (wm_window(dlg)) wm_destroy(dlg);
            return nullptr;
        }
        if (!w->default_button && is_push_button(*cw) && (cw->style & 0x0F) == BS_DEFPUSHBUTTON)
            w->default_button = c;
    }
    return dlg;
}

} // namespace

LRESULT CALLBACK dialog_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    Window* w = wm_window(hwnd);
    if (!w) return 0;
    if (w->dialog_proc) {
        INT_PTR handled = w->dialog_proc(hwnd, msg, wparam, lparam);
        if (!(w = wm_window(hwnd))) return handled;
        if (msg == WM_PAINT && handled) {
            // A procedure that claims a paint without painting must not make
            // the loop spin on the same update region.
            w->invalid = {};
            w->erase_pending = false;
        }
        if (handled || msg == WM_INITDIALOG) return handled;
    }
    switch (msg) {
    case WM_CLOSE:
        // The close box cancels; the dialog procedure decides what that means.
        send_cancel(*w);
        return 0;
    case WM_ERASEBKGND: {
        DC* dc = gdi_dc(reinterpret_cast<HDC>(wparam));
        if (!dc) return 0;
        Canvas c = dc_canvas(*dc);
        Rect client = wm_client_rect(*w);
        Rect all{0, 0, client.width(), client.height()};
        fill_rect(c, all, look::FACE);
        // A thin frame marks the dialog's edge against what lies behind it.
        fill_rect(c, {0, all.bottom - 1, all.right, all.bottom}, look::DARK_SHADOW);
        fill_rect(c, {0, 0, 1, all.bottom}, look::DARK_SHADOW);
        fill_rect(c, {all.right - 1, 0, all.right, all.bottom}, look::DARK_SHADOW);
        dc_touched(*dc, all);
        // The controls' borders lie in this area too and were painted before it.
        for (HWND h : w->children)
            if (Window* c = wm_window(h); c && c->visible) wm_paint_nonclient(*c);
        return 1;
    }
    case WM_SETFOCUS:
        // The dialog itself passes the focus on to its first control.
        if (HWND first = first_tab_stop(*w)) wm_set_focus(first);
        return 0;
    case WM_COMMAND:
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
}

bool dialog_handle_key(const MSG& m) {
    if (m.message != WM_KEYDOWN) return false;
    Window* target = wm_window(m.hwnd);
    Window* dialog = target ? wm_top_level(*target) : nullptr;
    if (!dialog || !is_running(dialog->handle)) return false;
    switch (m.wParam) {
    case VK_RETURN: {
        // Control+Enter is the edit box's line break, not the default button.
        int ch = static_cast<int>((static_cast<uint32_t>(m.lParam) >> 16) & 0xFF);
        if (control_down || ch == 10) return false;
        press_default(*dialog);
        return true;
    }
    case VK_ESCAPE:
        send_cancel(*dialog);
        return true;
    case VK_TAB:
        move_focus(*dialog, shift_down);
        return true;
    default:
        return false;
    }
}

HWND dialog_running() {
    return running.empty() ? nullptr : running.back();
}

} // namespace ws

using namespace ws;

extern "C" {

INT_PTR WINAPI DialogBoxIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialog_template,
                                       HWND owner, DLGPROC proc, LPARAM init_param) {
    if (!dialog_template) return -1;
    DialogTemplate t;
    if (!parse_template(reinterpret_cast<const BYTE*>(dialog_template), t)) return -1;
    // A child window cannot own: its top-level window does.
    Window* ow = wm_window(owner);
    if (ow) ow = wm_top_level(*ow);
    owner = ow ? ow->handle : nullptr;

    HWND dlg = create_dialog(instance, t, owner, proc);
    if (!dlg) return -1;
    Window* w = wm_window(dlg);
    HWND first = first_tab_stop(*w);
    LRESULT give_focus = wm_send(dlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), init_param);
    if (!(w = wm_window(dlg))) return -1;
    if (give_focus && wm_window(first) && wm_window(first)->parent == dlg) w->focus_child = first;

    menu_cancel(); // a pull-down of the owner closes as the owner is disabled
    bool disabled_owner = false;
    if ((ow = wm_window(owner)) != nullptr && ow->enabled) {
        wm_enable(*ow, false);
        disabled_owner = true;
    }
    running.push_back(dlg);
    if ((w = wm_window(dlg)) != nullptr) wm_show(*w, true);

    bool quit = false;
    int quit_code = 0;
    for (;;) {
        w = wm_window(dlg);
        if (!w || w->dialog_ended) break;
        MSG m;
        if (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            WaitMessage();
            continue;
        }
        if (m.message == WM_QUIT) {
            quit = true;
            quit_code = static_cast<int>(m.wParam);
            break;
        }
        track_modifiers(m);
        if (dialog_handle_key(m)) continue;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    running.erase(std::remove(running.begin(), running.end(), dlg), running.end());

    // A dialog destroyed without EndDialog has no result to give.
    INT_PTR result = -1;
    if ((w = wm_window(dlg)) != nullptr && w->dialog_ended) result = w->dialog_result;
    if (disabled_owner)
        if ((ow = wm_window(owner)) != nullptr) wm_enable(*ow, true);
    if (wm_window(dlg)) wm_destroy(dlg);
    if ((ow = wm_window(owner)) != nullptr && ow->visible && ow->enabled) wm_activate(owner);
    if (quit) {
        PostQuitMessage(quit_code);
        return 0;
    }
    return result;
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR text, int max_count) {
    if (!text || max_count <= 0) return 0;
    text[0] = 0;
    Window* d = wm_window(dialog);
    HWND item = d ? child_with_id(*d, id) : nullptr;
    if (!item) return 0;
    LRESULT n =
        wm_send(item, WM_GETTEXT, static_cast<WPARAM>(max_count), reinterpret_cast<LPARAM>(text));
    return static_cast<UINT>(std::clamp<LRESULT>(n, 0, max_count - 1));
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
    Window* w = wm_window(dialog);
    if (!w || !wm_is_top_level(*w)) return FALSE;
    w->dialog_ended = true;
    w->dialog_result = result;
    return TRUE;
}

} // extern "C"
