// fonts.cpp: drawing text: FreeType glyphs and their blending over pixels.
//
// A face (font_lookup.cpp) holds the 256 glyphs of the ANSI code page,
// rasterised here on first use. When the face's file lacks the bold or
// italic style asked for, its glyphs are emboldened or slanted. Limits: no
// kerning, no underline or strike-out, no rotation.
//
// A glyph is drawn by blending its coverage rows over the pixels, cut to the
// clip once per glyph; the blend has a plain version and one that blends
// eight pixels at a time where the processor has 256-bit lanes.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cstring>

#include "codepage.h"
#include "font_face.h"
#include "metrics.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace ws {

namespace {

// A glyph bitmap larger than this is dropped (drawn as nothing): no sane
// glyph at the capped heights comes near it.
constexpr int64_t MAX_GLYPH_PIXELS = int64_t{16} << 20;

// The slant given to an upright face asked to be italic (about 12 degrees).
constexpr FT_Fixed OBLIQUE_SHEAR = 0x0366A;

size_t glyph_count = 0;

// The stand-in when there is no font: every character but the blanks is a
// hollow box; all advances are equal.
void render_box(const FontFace& face, unsigned char c, Glyph& g) {
    const FontMetrics& m = face.metrics;
    g.advance = m.ave_char_width;
    if (c == ' ' || c == 0xA0) return;
    int w = std::max(1, g.advance - 2);
    int h = std::max(1, round_half_away(face.em * 0.7));
    int line = face.embolden ? 2 : 1;
    g.left = 1;
    g.top = h;
    g.resize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (x < line || y < line || x >= w - line || y >= h - line) g.row(y)[x] = 255;
}

void render(const FontFace& face, unsigned char c, Glyph& g) {
    if (!face.file) return render_box(face, c, g);
    FT_Face ft = face.file->face;
    FT_Activate_Size(face.size);
    FT_Matrix shear{0x10000, OBLIQUE_SHEAR, 0, 0x10000};
    FT_Set_Transform(ft, face.slant ? &shear : nullptr, nullptr);

    // A character with no glyph gets glyph 0, the face's missing glyph.
    FT_UInt index = FT_Get_Char_Index(ft, cp1252_to_unicode(c));
    FT_Error err = FT_Load_Glyph(ft, index, FT_LOAD_DEFAULT);
    if (err && index != 0) err = FT_Load_Glyph(ft, 0, FT_LOAD_DEFAULT);
    if (err) return;
    FT_GlyphSlot slot = ft->glyph;
    if (face.embolden) FT_GlyphSlot_Embolden(slot);
    g.advance = std::clamp<int>(static_cast<int>((slot->advance.x + 32) >> 6), 0,
                                4 * metrics::MAX_FONT_HEIGHT);
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
        return;

    const FT_Bitmap& bm = slot->bitmap;
    int64_t area = int64_t{bm.width} * bm.rows;
    if (area == 0 || area > MAX_GLYPH_PIXELS) return;
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.pixel_mode != FT_PIXEL_MODE_MONO) return;
    g.resize(static_cast<int>(bm.width), static_cast<int>(bm.rows));
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    int levels = bm.pixel_mode == FT_PIXEL_MODE_GRAY ? std::max<int>(bm.num_grays, 2) : 2;
    for (int y = 0; y < g.rows; ++y) {
        // A negative pitch means the rows run bottom-up in memory.
        const unsigned char* src =
            bm.pitch >= 0 ? bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch
                          : bm.buffer + static_cast<ptrdiff_t>(g.rows - 1 - y) * -bm.pitch;
        uint8_t* dst = g.row(y);
        for (int x = 0; x < g.width; ++x) {
            if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                dst[x] = (src[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
            else
                dst[x] = static_cast<uint8_t>(std::min(255, src[x] * 255 / (levels - 1)));
        }
    }
}

// Blending: a channel of a blended pixel is (s * a + d * (255 - a) + 127) /
// 255 for text channel s, old channel d and coverage a > 0, and the pixel's
// fourth byte becomes 0, as the text colour's is; coverage 0 leaves all four
// bytes. Rows of n pixels, `stride` apart, with coverage rows `pitch` apart,
// one pixel at a time.
void blend_rows_plain(uint32_t* dst, ptrdiff_t stride, const uint8_t* cov, ptrdiff_t pitch,
                      size_t n, int64_t rows, uint32_t colour) {
    for (; rows > 0; --rows, dst += stride, cov += pitch)
        for (size_t i = 0; i < n; ++i) {
            const uint32_t a = cov[i], d = dst[i];
            if (a == 0) continue;
            uint32_t out = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                const uint32_t s = (colour >> shift) & 0xFF, old = (d >> shift) & 0xFF;
                out |= ((s * a + old * (255 - a) + 127) / 255) << shift;
            }
            dst[i] = out;
        }
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same, eight pixels at a time in 256-bit lanes, where the processor has
// them. With the old pixel's weight w = 255 - a a channel is ((d - s) * w +
// s * 255 + 128) * 257 >> 16, exactly, for every s, d and w, where the
// product may wrap in 16 bits: the true sum lies in 128..65153, and
// floor(v / 255) = (v + 1) * 257 >> 16 for every v up to 65279.

// Four pixels' channels px (16 bits each) mixed with the text colour's s by
// the weights w; k = s * 255 + 128.
__attribute__((target("avx2"))) inline __m256i mix4(__m256i px, __m256i w, __m256i s, __m256i k) {
    const __m256i sum = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_sub_epi16(px, s), w), k);
    return _mm256_mulhi_epu16(sum, _mm256_set1_epi16(257));
}

