// fonts.cpp: the font system: fontconfig matching, FreeType glyphs, the cache.
//
// A request (face name, height, weight, italic) is matched by fontconfig to a
// font file, which is read into memory once and opened once with FreeType;
// each pixel size of it is a FontFace with its own FT_Size and a table of the
// 256 glyphs of the ANSI code page, rasterised on first use and kept for the
// life of the process. When the matched file lacks the bold or italic style
// asked for, it is emboldened or slanted. Limits: no kerning, no underline or
// strike-out, no rotation; heights are capped at metrics::kMaxFontHeight. If
// the system has no usable font at all, a built-in box font stands in.
//
// A glyph is drawn by blending its coverage rows over the pixels, cut to the
// clip once per glyph; the blend has a plain version and one that blends
// eight pixels at a time where the processor has 256-bit lanes.
//
// Metrics: ascent and descent are the face's ascender and descender scaled to
// the character height and rounded to the nearest pixel (halves away from
// zero); the cell height is their sum, never less than the character height.
// For a positive (cell) height the character height is chosen so that the
// scaled ascender plus descender fill the cell, and the descent takes up the
// rounding so that the cell is exactly the height asked for.
#include "fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#if !defined(__EMSCRIPTEN__)
#include <fontconfig/fontconfig.h>
#endif

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "metrics.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace ws {

namespace {

// Code page 1252 at 0x80..0x9F; the five unassigned bytes map to the C1
// controls of the same value, which no text face has a glyph for.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint32_t code_point(unsigned char c) {
    return (c >= 0x80 && c <= 0x9F) ? kCp1252High[c - 0x80] : c;
}

// A glyph bitmap larger than this is dropped (drawn as nothing): no sane
// glyph at the capped heights comes near it.
constexpr int64_t kMaxGlyphPixels = int64_t{16} << 20;

// Requests and matches are memos over faces that live for the whole
// process; past these sizes they are forgotten and made again on demand.
constexpr size_t kMaxRequestMemo = 4096;
constexpr size_t kMaxMatchMemo = 1024;

// The slant given to an upright face asked to be italic (about 12 degrees).
constexpr FT_Fixed kObliqueShear = 0x0366A;

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
        width = w, rows = h, pitch = w + 7;
        coverage.assign(static_cast<size_t>(pitch) * h, 0);
    }
};

// One font file, read and opened once.
struct FontFile {
    std::vector<unsigned char> data;
    FT_Face face = nullptr;
    bool bold = false;
    bool italic = false;
};

int round_half_away(double v) {
    double r = std::round(v);
    if (r > INT_MAX) return INT_MAX;
    if (r < INT_MIN) return INT_MIN;
    return static_cast<int>(r);
}

} // namespace

struct FontFace {
    FontFile* file = nullptr; // nullptr: the built-in box font
    FT_Size size = nullptr;
    int em = 0; // character height in pixels
    bool embolden = false;
    bool slant = false;
    FontMetrics metrics;
    Glyph glyphs[256];
};

namespace {

struct MatchKey {
    std::string name;
    int weight;
    bool italic;
    bool operator<(const MatchKey& o) const {
        return std::tie(name, weight, italic) < std::tie(o.name, o.weight, o.italic);
    }
};

struct FaceKey {
    const FontFile* file;
    int em, ascent, descent;
    bool embolden, slant;
    bool operator<(const FaceKey& o) const {
        return std::tie(file, em, ascent, descent, embolden, slant) <
               std::tie(o.file, o.em, o.ascent, o.descent, o.embolden, o.slant);
    }
};

struct RequestHash {
    size_t operator()(const FontRequest& r) const {
        size_t h = std::hash<std::string>()(r.face);
        h ^= std::hash<int>()(r.height) + 0x9e3779b9 + (h << 6) + (h >> 2);
        h ^= std::hash<unsigned>()(static_cast<unsigned>(r.weight) * 2u + (r.italic ? 1u : 0u)) +
             0x9e3779b9 + (h << 6) + (h >> 2);
        return h;
    }
};

class FontSystem {
  public:
    const FontFace* resolve(const FontRequest& request);
    const Glyph& glyph(const FontFace& face, unsigned char c);
    FontCacheStats stats() const { return {match_count_, faces_.size(), glyph_count_}; }

