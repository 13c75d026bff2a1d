// gdi_handles_test.cpp: what a handle may and may not reach. Stale, forged
// and wrongly-kinded handles are refused; selected objects cannot be deleted,
// stock ones never are; a slot or pooled object used again is not taken for
// its earlier occupant; a memory DC draws on whichever bitmap it holds now.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <typeinfo>
#include <vector>

#include "gdi.h"
#include "handles.h"

using namespace ws;

namespace {

struct MemoryDc {
    HDC dc = CreateCompatibleDC(nullptr);
    ~MemoryDc() { DeleteDC(dc); }
};

HGDIOBJ with_value(uintptr_t v) {
    return make_handle<HGDIOBJ>(v);
}

} // namespace

TEST(GdiHandles, StaleAndForgedHandlesAreRefused) {
    MemoryDc m;
    HPEN pen = CreatePen(PS_SOLID, 3, RGB(1, 2, 3));
    const uintptr_t v = handle_value(pen);
    ASSERT_TRUE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(SelectObject(m.dc, pen), nullptr);
    EXPECT_EQ(gdi_object(pen), nullptr);

    // The slot is taken again, by a pen and then by a brush: the old handle
    // reaches neither.
    HPEN again = CreatePen(PS_SOLID, 5, RGB(4, 5, 6));
    EXPECT_NE(handle_value(again), v);
    EXPECT_EQ(gdi_object(pen), nullptr);
    EXPECT_EQ(SelectObject(m.dc, pen), nullptr);
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(gdi_pen(again)->width, 5); // the failed delete left it alone
    ASSERT_TRUE(DeleteObject(again));
    HBRUSH brush = CreateSolidBrush(RGB(7, 8, 9));
    EXPECT_EQ(gdi_object(pen), nullptr);
    EXPECT_EQ(gdi_object(again), nullptr);
    HGDIOBJ white = GetStockObject(WHITE_BRUSH);
    EXPECT_EQ(SelectObject(m.dc, again), nullptr);
    EXPECT_EQ(gdi_dc(m.dc)->brush, white); // nothing was selected

    // Values near a live handle, small integers, and 0 reach nothing.
    const uintptr_t b = handle_value(brush);
    for (uintptr_t forged : {b ^ 1u, b ^ 2u, b ^ 4u, b + 8, b - 8, b + (uintptr_t{1} << 15),
                             b | (uintptr_t{1} << 40), uintptr_t{0}, uintptr_t{1}, uintptr_t{4},
                             uintptr_t{12}, ~uintptr_t{0}, ~uintptr_t{7} | 4}) {
        EXPECT_EQ(gdi_object(with_value(forged)), nullptr) << std::hex << forged;
        EXPECT_EQ(SelectObject(m.dc, with_value(forged)), nullptr) << std::hex << forged;
        EXPECT_FALSE(DeleteObject(with_value(forged))) << std::hex << forged;
    }
    EXPECT_EQ(gdi_brush(brush)->colour, RGB(7, 8, 9));
    EXPECT_EQ(SelectObject(nullptr, brush), nullptr);
    EXPECT_EQ(SelectObject(make_handle<HDC>(handle_value(m.dc) + 8), brush), nullptr);
    EXPECT_EQ(gdi_brush(brush)->select_count, 0);

    // A handle asked for as another kind gives nothing.
    HFONT font = CreateFontA(-12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "KV319-font");
    EXPECT_EQ(gdi_pen(static_cast<HPEN>(static_cast<HGDIOBJ>(brush))), nullptr);
    EXPECT_EQ(gdi_font(static_cast<HFONT>(static_cast<HGDIOBJ>(brush))), nullptr);
    EXPECT_EQ(gdi_brush(static_cast<HBRUSH>(static_cast<HGDIOBJ>(font))), nullptr);
    EXPECT_NE(gdi_font(font), nullptr);
    EXPECT_TRUE(DeleteObject(brush) && DeleteObject(font));

    // A deleted DC's handle is refused, also once its slot is taken again.
    HDC gone = CreateCompatibleDC(nullptr);
    ASSERT_TRUE(DeleteDC(gone));
    EXPECT_FALSE(DeleteDC(gone));
    EXPECT_EQ(SelectObject(gone, GetStockObject(BLACK_PEN)), nullptr);
    HDC next = CreateCompatibleDC(nullptr);
    EXPECT_NE(next, gone);
    EXPECT_FALSE(MoveToEx(gone, 1, 1, nullptr));
    EXPECT_FALSE(LineTo(gone, 2, 2));
    EXPECT_EQ(SetBkMode(gone, TRANSPARENT), 0);
    EXPECT_EQ(GetBkMode(next), OPAQUE);
    EXPECT_TRUE(DeleteDC(next));
}

