// raster_bench.cpp: the cost of the rasteriser's shapes at card sizes, on a
// canvas the size of the runtime's image (601 x 540). Items processed are
// the pixels each shape covers, so the rate reads as pixels per second.
#include <benchmark/benchmark.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "raster.h"

using namespace ws;

namespace {

struct Image {
    std::vector<uint32_t> px = std::vector<uint32_t>(601 * 540, 0xFFFFFF);
    Canvas canvas() { return make_canvas(px.data(), 601, 540, 601); }
};

RasterPaint paint(int width, bool brush) {
    RasterPaint p;
    p.pen = 0x000000;
    p.pen_width = width;
    p.has_brush = brush;
    p.brush = 0xFF0000;
    return p;
}

// Pixels one call covers (the shape drawn once on a clear image).
template <typename Draw> int64_t covered(Draw draw) {
    Image img;
    draw(img.canvas());
    int64_t n = 0;
    for (uint32_t v : img.px)
        n += v != 0xFFFFFF;
    return n;
}

template <typename Draw> void run(benchmark::State& state, Draw draw) {
    Image img;
    Canvas c = img.canvas();
    for (auto _ : state) {
        Rect r = draw(c);
        benchmark::DoNotOptimize(r);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * covered(draw));
}

// The card area, 400 x 360, filled and outlined.
void BM_RectangleFilled(benchmark::State& state) {
    run(state,
        [](const Canvas& c) { return raster_rectangle(c, 170, 100, 571, 461, paint(1, true)); });
}
void BM_RectangleOutline(benchmark::State& state) {
    int w = int(state.range(0));
    run(state,
        [w](const Canvas& c) { return raster_rectangle(c, 170, 100, 571, 461, paint(w, false)); });
}

// Discs as the runtime draws circles: pen and brush, bounding square 2r + 1.
void BM_Disc(benchmark::State& state) {
    int r = int(state.range(0));
    run(state, [r](const Canvas& c) {
        return raster_ellipse(c, 300 - r, 270 - r, 301 + r, 271 + r, paint(1, true));
    });
}
void BM_EllipseOutline(benchmark::State& state) {
    int w = int(state.range(0));
    run(state,
        [w](const Canvas& c) { return raster_ellipse(c, 200, 180, 401, 301, paint(w, false)); });
}

// A card-sized filled triangle.
void BM_TriangleFilled(benchmark::State& state) {
    POINT t[] = {{180, 120}, {560, 250}, {260, 450}};
    run(state, [&t](const Canvas& c) { return raster_polygon_fill(c, t, 3, 0xFF0000); });
}

// A 300-pixel diagonal at widths 1..15.
void BM_Line(benchmark::State& state) {
    int w = int(state.range(0));
    run(state, [w](const Canvas& c) { return raster_stroke(c, 150, 120, 400, 286, w, 0); });
}

// A shape far larger than the image costs what the image holds, no more.
void BM_HugeEllipseClipped(benchmark::State& state) {
    run(state, [](const Canvas& c) {
        return raster_ellipse(c, INT_MIN, INT_MIN, INT_MAX, INT_MAX, paint(1, true));
    });
}
void BM_HugeLineClipped(benchmark::State& state) {
    run(state,
        [](const Canvas& c) { return raster_stroke(c, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 9, 0); });
}

} // namespace

BENCHMARK(BM_RectangleFilled);
BENCHMARK(BM_RectangleOutline)->Arg(1)->Arg(5)->Arg(15);
BENCHMARK(BM_Disc)->Arg(10)->Arg(20)->Arg(40)->Arg(60);
BENCHMARK(BM_EllipseOutline)->Arg(1)->Arg(5)->Arg(15);
BENCHMARK(BM_TriangleFilled);
BENCHMARK(BM_Line)->Arg(1)->Arg(2)->Arg(5)->Arg(10)->Arg(15);
BENCHMARK(BM_HugeEllipseClipped);
BENCHMARK(BM_HugeLineClipped);
