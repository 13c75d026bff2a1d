// driver.h: the one narrow interface between the window-system layer and the
// outside world.
//
// A driver owns native top-level windows, shows the pixels it is given, and
// hands over input one event at a time. The layer draws everything itself
// (captions, menus, controls, client areas) into a window's surface; a
// driver whose native windows have a caption of their own shows the surface
// without its first `caption_height` rows. Where the desktop frames a
// window with decorations of its own, the driver tells the layer how much of
// the outer rectangle they take (a Framed event), and shows only the rest
// of the surface. All positions a driver reports are pixels of the layer's
// surface, top-left (0, 0).
#pragma once

#include <cstdint>
#include <string>

namespace ws {

// A rectangle of pixels (canvas.h). Only named here: a driver's users need
// neither the canvas nor its drawing code.
struct Rect;

// The four sides of a frame, in pixels.
struct Insets {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Insets&) const = default;
};

struct NativeWindowInfo {
    std::string title;
    int x = 0, y = 0;          // outer position on the screen
    int width = 0, height = 0; // outer size: the surface's size
    int caption_height = 0;    // rows at the top that the layer drew as a caption
    bool resizable = false;
    bool popup = false; // no decoration at all (menus, pop-up windows)
    int owner = -1;     // native id of the owner window, or -1
};

struct InputEvent {
    enum class Kind {
        PointerDown, // button pressed at (x, y)
        PointerUp,   // button released at (x, y)
        PointerMove, // pointer moved to (x, y)
        KeyDown,     // vk pressed; ch is the character it produces, 0 for none
        KeyUp,       // vk released
        Close,       // the native window's close box was pressed
        Expose,      // the native window lost its pixels and needs them again
        FocusIn,     // the native window got the keyboard focus
        FocusOut,    // the native window lost the keyboard focus
        Resize,      // the user resized the native window to width x height
        Moved,       // the native window moved: (x, y) is the surface's new outer position
        Framed,      // the desktop frames the native window: `frame` is what its frame
                     // takes of the outer rectangle on each side; the rest is shown
    };
    Kind kind = Kind::PointerMove;
    int window = -1;           // native window id, -1 for none or unknown
    int x = 0, y = 0;          // pointer position, surface pixels of `window`
    int button = 1;            // 1 left, 2 middle, 3 right
    int vk = 0;                // virtual-key code
    int ch = 0;                // character produced (code point, 0 for none)
    int width = 0, height = 0; // Resize: the new outer size
    Insets frame;              // Framed: the desktop's frame
};

class Driver {
  public:
    virtual ~Driver() = default;

    virtual int screen_width() = 0;
    virtual int screen_height() = 0;

    // Native windows, by small integer ids of the driver's choosing.
    virtual int create_window(const NativeWindowInfo& info) = 0;
    virtual void show_window(int id, bool shown) = 0;
    virtual void move_window(int id, int x, int y, int width, int height) = 0;
    virtual void destroy_window(int id) = 0;
    // Asks for the keyboard focus to be given to this window.
    virtual void focus_window(int id) = 0;

    // Shows the surface's pixels; `dirty` is the part that changed since the
    // last present of this window.
    virtual void present(int id, const uint32_t* pixels, int width, int height, int stride,
                         const Rect& dirty) = 0;

    // The next input event, without blocking. False when there is none.
    virtual bool next_input(InputEvent& event) = 0;
    // Blocks until input is available or the clock reaches deadline_ms
    // (UINT64_MAX: no deadline).
    virtual void wait_input(uint64_t deadline_ms) = 0;
    // A monotonic clock in milliseconds.
    virtual uint64_t now_ms() = 0;
};

// The driver the layer runs on. Set once at process start by the entry
// (or by a test), before the application runs.
Driver& driver();
void set_driver(Driver* d);

} // namespace ws
