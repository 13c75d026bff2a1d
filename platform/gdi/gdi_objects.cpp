// gdi_objects.cpp: drawing objects, device contexts and their attributes.
//
// Pens, brushes, fonts and bitmaps share one handle table; stock objects are
// made once and never deleted. An object selected into a DC cannot be
// deleted (DeleteObject fails), so a DC never points at a freed object.
// Pens, brushes and fonts come and go around every primitive the runtime
// draws, so deleted ones are cached (a few dozen of each kind) and handed out
// again, fresh, by the next create: no allocation per primitive. Pens and
// brushes stay in their table slots meanwhile, so that making one is taking
// a slot that already holds a pen or a brush.
#include <cstddef>
#include <cstdlib>

#include "gdi.h"
#include "metrics.h"
#include "wm.h"

namespace ws {

HandleTable<GdiObject> gdi_object_table;
HandleTable<DC> gdi_dc_table;

namespace {

HandleTable<GdiObject>& objects = gdi_object_table;
HandleTable<DC>& dcs = gdi_dc_table;

uint32_t pixel_of(COLORREF colour) {
    return pixel_from_colorref(colour);
}

constexpr int STOCK_COUNT = 18;
HGDIOBJ stock[STOCK_COUNT];

template <typename T> T* typed(HGDIOBJ h, GdiObject::Kind kind) {
    GdiObject* o = objects.get(handle_value(h));
    return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
}

HGDIOBJ add_object(std::unique_ptr<GdiObject> o) {
    return make_handle<HGDIOBJ>(objects.add(std::move(o)));
}

HGDIOBJ make_stock_pen(int style, COLORREF colour) {
    auto p = std::make_unique<Pen>();
    p->style = style;
    p->colour = colour;
    p->pixel = pixel_of(colour);
    p->stock = true;
    return add_object(std::move(p));
}

HGDIOBJ make_stock_brush(bool hollow, COLORREF colour) {
    auto b = std::make_unique<Brush>();
    b->hollow = hollow;
    b->colour = colour;
    b->pixel = pixel_of(colour);
    b->stock = true;
    return add_object(std::move(b));
}

HGDIOBJ make_stock_font(const char* face, int height) {
    auto f = std::make_unique<Font>();
    f->request.face = face;
    f->request.height = height;
    f->stock = true;
    return add_object(std::move(f));
}

void make_stock_objects() {
    if (stock[BLACK_PEN]) return;
    stock[WHITE_BRUSH] = make_stock_brush(false, RGB(255, 255, 255));
    stock[LTGRAY_BRUSH] = make_stock_brush(false, RGB(192, 192, 192));
    stock[GRAY_BRUSH] = make_stock_brush(false, RGB(128, 128, 128));
    stock[DKGRAY_BRUSH] = make_stock_brush(false, RGB(64, 64, 64));
    stock[BLACK_BRUSH] = make_stock_brush(false, RGB(0, 0, 0));
    stock[NULL_BRUSH] = make_stock_brush(true, 0);
    stock[WHITE_PEN] = make_stock_pen(PS_SOLID, RGB(255, 255, 255));
    stock[BLACK_PEN] = make_stock_pen(PS_SOLID, RGB(0, 0, 0));
    stock[NULL_PEN] = make_stock_pen(PS_NULL, 0);
    stock[ANSI_FIXED_FONT] = make_stock_font(metrics::FIXED_FACE, -metrics::FIXED_FONT_HEIGHT);
    stock[ANSI_VAR_FONT] = make_stock_font(metrics::UI_FACE, -metrics::UI_FONT_HEIGHT);
    stock[SYSTEM_FONT] = make_stock_font(metrics::UI_FACE, -metrics::UI_FONT_HEIGHT);
    stock[DEFAULT_GUI_FONT] = make_stock_font(metrics::UI_FACE, -metrics::UI_FONT_HEIGHT);
}

// The 1 x 1 bitmap that a new memory DC holds, as on the real system.
HBITMAP default_bitmap() {
    static HBITMAP one;
    if (!typed<Bitmap>(one, GdiObject::Kind::Bitmap)) {
        auto b = std::make_unique<Bitmap>();
        b->width = b->height = 1;
        b->pixels.assign(1, 0);
        b->stock = true;
        one = make_handle<HBITMAP>(objects.add(std::move(b)));
    }
    return one;
}

// Puts an object (its handle and the object behind it; both null for none)
// into the DC's place for its kind, keeping the select counts.
template <typename H, typename T>
[[gnu::always_inline]] inline void hold(H& handle, T*& object, HGDIOBJ h, T* o) {
    if (object) --object->select_count;
    handle = static_cast<H>(h);
    object = o;
    if (o) ++o->select_count;
}

// A memory DC's bitmap, and the canvas over it.
void hold_bitmap(DC& d, HGDIOBJ h, Bitmap* b) {
    hold(d.bitmap, d.bitmap_object, h, b);
    d.canvas = b && !b->pixels.empty()
                   ? make_canvas(b->pixels.data(), b->width, b->height, b->width)
                   : Canvas{};
}

// How many deleted objects of one kind are cached.
constexpr uint32_t CACHED_PER_KIND = 64;
// The table's cached lists for pens and for brushes.
constexpr int CACHED_PENS = 0;
constexpr int CACHED_BRUSHES = 1;
static_assert(HandleTable<GdiObject>::CACHED_LISTS == 2);

// Deleted fonts cached for reuse (fonts are made outside this file, as
// unique_ptrs, so they wait here rather than in their slots).
template <typename T> struct Pool {
    static constexpr size_t SLOTS = CACHED_PER_KIND;
    T* cached[SLOTS];
    size_t count = 0;

    // A fresh object, the most recently cached one when there is one.
    T* fresh() {
        if (count == 0) [[unlikely]]
            return make();
        T* o = cached[--count];
        *o = T();
        return o;
    }
    [[gnu::noinline]] static T* make() { return new T(); }
    // Takes over a deleted object (which is never selected, nor stock).
    void keep(T* o) {
        if (count < SLOTS)
            cached[count++] = o;
        else
            delete o;
    }
    void clear() {
        while (count > 0)
            delete cached[--count];
    }
    ~Pool() { clear(); }
};

Pool<Font> font_pool;

static_assert(CACHED_PENS == static_cast<int>(GdiObject::Kind::Pen) &&
              CACHED_BRUSHES == static_cast<int>(GdiObject::Kind::Brush));

// Pens and brushes as CreatePen and CreateSolidBrush make them.
void set_pen(Pen& p, int style, int width, COLORREF colour) {
    p.style = style == PS_NULL ? PS_NULL : PS_SOLID;
    p.width = width < 1 ? 1 : width;
    p.colour = colour & 0xFFFFFF;
    p.pixel = pixel_of(p.colour);
}
void set_brush(Brush& b, COLORREF colour) {
    b.colour = colour & 0xFFFFFF;
    b.pixel = pixel_of(b.colour);
}

// With nothing cached: a new object in a slot of its own (out of line, so
// that the usual way stays short).
[[gnu::noinline]] HPEN new_pen(int style, int width, COLORREF colour) {
    Pen* p = new Pen();
    set_pen(*p, style, width, colour);
    return make_handle<HPEN>(objects.adopt(p));
}
[[gnu::noinline]] HBRUSH new_brush(COLORREF colour) {
    Brush* b = new Brush();
    set_brush(*b, colour);
    return make_handle<HBRUSH>(objects.adopt(b));
}

} // namespace

void gdi_reset() {
    dcs.clear();
    objects.clear();
    font_pool.clear();
    for (HGDIOBJ& s : stock)
        s = nullptr;
}

HDC gdi_create_dc(DC::Kind kind, HWND window) {
    make_stock_objects();
    auto dc = std::make_unique<DC>();
    DC& d = *dc;
    d.kind = kind;
    d.window = window;
    HDC h = make_handle<HDC>(dcs.add(std::move(dc)));
    hold(d.pen, d.pen_object, stock[BLACK_PEN], typed<Pen>(stock[BLACK_PEN], GdiObject::Kind::Pen));
    hold(d.brush, d.brush_object, stock[WHITE_BRUSH],
         typed<Brush>(stock[WHITE_BRUSH], GdiObject::Kind::Brush));
    hold(d.font, d.font_object, stock[SYSTEM_FONT],
         typed<Font>(stock[SYSTEM_FONT], GdiObject::Kind::Font));
    if (kind == DC::Kind::Memory) {
        HBITMAP one = default_bitmap();
        hold_bitmap(d, one, typed<Bitmap>(one, GdiObject::Kind::Bitmap));
    }
    return h;
}

void gdi_delete_dc(HDC h) {
    DC* d = gdi_dc(h);
    if (!d) return;
    hold(d->pen, d->pen_object, nullptr, static_cast<Pen*>(nullptr));
    hold(d->brush, d->brush_object, nullptr, static_cast<Brush*>(nullptr));
    hold(d->font, d->font_object, nullptr, static_cast<Font*>(nullptr));
    hold_bitmap(*d, nullptr, nullptr);
    dcs.remove(handle_value(h));
}

Canvas dc_window_canvas(const DC& dc) {
    Window* w = wm_window(dc.window);
    if (!w) return Canvas{};
    Canvas c = wm_client_canvas(*w);
    if (dc.has_paint_clip) c = c.clipped_to(dc.paint_clip);
    return c;
}

void dc_window_touched(const DC& dc, const Rect& area) {
    Window* w = wm_window(dc.window);
    if (!w) return;
    Window* top = wm_top_level(*w);
    if (!top) return;
    Rect client = wm_client_in_surface(*w);
    wm_surface_touched(*top, area.offset(client.left, client.top).intersect(client));
}

const FontFace* dc_face(DC& dc) {
    Font* f = dc.font_object;
    if (!f) f = gdi_font(static_cast<HFONT>(stock[SYSTEM_FONT]));
    if (!f) return font_resolve(FontRequest{});
    if (!f->face) f->face = font_resolve(f->request);
    return f->face;
}

std::unique_ptr<Font> gdi_fresh_font() {
    return std::unique_ptr<Font>(font_pool.fresh());
}

} // namespace ws

