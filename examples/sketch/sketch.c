/* sketch.c: draw lines by clicking, and words you type.
 *
 * Animation stays halted, so the program sleeps in KV319_await_event until
 * you act: each click draws a line from the previous click (the first of a
 * stroke only marks its point), t asks for a line of text with KV319_gets
 * and draws it at the last click, n starts a new stroke, w changes the pen
 * width, k the colour, c clears the picture, q quits.
 *
 * Everything is drawn straight into the runtime's image, which keeps it:
 * there is no frame to redraw.
 */
#include "kv319.h"

#define BLACK 0
#define TEXT_SIZE 24
#define HELP_Y (-240)

static const int pen_colours[] = {0, 2, 4, 19, 8, 13};
#define PEN_COLOUR_COUNT ((int)(sizeof pen_colours / sizeof pen_colours[0]))
#define MAX_WIDTH 9

static void draw_help(void) {
    KV319_text(BLACK, -290, HELP_Y, 12,
               "click: draw   t: text   n: new stroke   w: width   k: colour   c: clear   q: quit");
}

static void clear_picture(void) {
    KV319_clear();
    draw_help();
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    int have_point = 0; /* a stroke has begun at (last_x, last_y) */
    int last_x = 0, last_y = 0;
    int width = 1;
    int colour = 0;
    int quit = 0;

    KV319_open(instance, previous, command_line, show);
    KV319_logging(0);
    KV319_animate(ANIMATE_HALT); /* no periodic events: wait for the user */
    clear_picture();
    KV319_printf("sketch: click to draw; t types a text at the last point");

    while (!quit) {
        int x, y;
        char key;
        int kind = KV319_await_event(&x, &y, &key);
        if (kind == EVENT_QUIT) {
            quit = 1;
        } else if (kind == EVENT_MOUSE) {
            if (have_point) {
                KV319_line(pen_colours[colour], last_x, last_y, x, y, width);
                KV319_printf("line from (%d, %d) to (%d, %d)", last_x, last_y, x, y);
            } else {
                KV319_circle(pen_colours[colour], x, y, width / 2);
                KV319_printf("stroke starts at (%d, %d)", x, y);
            }
            last_x = x;
            last_y = y;
            have_point = 1;
        } else if (kind == EVENT_KEY) {
            if (key == 't') {
                char text[256]; /* KV319_gets writes at most 255 characters and a zero */
                if (KV319_gets("A line of text to draw at the last point:", text)) {
                    KV319_text(pen_colours[colour], last_x, last_y, TEXT_SIZE, text);
                    KV319_printf("text \"%s\" at (%d, %d)", text, last_x, last_y);
                } else {
                    KV319_printf("no text entered");
                }
            } else if (key == 'n') {
                have_point = 0;
            } else if (key == 'w') {
                width = width % MAX_WIDTH + 1;
                KV319_printf("width %d", width);
            } else if (key == 'k') {
                colour = (colour + 1) % PEN_COLOUR_COUNT;
                KV319_printf("colour %d", pen_colours[colour]);
            } else if (key == 'c') {
                clear_picture();
                have_point = 0;
            } else if (key == 'q') {
                quit = 1;
            }
        }
    }

    KV319_close();
    return 0;
}