  private:
    FontFile* match(const std::string& name, int weight, bool italic);
    FontFile* open_file(const std::string& path, int index);
    FontFace* face_at(FontFile* file, const FontRequest& request);
    FontFace* box_face(const FontRequest& request);
    void render(const FontFace& face, unsigned char c, Glyph& g);
    void render_box(const FontFace& face, unsigned char c, Glyph& g);

    bool started_ = false;
#if !defined(__EMSCRIPTEN__)
    bool fc_ok_ = false;
#endif
    FT_Library ft_ = nullptr;
    std::map<MatchKey, FontFile*> matches_;
    std::map<std::pair<std::string, int>, std::unique_ptr<FontFile>> files_;
    std::map<FaceKey, std::unique_ptr<FontFace>> faces_;
    std::unordered_map<FontRequest, FontFace*, RequestHash> requests_;
    FontRequest last_request_;
    FontFace* last_face_ = nullptr;
    size_t match_count_ = 0;
    size_t glyph_count_ = 0;
};

// Lives until the process ends: faces handed out must stay valid in any
// static destructor that still draws.
FontSystem& fonts() {
    static FontSystem* system = new FontSystem;
    return *system;
}

// A face's glyph, rasterised on first use; the common case, a glyph made
// before, stays inline.
inline const Glyph& glyph_of(const FontFace& face, unsigned char c) {
    const Glyph& g = face.glyphs[c];
    return g.ready ? g : fonts().glyph(face, c);
}

int clamp_weight(int weight) {
    if (weight <= 0) return FW_NORMAL; // FW_DONTCARE
    return std::min(weight, 1000);
}

bool wants_bold(int weight) {
    return clamp_weight(weight) >= 600;
}

FontFile* FontSystem::open_file(const std::string& path, int index) {
    auto key = std::make_pair(path, index);
    auto it = files_.find(key);
    if (it != files_.end()) return it->second.get();

    auto file = std::make_unique<FontFile>();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return nullptr;
    unsigned char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        file->data.insert(file->data.end(), chunk, chunk + n);
    std::fclose(f);
    if (file->data.empty()) return nullptr;
    if (FT_New_Memory_Face(ft_, file->data.data(), static_cast<FT_Long>(file->data.size()), index,
                           &file->face) != 0)
        return nullptr;
    if (file->face->num_fixed_sizes == 0 && !FT_IS_SCALABLE(file->face)) {
        FT_Done_Face(file->face);
        return nullptr;
    }
    file->bold = (file->face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(file->face, FT_SFNT_OS2)))
        if (os2->version != 0xFFFF && os2->usWeightClass >= 600) file->bold = true;
    file->italic = (file->face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    FontFile* result = file.get();
    files_.emplace(key, std::move(file));
    return result;
}

// The face the runtime asks for its text. No font has that name; the text
// it draws is laid out for Arial's metrics, which Liberation Sans has. Where
// that is not installed, fontconfig goes on to a face with the same metrics
// or to the default sans, as for any unknown name.
constexpr const char* kRuntimeFace = "KV319-font";
[[maybe_unused]] constexpr const char* kRuntimeFaceFamily = "Liberation Sans";

#if defined(__EMSCRIPTEN__)
// The page's font files (cmake/web.cmake packs them under /fonts): the files
// that fontconfig gives the desktop for the names used. The runtime's face is
// Liberation Sans, the monospace face DejaVu Sans Mono, and every other name
// the default sans, DejaVu Sans, in bold from weight 600.
static const char* web_face_file(const std::string& name, int weight) {
    if (name == kRuntimeFace) return "/fonts/LiberationSans-Regular.ttf";
    if (name == "monospace") return "/fonts/DejaVuSansMono.ttf";
    return weight >= 600 ? "/fonts/DejaVuSans-Bold.ttf" : "/fonts/DejaVuSans.ttf";
}
#endif

// fontconfig never reports "no such family": an unknown name gets the
// configured default (sans) face. A null result means no usable font file.
FontFile* FontSystem::match(const std::string& name, int weight, bool italic) {
    MatchKey key{name, weight, italic};
    auto it = matches_.find(key);
    if (it != matches_.end()) return it->second;
    if (matches_.size() >= kMaxMatchMemo) matches_.clear();

    FontFile* result = nullptr;
#if defined(__EMSCRIPTEN__)
    // In the browser there is no fontconfig: the page carries the files that
    // the desktop's matching picks for the names the program uses.
    ++match_count_;
    result = open_file(web_face_file(name, weight), 0);
#else
    if (fc_ok_) {
        ++match_count_;
        FcPattern* pattern = FcPatternCreate();
        const char* family = name.empty()           ? "sans-serif"
                             : name == kRuntimeFace ? kRuntimeFaceFamily
                                                    : name.c_str();
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
        FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
        FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult res = FcResultNoMatch;
        FcPattern* found = FcFontMatch(nullptr, pattern, &res);
        FcPatternDestroy(pattern);
        if (found) {
            FcChar8* path = nullptr;
            int index = 0;
            if (FcPatternGetString(found, FC_FILE, 0, &path) == FcResultMatch && path) {
                FcPatternGetInteger(found, FC_INDEX, 0, &index);
                result = open_file(reinterpret_cast<const char*>(path), index);
            }
            FcPatternDestroy(found);
        }
    }
#endif
    // A named face whose file cannot be opened falls back to the default.
    if (!result && !name.empty()) result = match("", weight, italic);
    matches_[key] = result;
    return result;
}

// The character height, ascent and descent that a request gets from a face
// with these design metrics (units per em, ascender, descender, line gap).
struct Sizing {
    int em, ascent, descent, external;
};

Sizing size_for(int64_t height, double upem, double asc, double desc, double gap) {
    if (asc + desc <= 0) {
        asc = upem * 0.8;
        desc = upem * 0.2;
    }
    if (height == 0) height = -metrics::kDefaultFontHeight;
    Sizing s{};
    if (height < 0) {
        s.em = static_cast<int>(std::min<int64_t>(-height, metrics::kMaxFontHeight));
        s.ascent = round_half_away(asc * s.em / upem);
        s.descent = round_half_away(desc * s.em / upem);
        if (s.ascent + s.descent < s.em) s.ascent = s.em - s.descent;
    } else {
        int cell = static_cast<int>(std::min<int64_t>(height, metrics::kMaxFontHeight));
        s.em = std::clamp(round_half_away(cell * upem / (asc + desc)), 1, cell);
        s.ascent = std::clamp(round_half_away(cell * asc / (asc + desc)), 0, cell);
        s.descent = cell - s.ascent;
    }
    s.external = std::max(0, round_half_away(gap * s.em / upem));
    return s;
}

FontFace* FontSystem::face_at(FontFile* file, const FontRequest& request) {
    FT_Face ft = file->face;
    bool embolden = wants_bold(request.weight) && !file->bold;
    bool slant = request.italic && !file->italic;
    Sizing s{};
    int strike = -1;
    if (FT_IS_SCALABLE(ft)) {
        double upem = ft->units_per_EM > 0 ? ft->units_per_EM : 2048;
        double asc = ft->ascender, desc = -static_cast<double>(ft->descender);
        double gap = ft->height - (asc + desc);
        s = size_for(request.height, upem, asc, desc, gap);
    } else {
        // A bitmap-only face: take the strike nearest the height asked for.
        int64_t want = request.height == 0
                           ? metrics::kDefaultFontHeight
                           : std::min<int64_t>(std::llabs(request.height), metrics::kMaxFontHeight);
        int64_t best = INT64_MAX;
        for (int i = 0; i < ft->num_fixed_sizes; ++i) {
            int64_t d = std::llabs(ft->available_sizes[i].height - want);
            if (d < best) best = d, strike = i;
        }
    }

    FT_Size size = nullptr;
    if (FT_New_Size(ft, &size) != 0) return nullptr;
    FT_Activate_Size(size);
    bool ok = strike >= 0 ? FT_Select_Size(ft, strike) == 0
                          : FT_Set_Pixel_Sizes(ft, 0, static_cast<FT_UInt>(s.em)) == 0;
    if (!ok) {
        FT_Done_Size(size);
        return nullptr;
    }
    if (strike >= 0) {
        const FT_Size_Metrics& m = size->metrics;
        s.ascent = static_cast<int>(m.ascender >> 6);
        s.descent = static_cast<int>(-m.descender >> 6);
        s.em = std::max(1, static_cast<int>(m.y_ppem));
        if (s.ascent + s.descent < s.em) s.ascent = s.em - s.descent;
        s.external = 0;
    }

    FaceKey key{file, s.em, s.ascent, s.descent, embolden, slant};
    auto it = faces_.find(key);
    if (it != faces_.end()) {
        FT_Done_Size(size);
        return it->second.get();
    }

    auto face = std::make_unique<FontFace>();
    face->file = file;
    face->size = size;
    face->em = s.em;
    face->embolden = embolden;
    face->slant = slant;
    FontMetrics& m = face->metrics;
    m.ascent = s.ascent;
    m.descent = s.descent;
    m.height = s.ascent + s.descent;
    m.internal_leading = m.height - s.em;
    m.external_leading = s.external;
    m.weight = (file->bold || embolden) ? FW_BOLD : FW_NORMAL;
    m.fixed_pitch = FT_IS_FIXED_WIDTH(ft) != 0;

    FontFace* result = face.get();
    faces_.emplace(key, std::move(face));
    // Widths come from the glyphs themselves, so that they agree with what
    // font_measure reports.
    if (m.fixed_pitch) {
        m.ave_char_width = m.max_char_width = glyph(*result, 'M').advance;
    } else {
        int x = glyph(*result, 'x').advance;
        m.ave_char_width = x;
        if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
            os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0 && FT_IS_SCALABLE(ft))
            m.ave_char_width =
                std::max(1, round_half_away(double(os2->xAvgCharWidth) * s.em / ft->units_per_EM));
        int widest = 0;
        for (unsigned char c : {'M', 'W', 'm', 'w', '@'})
            widest = std::max(widest, glyph(*result, c).advance);
        double design = FT_IS_SCALABLE(ft) && ft->units_per_EM > 0
                            ? std::ceil(double(ft->max_advance_width) * s.em / ft->units_per_EM)
                            : 0;
        m.max_char_width = std::max(widest, static_cast<int>(std::min(design, 4.0 * s.em)));
    }
    return result;
}