using namespace ws;

extern "C" {

HPEN WINAPI CreatePen(int style, int width, COLORREF colour) {
    uint32_t slot;
    if (!objects.take_cached(CACHED_PENS, slot)) [[unlikely]]
        return new_pen(style, width, colour);
    Pen* p = static_cast<Pen*>(objects.cached_object(slot));
    *p = Pen();
    set_pen(*p, style, width, colour);
    return make_handle<HPEN>(objects.revive(slot));
}

HBRUSH WINAPI CreateSolidBrush(COLORREF colour) {
    uint32_t slot;
    if (!objects.take_cached(CACHED_BRUSHES, slot)) [[unlikely]]
        return new_brush(colour);
    Brush* b = static_cast<Brush*>(objects.cached_object(slot));
    *b = Brush();
    set_brush(*b, colour);
    return make_handle<HBRUSH>(objects.revive(slot));
}

HGDIOBJ WINAPI GetStockObject(int index) {
    make_stock_objects();
    if (index < 0 || index >= STOCK_COUNT) return nullptr;
    return stock[index];
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int width, int height) {
    (void)hdc;
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
    auto b = std::make_unique<Bitmap>();
    b->width = width;
    b->height = height;
    b->pixels.assign(static_cast<size_t>(width) * height, 0);
    return make_handle<HBITMAP>(objects.add(std::move(b)));
}

HDC WINAPI CreateCompatibleDC(HDC hdc) {
    (void)hdc;
    return gdi_create_dc(DC::Kind::Memory, nullptr);
}

BOOL WINAPI DeleteDC(HDC hdc) {
    DC* d = gdi_dc(hdc);
    if (!d || d->kind != DC::Kind::Memory) return FALSE;
    gdi_delete_dc(hdc);
    return TRUE;
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ obj) {
    DC* d = gdi_dc(hdc);
    GdiObject* o = gdi_object(obj);
    if (!d || !o) return nullptr;
    HGDIOBJ previous;
    // Pens and brushes first: the runtime selects them around every shape.
    if (o->kind == GdiObject::Kind::Pen) [[likely]] {
        previous = d->pen;
        hold(d->pen, d->pen_object, obj, static_cast<Pen*>(o));
    } else if (o->kind == GdiObject::Kind::Brush) {
        previous = d->brush;
        hold(d->brush, d->brush_object, obj, static_cast<Brush*>(o));
    } else if (o->kind == GdiObject::Kind::Font) {
        previous = d->font;
        hold(d->font, d->font_object, obj, static_cast<Font*>(o));
    } else {
        // Only memory DCs hold bitmaps, and a bitmap sits in one DC at a time.
        if (d->kind != DC::Kind::Memory) return nullptr;
        // The 1 x 1 bitmap that new DCs hold is shared by all of them.
        if (o->select_count > 0 && obj != d->bitmap && !o->stock) return nullptr;
        previous = d->bitmap;
        hold_bitmap(*d, obj, static_cast<Bitmap*>(o));
    }
    return previous;
}

BOOL WINAPI DeleteObject(HGDIOBJ obj) {
    uint32_t slot;
    GdiObject* o = objects.find(handle_value(obj), slot);
    if (!o) return FALSE;
    if (o->stock) return TRUE;
    if (o->select_count > 0) return FALSE;
    // Pens and brushes stay in their slots (the cached list of each is the
    // number of its kind), a number of each at most.
    int list = static_cast<int>(o->kind);
    if (list <= CACHED_BRUSHES && objects.cached_count(list) < CACHED_PER_KIND) [[likely]] {
        objects.keep(slot, list);
        return TRUE;
    }
    objects.release_at(slot);
    if (o->kind == GdiObject::Kind::Font)
        font_pool.keep(static_cast<Font*>(o));
    else
        delete o;
    return TRUE;
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF colour) {
    DC* d = gdi_dc(hdc);
    if (!d) return CLR_INVALID;
    COLORREF old = d->text_colour;
    d->text_colour = colour & 0xFFFFFF;
    return old;
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF colour) {
    DC* d = gdi_dc(hdc);
    if (!d) return CLR_INVALID;
    COLORREF old = d->bk_colour;
    d->bk_colour = colour & 0xFFFFFF;
    return old;
}

COLORREF WINAPI GetBkColor(HDC hdc) {
    DC* d = gdi_dc(hdc);
    return d ? d->bk_colour : CLR_INVALID;
}

int WINAPI SetBkMode(HDC hdc, int mode) {
    DC* d = gdi_dc(hdc);
    if (!d || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    int old = d->bk_mode;
    d->bk_mode = mode;
    return old;
}

int WINAPI GetBkMode(HDC hdc) {
    DC* d = gdi_dc(hdc);
    return d ? d->bk_mode : 0;
}

} // extern "C"
