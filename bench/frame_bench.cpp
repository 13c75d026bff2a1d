// frame_bench.cpp: where a frame's time goes. Whole frames (start state and
// the heavy card) through the real runtime on the headless driver, each
// layer of those frames on its own, the shape primitives and graphics text
// at each point size the card uses, and the once-per-frame copy of the image
// to the window and its present.
#include <benchmark/benchmark.h>

#include "bench_cards.h"
#include "headless_start.h"
#include "kv319.h"
#include "state.h"
#include "wm.h"

namespace {

void open_runtime() {
    static bool opened = false;
    if (opened) return;
    opened = true;
    ws::headless_start(1024, 768);
    KV319_open(nullptr, nullptr, (LPSTR) "", SW_SHOW);
    KV319_show_text(0);
    KV319_logging(0);
    KV319_clear();
}

void BM_Frame(benchmark::State& state, bench::Card (*make)()) {
    open_runtime();
    bench::Card card = make();
    for (auto _ : state)
        bench::draw_frame(card);
}
BENCHMARK_CAPTURE(BM_Frame, start, bench::start_card)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Frame, heavy, bench::heavy_card)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Frame, heavy_animated, bench::heavy_animated_card)
    ->Unit(benchmark::kMicrosecond);

// One layer alone, drawn over whatever the last iteration left.
void BM_Layer(benchmark::State& state, bench::Card (*make)()) {
    open_runtime();
    bench::Card card = make();
    int layer = static_cast<int>(state.range(0));
    state.SetLabel(bench::layer_name(layer));
    for (auto _ : state)
        bench::draw_layer(card, layer);
}
BENCHMARK_CAPTURE(BM_Layer, start, bench::start_card)
    ->DenseRange(0, bench::LAYER_COUNT - 1)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Layer, heavy, bench::heavy_card)
    ->DenseRange(0, bench::LAYER_COUNT - 1)
    ->Unit(benchmark::kMicrosecond);

// ---- Primitives, as the card draws them ------------------------------------

void BM_FilledCardRectangle(benchmark::State& state) {
    open_runtime();
    for (auto _ : state)
        KV319_rectangle(5, -130, -170, 270, 190, 0);
}
BENCHMARK(BM_FilledCardRectangle)->Unit(benchmark::kMicrosecond);

void BM_Circle(benchmark::State& state) {
    open_runtime();
    int r = static_cast<int>(state.range(0));
    for (auto _ : state)
        KV319_circle(8, 40, 10, r);
}
BENCHMARK(BM_Circle)->Arg(5)->Arg(40)->Arg(170);

void BM_OvalOutline(benchmark::State& state) {
    open_runtime();
    for (auto _ : state)
        KV319_oval(4, -120, 150, 200, -100, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_OvalOutline)->Arg(1)->Arg(5);

void BM_FilledTriangle(benchmark::State& state) {
    open_runtime();
    int s = static_cast<int>(state.range(0));
    for (auto _ : state)
        KV319_triangle(13, -s, -s / 2, s, -s / 2, 0, s, 0);
}
BENCHMARK(BM_FilledTriangle)->Arg(5)->Arg(150);

// A diagonal 300 pixels across, at the widths the spirals use.
void BM_Line(benchmark::State& state) {
    open_runtime();
    int w = static_cast<int>(state.range(0));
    for (auto _ : state)
        KV319_line(9, -150, -100, 150, 100, w);
}
BENCHMARK(BM_Line)->Arg(1)->Arg(2)->Arg(6)->Arg(15);

// A short wide segment, the spiral's typical piece.
void BM_ShortWideLine(benchmark::State& state) {
    open_runtime();
    int w = static_cast<int>(state.range(0));
    for (auto _ : state)
        KV319_line(9, 10, 10, 10 + 3 * w, 10 + w, w);
}
BENCHMARK(BM_ShortWideLine)->Arg(2)->Arg(8)->Arg(15);

void BM_Pixel(benchmark::State& state) {
    open_runtime();
    for (auto _ : state)
        KV319_pixel(2, 3, 4);
}
BENCHMARK(BM_Pixel);

// The greeting at the four message sizes (Small, Medium, Large, Huge), with
// its font created and deleted on every call, as the runtime does.
void BM_Text(benchmark::State& state) {
    open_runtime();
    int pt = static_cast<int>(state.range(0));
    for (auto _ : state)
        KV319_text_printf(0, -120, 0, pt, "Will you be mine?");
}
BENCHMARK(BM_Text)->Arg(12)->Arg(24)->Arg(36)->Arg(60);

// ---- The image to the window -------------------------------------------------

// What the event wait does once per changed frame: the whole image to the window.
void BM_ImageCopy(benchmark::State& state) {
    open_runtime();
    for (auto _ : state) {
        BitBlt(rt.window_dc, 0, 0, IMAGE_WIDTH, IMAGE_HEIGHT, rt.image_dc, 0, 0, SRCCOPY);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ImageCopy)->Unit(benchmark::kMicrosecond);

// The copy and the driver's present of the changed window, once per frame.
void BM_ImageCopyAndPresent(benchmark::State& state) {
    open_runtime();
    for (auto _ : state) {
        BitBlt(rt.window_dc, 0, 0, IMAGE_WIDTH, IMAGE_HEIGHT, rt.image_dc, 0, 0, SRCCOPY);
        ws::wm_present_all();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ImageCopyAndPresent)->Unit(benchmark::kMicrosecond);

} // namespace
