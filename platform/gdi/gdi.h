// gdi.h: the layer's drawing objects and device contexts.
//
// Pens, brushes, fonts and bitmaps live in one handle table (SelectObject
// takes any of them); device contexts in another. A DC draws either into a
// memory bitmap or into a window's client area; `dc_canvas` gives the pixels
// it draws on, clipped, and `dc_touched` tells the window system which part
// of a window changed, so that only that part is presented.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "canvas.h"
#include "fonts.h"
#include "handles.h"

namespace ws {

struct GdiObject {
    enum class Kind { Pen, Brush, Font, Bitmap };
    explicit GdiObject(Kind k) : kind(k) {}
    virtual ~GdiObject() = default;
    Kind kind;
    bool stock = false;   // stock objects are never deleted
    int select_count = 0; // how many DCs hold it selected
};

struct Pen : GdiObject {
    Pen() : GdiObject(Kind::Pen) {}
    int style = PS_SOLID; // PS_SOLID or PS_NULL
    int width = 1;        // in pixels, at least 1
    COLORREF colour = 0;
    uint32_t pixel = 0; // colour as a canvas pixel
};

struct Brush : GdiObject {
    Brush() : GdiObject(Kind::Brush) {}
    bool hollow = false; // NULL_BRUSH: paints nothing
    COLORREF colour = 0;
    uint32_t pixel = 0; // colour as a canvas pixel
};

struct Font : GdiObject {
    Font() : GdiObject(Kind::Font) {}
    FontRequest request;
    const FontFace* face = nullptr; // resolved on first use
};

struct Bitmap : GdiObject {
    Bitmap() : GdiObject(Kind::Bitmap) {}
    int width = 0, height = 0;
    std::vector<uint32_t> pixels; // width * height, row-major
};

struct DC {
    enum class Kind { Memory, Window };
    Kind kind = Kind::Memory;
    HWND window = nullptr; // window DCs: the window drawn into
    Rect paint_clip;       // BeginPaint DCs: the update rectangle (client coordinates)
    bool has_paint_clip = false;
    HBITMAP bitmap = nullptr; // memory DCs: the selected bitmap
    HPEN pen = nullptr;
    HBRUSH brush = nullptr;
    HFONT font = nullptr;
    // The objects behind those handles, looked up once when selected: an
    // object cannot be deleted while a DC holds it, so these stay valid.
    Bitmap* bitmap_object = nullptr;
    Pen* pen_object = nullptr;
    Brush* brush_object = nullptr;
    Font* font_object = nullptr;
    // The pixels drawn on. A memory DC's follows its bitmap selection (a
    // bitmap's size never changes); a window DC's is made again by every
    // drawing call, as the window may have moved or changed size since.
    Canvas canvas;
    COLORREF text_colour = 0x000000;
    COLORREF bk_colour = 0xFFFFFF;
    int bk_mode = OPAQUE;
    POINT position{0, 0};
};

// Handle tables and stock objects. The lookups are inline: every drawing
// call makes several.
extern HandleTable<GdiObject> gdi_object_table;
extern HandleTable<DC> gdi_dc_table;
inline HandleTable<GdiObject>& gdi_objects() {
    return gdi_object_table;
}
inline HandleTable<DC>& gdi_dcs() {
    return gdi_dc_table;
}
inline GdiObject* gdi_object(HGDIOBJ h) {
    return gdi_object_table.get(handle_value(h));
}
template <typename T> inline T* gdi_typed(HGDIOBJ h, GdiObject::Kind kind) {
    GdiObject* o = gdi_object(h);
    return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
}
inline Pen* gdi_pen(HPEN h) {
    return gdi_typed<Pen>(h, GdiObject::Kind::Pen);
}
inline Brush* gdi_brush(HBRUSH h) {
    return gdi_typed<Brush>(h, GdiObject::Kind::Brush);
}
inline Font* gdi_font(HFONT h) {
    return gdi_typed<Font>(h, GdiObject::Kind::Font);
}
inline Bitmap* gdi_bitmap(HBITMAP h) {
    return gdi_typed<Bitmap>(h, GdiObject::Kind::Bitmap);
}
// Drawing goes through one DC for long stretches: the last one found is
// remembered.
inline DC* gdi_dc(HDC h) {
    return gdi_dc_table.get_remembered(handle_value(h));
}

// A new DC holding the default objects (black 1-pixel pen, white brush,
// system font, and for memory DCs a 1 x 1 bitmap).
HDC gdi_create_dc(DC::Kind kind, HWND window);
void gdi_delete_dc(HDC h);
// Frees every object and DC (the layer's reset, for tests).
void gdi_reset();
// A new font object, as CreateFontA makes it (reusing a deleted one's memory).
std::unique_ptr<Font> gdi_fresh_font();

// The pixels a DC draws on, with its clip, in the DC's own coordinates.
// An invalid DC gives an empty canvas (nothing is drawn).
Canvas dc_window_canvas(const DC& dc);
inline Canvas dc_canvas(const DC& dc) {
    return dc.kind == DC::Kind::Memory ? dc.canvas : dc_window_canvas(dc);
}
// The same for a drawing call, which draws on the DC's own copy.
inline const Canvas& dc_current_canvas(DC& dc) {
    if (dc.kind != DC::Kind::Memory) dc.canvas = dc_window_canvas(dc);
    return dc.canvas;
}
// A drawing call changed `area` (DC coordinates): window DCs mark it to be
// presented. Memory DCs ignore it.
void dc_window_touched(const DC& dc, const Rect& area);
inline void dc_touched(const DC& dc, const Rect& area) {
    if (dc.kind == DC::Kind::Window) dc_window_touched(dc, area);
}

// The resolved face of a DC's font.
const FontFace* dc_face(DC& dc);

} // namespace ws
