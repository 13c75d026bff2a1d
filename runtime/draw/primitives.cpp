// primitives.cpp: the shape operations (pixel, circle, triangle, rectangle,
// oval, line), clear and the retired undo. Each checks and corrects its
// arguments in its own fixed order (the order of the messages depends on
// it), writes its log line while logging is on, and hands one request to the
// renderer. Nothing is refused and every operation returns 1.
#include <limits.h>

#include "draw.h"

// A negative size becomes its absolute value. INT_MIN has none in int, so it
// becomes INT_MAX; the message shows the value actually used.
static int absolute_size(int value) {
    if (value >= 0) return value;
    if (value == INT_MIN) return INT_MAX;
    return -value;
}

static int check_width(int width) {
    if (width >= 0) return width;
    int used = absolute_size(width);
    KV319_printf("Width of %d not possible, using width %d\n", width, used);
    return used;
}

static int check_radius(int radius) {
    if (radius >= 0) return radius;
    int used = absolute_size(radius);
    KV319_printf("Radius of %d not possible, using radius %d\n", radius, used);
    return used;
}

// Makes (x1, y1) the upper-left corner (smaller x, larger y).
static void order_corners(int* x1, int* y1, int* x2, int* y2) {
    if (*x1 > *x2) {
        int t = *x1;
        *x1 = *x2;
        *x2 = t;
    }
    if (*y1 < *y2) {
        int t = *y1;
        *y1 = *y2;
        *y2 = t;
    }
}

static DrawRequest make_request(int kind, int colour, int width) {
    DrawRequest r;
    r.kind = kind;
    r.colour = colour;
    r.width = width;
    r.x1 = r.y1 = r.x2 = r.y2 = r.x3 = r.y3 = 0;
    r.ptsize = 0;
    r.text = NULL;
    return r;
}

int KV319_pixel(int colour, int x, int y) {
    colour = check_colour(colour);
    if (rt.logging_on) KV319_printf("%s pixel at (%d,%d)\n", colour_name(colour), x, y);
    DrawRequest r = make_request(REQUEST_PIXEL, colour, 0);
    r.x1 = x;
    r.y1 = y;
    render(&r);
    return 1;
}

int KV319_circle(int colour, int x, int y, int radius) {
    colour = check_colour(colour);
    radius = check_radius(radius);
    if (rt.logging_on)
        KV319_printf("%s circle at (%d,%d), radius %d\n", colour_name(colour), x, y, radius);
    DrawRequest r = make_request(REQUEST_OVAL, colour, 0);
    r.x1 = (long long)x - radius;
    r.y1 = (long long)y + radius;
    r.x2 = (long long)x + radius;
    r.y2 = (long long)y - radius;
    render(&r);
    return 1;
}

int KV319_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3, int width) {
    colour = check_colour(colour);
    width = check_width(width);
    if (rt.logging_on)
        KV319_printf("%s triangle at (%d,%d), (%d,%d), (%d,%d)\n", colour_name(colour), x1, y1, x2,
                     y2, x3, y3);
    DrawRequest r = make_request(REQUEST_TRIANGLE, colour, width);
    r.x1 = x1;
    r.y1 = y1;
    r.x2 = x2;
    r.y2 = y2;
    r.x3 = x3;
    r.y3 = y3;
    render(&r);
    return 1;
}

static void box_request(int kind, int colour, int x1, int y1, int x2, int y2, int width) {
    DrawRequest r = make_request(kind, colour, width);
    r.x1 = x1;
    r.y1 = y1;
    r.x2 = x2;
    r.y2 = y2;
    render(&r);
}

int KV319_rectangle(int colour, int x1, int y1, int x2, int y2, int width) {
    order_corners(&x1, &y1, &x2, &y2);
    colour = check_colour(colour);
    width = check_width(width);
    if (rt.logging_on) {
        if (width > 0)
            KV319_printf("%s rectangle with bounding box (%d,%d) to (%d,%d) with line width %d\n",
                         colour_name(colour), x1, y1, x2, y2, width);
        else
            KV319_printf("%s rectangle with bounding box (%d,%d) to (%d,%d), filled\n",
                         colour_name(colour), x1, y1, x2, y2);
    }
    box_request(REQUEST_RECTANGLE, colour, x1, y1, x2, y2, width);
    return 1;
}

int KV319_oval(int colour, int x1, int y1, int x2, int y2, int width) {
    order_corners(&x1, &y1, &x2, &y2);
    width = check_width(width);
    colour = check_colour(colour);
    if (rt.logging_on) {
        if (width > 0)
            KV319_printf("%s oval with bounding box (%d,%d) to (%d,%d), line width %d\n",
                         colour_name(colour), x1, y1, x2, y2, width);
        else
            KV319_printf("%s oval with bounding box (%d,%d) to (%d,%d), filled\n",
                         colour_name(colour), x1, y1, x2, y2);
    }
    box_request(REQUEST_OVAL, colour, x1, y1, x2, y2, width);
    return 1;
}

int KV319_line(int colour, int x1, int y1, int x2, int y2, int width) {
    width = check_width(width);
    colour = check_colour(colour);
    if (rt.logging_on)
        KV319_printf("%s line from (%d,%d) to (%d,%d), width %d\n", colour_name(colour), x1, y1, x2,
                     y2, width);
    DrawRequest r = make_request(REQUEST_LINE, colour, width == 0 ? 1 : width);
    r.x1 = x1;
    r.y1 = y1;
    r.x2 = x2;
    r.y2 = y2;
    render(&r);
    return 1;
}

int KV319_clear(void) {
    if (rt.logging_on) KV319_printf("Clearing the graphics window\n");
    // In image pixels, with the pen the context holds (its default black
    // one-pixel pen): white inside a one-pixel black frame.
    HBRUSH brush = CreateSolidBrush(colour_value(COLOUR_WHITE));
    HGDIOBJ previous = SelectObject(rt.image_dc, brush);
    Rectangle(rt.image_dc, 0, 0, IMAGE_WIDTH, IMAGE_HEIGHT);
    SelectObject(rt.image_dc, previous);
    DeleteObject(brush);
    rt.image_dirty = 1;
    return 1;
}

int KV319_undo(void) {
    KV319_printf("KV319_undo is no longer supported.\n");
    return 1;
}