// The stand-in when there is no font: every character but the blanks is a
// hollow box; all advances are equal.
FontFace* FontSystem::box_face(const FontRequest& request) {
    Sizing s = size_for(request.height, 10, 8, 2, 0);
    bool embolden = wants_bold(request.weight);
    FaceKey key{nullptr, s.em, s.ascent, s.descent, embolden, false};
    auto it = faces_.find(key);
    if (it != faces_.end()) return it->second.get();
    auto face = std::make_unique<FontFace>();
    face->em = s.em;
    face->embolden = embolden;
    FontMetrics& m = face->metrics;
    m.ascent = s.ascent;
    m.descent = s.descent;
    m.height = s.ascent + s.descent;
    m.internal_leading = m.height - s.em;
    m.ave_char_width = m.max_char_width = std::max(2, round_half_away(s.em * 0.6));
    m.weight = embolden ? FW_BOLD : FW_NORMAL;
    m.fixed_pitch = true;
    FontFace* result = face.get();
    faces_.emplace(key, std::move(face));
    return result;
}

const FontFace* FontSystem::resolve(const FontRequest& request) {
    // Callers ask for the same font over and over (a font per text call).
    if (last_face_ && request == last_request_) return last_face_;
    auto it = requests_.find(request);
    if (it != requests_.end()) {
        last_request_ = request;
        last_face_ = it->second;
        return it->second;
    }

    if (!started_) {
        started_ = true;
#if !defined(__EMSCRIPTEN__)
        fc_ok_ = FcInit() == FcTrue;
#endif
        if (FT_Init_FreeType(&ft_) != 0) ft_ = nullptr;
    }
    FontFace* face = nullptr;
    if (ft_) {
        int weight = clamp_weight(request.weight);
        FontFile* file = match(request.face, weight, request.italic);
        if (file) face = face_at(file, request);
        if (!face && !request.face.empty()) {
            // The matched file cannot be used at this size: try the default.
            if (FontFile* fallback = match("", weight, request.italic);
                fallback && fallback != file)
                face = face_at(fallback, request);
        }
    }
    if (!face) face = box_face(request);
    if (requests_.size() >= kMaxRequestMemo) requests_.clear();
    requests_.emplace(request, face);
    last_request_ = request;
    last_face_ = face;
    return face;
}

