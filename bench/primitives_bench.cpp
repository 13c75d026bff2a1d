// primitives_bench.cpp: the runtime's shape primitives at card sizes and
// formatted text at the point sizes the card designer uses, through the
// real runtime on the headless layer (logging off, as the designer runs).
#include <benchmark/benchmark.h>

#include <climits>

#include "headless_start.h"
#include "kv319.h"
#include "state.h"

namespace {

void open_runtime() {
    ws::headless_start(1024, 768);
    reset_runtime_state();
    KV319_open(nullptr, nullptr, const_cast<LPSTR>(""), SW_SHOW);
    KV319_show_text(0);
    KV319_logging(0);
    KV319_clear();
}

// The card is 400 x 360; shapes range from small (radius 20) to huge (100).
void BM_Clear(benchmark::State& state) {
    open_runtime();
    for (auto _ : state)
        KV319_clear();
}
BENCHMARK(BM_Clear);

void BM_Pixel(benchmark::State& state) {
    open_runtime();
    int i = 0;
    for (auto _ : state) {
        KV319_pixel(i % 24, i % 400 - 130, i % 360 - 170);
        ++i;
    }
}
BENCHMARK(BM_Pixel);

void BM_CircleFilled(benchmark::State& state) {
    open_runtime();
    int r = static_cast<int>(state.range(0));
    for (auto _ : state)
        KV319_circle(5, 70, 10, r);
}
BENCHMARK(BM_CircleFilled)->Arg(20)->Arg(50)->Arg(100);

void BM_RectangleFilledCard(benchmark::State& state) {
    open_runtime();
    for (auto _ : state)
        KV319_rectangle(15, -130, 190, 270, -170, 0);
}
BENCHMARK(BM_RectangleFilledCard);

void BM_RectangleOutline(benchmark::State& state) {
    open_runtime();
    int w = static_cast<int>(state.range(0));
    for (auto _ : state)
        KV319_rectangle(4, -130, 190, 270, -170, w);
}
BENCHMARK(BM_RectangleOutline)->Arg(1)->Arg(5);

void BM_OvalFilled(benchmark::State& state) {
    open_runtime();
    int r = static_cast<int>(state.range(0));
    for (auto _ : state)
        KV319_oval(8, 70 - r, 10 + r / 2, 70 + r, 10 - r / 2, 0);
}
BENCHMARK(BM_OvalFilled)->Arg(20)->Arg(100);

void BM_OvalOutline(benchmark::State& state) {
    open_runtime();
    for (auto _ : state)
        KV319_oval(8, -30, 60, 170, -40, 3);
}
BENCHMARK(BM_OvalOutline);

void BM_TriangleFilled(benchmark::State& state) {
    open_runtime();
    int r = static_cast<int>(state.range(0));
    for (auto _ : state)
        KV319_triangle(2, 70 - r, 10, 70 + r, 10, 70, 10 - r, 0);
}
BENCHMARK(BM_TriangleFilled)->Arg(20)->Arg(100);

void BM_Line(benchmark::State& state) {
    open_runtime();
    int w = static_cast<int>(state.range(0));
    for (auto _ : state)
        KV319_line(0, -130, 190, 270, -170, w);
}
BENCHMARK(BM_Line)->Arg(1)->Arg(4);

// Arguments at the ends of the int range: only what lies on the image is drawn.
void BM_HugeArguments(benchmark::State& state) {
    open_runtime();
    for (auto _ : state) {
        KV319_circle(3, 0, 0, INT_MAX);
        KV319_triangle(3, INT_MIN, INT_MIN, INT_MAX, INT_MIN / 2, 0, INT_MAX, 0);
        KV319_line(3, INT_MIN, 0, INT_MAX, 7, INT_MAX);
    }
}
BENCHMARK(BM_HugeArguments);

void BM_TextPrintf(benchmark::State& state) {
    open_runtime();
    int size = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(KV319_text_printf(9, -120, 100, size, "Happy Birthday!"));
}
BENCHMARK(BM_TextPrintf)->Arg(12)->Arg(18)->Arg(24)->Arg(36)->Arg(60);

} // namespace
