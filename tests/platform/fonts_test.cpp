// fonts_test.cpp: the font system (matching, metrics, glyphs, caches) and the
// GDI text calls over it. Metric figures are pinned to DejaVu Sans, the face
// the project installs, by asking for it by name.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "driver.h"
#include "fonts.h"
#include "gdi.h"
#include "headless_driver.h"
#include "metrics.h"
#include "wm.h"

using namespace ws;

namespace {

constexpr uint32_t WHITE = 0xFFFFFF;

const FontFace* face_of(const char* name, int height, int weight = 400, bool italic = false) {
    FontRequest r;
    r.face = name;
    r.height = height;
    r.weight = weight;
    r.italic = italic;
    return font_resolve(r);
}

int width_of(const FontFace* f, const char* text) {
    return font_measure(f, text, static_cast<int>(std::strlen(text))).cx;
}

// A text drawn black at (x, y) of a white w x h buffer, optionally clipped.
std::vector<uint32_t> render(const FontFace* f, const char* text, int w, int h, int x = 0,
                             int y = 0) {
    std::vector<uint32_t> px(static_cast<size_t>(w) * h, WHITE);
    font_draw(make_canvas(px.data(), w, h, w), f, x, y, text, static_cast<int>(std::strlen(text)),
              0);
    return px;
}

long ink(const std::vector<uint32_t>& px) {
    long sum = 0;
    for (uint32_t p : px)
        sum += 255 - (p & 0xFF);
    return sum;
}

// A memory DC drawing into a white bitmap of its own.
struct MemoryDC {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap;
    MemoryDC(int w, int h) : bitmap(CreateCompatibleBitmap(dc, w, h)) {
        SelectObject(dc, bitmap);
        std::fill(pixels().begin(), pixels().end(), WHITE);
    }
    std::vector<uint32_t>& pixels() { return gdi_bitmap(bitmap)->pixels; }
    uint32_t at(int x, int y) {
        return pixels()[static_cast<size_t>(y) * gdi_bitmap(bitmap)->width + x];
    }
};

HFONT card_font(int height) {
    return CreateFontA(height, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "KV319-font");
}

} // namespace

TEST(FontMetrics, DejaVuSansAtCharacterHeight24) {
    const FontFace* f = face_of("DejaVu Sans", -24);
    ASSERT_STREQ(font_family_name(f), "DejaVu Sans");
    FontMetrics m = font_metrics(f);
    EXPECT_EQ(m.ascent, 22);
    EXPECT_EQ(m.descent, 6);
    EXPECT_EQ(m.height, 28);
    EXPECT_EQ(m.internal_leading, 4);
    EXPECT_EQ(m.external_leading, 0);
    EXPECT_FALSE(m.fixed_pitch);
    EXPECT_EQ(width_of(f, "M"), 21);
    // No kerning: a text is the sum of its characters.
    SIZE hello = font_measure(f, "Hello", 5);
    EXPECT_EQ(hello.cx, 62);
    EXPECT_EQ(hello.cy, 28);
    EXPECT_EQ(hello.cx, width_of(f, "He") + 2 * width_of(f, "l") + width_of(f, "o"));
}

TEST(FontMetrics, HeightSignDefaultAndCaps) {
    for (int h = 6; h <= 130; h += 7) {
        EXPECT_EQ(font_metrics(face_of("DejaVu Sans", h)).height, h) << "cell height " << h;
        FontMetrics chars = font_metrics(face_of("DejaVu Sans", -h));
        EXPECT_EQ(chars.height - chars.internal_leading, h) << "character height " << h;
    }
    FontMetrics def = font_metrics(face_of("", 0));
    EXPECT_EQ(def.height - def.internal_leading, metrics::DEFAULT_FONT_HEIGHT);
    for (int h : {INT_MIN, -100000, 100000, INT_MAX}) {
        FontMetrics m = font_metrics(face_of("", h));
        EXPECT_GT(m.height, 0);
        EXPECT_LE(m.height - m.internal_leading, metrics::MAX_FONT_HEIGHT);
    }
}