void FontSystem::render_box(const FontFace& face, unsigned char c, Glyph& g) {
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

void FontSystem::render(const FontFace& face, unsigned char c, Glyph& g) {
    if (!face.file) return render_box(face, c, g);
    FT_Face ft = face.file->face;
    FT_Activate_Size(face.size);
    FT_Matrix shear{0x10000, kObliqueShear, 0, 0x10000};
    FT_Set_Transform(ft, face.slant ? &shear : nullptr, nullptr);

    // A character with no glyph gets glyph 0, the face's missing glyph.
    FT_UInt index = FT_Get_Char_Index(ft, code_point(c));
    FT_Error err = FT_Load_Glyph(ft, index, FT_LOAD_DEFAULT);
    if (err && index != 0) err = FT_Load_Glyph(ft, 0, FT_LOAD_DEFAULT);
    if (err) return;
    FT_GlyphSlot slot = ft->glyph;
    if (face.embolden) FT_GlyphSlot_Embolden(slot);
    g.advance = std::clamp<int>(static_cast<int>((slot->advance.x + 32) >> 6), 0,
                                4 * metrics::kMaxFontHeight);
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
        return;

    const FT_Bitmap& bm = slot->bitmap;
    int64_t area = int64_t{bm.width} * bm.rows;
    if (area == 0 || area > kMaxGlyphPixels) return;
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

const Glyph& FontSystem::glyph(const FontFace& face, unsigned char c) {
    Glyph& g = const_cast<FontFace&>(face).glyphs[c];
    if (!g.ready) {
        g.ready = true;
        ++glyph_count_;
        render(face, c, g);
    }
    return g;
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
            for (int shift = 0; shift < 24; shift += 8)
                out |= ((((colour >> shift) & 0xFF) * a + ((d >> shift) & 0xFF) * (255 - a) + 127) /
                        255)
                       << shift;
            dst[i] = out;
        }
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same, eight pixels at a time in 256-bit lanes, where the processor has
// them. With the old pixel's weight w = 255 - a a channel is ((d - s) * w +
// s * 255 + 128) * 257 >> 16, exactly, for every s, d and w, where the
// product may wrap in 16 bits: the true sum lies in 128..65153, and
// floor(v / 255) = (v + 1) * 257 >> 16 for every v up to 65279. A blank
// stretch of 32 pixels costs a compare; the last one to seven pixels of a
// row that the clip cuts go through a mask.
#define KV319_LANES __attribute__((target("avx2"), always_inline))
#define KV319_WIDE KV319_LANES inline

// Eight pixels d blended with the coverage bytes of `eight`; s holds the
// text colour's channels in each pixel's four 16-bit lanes, k = s * 255 + 128.
KV319_WIDE __m256i mix8(__m256i d, uint64_t eight, __m256i s, __m256i k) {
    const __m256i zero = _mm256_setzero_si256();
    // Pixel i's coverage a over its four bytes, and the weights 255 - a.
    const __m256i a =
        _mm256_shuffle_epi8(_mm256_set1_epi64x(static_cast<int64_t>(eight)),
                            _mm256_setr_epi8(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4,
                                             4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7));
    const __m256i w = _mm256_xor_si256(a, _mm256_set1_epi8(-1));
    auto mix = [&](__m256i px, __m256i wv) KV319_LANES {
        return _mm256_mulhi_epu16(
            _mm256_add_epi16(_mm256_mullo_epi16(_mm256_sub_epi16(px, s), wv), k),
            _mm256_set1_epi16(257));
    };
    const __m256i out =
        _mm256_packus_epi16(mix(_mm256_unpacklo_epi8(d, zero), _mm256_unpacklo_epi8(w, zero)),
                            mix(_mm256_unpackhi_epi8(d, zero), _mm256_unpackhi_epi8(w, zero)));
    return _mm256_blendv_epi8(_mm256_and_si256(out, _mm256_set1_epi32(0xFFFFFF)), d,
                              _mm256_cmpeq_epi32(a, zero));
}

__attribute__((target("avx2"))) void blend_rows_vector(uint32_t* dst, ptrdiff_t stride,
                                                       const uint8_t* cov, ptrdiff_t pitch,
                                                       size_t n, int64_t rows, uint32_t colour) {
    const uint64_t c = colour & 0xFFFFFF;
    const __m256i s = _mm256_set1_epi64x(
        static_cast<int64_t>((c & 0xFF) | (c & 0xFF00) << 8 | (c & 0xFF0000) << 16));
    const __m256i k =
        _mm256_add_epi16(_mm256_mullo_epi16(s, _mm256_set1_epi16(255)), _mm256_set1_epi16(128));
    const __m256i mask = _mm256_cmpgt_epi32(_mm256_set1_epi32(static_cast<int>(n % 8)),
                                            _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    auto blend8 = [&](uint32_t* to, uint64_t eight) KV319_LANES {
        __m256i* p = reinterpret_cast<__m256i*>(to);
        _mm256_storeu_si256(p, mix8(_mm256_loadu_si256(p), eight, s, k));
    };
    for (; rows > 0; --rows, dst += stride, cov += pitch) {
        size_t i = 0;
        for (; i + 32 <= n; i += 32) {
            const __m256i c32 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cov + i));
            if (_mm256_testz_si256(c32, c32)) continue;
            uint64_t eight[4];
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(eight), c32);
            for (int j = 0; j < 4; ++j)
                blend8(dst + i + 8 * j, eight[j]);
        }
        for (uint64_t eight; i + 8 <= n; i += 8) {
            std::memcpy(&eight, cov + i, 8);
            blend8(dst + i, eight);
        }
        uint64_t eight = 0;
        for (size_t j = i; j < n; ++j)
            eight |= uint64_t{cov[j]} << (8 * (j - i));
        if (eight == 0) continue;
        int* p = reinterpret_cast<int*>(dst + i);
        _mm256_maskstore_epi32(p, mask, mix8(_mm256_maskload_epi32(p, mask), eight, s, k));
    }
}
bool vector_blend_on = true;
#else
bool vector_blend_on = false;
#endif

