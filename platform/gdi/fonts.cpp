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
// Each glyph also keeps a plan of what drawing it writes (see build_plan):
// blank pixels are never visited, long fully covered stretches are filled,
// and the rest is blended in groups of eight pixels.
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

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
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

// What a blit of a glyph writes, worked out once per glyph. Each row's
// partly covered pixels, and its fully covered stretches shorter than
// kFillMin, are blended in groups of eight pixels, placed left to right: a
// group starts at the first such pixel that no group has taken yet (or
// further left, so as to end inside the plan) and takes its pixels from
// where the last group ended. Fully covered pixels that no group took are
// filled with the text colour. Blank pixels are never visited.
//
// A glyph narrower than eight pixels is planned as eight wide, its extra
// columns blank; its plan is used whole only where those columns are inside
// the clip too.
//
// A group keeps, per pixel and channel, the weight of the old pixel, 255
// less the coverage, in the 16-bit lanes the blend works in. The pixel's
// fourth byte gets 255 where the glyph leaves the pixel alone and 0 where it
// paints: a painted pixel's fourth byte is 0, as the text colour's is. A
// pixel that the group has not taken has every weight 255, and the blend
// gives back exactly what was there.
constexpr int kGroup = 8;

struct GlyphSpot {
    int32_t x, y;
};

struct GlyphFill {
    int32_t x, y, n;
};

// Eight pixels' weights laid out as the 256-bit blend unpacks them: the
// first 16 lanes are pixels 0, 1, 4, 5 and the last 16 pixels 2, 3, 6, 7,
// four channels each. The four-pixel blend takes the same data as two
// halves: pixels 0..3 from lanes 0..7 and 16..23, pixels 4..7 from 8..15
// and 24..31.
struct alignas(32) Lanes8 {
    uint16_t w[32];
};

// Where pixel i of a group keeps its four weights.
constexpr int lane_of(int i) {
    return ((i & 2) << 3) | ((i & 4) << 1) | ((i & 1) << 2);
}

struct Glyph {
    bool ready = false;
    int advance = 0;
    int left = 0; // bitmap column 0, relative to the pen
    int top = 0;  // bitmap row 0, in rows above the baseline
    int width = 0, rows = 0;
    std::vector<uint8_t> coverage; // width * rows, 0..255
    int plan_width = 0;            // width, or kGroup if that is more
    std::vector<GlyphFill> fills;
    std::vector<GlyphSpot> spots;
    std::vector<Lanes8> lanes; // one per spot
    // Where the groups, then the fills, start in a buffer of this stride:
    // a glyph is mostly drawn into the same buffer again and again.
    mutable ptrdiff_t offsets_stride = 0;
    mutable std::vector<ptrdiff_t> offsets;
};

// Fully covered stretches shorter than this are left to the groups, which
// blend them to the text colour along with their neighbours; a fill pays
// for itself only where it saves more than a group or two (measured on the
// heavy benchmark card, shorter fills cost more than they save).
constexpr int kFillMin = 2 * kGroup;

void build_plan(Glyph& g) {
    g.fills.clear();
    g.spots.clear();
    g.lanes.clear();
    g.offsets_stride = 0;
    const int w = std::max(g.width, kGroup);
    g.plan_width = w;
    std::vector<uint8_t> cov(static_cast<size_t>(w)), taken(cov.size()), needs(cov.size());
    for (int y = 0; y < g.rows; ++y) {
        std::copy_n(g.coverage.data() + static_cast<size_t>(y) * g.width, g.width, cov.begin());
        std::fill(taken.begin(), taken.end(), 0);
        // Columns a group must take: partly covered ones, and fully covered
        // stretches too short to be worth a fill of their own.
        std::fill(needs.begin(), needs.end(), 0);
        for (int x = 0; x < w;) {
            int run = x;
            while (run < w && cov[run] == 255) ++run;
            if (run > x) {
                if (run - x < kFillMin) std::fill(needs.begin() + x, needs.begin() + run, 1);
                x = run;
            } else {
                needs[static_cast<size_t>(x)] = cov[x] != 0;
                ++x;
            }
        }
        int end = 0; // columns before this belong to a group already
        for (int x = 0; x < w; ++x) {
            if (x < end || !needs[static_cast<size_t>(x)]) continue;
            const int start = std::min(x, w - kGroup);
            const int own = std::max(start, end);
            g.spots.push_back({start, y});
            uint16_t* lanes = g.lanes.emplace_back().w;
            for (int i = 0; i < kGroup; ++i) {
                uint16_t* l = lanes + lane_of(i);
                const int c = start + i;
                const uint16_t keep = c >= own ? static_cast<uint16_t>(255 - cov[c]) : 255;
                l[0] = l[1] = l[2] = keep;
                l[3] = keep == 255 ? 255 : 0;
            }
            std::fill(taken.begin() + own, taken.begin() + start + kGroup, 1);
            end = start + kGroup;
        }
        for (int x = 0; x < w;) {
            if (cov[x] != 255 || taken[static_cast<size_t>(x)]) {
                ++x;
                continue;
            }
            int full = x;
            while (full < w && cov[full] == 255 && !taken[static_cast<size_t>(full)]) ++full;
            g.fills.push_back({x, y, full - x});
            x = full;
        }
    }
}

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