TEST(FontMatching, UnknownNamesFallBackAndStylesPickTheirFaces) {
    const FontFace* def = face_of("", -24);
    EXPECT_EQ(face_of("No Such Face At All", -24), def);
    // The runtime's face has Arial's metrics: its labels fit the widths
    // they were laid out for ("Secondary Color" is 98 pixels in DejaVu Sans).
    const FontFace* runtime = face_of("KV319-font", -12);
    EXPECT_STREQ(font_family_name(runtime), "Liberation Sans");
    EXPECT_EQ(width_of(runtime, "Secondary Color"), 92);
    EXPECT_STREQ(font_family_name(face_of("DejaVu Serif", -24)), "DejaVu Serif");
    EXPECT_STREQ(font_family_name(face_of("monospace", -24)), "DejaVu Sans Mono");

    const FontFace* regular = face_of("DejaVu Sans", -24);
    const FontFace* bold = face_of("DejaVu Sans", -24, FW_BOLD);
    const FontFace* italic = face_of("DejaVu Sans", -24, FW_NORMAL, true);
    EXPECT_NE(bold, regular);
    EXPECT_NE(italic, regular);
    EXPECT_NE(italic, bold);
    EXPECT_EQ(font_metrics(bold).weight, FW_BOLD);
    EXPECT_GT(ink(render(bold, "Hill", 100, 30)), ink(render(regular, "Hill", 100, 30)) * 11 / 10);
}

TEST(FontCharacters, CodePageBytesNewlinesAndMissingGlyphs) {
    const FontFace* f = face_of("DejaVu Sans", -24);
    std::vector<uint32_t> missing = render(f, "\x01", 40, 30);
    EXPECT_GT(ink(missing), 0);
    // Of 0x80..0x9F (the euro sign, curly quotes...) only the five
    // unassigned bytes show the missing glyph.
    for (int c = 0x80; c <= 0x9F; ++c) {
        char text[2] = {static_cast<char>(c), 0};
        bool unassigned = c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
        EXPECT_EQ(render(f, text, 40, 30) == missing, unassigned) << "byte " << c;
    }
    EXPECT_GT(ink(render(f, "\xE9", 40, 30)), ink(render(f, "e", 40, 30))); // e-acute

    // A newline is just a character; only the height is a line's.
    EXPECT_GT(width_of(f, "\n"), 0);
    EXPECT_EQ(width_of(f, "ab\ncd"), width_of(f, "ab") + width_of(f, "\n") + width_of(f, "cd"));
    EXPECT_EQ(font_measure(f, "ab\ncd", 5).cy, 28);
    SIZE empty = font_measure(f, "", 0);
    EXPECT_EQ(empty.cx, 0);
    EXPECT_EQ(empty.cy, 28);
}

TEST(FontDrawing, GlyphsOnlyAndClippedExactly) {
    const FontFace* f = face_of("DejaVu Sans", -24);
    std::vector<uint32_t> px(120 * 40, WHITE);
    Rect ink_box = font_draw(make_canvas(px.data(), 120, 40, 120), f, 10, 5, "I  I", 4, 0);
    int gap_left = 10 + width_of(f, "I"), gap_right = 10 + width_of(f, "I  ");
    int solid = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) {
            uint32_t p = px[static_cast<size_t>(y) * 120 + x];
            if (p == WHITE) continue;
            EXPECT_TRUE(ink_box.contains(x, y)) << x << "," << y;
            EXPECT_TRUE(x < gap_left || x >= gap_right) << "between the stems: " << x;
            solid += p == 0;
        }
    EXPECT_GT(solid, 20);

    // The same text through an origin and a clip that cuts every side of
    // it is exactly the matching part of the unclipped picture.
    std::vector<uint32_t> whole = render(f, "Wq", 60, 40, 10, 5);
    std::vector<uint32_t> part(whole.size(), WHITE);
    Canvas c = make_canvas(part.data(), 60, 40, 60);
    c.origin_x = 3;
    c.origin_y = -4;
    font_draw(c.clipped_to(Rect{9, 14, 27, 29}), f, 7, 9, "Wq", 2, 0);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            bool inside = x >= 12 && x < 30 && y >= 10 && y < 25;
            size_t i = static_cast<size_t>(y) * 60 + x;
            ASSERT_EQ(part[i], inside ? whole[i] : WHITE) << x << "," << y;
        }
}