// Blends one glyph at buffer position (bx, by): the rows and columns inside
// the clip are worked out once, then each row is blended.
Rect blit(const Canvas& canvas, const Glyph& g, int64_t bx, int64_t by, uint32_t colour) {
    const Rect& clip = canvas.clip;
    const int64_t x0 = std::max<int64_t>(bx, clip.left),
                  x1 = std::min<int64_t>(bx + g.width, clip.right);
    const int64_t y0 = std::max<int64_t>(by, clip.top),
                  y1 = std::min<int64_t>(by + g.rows, clip.bottom);
    if (x0 >= x1 || y0 >= y1) return {};
    auto* blend_rows = blend_rows_plain;
    int64_t n = x1 - x0;
#if defined(__x86_64__) && defined(__GNUC__)
    if (vector_blend_on && cpu_has_wide_lanes()) {
        blend_rows = blend_rows_vector;
        // Whole groups of eight where the clip leaves room: the blank bytes
        // after each row give those pixels back unchanged.
        if (x1 == bx + g.width && x0 + (n + 7) / 8 * 8 <= clip.right) n = (n + 7) / 8 * 8;
    }
#endif
    blend_rows(canvas.row(static_cast<int>(y0)) + x0, canvas.stride,
               g.coverage.data() + (y0 - by) * g.pitch + (x0 - bx), g.pitch, static_cast<size_t>(n),
               y1 - y0, colour);
    return Rect{static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1),
                static_cast<int>(y1)}
        .offset(-canvas.origin_x, -canvas.origin_y);
}

} // namespace

