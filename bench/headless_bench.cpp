// Costs of the headless driver's per-frame and per-command work: presenting
// a window's pixels, composing the screen, and writing a shot as PNG.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "canvas.h"
#include "headless_driver.h"
#include "png_io.h"

namespace {

ws::NativeWindowInfo info(int x, int y, int w, int h) {
    ws::NativeWindowInfo s;
    s.x = x, s.y = y, s.width = w, s.height = h;
    return s;
}

std::vector<uint32_t> pattern(int w, int h) {
    std::vector<uint32_t> px(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < px.size(); ++i)
        px[i] = static_cast<uint32_t>(i * 2654435761u) >> 8;
    return px;
}

// The graphics window's whole surface, once per frame.
void BM_PresentGraphicsWindow(benchmark::State& state) {
    ws::HeadlessDriver d(1024, 768);
    int id = d.create_window(info(0, 0, 601, 540));
    std::vector<uint32_t> px = pattern(601, 540);
    for (auto _ : state) {
        d.present(id, px.data(), 601, 540, 601, {0, 0, 601, 540});
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PresentGraphicsWindow);

// The screen with the runtime's two windows and a dialog over them.
void BM_ComposeScreen(benchmark::State& state) {
    ws::HeadlessDriver d(1024, 768);
    int ids[3] = {d.create_window(info(0, 513, 1024, 256)), d.create_window(info(0, 0, 601, 540)),
                  d.create_window(info(100, 100, 370, 184))};
    for (int id : ids) {
        const auto& s = d.window(id)->info;
        std::vector<uint32_t> px = pattern(s.width, s.height);
        d.present(id, px.data(), s.width, s.height, s.width, {0, 0, s.width, s.height});
        d.show_window(id, true);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(d.compose_screen());
}
BENCHMARK(BM_ComposeScreen);

// A shot: the 601 x 501 client area to a PNG file, of a picture in flat
// blocks of colour as a card is.
void BM_WriteShotPng(benchmark::State& state) {
    std::vector<uint32_t> px(601 * 540);
    for (int y = 0; y < 540; ++y)
        for (int x = 0; x < 601; ++x)
            px[static_cast<size_t>(y) * 601 + x] =
                static_cast<uint32_t>((x / 40) * 0x102030 + (y / 30) * 0x030201) & 0xFFFFFF;
    std::string path = "headless_bench_shot.png";
    for (auto _ : state)
        if (!ws::write_png(path.c_str(), px.data() + 39 * 601, 601, 501, 601))
            state.SkipWithError("cannot write the PNG");
    std::remove(path.c_str());
}
BENCHMARK(BM_WriteShotPng)->Unit(benchmark::kMillisecond);

} // namespace
