// font_lookup.cpp: which font a request gets: fontconfig matching, the font
// files, the faces at each pixel size and their metrics.
//
// A request (face name, height, weight, italic) is matched by fontconfig to a
// font file, which is read into memory once and opened once with FreeType;
// each pixel size of it is a FontFace with its own FT_Size and a table of the
// 256 glyphs of the ANSI code page (drawn by fonts.cpp), cached for the life
// of the process. When the matched file lacks the bold or italic style asked
// for, it is emboldened or slanted. Limits: heights are capped at
// metrics::MAX_FONT_HEIGHT. If the system has no usable font at all, a
// built-in box font stands in.
//
// Metrics: ascent and descent are the face's ascender and descender scaled to
// the character height and rounded to the nearest pixel (halves away from
// zero); the cell height is their sum, never less than the character height.
// For a positive (cell) height the character height is chosen so that the
// scaled ascender plus descender fill the cell, and the descent takes up the
// rounding so that the cell is exactly the height asked for.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H
#if !defined(__EMSCRIPTEN__)
#include <fontconfig/fontconfig.h>
#endif

#include <climits>
#include <cmath>
#include <map>
#include <memory>
#include <tuple>
#include <unordered_map>

#include "font_face.h"
#include "metrics.h"

namespace ws {

int round_half_away(double v) {
    double r = std::round(v);
    if (r > INT_MAX) return INT_MAX;
    if (r < INT_MIN) return INT_MIN;
    return static_cast<int>(r);
}

namespace {

// Requests and matches are memos over faces that live for the whole
// process; past these sizes they are forgotten and made again on demand.
constexpr size_t MAX_REQUEST_MEMO = 4096;
constexpr size_t MAX_MATCH_MEMO = 1024;

using MatchKey = std::tuple<std::string, int, bool>; // name, weight, italic
// The file, character height, ascent, descent, embolden and slant.
using FaceKey = std::tuple<const FontFile*, int, int, int, bool, bool>;
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
    FontCacheStats stats() const { return {match_count_, faces_.size(), glyphs_rendered()}; }

