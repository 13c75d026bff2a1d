// text_encoding.cpp: how the runtime reads the bytes of a text. Every text
// it draws (graphics text, the text window's lines, the line-input prompt)
// is read here: as UTF-8 when it is valid UTF-8, and as Windows-1252
// otherwise, so that a Latin-1 string (what the line-input dialog gives
// back for an accented letter) draws right too. A string is read one way
// whole: valid UTF-8 mixed with other high bytes reads as Windows-1252.
#include "draw.h"

// Windows-1252, the Western European single-byte code page.
#define CODE_PAGE_WESTERN 1252

int widen_text(const char* text, int length, WCHAR* wide) {
    if (length <= 0) return 0;
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, wide, length);
    if (units > 0) return units;
    units = MultiByteToWideChar(CODE_PAGE_WESTERN, 0, text, length, wide, length);
    return units > 0 ? units : 0;
}