TEST(FontDrawing, BlendingFollowsTheCoverageOverAnyBackground) {
    // A glyph's coverage read back from black on white (the blue channel
    // is 255 less the coverage), then the glyph drawn in colour over a
    // patterned background, through clips that cut it anywhere: every
    // pixel must be the coverage blend, rounded to nearest.
    auto blend = [](uint32_t src, uint32_t dst, uint32_t a) {
        uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            uint32_t s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
            out |= ((s * a + d * (255 - a) + 127) / 255) << shift;
        }
        return out;
    };
    const int w = 90, h = 80;
    uint32_t seed = 12345;
    // Both blends: four pixels at a time, and one.
    for (bool vector : {true, false}) {
        bool was = font_vector_blend(vector);
        for (int height : {-12, -24, -37, -60}) {
            const FontFace* f = face_of("DejaVu Sans", height);
            for (const char* ch : {"W", "i", "m", "@", "g", "B"}) {
                std::vector<uint32_t> cov = render(f, ch, w, h, 8, 2);
                for (int round = 0; round < 6; ++round) {
                    std::vector<uint32_t> back(static_cast<size_t>(w) * h);
                    for (uint32_t& p : back)
                        p = (seed = seed * 1664525u + 1013904223u) >> 8;
                    std::vector<uint32_t> px = back;
                    Canvas c = make_canvas(px.data(), w, h, w);
                    Rect clip = round == 0
                                    ? Rect{0, 0, w, h}
                                    : Rect{round * 5, round * 3, w - round * 7, h - round * 4};
                    uint32_t colour = (seed = seed * 1664525u + 1013904223u) >> 8;
                    font_draw(c.clipped_to(clip), f, 8, 2, ch, 1, colour);
                    for (int y = 0; y < h; ++y)
                        for (int x = 0; x < w; ++x) {
                            size_t i = static_cast<size_t>(y) * w + x;
                            uint32_t a = 255 - (cov[i] & 0xFF);
                            uint32_t want =
                                clip.contains(x, y) && a ? blend(colour, back[i], a) : back[i];
                            ASSERT_EQ(px[i], want)
                                << ch << " at " << height << (vector ? " vector" : " plain") << ", "
                                << x << "," << y;
                        }
                }
            }
        }
        font_vector_blend(was);
    }
}

// The blend of one pixel as the formula has it: a pixel the coverage does
// not touch keeps all four bytes; a touched one gets 0 in the fourth.
uint32_t blend_pixel(uint32_t src, uint32_t dst, uint32_t a) {
    if (a == 0) return dst;
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t s = (src >> shift) & 0xFF, d = (dst >> shift) & 0xFF;
        out |= ((s * a + d * (255 - a) + 127) / 255) << shift;
    }
    return out;
}

uint32_t next_random(uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return seed ^ (seed >> 15);
}

