// fonts.h: the font system behind CreateFontA, TextOutA and the layer's own
// user-interface text.
//
// fontconfig matches a requested face name (an unknown name falls back to the
// system's default sans; font_lookup.cpp), FreeType renders it (fonts.cpp). Resolved faces and
// their glyphs are cached for the life of the process, keyed by what was asked for, so a font
// object created and deleted on every call stays cheap.
#pragma once

#include <cstddef>
#include <string>

#include "canvas.h"

namespace ws {

// What a font object asks for, in the terms of CreateFontA.
struct FontRequest {
    int height = 0;   // < 0: character height in pixels; > 0: cell height; 0: default
    int weight = 400; // FW_NORMAL
    bool italic = false;
    std::string face; // empty: the default sans face
    bool operator==(const FontRequest&) const = default;
};

// A resolved face at one pixel size, with its glyph cache. Owned by the font
// system; valid until the process ends.
struct FontFace;

struct FontMetrics {
    int height = 0; // ascent + descent: the cell height
    int ascent = 0;
    int descent = 0;
    int internal_leading = 0; // height less the character height
    int external_leading = 0;
    int ave_char_width = 0;
    int max_char_width = 0;
    int weight = 400;
    bool fixed_pitch = false;
};

// Never fails: falls back to the default sans face, then to a built-in
// box font if the system has no fonts at all.
const FontFace* font_resolve(const FontRequest& request);

FontMetrics font_metrics(const FontFace* face);

// Width of the text's advances and the cell height. Characters are bytes of
// the ANSI code page; none is special (a newline measures as its glyph).
SIZE font_measure(const FontFace* face, const char* text, int length);

// Draws the text with the top-left of its cell at (x, y), in the canvas's
// drawing coordinates. Only the glyphs are painted (coverage blended over
// what is there); the background box, if any, is the caller's. Returns the
// area it painted: the union of its glyphs' bitmaps within the clip.
Rect font_draw(const Canvas& canvas, const FontFace* face, int x, int y, const char* text,
               int length, uint32_t pixel);

// Blends a coverage bitmap of width x rows bytes (0..255, row after row) in
// the colour `pixel`, its top-left at (x, y) in drawing coordinates, the
// way font_draw blends each glyph: for tests of the blending over coverage
// that no face gives.
void font_blend_coverage(const Canvas& canvas, const uint8_t* coverage, int width, int rows, int x,
                         int y, uint32_t pixel);

// The family name of the font file behind a face ("" for the built-in box
// font that stands in when the system has no fonts).
const char* font_family_name(const FontFace* face);

// Sizes of the caches, for tests: they must stay bounded however many font
// objects come and go, and no glyph is rasterised twice.
struct FontCacheStats {
    size_t matches = 0;         // fontconfig matches made
    size_t faces = 0;           // faces resolved at a size
    size_t glyphs_rendered = 0; // glyph bitmaps rasterised
};
FontCacheStats font_cache_stats();

// Whether glyphs are blended eight pixels at a time (the default where the
// processor has 256-bit integer lanes) or one at a time; tests check both.
// Returns the previous setting.
bool font_vector_blend(bool on);

} // namespace ws