  private:
    FontFile* match(const std::string& name, int weight, bool italic);
    FontFile* open_file(const std::string& path, int index);
    FontFace* face_at(FontFile* file, const FontRequest& request);
    FontFace* box_face(const FontRequest& request);

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
};

// Lives until the process ends: faces handed out must stay valid in any
// static destructor that still draws.
FontSystem& fonts() {
    static FontSystem* system = new FontSystem;
    return *system;
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
    if (FT_New_Face(ft_, path.c_str(), index, &file->face) != 0) return nullptr;
    // Only outline fonts: a name that matches a bitmap-only one gets the
    // default face instead.
    if (!FT_IS_SCALABLE(file->face)) {
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
constexpr const char* RUNTIME_FACE = "KV319-font";
[[maybe_unused]] constexpr const char* RUNTIME_FACE_FAMILY = "Liberation Sans";

#if defined(__EMSCRIPTEN__)
// The page's font files (cmake/web.cmake packs them under /fonts): the files
// that fontconfig gives the desktop for the names used. The runtime's face is
// Liberation Sans, the monospace face DejaVu Sans Mono, and every other name
// the default sans, DejaVu Sans, in bold from weight 600.
static const char* web_face_file(const std::string& name, int weight) {
    if (name == RUNTIME_FACE) return "/fonts/LiberationSans-Regular.ttf";
    if (name == "monospace") return "/fonts/DejaVuSansMono.ttf";
    return weight >= 600 ? "/fonts/DejaVuSans-Bold.ttf" : "/fonts/DejaVuSans.ttf";
}
#endif

// fontconfig never reports "no such family": an unknown name gets the
// configured default (sans) face. A null result means no usable font file.
FontFile* FontSystem::match(const std::string& name, int weight, bool italic) {
    const MatchKey key{name, weight, italic};
    auto it = matches_.find(key);
    if (it != matches_.end()) return it->second;
    if (matches_.size() >= MAX_MATCH_MEMO) matches_.clear();

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
                             : name == RUNTIME_FACE ? RUNTIME_FACE_FAMILY
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
    if (height == 0) height = -metrics::DEFAULT_FONT_HEIGHT;
    Sizing s{};
    if (height < 0) {
        s.em = static_cast<int>(std::min<int64_t>(-height, metrics::MAX_FONT_HEIGHT));
        s.ascent = round_half_away(asc * s.em / upem);
        s.descent = round_half_away(desc * s.em / upem);
        if (s.ascent + s.descent < s.em) s.ascent = s.em - s.descent;
    } else {
        int cell = static_cast<int>(std::min<int64_t>(height, metrics::MAX_FONT_HEIGHT));
        s.em = std::clamp(round_half_away(cell * upem / (asc + desc)), 1, cell);
        s.ascent = std::clamp(round_half_away(cell * asc / (asc + desc)), 0, cell);
        s.descent = cell - s.ascent;
    }
    s.external = std::max(0, round_half_away(gap * s.em / upem));
    return s;
}

// The heights every face, the stand-in included, takes from its sizing.
void set_heights(FontMetrics& m, const Sizing& s) {
    m.ascent = s.ascent;
    m.descent = s.descent;
    m.height = s.ascent + s.descent;
    m.internal_leading = m.height - s.em;
}

FontFace* FontSystem::face_at(FontFile* file, const FontRequest& request) {
    FT_Face ft = file->face;
    bool embolden = wants_bold(request.weight) && !file->bold;
    bool slant = request.italic && !file->italic;
    const double upem = ft->units_per_EM > 0 ? ft->units_per_EM : 2048;
    const double asc = ft->ascender, desc = -static_cast<double>(ft->descender);
    const Sizing s = size_for(request.height, upem, asc, desc, ft->height - (asc + desc));

    FT_Size size = nullptr;
    if (FT_New_Size(ft, &size) != 0) return nullptr;
    FT_Activate_Size(size);
    if (FT_Set_Pixel_Sizes(ft, 0, static_cast<FT_UInt>(s.em)) != 0) {
        FT_Done_Size(size);
        return nullptr;
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
    set_heights(m, s);
    m.external_leading = s.external;
    m.weight = (file->bold || embolden) ? FW_BOLD : FW_NORMAL;
    m.fixed_pitch = FT_IS_FIXED_WIDTH(ft) != 0;

    FontFace* result = face.get();
    faces_.emplace(key, std::move(face));
    // Widths come from the glyphs themselves, so that they agree with what
    // font_measure reports.
    if (m.fixed_pitch) {
        m.ave_char_width = m.max_char_width = glyph_of(*result, 'M').advance;
    } else {
        int x = glyph_of(*result, 'x').advance;
        m.ave_char_width = x;
        if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
            os2 && os2->version != 0xFFFF && os2->xAvgCharWidth > 0)
            m.ave_char_width = std::max(1, round_half_away(os2->xAvgCharWidth * s.em / upem));
        int widest = 0;
        for (unsigned char c : {'M', 'W', 'm', 'w', '@'})
            widest = std::max(widest, glyph_of(*result, c).advance);
        const double design = std::ceil(ft->max_advance_width * s.em / upem);
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
    set_heights(m, s);
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
    if (requests_.size() >= MAX_REQUEST_MEMO) requests_.clear();
    requests_.emplace(request, face);
    last_request_ = request;
    last_face_ = face;
    return face;
}

} // namespace

const FontFace* font_resolve(const FontRequest& request) {
    return fonts().resolve(request);
}

FontMetrics font_metrics(const FontFace* face) {
    return face ? face->metrics : FontMetrics{};
}

const char* font_family_name(const FontFace* face) {
    if (!face || !face->file || !face->file->face->family_name) return "";
    return face->file->face->family_name;
}

FontCacheStats font_cache_stats() {
    return fonts().stats();
}

} // namespace ws