TEST(FontBlending, AnyCoverageAnyPlaceAnyClipIsTheFormula) {
    // Coverage made of blank, solid and partial stretches of random lengths,
    // in bitmaps narrower and wider than the four pixels that the vector
    // blend takes at a time, blended over backgrounds that use all four
    // bytes, at places that run off every edge of the buffer and through
    // clips that cut the bitmap anywhere.
    // The buffer's stride is wider than its width, with guard words all
    // round that nothing may change.
    const int w = 48, h = 30, stride = 53, guard = 64;
    uint32_t seed = 2024;
    for (bool vector : {true, false}) {
        bool was = font_vector_blend(vector);
        for (int bw : {1, 3, 5, 7, 8, 9, 12, 16, 23, 37, 45}) {
            for (int round = 0; round < 40; ++round) {
                const int bh = 1 + static_cast<int>(next_random(seed) % 12);
                std::vector<uint8_t> cov(static_cast<size_t>(bw) * bh);
                for (size_t i = 0; i < cov.size();) {
                    size_t n = 1 + next_random(seed) % 24;
                    uint32_t kind = next_random(seed) % 3;
                    for (; n > 0 && i < cov.size(); --n, ++i)
                        cov[i] = kind == 0   ? 0
                                 : kind == 1 ? 255
                                             : static_cast<uint8_t>(next_random(seed) % 256);
                }
                std::vector<uint32_t> mem(static_cast<size_t>(stride) * h + 2 * guard);
                for (uint32_t& p : mem)
                    p = next_random(seed);
                const std::vector<uint32_t> back = mem;
                Canvas c = make_canvas(mem.data() + guard, w, h, stride);
                c.origin_x = static_cast<int>(next_random(seed) % 5) - 2;
                Rect clip{0, 0, w, h};
                if (round % 4 != 0) {
                    int l = static_cast<int>(next_random(seed) % w);
                    int t = static_cast<int>(next_random(seed) % h);
                    clip = Rect{l, t, l + 1 + static_cast<int>(next_random(seed) % (w - l)),
                                t + 1 + static_cast<int>(next_random(seed) % (h - t))};
                }
                Canvas cc = c.clipped_to(clip.offset(-c.origin_x, 0));
                // Mostly inside, now and then across an edge of the buffer or
                // the clip, or with the bitmap's right edge on the clip's.
                int bx = static_cast<int>(next_random(seed) % (w + 2 * bw)) - bw;
                int by = static_cast<int>(next_random(seed) % (h + 2 * bh)) - bh;
                if (round % 5 == 1) bx = cc.clip.right - bw;
                const uint32_t colours[3] = {0, 0xFFFFFF, next_random(seed) & 0xFFFFFF};
                const uint32_t colour = colours[round % 3];
                font_blend_coverage(cc, cov.data(), bw, bh, bx - c.origin_x, by, colour);
                for (size_t i = 0; i < mem.size(); ++i) {
                    uint32_t want = back[i];
                    int64_t at = static_cast<int64_t>(i) - guard;
                    int x = static_cast<int>(at >= 0 ? at % stride : -1);
                    int y = static_cast<int>(at >= 0 ? at / stride : -1);
                    if (at >= 0 && y < h && x < w && cc.clip.contains(x, y) && x >= bx &&
                        x < bx + bw && y >= by && y < by + bh)
                        want = blend_pixel(colour, back[i],
                                           cov[static_cast<size_t>(y - by) * bw + (x - bx)]);
                    ASSERT_EQ(mem[i], want)
                        << (vector ? "vector" : "plain") << ", " << bw << "x" << bh << " at " << bx
                        << "," << by << ", pixel " << x << "," << y;
                }
            }
        }
        font_vector_blend(was);
    }
}

TEST(GdiText, CreatingAndDeletingFontsStaysBounded) {
    MemoryDC m(200, 60);
    size_t objects = gdi_objects().live_count();
    FontCacheStats warm{};
    const FontFace* first = nullptr;
    for (int i = 0; i < 1000; ++i) {
        HFONT font = card_font(-24);
        HGDIOBJ old = SelectObject(m.dc, font);
        TextOutA(m.dc, 0, 0, "Happy", 5);
        // Every new object finds the face of the first, and its glyphs.
        if (i == 0) first = gdi_font(font)->face;
        ASSERT_EQ(gdi_font(font)->face, first);
        SelectObject(m.dc, old);
        ASSERT_TRUE(DeleteObject(font));
        if (i == 0) warm = font_cache_stats();
    }
    EXPECT_EQ(gdi_objects().live_count(), objects);
    FontCacheStats now = font_cache_stats();
    EXPECT_EQ(now.faces, warm.faces);
    EXPECT_EQ(now.matches, warm.matches);
    EXPECT_EQ(now.glyphs_rendered, warm.glyphs_rendered);
    // Another name matched to the same file shares the face too, as do two
    // unknown names that fall back to the same default.
    EXPECT_EQ(face_of("Liberation Sans", -24), first);
    EXPECT_EQ(face_of("Another Unknown Face", -24), face_of("Yet Another Face", -24));
}

