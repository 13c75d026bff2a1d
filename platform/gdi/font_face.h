// font_face.h: a resolved face and its glyphs, shared by the face lookup
// (font_lookup.cpp: which file and size a request gets, and its metrics)
// and the glyph drawing (fonts.cpp: rasterising and blending glyphs).
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <vector>

#include "fonts.h"

namespace ws {

struct Glyph {
    bool ready = false;
    int advance = 0;
    int left = 0; // bitmap column 0, relative to the pen
    int top = 0;  // bitmap row 0, in rows above the baseline
    int width = 0, rows = 0;
    // Coverage 0..255, rows `pitch` apart: each row has seven blank bytes
    // after its width, so that the vector blend can end a row in a whole
    // group of eight pixels.
    int pitch = 0;
    std::vector<uint8_t> coverage;
    uint8_t* row(int y) { return coverage.data() + static_cast<size_t>(y) * pitch; }
    void resize(int w, int h) {
        width = w;
        rows = h;
        pitch = w + 7;
        coverage.assign(static_cast<size_t>(pitch) * h, 0);
    }
};

// One font file, opened once.
struct FontFile {
    FT_Face face = nullptr;
    bool bold = false;
    bool italic = false;
};

struct FontFace {
    FontFile* file = nullptr; // nullptr: the built-in box font
    FT_Size size = nullptr;
    int em = 0; // character height in pixels
    bool embolden = false;
    bool slant = false;
    FontMetrics metrics;
    Glyph glyphs[256];
};

// Rasterises the face's glyph for byte c of the ANSI code page (fonts.cpp).
const Glyph& render_glyph(const FontFace& face, unsigned char c);

// The glyph, rasterised on first use; a glyph made before stays inline.
inline const Glyph& glyph_of(const FontFace& face, unsigned char c) {
    const Glyph& g = face.glyphs[c];
    return g.ready ? g : render_glyph(face, c);
}

// How many glyphs have been rasterised (fonts.cpp).
size_t glyphs_rendered();

// v rounded to the nearest integer, halves away from zero, within the int range.
int round_half_away(double v);

} // namespace ws
