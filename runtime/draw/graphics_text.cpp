// graphics_text.cpp: text in the graphics window. KV319_text checks the
// point size and colour, logs, and draws a private copy of the string;
// KV319_text_printf formats into a 1024-byte buffer first. Output longer
// than 1023 characters is cut there.
#include <limits.h>
#include <stdarg.h>
#include <string.h>

#include "draw.h"

static int check_ptsize(int ptsize) {
    if (ptsize < 0) {
        int used = ptsize == INT_MIN ? INT_MAX : -ptsize;
        KV319_printf("ptsize of %d not possible, using ptsize %d\n", ptsize, used);
        ptsize = used;
    }
    if (ptsize > MAX_PTSIZE) {
        KV319_printf("ptsize of %d not possible, using ptsize %d\n", ptsize, MAX_PTSIZE);
        ptsize = MAX_PTSIZE;
    }
    return ptsize;
}

int KV319_text(int colour, int x, int y, int ptsize, const char* text) {
    if (!text) text = "";
    ptsize = check_ptsize(ptsize);
    colour = check_colour(colour);
    if (rt.logging_on)
        KV319_printf("%s text at (%d,%d), \"%s\"\n", colour_name(colour), x, y, text);

    // The renderer works on a copy of its own; if no block can be had, the
    // caller's string is drawn as it is rather than nothing.
    size_t length = strlen(text);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length + 1);
    char* copy = block ? (char*)GlobalLock(block) : NULL;
    if (copy) memcpy(copy, text, length + 1);

    DrawRequest r;
    r.kind = REQUEST_TEXT;
    r.colour = colour;
    r.width = 0;
    r.x1 = x;
    r.y1 = y;
    r.x2 = r.y2 = r.x3 = r.y3 = 0;
    r.ptsize = ptsize;
    r.text = copy ? copy : text;
    render(&r);

    if (copy) GlobalUnlock(block);
    if (block) GlobalFree(block);
    return 1;
}

// Returns the number of characters drawn (see format_message).
int KV319_text_printf(int colour, int x, int y, int ptsize, const char* format, ...) {
    char buffer[FORMAT_BUFFER_SIZE];
    va_list args;
    va_start(args, format);
    int count = format_message(buffer, format, args);
    va_end(args);
    KV319_text(colour, x, y, ptsize, buffer);
    return count;
}