TEST(GdiText, StockFontsAndTextMetrics) {
    MemoryDC m(10, 10);
    TEXTMETRICA tm{};
    ASSERT_TRUE(GetTextMetricsA(m.dc, &tm)); // a new DC holds the system font
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, metrics::UI_FONT_HEIGHT);
    EXPECT_EQ(tm.tmPitchAndFamily & 1, 1); // the bit is set for variable pitch

    SelectObject(m.dc, GetStockObject(ANSI_FIXED_FONT));
    SIZE one{}, s{};
    ASSERT_TRUE(GetTextExtentPointA(m.dc, "M", 1, &one));
    for (int c = 0x20; c < 0x100; ++c) {
        char ch = static_cast<char>(c);
        GetTextExtentPointA(m.dc, &ch, 1, &s);
        EXPECT_EQ(s.cx, one.cx) << "byte " << c;
    }
    ASSERT_TRUE(GetTextMetricsA(m.dc, &tm));
    EXPECT_EQ(tm.tmHeight, one.cy);
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, metrics::FIXED_FONT_HEIGHT);
    EXPECT_EQ(tm.tmAveCharWidth, one.cx);
    EXPECT_EQ(tm.tmMaxCharWidth, one.cx);
    EXPECT_EQ(tm.tmPitchAndFamily & 1, 0);
    EXPECT_EQ(tm.tmWeight, FW_NORMAL);

    HFONT font = CreateFontA(-24, 0, 0, 0, FW_DONTCARE, 1, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
    SelectObject(m.dc, font);
    ASSERT_TRUE(GetTextMetricsA(m.dc, &tm));
    EXPECT_EQ(tm.tmHeight, 28);
    EXPECT_EQ(tm.tmWeight, FW_NORMAL);
    EXPECT_EQ(tm.tmItalic, 1);
    EXPECT_FALSE(GetTextExtentPointA(m.dc, "ab", -1, &s));
    EXPECT_FALSE(GetTextExtentPointA(m.dc, nullptr, 3, &s));
    EXPECT_FALSE(GetTextExtentPointA(m.dc, "ab", 2, nullptr));
    EXPECT_FALSE(GetTextMetricsA(nullptr, &tm));
    SelectObject(m.dc, GetStockObject(SYSTEM_FONT));
    EXPECT_TRUE(DeleteObject(font));
}

// The wide calls' text, and MultiByteToWideChar's reading of UTF-8 and of
// code page 1252, which the runtime reads its texts with.
TEST(GdiText, WideTextAndCodePages) {
    auto widened = [](UINT code_page, const char* text, int length) {
        WCHAR out[16];
        int n = MultiByteToWideChar(code_page, code_page == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0,
                                    text, length, out, 16);
        return std::vector<unsigned>(out, out + std::max(n, 0));
    };
    using U = std::vector<unsigned>;
    EXPECT_EQ(widened(CP_UTF8, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", 10),
              (U{'a', 0xE9, 0x20AC, 0xD83D, 0xDE00}));
    EXPECT_EQ(widened(CP_UTF8, "\xEF\xBF\xBF\xF4\x8F\xBF\xBF", 7), (U{0xFFFF, 0xDBFF, 0xDFFF}));
    // Invalid: overlong forms, surrogates, past U+10FFFF, a stray
    // continuation byte, a cut sequence, a Latin-1 byte.
    for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xF0\x8F\xBF\xBF", "\xED\xA0\x80",
                            "\xF4\x90\x80\x80", "\x80", "ab\xC3", "\xE2\x82", "caf\xE9", "\xFF"})
        EXPECT_EQ(widened(CP_UTF8, bad, static_cast<int>(std::strlen(bad))), U{}) << bad;
    EXPECT_EQ(widened(1252, "\x80\x81\x9F\xE9\xFF", 5), (U{0x20AC, 0x81, 0x178, 0xE9, 0xFF}));
    // -1 reads up to the zero and counts it; no buffer asks for the size;
    // too small a buffer fails; other code pages and flags are refused.
    EXPECT_EQ(widened(CP_UTF8, "\xC3\xA9", -1), (U{0xE9, 0}));
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xC3\xA9", 3, nullptr, 0), 2);
    WCHAR one[1];
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "ab", 2, one, 1), 0);
    EXPECT_EQ(MultiByteToWideChar(437, 0, "ab", 2, one, 1), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a", 1, one, 1), 0);
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "", 0, one, 1), 0);

    // TextOutW and GetTextExtentPoint32W draw and measure the code page 1252
    // form of their text: a character it lacks (two units or one) is '?'.
    MemoryDC a(200, 40), w(200, 40);
    HFONT font = card_font(-24);
    SelectObject(a.dc, font);
    SelectObject(w.dc, font);
    const WCHAR wide[] = {'c', 0xE9, 0x20AC, 0xD83D, 0xDE00, 0x3B1, 0xDC00};
    ASSERT_TRUE(TextOutA(a.dc, 5, 5, "c\xE9\x80???", 6));
    ASSERT_TRUE(TextOutW(w.dc, 5, 5, wide, 7));
    EXPECT_TRUE(a.pixels() == w.pixels());
    SIZE sa{}, sw{};
    GetTextExtentPointA(a.dc, "c\xE9\x80???", 6, &sa);
    ASSERT_TRUE(GetTextExtentPoint32W(w.dc, wide, 7, &sw));
    EXPECT_EQ(sw.cx, sa.cx);
    EXPECT_EQ(sw.cy, sa.cy);
    EXPECT_FALSE(TextOutW(w.dc, 0, 0, nullptr, 2));
    SelectObject(a.dc, GetStockObject(SYSTEM_FONT));
    SelectObject(w.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
}

