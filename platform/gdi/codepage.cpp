// codepage.cpp: MultiByteToWideChar for UTF-8 and Windows-1252, and the
// narrowing of UTF-16 text to Windows-1252 that the W calls draw through.
//
// UTF-8 is read strictly: an overlong form, a surrogate, a code point past
// U+10FFFF, a stray continuation byte or a cut sequence makes the
// conversion fail. Limits: only these two code pages; UTF-8 only with
// MB_ERR_INVALID_CHARS, so that no replacement characters are made, and
// code page 1252 with either flag (every byte has its character); the last
// error is not set. No caller needs more.
#include "codepage.h"

#include <cstring>
#include <vector>

namespace ws {

namespace {

// Code page 1252 at 0x80..0x9F.
constexpr uint16_t HIGH[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                               0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                               0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                               0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool is_continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The UTF-8 sequence at text[0..length): its length in bytes and its code
// point, or 0 when it is not a valid sequence.
size_t utf8_sequence(const unsigned char* text, size_t length, uint32_t* code_point) {
    unsigned char lead = text[0];
    size_t size;
    uint32_t value, least;
    if (lead < 0x80) {
        *code_point = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        size = 2, value = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        size = 3, value = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        size = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (size > length) return 0;
    for (size_t i = 1; i < size; ++i) {
        if (!is_continuation(text[i])) return 0;
        value = (value << 6) | (text[i] & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *code_point = value;
    return size;
}

// Appends a code point as one or two UTF-16 units.
void put_utf16(std::vector<WCHAR>& out, uint32_t code_point) {
    if (code_point < 0x10000) {
        out.push_back(static_cast<WCHAR>(code_point));
    } else {
        code_point -= 0x10000;
        out.push_back(static_cast<WCHAR>(0xD800 | (code_point >> 10)));
        out.push_back(static_cast<WCHAR>(0xDC00 | (code_point & 0x3FF)));
    }
}

// The units of text in the code page; false when it is not valid UTF-8.
bool widen(UINT code_page, const unsigned char* text, size_t length, std::vector<WCHAR>& out) {
    for (size_t i = 0; i < length;) {
        uint32_t code_point = 0;
        if (code_page == WESTERN_CODE_PAGE) {
            code_point = cp1252_to_unicode(text[i]);
            ++i;
        } else if (size_t size = utf8_sequence(text + i, length - i, &code_point); size > 0) {
            i += size;
        } else {
            return false;
        }
        put_utf16(out, code_point);
    }
    return true;
}

char cp1252_byte(uint32_t code_point) {
    if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF))
        return static_cast<char>(code_point);
    for (int i = 0; i < 32; ++i)
        if (HIGH[i] == code_point) return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

uint32_t cp1252_to_unicode(unsigned char c) {
    return (c >= 0x80 && c <= 0x9F) ? HIGH[c - 0x80] : c;
}

std::string cp1252_from_utf16(const WCHAR* text, size_t length) {
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        uint32_t unit = text[i];
        bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
                    text[i + 1] <= 0xDFFF;
        if (pair) ++i;
        // Every character past U+FFFF, and a lone surrogate, is one the
        // code page lacks.
        out.push_back(pair || (unit >= 0xD800 && unit <= 0xDFFF) ? '?' : cp1252_byte(unit));
    }
    return out;
}

} // namespace ws

using namespace ws;

extern "C" {

int WINAPI MultiByteToWideChar(UINT code_page, DWORD flags, LPCCH text, int length, LPWSTR wide,
                               int wide_length) {
    if ((flags & ~static_cast<DWORD>(MB_ERR_INVALID_CHARS)) != 0) return 0;
    bool utf8 = code_page == CP_UTF8 && flags == MB_ERR_INVALID_CHARS;
    if (!utf8 && code_page != WESTERN_CODE_PAGE) return 0;
    if (!text || length == 0 || length < -1 || wide_length < 0 || (wide_length > 0 && !wide))
        return 0;
    // -1: the text up to its terminating zero, which is converted too.
    size_t bytes = length == -1 ? std::strlen(text) + 1 : static_cast<size_t>(length);
    std::vector<WCHAR> units;
    units.reserve(bytes);
    if (!widen(code_page, reinterpret_cast<const unsigned char*>(text), bytes, units)) return 0;
    if (units.size() > static_cast<size_t>(INT32_MAX)) return 0;
    int count = static_cast<int>(units.size());
    if (wide_length == 0) return count; // the size asked for
    if (count > wide_length) return 0;  // too small a buffer
    std::memcpy(wide, units.data(), units.size() * sizeof(WCHAR));
    return count;
}

} // extern "C"