int saturate(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
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

#if defined(__EMSCRIPTEN__)
// The page's font files (cmake/web.cmake packs them under /fonts): the files
// that fontconfig gives the desktop for the names used. The monospace face is
// DejaVu Sans Mono; every other name, "KV319-font" included (no installed
// family has it), is the default sans, DejaVu Sans, in bold from weight 600.
static const char* web_face_file(const std::string& name, int weight) {
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
        const char* family = name.empty() ? "sans-serif" : name.c_str();
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
    g.width = w;
    g.rows = h;
    g.coverage.assign(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (x < line || y < line || x >= w - line || y >= h - line)
                g.coverage[static_cast<size_t>(y) * w + x] = 255;
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
    g.width = static_cast<int>(bm.width);
    g.rows = static_cast<int>(bm.rows);
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.coverage.resize(static_cast<size_t>(area));
    int levels = bm.pixel_mode == FT_PIXEL_MODE_GRAY ? std::max<int>(bm.num_grays, 2) : 2;
    for (int y = 0; y < g.rows; ++y) {
        // A negative pitch means the rows run bottom-up in memory.
        const unsigned char* src =
            bm.pitch >= 0 ? bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch
                          : bm.buffer + static_cast<ptrdiff_t>(g.rows - 1 - y) * -bm.pitch;
        uint8_t* dst = g.coverage.data() + static_cast<size_t>(y) * g.width;
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
        if (!g.coverage.empty()) build_plan(g);
    }
    return g;
}

// The text colour in the forms the blends take it. A channel of a blended
// pixel is (s * a + d * (255 - a) + 127) / 255 for text channel s, old
// channel d and coverage a; with the old pixel's weight w = 255 - a that is
// ((d - s) * w + s * 255 + 128) * 257 >> 16, exactly, for every s, d and w,
// where the product may wrap in 16 bits: the true sum lies in 128..65153,
// and floor(v / 255) = (v + 1) * 257 >> 16 for every v up to 65279.
struct Ink {
    uint32_t solid;            // the pixel a fully covered pixel becomes
    alignas(16) uint16_t s[8]; // two pixels' channels, 16 bits each; fourth 0
    alignas(16) uint16_t k[8]; // s * 255 + 128 per channel
};

Ink ink_of(uint32_t pixel) {
    Ink ink{};
    ink.solid = pixel & 0xFFFFFF;
    for (int i = 0; i < 8; ++i) {
        const uint16_t c = static_cast<uint16_t>((ink.solid >> (8 * (i & 3))) & 0xFF);
        ink.s[i] = c;
        ink.k[i] = static_cast<uint16_t>(c * 255 + 128);
    }
    return ink;
}

// One group of eight pixels, four at a time (or one at a time without SSE2).
inline void blend_group(uint32_t* dst, const Lanes8& l, const Ink& ink) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128(), m = _mm_set1_epi16(257);
    const __m128i s = _mm_load_si128(reinterpret_cast<const __m128i*>(ink.s));
    const __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(ink.k));
    auto mix = [&](__m128i px, const uint16_t* w) {
        __m128i wv = _mm_load_si128(reinterpret_cast<const __m128i*>(w));
        return _mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(_mm_sub_epi16(px, s), wv), k), m);
    };
    for (int half = 0; half < 2; ++half) {
        __m128i* p = reinterpret_cast<__m128i*>(dst + 4 * half);
        __m128i d = _mm_loadu_si128(p);
        _mm_storeu_si128(p, _mm_packus_epi16(mix(_mm_unpacklo_epi8(d, zero), l.w + 8 * half),
                                             mix(_mm_unpackhi_epi8(d, zero), l.w + 16 + 8 * half)));
    }