TEST(GdiText, OpaqueFillsTheCellBoxTransparentOnlyGlyphs) {
    MemoryDC m(200, 60);
    HFONT font = card_font(-24);
    SelectObject(m.dc, font);
    SetTextColor(m.dc, RGB(255, 0, 0));
    SetBkColor(m.dc, RGB(0, 0, 255));
    SIZE s{};
    GetTextExtentPointA(m.dc, "Hi y", 4, &s);
    EXPECT_EQ(GetBkMode(m.dc), OPAQUE); // the default
    ASSERT_TRUE(TextOutA(m.dc, 20, 10, "Hi y", 4));
    int red = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x) {
            uint32_t p = m.at(x, y);
            if (x < 20 || x >= 20 + s.cx || y < 10 || y >= 10 + s.cy)
                ASSERT_EQ(p, WHITE) << x << "," << y;
            else
                ASSERT_EQ(p & 0x00FF00u, 0u) << x << "," << y; // blue to red, no white
            red += p == 0xFF0000u;
        }
    EXPECT_GT(red, 20);

    std::fill(m.pixels().begin(), m.pixels().end(), WHITE);
    SetBkMode(m.dc, TRANSPARENT);
    ASSERT_TRUE(TextOutA(m.dc, 20, 10, "Hi y", 4));
    EXPECT_EQ(std::count(m.pixels().begin(), m.pixels().end(), 0x0000FFu), 0);
    EXPECT_GT(std::count(m.pixels().begin(), m.pixels().end(), 0xFF0000u), 20);
    SelectObject(m.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
}

TEST(GdiText, EdgesFarPositionsAndBadArguments) {
    MemoryDC m(40, 30);
    SetBkColor(m.dc, RGB(0, 0, 255));
    SelectObject(m.dc, GetStockObject(ANSI_FIXED_FONT));
    SIZE s{};
    GetTextExtentPointA(m.dc, "abc", 3, &s);
    // Straddling the corners, only the part inside is filled.
    ASSERT_TRUE(TextOutA(m.dc, 40 - s.cx / 2, 30 - s.cy / 2, "abc", 3));
    ASSERT_TRUE(TextOutA(m.dc, -s.cx / 2, -s.cy / 2, "abc", 3));
    EXPECT_NE(m.at(39, 29), WHITE);
    EXPECT_NE(m.at(0, 0), WHITE);
    EXPECT_EQ(m.at(40 - s.cx / 2 - 1, 29), WHITE);
    EXPECT_EQ(m.at(s.cx - s.cx / 2, 0), WHITE);

    std::fill(m.pixels().begin(), m.pixels().end(), WHITE);
    std::string longer(500, 'W');
    for (int x : {INT_MIN, -100000, 100000, INT_MAX - 1, INT_MAX})
        for (int y : {INT_MIN, INT_MAX - 1, INT_MAX, 5})
            EXPECT_TRUE(TextOutA(m.dc, x, y, longer.c_str(), 500));
    EXPECT_FALSE(TextOutA(m.dc, 0, 0, "x", -1));
    EXPECT_FALSE(TextOutA(m.dc, 0, 0, nullptr, 1));
    EXPECT_FALSE(TextOutA(nullptr, 0, 0, "x", 1));
    SetBkMode(m.dc, TRANSPARENT);
    EXPECT_TRUE(TextOutA(m.dc, 0, 0, "", 0));
    for (uint32_t p : m.pixels())
        ASSERT_EQ(p, WHITE);
}

namespace {
LRESULT CALLBACK plain_proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(h, msg, wp, lp);
}
} // namespace

