// kv319.h: the KV319 graphics runtime, the only header an application needs.
//
// The runtime opens two windows: the graphics window (601 x 540, with the Run
// menu), into which everything is drawn, and the text window, a console for
// messages across the lower third of the screen. Every primitive draws into an
// off-screen image in one of 24 named colours; the image reaches the window
// while the application waits for its next event. Bad arguments are corrected
// and reported in the text window, never refused.
//
// Graphics coordinates: integers, origin at the centre of the graphics
// window's client area, x to the right, y upward, one unit per pixel.
//
// Text encoding: a string given to KV319_text, KV319_text_printf,
// KV319_printf or KV319_gets (its prompt) is read as UTF-8 when it is valid
// UTF-8, and as Windows-1252 otherwise, so source files saved as UTF-8 and
// Latin-1 strings (such as what KV319_gets returns for an accented letter)
// both draw right. Each string is read one way as a whole, after
// formatting: UTF-8 mixed with other bytes above 127 reads as Windows-1252.
// Characters outside Windows-1252 draw where the system's fonts have them
// (on Windows), and as '?' on the runtime's own window system. Event keys
// stay single bytes.
#ifndef KV319_H
#define KV319_H

#include "winsys.h"

#ifdef __cplusplus
extern "C" {
#endif

// ---- Events ----------------------------------------------------------------
#define EVENT_NONE (-1)  // internal: no event yet; never returned
#define EVENT_MOUSE 1    // a left-button press; x and y in graphics coordinates
#define EVENT_KEY 2      // a typed character; key is its signed 8-bit code
#define EVENT_PERIODIC 3 // a timer tick while animation runs (or one frame)
#define EVENT_QUIT 4     // the program is asked to end

// ---- Animation codes for KV319_animate --------------------------------------
#define ANIMATE_HALT 0      // periodic events stop
#define ANIMATE_ONE_FRAME 1 // exactly one periodic event comes
#define ANIMATE_RUN 2       // a periodic event at every timer tick (100 ms)
#define ANIMATE_QUIT 5      // every later wait returns EVENT_QUIT

// ---- Colours: indices into the runtime's colour table -----------------------
// 0 black, 1 white, 2 red, 3 green, 4 blue, 5 yellow, 6 magenta, 7 cyan,
// 8 purple, 9 navy blue, 10 dusty plum, 11 ice blue, 12 turquoise, 13 orange,
// 14 brown, 15 pink, 16 chalk, 17 gold, 18 peach, 19 forest green,
// 20 sea green, 21 olive, 22 50% gray, 23 20% gray. Any other value draws red.

// ---- Start-up and shutdown -------------------------------------------------
int KV319_open(HINSTANCE instance, HINSTANCE previous, LPSTR command_line,
               int show); // opens both windows, the image and the 100 ms timer; returns 1
int KV319_close(void); // releases the window's drawing context, closes the script file; returns 1
int KV319_show_text(int show); // shows (non-zero) or hides (0) the text window
int KV319_logging(int on);     // switches the log line of every primitive; 0 before KV319_open
int KV319_animate(int code);   // ANIMATE_HALT, _ONE_FRAME, _RUN or _QUIT; 0 before KV319_open

// ---- Events ----------------------------------------------------------------
int KV319_await_event(int* x, int* y,
                      char* key); // waits for the next event; writes all three; returns its kind

// ---- Shape primitives (width 0 means filled; circles are always filled) ------
int KV319_pixel(int colour, int x, int y);              // one pixel
int KV319_circle(int colour, int x, int y, int radius); // a filled disc of 2r+1 pixels across
int KV319_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3,
                   int width); // the triangle through three points
int KV319_rectangle(int colour, int x1, int y1, int x2, int y2,
                    int width); // the rectangle with these opposite corners, both included
int KV319_oval(int colour, int x1, int y1, int x2, int y2,
               int width); // the ellipse inscribed in that rectangle
int KV319_line(int colour, int x1, int y1, int x2, int y2,
               int width); // a line; its end pixel is left out
int KV319_clear(void);     // the whole image white, inside a one-pixel black frame
int KV319_undo(void);      // retired: reports that it is no longer supported

// ---- Text in the graphics window --------------------------------------------
// (x, y) is the lower-left corner of the first line; lines grow downward.
// The point size is the character height in pixels, 0..127 (0: default).
int KV319_text(int colour, int x, int y, int ptsize,
               const char* text); // draws a string without a background
int KV319_text_printf(int colour, int x, int y, int ptsize, const char* format,
                      ...); // formats, then draws; returns the character count

// ---- The text window --------------------------------------------------------
int KV319_printf(const char* format,
                 ...); // one new line in the text window; returns the character count
// A quit that ends the KV319_gets dialog gives 0; the next event wait delivers it.
int KV319_gets(const char* prompt,
               char* buffer); // asks for a line in a dialog; buffer of 256 bytes, always
                              // terminated; 1 when entered, 0 (empty buffer) when not

#ifdef __cplusplus
}
#endif

#endif // KV319_H