#else
    for (int i = 0; i < kGroup; ++i) {
        const uint16_t* w = l.w + lane_of(i);
        uint32_t d = dst[i], out = 0;
        for (int ch = 0; ch < 4; ++ch) {
            uint32_t s = ink.s[ch], o = (d >> (8 * ch)) & 0xFF;
            out |= ((s * (255u - w[ch]) + o * w[ch] + 127) / 255) << (8 * ch);
        }
        dst[i] = out;
    }
#endif
}

#if defined(__x86_64__) && defined(__GNUC__)
#define KV319_WIDE_BLEND 1
// Where the processor has 256-bit integer lanes, groups are blended eight
// pixels at a time: the same sums as blend_group. Black text (s = 0) needs
// no subtraction. mix_wide gives a group's eight pixels blended.
template <bool kBlack>
__attribute__((target("avx2"))) inline __m256i mix_wide(__m256i d, const Lanes8& g, __m256i s,
                                                        __m256i k) {
    const __m256i zero = _mm256_setzero_si256(), m = _mm256_set1_epi16(257);
    __m256i lo = _mm256_unpacklo_epi8(d, zero), hi = _mm256_unpackhi_epi8(d, zero);
    if constexpr (!kBlack) {
        lo = _mm256_sub_epi16(lo, s);
        hi = _mm256_sub_epi16(hi, s);
    }
    lo = _mm256_mullo_epi16(lo, _mm256_load_si256(reinterpret_cast<const __m256i*>(g.w)));
    hi = _mm256_mullo_epi16(hi, _mm256_load_si256(reinterpret_cast<const __m256i*>(g.w + 16)));
    lo = _mm256_mulhi_epu16(_mm256_add_epi16(lo, k), m);
    hi = _mm256_mulhi_epu16(_mm256_add_epi16(hi, k), m);
    return _mm256_packus_epi16(lo, hi);
}

template <bool kBlack>
__attribute__((target("avx2"))) inline void blend_group_wide(uint32_t* dst, const Lanes8& g,
                                                             __m256i s, __m256i k) {
    __m256i* p = reinterpret_cast<__m256i*>(dst);
    _mm256_storeu_si256(p, mix_wide<kBlack>(_mm256_loadu_si256(p), g, s, k));
}

__attribute__((target("avx2"))) inline __m256i wide_ink(const uint16_t* v) {
    return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(v)));
}

// The groups of a glyph wholly inside the clip.
template <bool kBlack>
__attribute__((target("avx2"))) void blend_groups_wide(uint32_t* origin, const ptrdiff_t* offset,
                                                       const Lanes8* l, size_t count,
                                                       const Ink& ink) {
    const __m256i s = wide_ink(ink.s), k = wide_ink(ink.k);
    // Four groups a turn: groups never overlap in what they change, and one
    // that reads a pixel another writes gives it back unchanged.
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        blend_group_wide<kBlack>(origin + offset[i], l[i], s, k);
        blend_group_wide<kBlack>(origin + offset[i + 1], l[i + 1], s, k);
        blend_group_wide<kBlack>(origin + offset[i + 2], l[i + 2], s, k);
        blend_group_wide<kBlack>(origin + offset[i + 3], l[i + 3], s, k);
    }
    for (; i < count; ++i) blend_group_wide<kBlack>(origin + offset[i], l[i], s, k);
}