// Eight pixels d blended with the coverage bytes of `eight`.
__attribute__((target("avx2"))) inline __m256i mix8(__m256i d, uint64_t eight, __m256i s,
                                                    __m256i k) {
    const __m256i zero = _mm256_setzero_si256();
    // Pixel i's coverage a over its four bytes, and the weights 255 - a.
    const __m256i a =
        _mm256_shuffle_epi8(_mm256_set1_epi64x(static_cast<int64_t>(eight)),
                            _mm256_setr_epi8(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4,
                                             4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7));
    const __m256i w = _mm256_xor_si256(a, _mm256_set1_epi8(-1));
    const __m256i low = mix4(_mm256_unpacklo_epi8(d, zero), _mm256_unpacklo_epi8(w, zero), s, k);
    const __m256i high = mix4(_mm256_unpackhi_epi8(d, zero), _mm256_unpackhi_epi8(w, zero), s, k);
    const __m256i out =
        _mm256_and_si256(_mm256_packus_epi16(low, high), _mm256_set1_epi32(0xFFFFFF));
    // Coverage 0 leaves the pixel as it was.
    return _mm256_blendv_epi8(out, d, _mm256_cmpeq_epi32(a, zero));
}

// Rows of n pixels, n a multiple of eight; a group of eight with no
// coverage is skipped.
__attribute__((target("avx2"))) void blend_rows_vector(uint32_t* dst, ptrdiff_t stride,
                                                       const uint8_t* cov, ptrdiff_t pitch,
                                                       size_t n, int64_t rows, uint32_t colour) {
    const uint64_t c = colour & 0xFFFFFF;
    const __m256i s = _mm256_set1_epi64x(
        static_cast<int64_t>((c & 0xFF) | (c & 0xFF00) << 8 | (c & 0xFF0000) << 16));
    const __m256i k =
        _mm256_add_epi16(_mm256_mullo_epi16(s, _mm256_set1_epi16(255)), _mm256_set1_epi16(128));
    for (; rows > 0; --rows, dst += stride, cov += pitch)
        for (size_t i = 0; i < n; i += 8) {
            uint64_t eight;
            std::memcpy(&eight, cov + i, 8);
            if (eight == 0) continue;
            __m256i* p = reinterpret_cast<__m256i*>(dst + i);
            _mm256_storeu_si256(p, mix8(_mm256_loadu_si256(p), eight, s, k));
        }
}
bool vector_blend_on = true;
#else
bool vector_blend_on = false;
#endif

// The canvas clip within the buffer, in buffer coordinates: where a call
// may draw, worked out once where it enters.
Rect drawable(const Canvas& canvas) {
    if (!canvas.pixels) return {};
    return canvas.clip.intersect({0, 0, canvas.width, canvas.height});
}

