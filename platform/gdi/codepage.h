// codepage.h: the layer's single-byte code page, Windows-1252.
//
// The A calls (TextOutA, window and control texts) take their text in it;
// MultiByteToWideChar and the W calls convert between it, UTF-8 and UTF-16.
#pragma once

#include <cstdint>
#include <string>

#include "winsys.h"

namespace ws {

inline constexpr UINT WESTERN_CODE_PAGE = 1252;

// The code point a byte of code page 1252 stands for; the five unassigned
// bytes of 0x80..0x9F stand for the C1 controls of the same value.
uint32_t cp1252_to_unicode(unsigned char c);

// UTF-16 text in code page 1252: one byte for each character, a surrogate
// pair being one; '?' for a character the code page lacks.
std::string cp1252_from_utf16(const WCHAR* text, size_t length);

} // namespace ws