// Text drawn into a window marks only what it painted to be presented.
TEST(GdiText, WindowTextReportsTheAreaItTouched) {
    set_driver(new HeadlessDriver(640, 480));
    wm_start();
    WNDCLASSA wc{};
    wc.lpfnWndProc = plain_proc;
    wc.lpszClassName = "FontTestWnd";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND hwnd = CreateWindowExA(0, "FontTestWnd", "t", WS_OVERLAPPED | WS_CAPTION, 10, 10, 300, 200,
                                nullptr, nullptr, nullptr, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    Window* w = wm_window(hwnd);
    ASSERT_NE(w, nullptr);
    HDC dc = GetDC(hwnd);
    SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
    SIZE s{};
    GetTextExtentPointA(dc, "abc", 3, &s);
    Rect client = wm_client_in_surface(*w);
    Rect box = Rect{20, 30, 20 + s.cx, 30 + s.cy}.offset(client.left, client.top);

    wm_present_all();
    TextOutA(dc, 20, 30, "abc", 3); // opaque: the whole box, and a little ink around it
    EXPECT_EQ(w->dirty.intersect(box), box);
    EXPECT_LE(w->dirty.width(), box.width() + 4);
    EXPECT_LE(w->dirty.height(), box.height() + 4);

    wm_present_all();
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, 20, 30, ". .", 3); // ink near the baseline only
    EXPECT_FALSE(w->dirty.empty());
    EXPECT_LT(w->dirty.height(), s.cy / 2);
    EXPECT_GE(w->dirty.top, box.top);

    wm_present_all();
    TextOutA(dc, 20, 30, "   ", 3); // blanks paint nothing
    TextOutA(dc, -10000, 30, "abc", 3);
    EXPECT_TRUE(w->dirty.empty());
    ReleaseDC(hwnd, dc);
}

// Without Liberation Sans the runtime's face is the default sans, as for
// any unknown name. Like the next case, a process of its own.
TEST(FontFallback, RuntimeFaceWithoutLiberationSansIsTheDefaultSans) {
    if (font_cache_stats().faces != 0) GTEST_SKIP() << "fonts were resolved before this test";
    const char* dejavu = "/usr/share/fonts/truetype/dejavu";
    if (access(dejavu, R_OK) != 0) GTEST_SKIP() << dejavu << " is not there";
    std::string dir = ::testing::TempDir() + "dejavu_only_conf";
    std::string conf = dir + ".xml";
    FILE* f = std::fopen(conf.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f,
                 "<?xml version=\"1.0\"?>\n<fontconfig><dir>%s</dir><cachedir>%s</cachedir>"
                 "<include ignore_missing=\"yes\">/etc/fonts/conf.d</include></fontconfig>\n",
                 dejavu, dir.c_str());
    std::fclose(f);
    setenv("FONTCONFIG_FILE", conf.c_str(), 1);

    const FontFace* face = face_of("KV319-font", -12);
    EXPECT_EQ(face, face_of("", -12));
    EXPECT_STREQ(font_family_name(face), "DejaVu Sans");
}

// With no font on the system the built-in box font stands in. fontconfig
// reads its configuration once, so this needs a process of its own (as
// ctest gives every test case).
TEST(FontFallback, NoFontsAtAllGivesTheBoxFont) {
    if (font_cache_stats().faces != 0) GTEST_SKIP() << "fonts were resolved before this test";
    std::string dir = ::testing::TempDir() + "no_fonts_conf";
    std::string conf = dir + ".xml";
    FILE* f = std::fopen(conf.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "<?xml version=\"1.0\"?>\n<fontconfig><cachedir>%s</cachedir></fontconfig>\n",
                 dir.c_str());
    std::fclose(f);
    setenv("FONTCONFIG_FILE", conf.c_str(), 1);

    const FontFace* face = face_of("KV319-font", -20);
    EXPECT_STREQ(font_family_name(face), "");
    FontMetrics m = font_metrics(face);
    EXPECT_EQ(m.height - m.internal_leading, 20);
    EXPECT_EQ(width_of(face, "iW"), 2 * m.ave_char_width);
    std::vector<uint32_t> px = render(face, "A A", 60, 30);
    EXPECT_GT(ink(px), 0);
    for (int y = 0; y < 30; ++y) // the blank between the boxes stays clear
        for (int x = m.ave_char_width; x < 2 * m.ave_char_width; ++x)
            EXPECT_EQ(px[static_cast<size_t>(y) * 60 + x], WHITE);
    EXPECT_EQ(face_of("", -20), face);
}
