// wm.h: the window manager's records, shared by the parts of the layer.
//
// Windows live in a handle table. A top-level window owns a surface of its
// outer size and one native window of the driver; child windows (dialog
// controls) draw into their top-level window's surface. A window's outer
// rectangle is in screen pixels for top-level windows and in the parent's
// client coordinates for children.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "canvas.h"
#include "driver.h"
#include "handles.h"

namespace ws {

struct WindowClass {
    std::string name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HBRUSH background = nullptr;
};

// State that a built-in control class (edit, button, static) keeps.
struct ControlState {
    virtual ~ControlState() = default;
};

struct Window {
    HWND handle = nullptr;
    const WindowClass* cls = nullptr;
    WNDPROC proc = nullptr;
    std::string title; // caption text, or a control's text
    DWORD style = 0;
    DWORD ex_style = 0;
    HWND parent = nullptr; // child windows: the window they sit in
    HWND owner = nullptr;  // top-level windows: the owner (dialogs)
    int id = 0;            // child windows: the control id
    Rect rect;             // outer rectangle (see the banner)
    bool visible = false;
    bool enabled = true;
    bool destroying = false;
    bool creating = true;       // until CreateWindowEx has sent WM_CREATE and WM_SIZE
    bool size_sent = false;     // the first show has told the size once more
    HMENU menu = nullptr;       // the menu bar, top-level windows only
    std::vector<HWND> children; // in creation order, which is their stacking order
    HWND focus_child = nullptr; // top-level windows: the child that last had the focus
    HWND captured_by = nullptr; // top-level windows: the window a press went to, for its release

    // Top-level windows only.
    std::vector<uint32_t> surface; // rect.width() x rect.height()
    int native = -1;               // the driver's window id
    Rect dirty;                    // surface area changed since the last present
    // The desktop's own frame around the window, once the driver has told
    // it: it takes the place of the layer's caption (and close box).
    bool desktop_frame = false;
    Insets frame;

    // The update region, as one rectangle in client coordinates.
    Rect invalid;
    bool erase_pending = false;

    // Dialogs: the dialog procedure and the state of the modal loop.
    DLGPROC dialog_proc = nullptr;
    bool dialog_ended = false;
    INT_PTR dialog_result = 0;
    HWND default_button = nullptr;

    std::unique_ptr<ControlState> control; // built-in controls
};

HandleTable<Window>& wm_windows();
Window* wm_window(HWND h);

// Geometry.
bool wm_is_top_level(const Window& w);
Window* wm_top_level(Window& w);      // the window itself or its top-level ancestor
Rect wm_client_rect(const Window& w); // client area in the window's outer coordinates
// Whether the layer draws the window's caption and operates its close box
// (a captioned top-level window that the desktop does not frame itself).
bool wm_own_caption(const Window& w);
Rect wm_client_in_surface(const Window& w); // client area in its top-level surface's pixels
Rect wm_outer_in_surface(const Window& w);  // outer rectangle in its top-level surface's pixels
// The canvas of the client area, clipped to it and to every ancestor's client area.
Canvas wm_client_canvas(Window& w);
// The canvas of the whole window, non-client area included (top-level windows).
Canvas wm_window_canvas(Window& w);
// Marks a part of a top-level surface (its pixels) to be presented.
void wm_surface_touched(Window& top, const Rect& surface_area);
// Presents every top-level window with a dirty area.
void wm_present_all();

// Showing (returns whether it was visible) and destroying.
bool wm_show(Window& w, bool show);
void wm_destroy(HWND hwnd);

// Messages.
LRESULT wm_send(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
void wm_post(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
// Stops every timer of a window (it is being destroyed).
void wm_kill_timers(HWND hwnd);
// Drops the messages still queued for a window (it is being destroyed): a
// message never reaches a window that is gone, nor one that reuses its handle.
void wm_drop_messages(HWND hwnd);

// Painting.
void wm_invalidate(Window& w, const Rect* client_area, bool erase);
void wm_paint_nonclient(Window& w); // caption and menu bar, into the surface

// Focus and enabling.
HWND wm_focus();
void wm_set_focus(HWND hwnd);
HWND wm_active(); // the active top-level window
void wm_activate(HWND top);
void wm_enable(Window& w, bool enabled);

// The window at a surface pixel of a top-level window: the deepest visible
// child whose outer rectangle holds it, or the window itself.
Window* wm_window_at(Window& top, int sx, int sy);

// Hooks of the menu code (menus.cpp).
// Paints the menu bar of `w` into its surface (called from wm_paint_nonclient).
void menu_paint_bar(Window& w);
// Gives the menu code first sight of an input event for top-level window
// `top` (surface pixels). Returns true when the menu code consumed it.
bool menu_handle_input(Window& top, const InputEvent& event);
// Closes any open pull-down (called when its window goes away).
void menu_cancel();
// Destroys a menu and its pull-downs (DestroyWindow of the window holding it).
void menu_destroy(HMENU menu);

// Hooks of the dialog code (dialogs.cpp).
// Keyboard handling of a modal dialog for a key-down the queue is about to
// deliver: Enter, Escape, Tab. Returns true when the dialog consumed it.
bool dialog_handle_key(const MSG& msg);
// The window procedure of the built-in classes "edit", "button", "static"
// and of dialogs; registered by the layer at start.
void controls_register_classes();

// The layer's start and reset (tests). Registers the built-in classes.
void wm_start();
void wm_reset();
// The parts' own resets, called by wm_reset.
void wm_windows_reset();
void wm_queue_reset();
void menu_reset();

// Top-level windows in creation order.
const std::vector<HWND>& wm_top_levels();
// The top-level window of a native window id.
Window* wm_window_for_native(int native);
// Visible, enabled top-level windows, most recently active last.
void wm_forget_activation(HWND top);

} // namespace ws