// The groups of a glyph that the clip cuts: rows [r0, r1) and columns
// [c0, c1) of the plan are inside. A group across a side of the clip loads
// and stores only its pixels inside, which never touches the others (they
// may lie outside the buffer).
template <bool kBlack>
__attribute__((target("avx2"))) void blend_groups_wide_cut(uintptr_t origin, const ptrdiff_t* offset,
                                                           const GlyphSpot* spot,
                                                           const Lanes8* l, size_t count,
                                                           int64_t r0, int64_t r1, int64_t c0,
                                                           int64_t c1, const Ink& ink) {
    const __m256i s = wide_ink(ink.s), k = wide_ink(ink.k);
    const __m256i column = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const uint64_t rows = static_cast<uint64_t>(r1 - r0);
    // A group at column x is wholly inside for x in [c0, c0 + room].
    const int64_t room = c1 - c0 - kGroup;
    for (size_t i = 0; i < count; ++i) {
        const GlyphSpot p = spot[i];
        if (static_cast<uint64_t>(p.y - r0) >= rows || p.x >= c1 || p.x + kGroup <= c0) continue;
        uint32_t* dst = reinterpret_cast<uint32_t*>(origin + static_cast<uintptr_t>(offset[i]) * 4);
        if (room >= 0 && static_cast<uint64_t>(p.x - c0) <= static_cast<uint64_t>(room)) {
            blend_group_wide<kBlack>(dst, l[i], s, k);
            continue;
        }
        const __m256i inside = _mm256_andnot_si256(
            _mm256_cmpgt_epi32(_mm256_set1_epi32(static_cast<int>(c0 - p.x)), column),
            _mm256_cmpgt_epi32(_mm256_set1_epi32(static_cast<int>(c1 - p.x)), column));
        int* q = reinterpret_cast<int*>(dst);
        _mm256_maskstore_epi32(q, inside,
                               mix_wide<kBlack>(_mm256_maskload_epi32(q, inside), l[i], s, k));
    }
}

bool wide_blend_on = cpu_has_wide_lanes();
#endif