TEST(GdiHandles, SelectedObjectsStayAndStockObjectsAreNeverFreed) {
    MemoryDc a, b;
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(10, 20, 30));
    HBRUSH brush = CreateSolidBrush(RGB(40, 50, 60));
    HFONT font = CreateFontA(-12, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "KV319-font");
    HBITMAP bitmap = CreateCompatibleBitmap(a.dc, 4, 4);
    HBITMAP b_bitmap = CreateCompatibleBitmap(b.dc, 4, 4);
    SelectObject(b.dc, b_bitmap); // so that a alone holds the first 1 x 1 bitmap
    HGDIOBJ old_pen = SelectObject(a.dc, pen);
    EXPECT_EQ(old_pen, GetStockObject(BLACK_PEN));
    SelectObject(b.dc, pen);
    HGDIOBJ old_brush = SelectObject(a.dc, brush);
    HGDIOBJ old_font = SelectObject(a.dc, font);
    HGDIOBJ old_bitmap = SelectObject(a.dc, bitmap);
    ASSERT_NE(old_bitmap, nullptr);
    EXPECT_EQ(gdi_pen(pen)->select_count, 2);
    for (HGDIOBJ o : {HGDIOBJ(pen), HGDIOBJ(brush), HGDIOBJ(font), HGDIOBJ(bitmap)})
        EXPECT_FALSE(DeleteObject(o));
    // A bitmap sits in one DC at a time; selecting it again where it is is fine.
    EXPECT_EQ(SelectObject(b.dc, bitmap), nullptr);
    EXPECT_EQ(SelectObject(a.dc, bitmap), bitmap);

    SelectObject(a.dc, old_pen);
    EXPECT_FALSE(DeleteObject(pen)); // still in b
    SelectObject(b.dc, old_pen);
    EXPECT_EQ(gdi_pen(pen)->select_count, 0);
    SelectObject(a.dc, old_brush);
    SelectObject(a.dc, old_font);
    SelectObject(a.dc, old_bitmap);
    for (HGDIOBJ o : {HGDIOBJ(pen), HGDIOBJ(brush), HGDIOBJ(font), HGDIOBJ(bitmap)})
        EXPECT_TRUE(DeleteObject(o));

    // Stock objects: deleting says yes, selected or not, and frees nothing.
    for (int i : {WHITE_BRUSH, NULL_BRUSH, BLACK_PEN, NULL_PEN, SYSTEM_FONT}) {
        HGDIOBJ s = GetStockObject(i);
        ASSERT_NE(s, nullptr);
        EXPECT_TRUE(DeleteObject(s));
        HGDIOBJ prev = SelectObject(a.dc, s);
        EXPECT_NE(prev, nullptr);
        EXPECT_TRUE(DeleteObject(s));
        EXPECT_EQ(SelectObject(a.dc, prev), s);
        EXPECT_EQ(GetStockObject(i), s);
        EXPECT_NE(gdi_object(s), nullptr);
    }
    // New objects never take a stock object's handle.
    std::set<HGDIOBJ> stock;
    for (int i : {WHITE_BRUSH, NULL_BRUSH, BLACK_PEN, NULL_PEN, SYSTEM_FONT})
        stock.insert(GetStockObject(i));
    for (int i = 0; i < 20; ++i) {
        HPEN p = CreatePen(PS_SOLID, 1, 0);
        EXPECT_EQ(stock.count(p), 0u);
        DeleteObject(p);
    }
}

TEST(GdiHandles, ReusedObjectsAreNotTheirEarlierOccupants) {
    // Objects come and go in the order the runtime makes them, past what is
    // kept for reuse; every live handle reaches its own object, with its own
    // attributes and no selection carried over.
    MemoryDc m;
    std::vector<HPEN> pens;
    std::vector<HBRUSH> brushes;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 150; ++i) {
            pens.push_back(CreatePen(i % 7 == 0 ? PS_NULL : PS_SOLID, i % 9, RGB(i, round, 1)));
            brushes.push_back(CreateSolidBrush(RGB(round, i, 2)));
        }
        std::set<HGDIOBJ> seen;
        for (size_t i = 0; i < pens.size(); ++i) {
            int n = static_cast<int>(i);
            ASSERT_TRUE(seen.insert(pens[i]).second);
            ASSERT_TRUE(seen.insert(brushes[i]).second);
            const Pen* p = gdi_pen(pens[i]);
            const Brush* b = gdi_brush(brushes[i]);
            ASSERT_NE(p, nullptr);
            ASSERT_NE(b, nullptr);
            // Each slot holds an object of its own kind, whatever it held before.
            ASSERT_EQ(typeid(*p), typeid(Pen));
            ASSERT_EQ(typeid(*b), typeid(Brush));
            EXPECT_EQ(p->style, n % 7 == 0 ? PS_NULL : PS_SOLID);
            EXPECT_EQ(p->width, std::max(n % 9, 1));
            EXPECT_EQ(p->colour, RGB(n, round, 1));
            EXPECT_EQ(b->colour, RGB(round, n, 2));
            EXPECT_FALSE(b->hollow);
            EXPECT_FALSE(p->stock || b->stock);
            EXPECT_EQ(p->select_count + b->select_count, 0);
        }
        // Select some, so that a selected object is then deleted and reused.
        for (size_t i = 0; i < pens.size(); i += 10) {
            HGDIOBJ op = SelectObject(m.dc, pens[i]);
            HGDIOBJ ob = SelectObject(m.dc, brushes[i]);
            SelectObject(m.dc, op);
            SelectObject(m.dc, ob);
        }
        std::vector<HGDIOBJ> dead;
        for (size_t i = 0; i < pens.size(); ++i) {
            ASSERT_TRUE(DeleteObject(pens[i]));
            ASSERT_TRUE(DeleteObject(brushes[i]));
            dead.push_back(pens[i]);
            dead.push_back(brushes[i]);
        }
        pens.clear();
        brushes.clear();
        // Half as many again, so that old and new handles overlap in slots.
        for (int i = 0; i < 75; ++i) {
            pens.push_back(CreatePen(PS_SOLID, 1 + i % 4, RGB(0, i, round)));
            brushes.push_back(CreateSolidBrush(RGB(i, i, round)));
        }
        for (HGDIOBJ d : dead) {
            ASSERT_EQ(gdi_object(d), nullptr);
            ASSERT_EQ(SelectObject(m.dc, d), nullptr);
        }
        for (size_t i = 0; i < pens.size(); ++i) {
            int n = static_cast<int>(i);
            ASSERT_EQ(typeid(*gdi_object(pens[i])), typeid(Pen));
            ASSERT_EQ(typeid(*gdi_object(brushes[i])), typeid(Brush));
            ASSERT_EQ(gdi_pen(pens[i])->style, PS_SOLID);
            ASSERT_EQ(gdi_pen(pens[i])->width, 1 + n % 4);
            ASSERT_EQ(gdi_brush(brushes[i])->colour, RGB(n, n, round));
        }
        for (size_t i = 0; i < pens.size(); ++i)
            ASSERT_TRUE(DeleteObject(pens[i]) && DeleteObject(brushes[i]));
        pens.clear();
        brushes.clear();
    }
}