const FontFace* font_resolve(const FontRequest& request) {
    return fonts().resolve(request);
}

FontMetrics font_metrics(const FontFace* face) {
    return face ? face->metrics : FontMetrics{};
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
    if (!face || !text || !canvas.pixels || canvas.clip.empty()) return {};
    int64_t pen = int64_t{x} + canvas.origin_x;
    int64_t baseline = int64_t{y} + canvas.origin_y + face->metrics.ascent;
    Rect touched;
    for (int i = 0; i < length; ++i) {
        const Glyph& g = glyph_of(*face, static_cast<unsigned char>(text[i]));
        if (!g.coverage.empty())
            touched = touched.unite(blit(canvas, g, pen + g.left, baseline - g.top, pixel));
        pen += g.advance;
    }
    return touched;
}

void font_blend_coverage(const Canvas& canvas, const uint8_t* coverage, int width, int rows, int x,
                         int y, uint32_t pixel) {
    if (!coverage || width <= 0 || rows <= 0 || !canvas.pixels || canvas.clip.empty()) return;
    Glyph g;
    g.resize(width, rows);
    for (int y = 0; y < rows; ++y)
        std::copy_n(coverage + static_cast<size_t>(y) * width, width, g.row(y));
    blit(canvas, g, int64_t{x} + canvas.origin_x, int64_t{y} + canvas.origin_y, pixel);
}

const char* font_family_name(const FontFace* face) {
    if (!face || !face->file || !face->file->face->family_name) return "";
    return face->file->face->family_name;
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

FontCacheStats font_cache_stats() {
    return fonts().stats();
}

} // namespace ws
