// frame_pictures.cpp: writes the benchmark frames as PNG files, so that a
// change to the drawing code can be checked pixel for pixel against the
// pictures made before it (cmp the files). Usage: frame_pictures DIR
// writes DIR/start.png and DIR/heavy-N.png for the first frames of the
// heavy card (its animation moves from frame to frame).
#include <cstdio>
#include <string>

#include "bench_cards.h"
#include "gdi.h"
#include "headless_driver.h"
#include "kv319.h"
#include "png_io.h"
#include "state.h"

namespace {

bool write_image(const std::string& path) {
    ws::DC* dc = ws::gdi_dc(rt.image_dc);
    ws::Canvas c = dc ? ws::dc_canvas(*dc) : ws::Canvas{};
    if (!c.pixels || !ws::write_png(path.c_str(), c.pixels, c.width, c.height, c.stride)) {
        std::fprintf(stderr, "frame_pictures: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: frame_pictures DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    ws::headless_start(1024, 768);
    KV319_open(nullptr, nullptr, (LPSTR) "", SW_SHOW);
    KV319_show_text(0);
    KV319_logging(0);
    KV319_clear();
    card_srand(1);
    bench::Card start = bench::start_card();
    bench::draw_frame(start);
    if (!write_image(dir + "/start.png")) return 1;
    bench::Card heavy = bench::heavy_card();
    for (int frame = 0; frame < 8; ++frame) {
        bench::draw_frame(heavy);
        if (!write_image(dir + "/heavy-" + std::to_string(frame) + ".png")) return 1;
    }
    return 0;
}