// Blends w x h coverage bytes (rows `pitch` apart, each followed by seven
// blank bytes) with their top-left at buffer position (bx, by): the rows and
// columns inside `clip` are worked out once, then each row is blended.
Rect blend(const Canvas& canvas, const Rect& clip, const uint8_t* coverage, int64_t w, int64_t h,
           ptrdiff_t pitch, int64_t bx, int64_t by, uint32_t colour) {
    const int64_t x0 = std::max<int64_t>(bx, clip.left), x1 = std::min<int64_t>(bx + w, clip.right);
    const int64_t y0 = std::max<int64_t>(by, clip.top), y1 = std::min<int64_t>(by + h, clip.bottom);
    if (x0 >= x1 || y0 >= y1) return {};
    uint32_t* dst = canvas.row(static_cast<int>(y0)) + x0;
    const uint8_t* cov = coverage + (y0 - by) * pitch + (x0 - bx);
    const size_t n = static_cast<size_t>(x1 - x0);
    size_t done = 0;
#if defined(__x86_64__) && defined(__GNUC__)
    if (vector_blend_on && cpu_has_wide_lanes()) {
        // Groups of eight; the last one may run on into the blank bytes after
        // each coverage row, which leave those pixels as they are, where the
        // rows end within the clip. The rest, one pixel at a time.
        const size_t up = (n + 7) / 8 * 8;
        done = x1 == bx + w && x0 + static_cast<int64_t>(up) <= clip.right ? up : n / 8 * 8;
        blend_rows_vector(dst, canvas.stride, cov, pitch, done, y1 - y0, colour);
    }
#endif
    if (done < n)
        blend_rows_plain(dst + done, canvas.stride, cov + done, pitch, n - done, y1 - y0, colour);
    return Rect{static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1),
                static_cast<int>(y1)}
        .offset(-canvas.origin_x, -canvas.origin_y);
}

} // namespace

const Glyph& render_glyph(const FontFace& face, unsigned char c) {
    Glyph& g = const_cast<FontFace&>(face).glyphs[c];
    if (!g.ready) {
        g.ready = true;
        ++glyph_count;
        render(face, c, g);
    }
    return g;
}

size_t glyphs_rendered() {
    return glyph_count;
}

SIZE font_measure(const FontFace* face, const char* text, int length) {
    if (!face) return SIZE{0, 0};
    int64_t width = 0;
    if (text)
        for (int i = 0; i < length; ++i)
            width += glyph_of(*face, static_cast<unsigned char>(text[i])).advance;
    return SIZE{static_cast<LONG>(std::min<int64_t>(width, INT32_MAX)),
                static_cast<LONG>(face->metrics.height)};
}

Rect font_draw(const Canvas& canvas, const FontFace* face, int x, int y, const char* text,
               int length, uint32_t pixel) {
    const Rect clip = drawable(canvas);
    if (!face || !text || clip.empty()) return {};
    int64_t pen = int64_t{x} + canvas.origin_x;
    int64_t baseline = int64_t{y} + canvas.origin_y + face->metrics.ascent;
    Rect touched;
    for (int i = 0; i < length; ++i) {
        const Glyph& g = glyph_of(*face, static_cast<unsigned char>(text[i]));
        if (!g.coverage.empty())
            touched = touched.unite(blend(canvas, clip, g.coverage.data(), g.width, g.rows, g.pitch,
                                          pen + g.left, baseline - g.top, pixel));
        pen += g.advance;
    }
    return touched;
}

void font_blend_coverage(const Canvas& canvas, const uint8_t* coverage, int width, int rows, int x,
                         int y, uint32_t pixel) {
    const Rect clip = drawable(canvas);
    if (!coverage || width <= 0 || rows <= 0 || clip.empty()) return;
    // A copy with the blank bytes after each row that the blend reads.
    Glyph g;
    g.resize(width, rows);
    for (int r = 0; r < rows; ++r)
        std::copy_n(coverage + static_cast<size_t>(r) * width, width, g.row(r));
    blend(canvas, clip, g.coverage.data(), width, rows, g.pitch, int64_t{x} + canvas.origin_x,
          int64_t{y} + canvas.origin_y, pixel);
}

bool font_vector_blend(bool on) {
    const bool was = vector_blend_on;
#if defined(__x86_64__) && defined(__GNUC__)
    vector_blend_on = on;
#else
    (void)on;
#endif
    return was;
}

} // namespace ws
