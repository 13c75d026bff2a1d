// frame_pictures.cpp: writes the benchmark frames as PNG files, so that a
// change to the drawing code can be checked pixel for pixel against the
// pictures made before it (cmp the files). Usage: frame_pictures DIR
// writes DIR/start.png and DIR/heavy-N.png for the first frames of the
// heavy card (its animation moves from frame to frame), and DIR/mixed-N.png
// for cards that show every shape kind, size, border, panel and text size.
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

// Card n of the mixed set: each slot a different kind, size and colour,
// animated and flashing, with every border pattern and size and each
// category's panels in turn.
bench::Card mixed_card(int n) {
    bench::Card c;
    c.background = (n * 7) % 24;
    c.category = n % 4;
    c.item = n % 6;
    c.status = n % 25;
    c.border_kind = n % 5 - 1, c.border_size = n % 4;
    c.border_primary = (n * 5) % 24, c.border_secondary = (n * 11 + 3) % 24;
    for (int i = 0; i < SLOT_COUNT; ++i) {
        c.shape_kind[i] = (i + n) % 4, c.shape_size[i] = (i + n / 4) % 4;
        c.shape_x[i] = -120 + 41 * i - 3 * n, c.shape_y[i] = 170 - 37 * i + 5 * n;
        c.shape_colour[i] = (i * 3 + n) % 24, c.shape_flash[i] = (i * 5 + 1) % 24;
        c.shape_animated[i] = (i + n) % 3, c.shape_flashing[i] = (i + 2 * n) % 4;
        c.message_kind[i] = (i + n) % 7, c.message_size[i] = (i + n) % 4;
        c.message_speed[i] = (i + n) % 5, c.message_scrolling[i] = (i + n) % 2;
        c.message_colour[i] = (i * 7 + n) % 24;
        c.message_x[i] = -150 + 45 * i, c.message_y[i] = -180 + 38 * i;
    }
    return c;
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
    for (int n = 0; n < 24; ++n) {
        bench::Card mixed = mixed_card(n);
        for (int frame = 0; frame < 3; ++frame) bench::draw_frame(mixed);
        // Each panel in turn, over the frame's own.
        switch (n % 6) {
        case 0: draw_colour_palette(n % 24); break;
        case 1: draw_border_list(n % 5 - 1); break;
        case 2: draw_size_list(n % 4); break;
        case 3: draw_message_list(n % 7); break;
        case 4: draw_speed_list(n % 5); break;
        default: draw_shape_palette(n % 4); break;
        }
        if (!write_image(dir + "/mixed-" + std::to_string(n) + ".png")) return 1;
    }
    return 0;
}