TEST(GdiHandles, TheBitmapANewDcHeldGoesBackWhileOtherDcsHoldItToo) {
    // Every new memory DC holds the same 1 x 1 bitmap. Selecting a bitmap
    // and then the one it replaced must work while another DC holds that
    // one too, or the bitmap could never be let go of and deleted.
    MemoryDc a, b;
    HBITMAP bitmap = CreateCompatibleBitmap(a.dc, 8, 8);
    HGDIOBJ first = SelectObject(a.dc, bitmap);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(SelectObject(a.dc, first), bitmap);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(GetPixel(a.dc, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(a.dc, 1, 0), CLR_INVALID);
    // An ordinary bitmap still sits in one DC at a time.
    HBITMAP one = CreateCompatibleBitmap(a.dc, 2, 2);
    HGDIOBJ a_old = SelectObject(a.dc, one);
    EXPECT_EQ(SelectObject(b.dc, one), nullptr);
    SelectObject(a.dc, a_old);
    EXPECT_TRUE(DeleteObject(one));
}

TEST(GdiHandles, AMemoryDcDrawsOnTheBitmapItHoldsNow) {
    MemoryDc m;
    // The 1 x 1 bitmap of a new DC.
    EXPECT_EQ(GetPixel(m.dc, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(m.dc, 1, 0), CLR_INVALID);
    HBITMAP small = CreateCompatibleBitmap(m.dc, 3, 3);
    HBITMAP large = CreateCompatibleBitmap(m.dc, 30, 20);
    HGDIOBJ first = SelectObject(m.dc, small);
    SetPixel(m.dc, 2, 2, RGB(1, 1, 1));
    EXPECT_EQ(SetPixel(m.dc, 3, 0, RGB(1, 1, 1)), CLR_INVALID);
    EXPECT_EQ(SelectObject(m.dc, large), small);
    EXPECT_EQ(GetPixel(m.dc, 2, 2), RGB(0, 0, 0));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(9, 8, 7));
    HGDIOBJ old_pen = SelectObject(m.dc, pen);
    MoveToEx(m.dc, 0, 10, nullptr);
    LineTo(m.dc, 29, 10);
    EXPECT_EQ(GetPixel(m.dc, 28, 10), RGB(9, 8, 7));
    SelectObject(m.dc, small);
    EXPECT_EQ(GetPixel(m.dc, 2, 2), RGB(1, 1, 1));
    EXPECT_EQ(GetPixel(m.dc, 28, 10), CLR_INVALID);
    MoveToEx(m.dc, 0, 1, nullptr);
    LineTo(m.dc, 29, 1); // clipped to the small bitmap
    EXPECT_EQ(gdi_bitmap(large)->pixels[size_t(1) * 30 + 5], 0u);
    // The large bitmap, now in another DC, shows what was drawn on it.
    MemoryDc other;
    SelectObject(other.dc, large);
    EXPECT_EQ(GetPixel(other.dc, 28, 10), RGB(9, 8, 7));
    EXPECT_EQ(GetPixel(other.dc, 1, 1), RGB(0, 0, 0));
    SelectObject(m.dc, first);
    EXPECT_EQ(GetPixel(m.dc, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(m.dc, 2, 2), CLR_INVALID);
    SelectObject(m.dc, old_pen);
    DeleteObject(pen);
    EXPECT_TRUE(DeleteObject(small));
}
