// fonts_bench.cpp: one card text drawn into an off-screen image the way the
// runtime's text request does it: a font created, selected, measured, drawn
// transparently and deleted on every call, with the caches warm.
#include <benchmark/benchmark.h>

#include <cstring>

#include "winsys.h"

namespace {

const char CARD_TEXT[] = "For my sweetie";

void draw_once(HDC dc, int size) {
    SetTextColor(dc, RGB(200, 0, 80));
    int mode = GetBkMode(dc);
    SetBkMode(dc, TRANSPARENT);
    HFONT font = CreateFontA(-size, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "KV319-font");
    HGDIOBJ old = SelectObject(dc, font);
    SIZE extent;
    int length = static_cast<int>(std::strlen(CARD_TEXT));
    GetTextExtentPointA(dc, CARD_TEXT, length, &extent);
    TextOutA(dc, 40, 270 - extent.cy, CARD_TEXT, length);
    SetBkMode(dc, mode);
    SelectObject(dc, old);
    DeleteObject(font);
}

void BM_CardText(benchmark::State& state) {
    int size = static_cast<int>(state.range(0));
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP image = CreateCompatibleBitmap(dc, 601, 540);
    HGDIOBJ old = SelectObject(dc, image);
    draw_once(dc, size); // warm: face resolved, glyphs rasterised
    for (auto _ : state)
        draw_once(dc, size);
    state.SetLabel(CARD_TEXT);
    SelectObject(dc, old);
    DeleteObject(image);
    DeleteDC(dc);
}
BENCHMARK(BM_CardText)->Arg(12)->Arg(18)->Arg(24)->Arg(36)->Arg(60);

// The font object churn alone, without drawing.
void BM_FontCreateSelectDelete(benchmark::State& state) {
    HDC dc = CreateCompatibleDC(nullptr);
    for (auto _ : state) {
        HFONT font = CreateFontA(-24, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "KV319-font");
        HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRICA tm;
        GetTextMetricsA(dc, &tm);
        benchmark::DoNotOptimize(tm.tmHeight);
        SelectObject(dc, old);
        DeleteObject(font);
    }
    DeleteDC(dc);
}
BENCHMARK(BM_FontCreateSelectDelete);

} // namespace