// Blends one glyph at buffer position (bx, by), within the clip.
void blit(const Canvas& canvas, const Glyph& g, int64_t bx, int64_t by, const Ink& ink) {
    const Rect& clip = canvas.clip;
    int64_t x0 = std::max<int64_t>(bx, clip.left), x1 = std::min<int64_t>(bx + g.width, clip.right);
    int64_t y0 = std::max<int64_t>(by, clip.top), y1 = std::min<int64_t>(by + g.rows, clip.bottom);
    if (x0 >= x1 || y0 >= y1) return;
    const uint32_t solid = ink.solid;
    const ptrdiff_t stride = canvas.stride;
    if (g.offsets_stride != stride) {
        g.offsets.clear();
        for (const GlyphSpot& p : g.spots) g.offsets.push_back(p.y * stride + p.x);
        for (const GlyphFill& f : g.fills) g.offsets.push_back(f.y * stride + f.x);
        g.offsets_stride = stride;
    }
    if (x0 == bx && y0 == by && bx + g.plan_width <= clip.right && y1 == by + g.rows) {
        // The whole plan: no clip to mind.
        uint32_t* origin = canvas.row(static_cast<int>(by)) + bx;
        const size_t groups = g.spots.size();
        const ptrdiff_t* fill_at = g.offsets.data() + groups;
        for (size_t i = 0; i < g.fills.size(); ++i)
            fill_pixels(origin + fill_at[i], static_cast<size_t>(g.fills[i].n), solid);
#if defined(KV319_WIDE_BLEND)
        if (wide_blend_on) {
            (solid == 0 ? blend_groups_wide<true> : blend_groups_wide<false>)(
                origin, g.offsets.data(), g.lanes.data(), groups, ink);
            return;
        }
#endif
        for (size_t i = 0; i < groups; ++i) blend_group(origin + g.offsets[i], g.lanes[i], ink);
        return;
    }

    // Part of the plan: rows [r0, r1) and columns [c0, c1) of it are inside.
    x1 = std::min<int64_t>(bx + g.plan_width, clip.right);
    const int64_t r0 = y0 - by, r1 = y1 - by, c0 = x0 - bx, c1 = x1 - bx;
    auto at = [&](int64_t gx, int64_t gy) { return canvas.row(static_cast<int>(by + gy)) + (bx + gx); };
    for (const GlyphFill& f : g.fills) {
        if (f.y < r0 || f.y >= r1) continue;
        int64_t a = std::max<int64_t>(f.x, c0), b = std::min<int64_t>(f.x + f.n, c1);
        if (a < b) fill_pixels(at(a, f.y), static_cast<size_t>(b - a), solid);
    }
#if defined(KV319_WIDE_BLEND)
    if (wide_blend_on) {
        // The plan's pixel (0, 0), which may lie outside the buffer: as an
        // address only, never to be read.
        const uintptr_t origin = reinterpret_cast<uintptr_t>(canvas.pixels) +
                                 static_cast<uintptr_t>(by * stride + bx) * sizeof(uint32_t);
        (solid == 0 ? blend_groups_wide_cut<true> : blend_groups_wide_cut<false>)(
            origin, g.offsets.data(), g.spots.data(), g.lanes.data(), g.spots.size(), r0, r1, c0,
            c1, ink);
        return;
    }
#endif
    for (size_t i = 0; i < g.spots.size(); ++i) {
        const GlyphSpot p = g.spots[i];
        if (p.y < r0 || p.y >= r1 || p.x >= c1 || p.x + kGroup <= c0) continue;
        if (p.x >= c0 && p.x + kGroup <= c1) {
            blend_group(at(p.x, p.y), g.lanes[i], ink);
            continue;
        }
        // Cut by the clip: the pixels inside go through a copy, as the
        // group's other pixels may lie outside the buffer.
        const int64_t q0 = std::max<int64_t>(c0 - p.x, 0), q1 = std::min<int64_t>(c1 - p.x, kGroup);
        uint32_t* first = at(p.x + q0, p.y);
        uint32_t tmp[kGroup] = {};
        for (int64_t q = q0; q < q1; ++q) tmp[q] = first[q - q0];
        blend_group(tmp, g.lanes[i], ink);
        for (int64_t q = q0; q < q1; ++q) first[q - q0] = tmp[q];
    }
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

void font_draw(const Canvas& canvas, const FontFace* face, int x, int y, const char* text,
               int length, uint32_t pixel) {
    if (!face || !text || !canvas.pixels || canvas.clip.empty()) return;
    int64_t pen = int64_t{x} + canvas.origin_x;
    int64_t baseline = int64_t{y} + canvas.origin_y + face->metrics.ascent;
    const Ink ink = ink_of(pixel);
    for (int i = 0; i < length; ++i) {
        const Glyph& g = glyph_of(*face, static_cast<unsigned char>(text[i]));
        if (!g.coverage.empty()) blit(canvas, g, pen + g.left, baseline - g.top, ink);
        pen += g.advance;
    }
}

void font_blend_coverage(const Canvas& canvas, const uint8_t* coverage, int width, int rows, int x,
                         int y, uint32_t pixel) {
    if (!coverage || width <= 0 || rows <= 0 || !canvas.pixels || canvas.clip.empty()) return;
    Glyph g;
    g.width = width;
    g.rows = rows;
    g.coverage.assign(coverage, coverage + static_cast<size_t>(width) * rows);
    build_plan(g);
    blit(canvas, g, int64_t{x} + canvas.origin_x, int64_t{y} + canvas.origin_y, ink_of(pixel));
}

Rect font_ink_bounds(const FontFace* face, int x, int y, const char* text, int length) {
    if (!face || !text) return Rect{};
    int64_t pen = x, baseline = int64_t{y} + face->metrics.ascent;
    int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
    for (int i = 0; i < length; ++i) {
        const Glyph& g = glyph_of(*face, static_cast<unsigned char>(text[i]));
        if (!g.coverage.empty()) {
            left = std::min(left, pen + g.left);
            right = std::max(right, pen + g.left + g.width);
            top = std::min(top, baseline - g.top);
            bottom = std::max(bottom, baseline - g.top + g.rows);
        }
        pen += g.advance;
    }
    if (left >= right) return Rect{};
    return Rect{saturate(left), saturate(top), saturate(right), saturate(bottom)};
}

const char* font_family_name(const FontFace* face) {
    if (!face || !face->file || !face->file->face->family_name) return "";
    return face->file->face->family_name;
}

bool font_wide_blend(bool on) {
#if defined(KV319_WIDE_BLEND)
    bool was = wide_blend_on;
    wide_blend_on = on && cpu_has_wide_lanes();
    return was;
#else
    (void)on;
    return false;
#endif
}

FontCacheStats font_cache_stats() {
    return fonts().stats();
}

} // namespace ws
