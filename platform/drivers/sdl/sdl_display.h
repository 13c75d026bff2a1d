// sdl_display.h: what the real-window driver needs from the window system
// beneath SDL: fatal errors reported in one line, the X11 desktop's scale,
// window frames and mapping, a round trip to the X server, and whether a
// Wayland connection broke.
//
// Limits: X11 and Wayland only; each call is a no-op on the other system.
#pragma once

#include <SDL.h>

#include <string>

#include "driver.h"

namespace ws::sdl_display {

// The name fatal messages begin with.
void set_program_name(const std::string& name);

// Writes "<program>: <what>" as one line on stderr, flushes open files and
// ends the process with status 1. Safe inside an X error handler.
[[noreturn]] void fail(const std::string& what);

// Replaces Xlib's handlers, which print several lines and exit, with ones
// that report a broken connection or a protocol error through fail().
// Requests that lose a race with a window's end (SDL wakes its own wait
// with an event sent to a window that may just have gone; a focus request
// for a window on its way out) are harmless and pass. Call after SDL has
// opened the display.
void watch_x11_errors();

// What the X desktop asks for and offers: its scale factor (its Xft.dpi
// resource; 1 when it asks for none), and whether a window manager runs.
struct X11Desktop {
    double scale = 1;
    bool window_manager = false;
};
X11Desktop x11_desktop();

// The frame the X window manager put around `window` (its
// _NET_FRAME_EXTENTS, native pixels). False when there is none: no window
// manager, or one that does not frame it.
bool x11_frame(SDL_Window* window, Insets& frame);

// Asks for `window`'s frame, decorations included, to be at (x, y) (native
// pixels), as the window manager places a framed window.
void x11_move_frame(SDL_Window* window, int x, int y);

// Maps or unmaps `window` without SDL, which, where no window manager runs,
// hands every window it shows the keyboard focus: a pull-down must not take
// it. SDL learns of the change from the server's events.
void x11_map(SDL_Window* window, bool mapped);

// Remembers the X connection SDL made, from one of its windows.
void x11_attach(SDL_Window* window);

// Waits until the X server has handled every request sent so far, so that
// the events they cause arrive in one batch and their errors are reported
// here, not later by SDL's clean-up (which puts Xlib's own handler back).
void x11_round_trip();

// Blocks until the X connection SDL made has events to read or timeout_ms
// passes, after sending what Xlib holds: 1 when there is something to read
// (or an error that the next read reports), 0 on timeout, -1 when no
// connection is known or it cannot be waited on. SDL is not asked to read anything; without events
// nothing runs but one poll.
int x11_wait(int timeout_ms);

// True when `window`'s Wayland connection has failed for good.
bool wayland_connection_lost(SDL_Window* window);

} // namespace ws::sdl_display
