// text.cpp: GDI text calls: CreateFontA, TextOutA, GetTextExtentPointA,
// GetTextMetricsA, and TextOutW and GetTextExtentPoint32W.
//
// A font object holds only its request; the font system resolves it the
// first time a DC draws or measures with it, and the face is shared with
// every other object asking the same. Text is one line of single-byte
// characters with no special characters; the reference point is the top-left
// of the text's cell. The W calls draw and measure their UTF-16 text as the
// A calls do its code page 1252 form (codepage.h), so a character outside
// that code page shows as '?'. Limits: the width, escapement, orientation, underline,
// strike-out, character-set, precision, quality and pitch arguments of
// CreateFontA are accepted but have no effect (no caller needs them).
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "codepage.h"
#include "gdi.h"
#include "raster.h"

namespace ws {

namespace {

// Face names are at most 31 characters, as in a LOGFONT.
constexpr size_t FACE_NAME_MAX = 31;

// TEXTMETRIC pitch-and-family bits. TMPF_FIXED_PITCH set means the font is
// NOT fixed-pitch, a long-standing quirk that callers rely on.
constexpr BYTE TMPF_FIXED_PITCH = 0x01;
constexpr BYTE TMPF_VECTOR = 0x02;
constexpr BYTE TMPF_TRUE_TYPE = 0x04;
constexpr BYTE FAMILY_SWISS = 0x20;
constexpr BYTE FAMILY_MODERN = 0x30;

bool is_italic(const DC& dc) {
    Font* f = dc.font_object;
    return f && f->request.italic;
}

} // namespace

} // namespace ws

using namespace ws;

extern "C" {

HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight,
                         DWORD italic, DWORD underline, DWORD strike_out, DWORD charset,
                         DWORD out_precision, DWORD clip_precision, DWORD quality,
                         DWORD pitch_and_family, LPCSTR face) {
    (void)width, (void)escapement, (void)orientation, (void)underline, (void)strike_out;
    (void)charset, (void)out_precision, (void)clip_precision, (void)quality;
    (void)pitch_and_family;
    auto f = gdi_fresh_font();
    f->request.height = height;
    f->request.weight = weight <= 0 ? FW_NORMAL : std::min(weight, 1000);
    f->request.italic = italic != 0;
    if (face) f->request.face.assign(face, strnlen(face, FACE_NAME_MAX));
    return make_handle<HFONT>(gdi_objects().add(std::move(f)));
}

BOOL WINAPI GetTextExtentPointA(HDC hdc, LPCSTR text, int length, LPSIZE size) {
    DC* dc = gdi_dc(hdc);
    if (!dc || !size || length < 0 || (!text && length > 0)) return FALSE;
    *size = font_measure(dc_face(*dc), text, length);
    return TRUE;
}

BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA tm) {
    DC* dc = gdi_dc(hdc);
    if (!dc || !tm) return FALSE;
    const FontFace* face = dc_face(*dc);
    FontMetrics m = font_metrics(face);
    *tm = TEXTMETRICA{};
    tm->tmHeight = m.height;
    tm->tmAscent = m.ascent;
    tm->tmDescent = m.descent;
    tm->tmInternalLeading = m.internal_leading;
    tm->tmExternalLeading = m.external_leading;
    tm->tmAveCharWidth = m.ave_char_width;
    tm->tmMaxCharWidth = m.max_char_width;
    tm->tmWeight = m.weight;
    tm->tmOverhang = 0;
    tm->tmDigitizedAspectX = 96;
    tm->tmDigitizedAspectY = 96;
    // Every byte draws through the face; byte 0 has no glyph and shows the
    // missing glyph that stands for any character the face lacks.
    tm->tmFirstChar = 0x00;
    tm->tmLastChar = 0xFF;
    tm->tmDefaultChar = 0x00;
    tm->tmBreakChar = ' ';
    tm->tmItalic = is_italic(*dc) ? 1 : 0;
    tm->tmUnderlined = 0;
    tm->tmStruckOut = 0;
    bool outline = font_family_name(face)[0] != '\0';
    tm->tmPitchAndFamily = static_cast<BYTE>((m.fixed_pitch ? 0 : TMPF_FIXED_PITCH) |
                                             (outline ? TMPF_VECTOR | TMPF_TRUE_TYPE : 0) |
                                             (m.fixed_pitch ? FAMILY_MODERN : FAMILY_SWISS));
    tm->tmCharSet = ANSI_CHARSET;
    return TRUE;
}

BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR text, int length) {
    DC* dc = gdi_dc(hdc);
    if (!dc || length < 0 || (!text && length > 0)) return FALSE;
    const FontFace* face = dc_face(*dc);
    const Canvas& canvas = dc_current_canvas(*dc);
    Rect touched;
    if (dc->bk_mode == OPAQUE) {
        // The cell box; its far sides stop at the end of the int range.
        SIZE extent = font_measure(face, text, length);
        auto far_side = [](int64_t v) { return static_cast<int>(std::min<int64_t>(v, INT_MAX)); };
        touched =
            raster_fill_rect(canvas, x, y, far_side(int64_t{x} + extent.cx),
                             far_side(int64_t{y} + extent.cy), pixel_from_colorref(dc->bk_colour));
    }
    touched = touched.unite(
        font_draw(canvas, face, x, y, text, length, pixel_from_colorref(dc->text_colour)));
    if (!touched.empty()) dc_touched(*dc, touched);
    return TRUE;
}

BOOL WINAPI GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int length, LPSIZE size) {
    if (length < 0 || (!text && length > 0)) return FALSE;
    std::string narrow = cp1252_from_utf16(text, static_cast<size_t>(length));
    return GetTextExtentPointA(hdc, narrow.data(), static_cast<int>(narrow.size()), size);
}

BOOL WINAPI TextOutW(HDC hdc, int x, int y, LPCWSTR text, int length) {
    if (length < 0 || (!text && length > 0)) return FALSE;
    std::string narrow = cp1252_from_utf16(text, static_cast<size_t>(length));
    return TextOutA(hdc, x, y, narrow.data(), static_cast<int>(narrow.size()));
}

} // extern "C"
