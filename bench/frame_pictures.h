// frame_pictures.h: the 33 frames that check a drawing change pixel for
// pixel: the start state, the first eight frames of the heavy card (its
// animation moves from frame to frame), and 24 mixed cards that show every
// shape kind, size, border, panel and text size. The frame_pictures program
// writes them as PNG files; the frame_pictures test compares them with its
// golden pictures. Header-only, like bench_cards.h.
#pragma once

#include <string>

#include "bench_cards.h"
#include "gdi.h"
#include "headless_start.h"
#include "kv319.h"
#include "state.h"

namespace bench {

// Card n of the mixed set: each slot a different kind, size and colour,
// animated and flashing, with every border pattern and size and each
// category's panels in turn.
inline Card mixed_card(int n) {
    Card c;
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

// The off-screen image that the frames are drawn into.
inline ws::Canvas frame_image() {
    ws::DC* dc = ws::gdi_dc(rt.image_dc);
    return dc ? ws::dc_canvas(*dc) : ws::Canvas{};
}

// Opens the runtime on a headless screen and draws the 33 frames in their
// fixed order, calling picture(name, image) after each; stops early when
// picture returns false. Once per process: the runtime stays open.
template <typename Picture> bool draw_frame_pictures(Picture&& picture) {
    ws::headless_start(1024, 768);
    KV319_open(nullptr, nullptr, (LPSTR) "", SW_SHOW);
    KV319_show_text(0);
    KV319_logging(0);
    KV319_clear();
    card_srand(1);
    Card start = start_card();
    draw_frame(start);
    if (!picture(std::string("start"), frame_image())) return false;
    Card heavy = heavy_card();
    for (int frame = 0; frame < 8; ++frame) {
        draw_frame(heavy);
        if (!picture("heavy-" + std::to_string(frame), frame_image())) return false;
    }
    for (int n = 0; n < 24; ++n) {
        Card mixed = mixed_card(n);
        for (int frame = 0; frame < 3; ++frame)
            draw_frame(mixed);
        // Each panel in turn, over the frame's own.
        switch (n % 6) {
        case 0:
            draw_colour_palette(n % 24);
            break;
        case 1:
            draw_border_list(n % 5 - 1);
            break;
        case 2:
            draw_size_list(n % 4);
            break;
        case 3:
            draw_message_list(n % 7);
            break;
        case 4:
            draw_speed_list(n % 5);
            break;
        default:
            draw_shape_palette(n % 4);
            break;
        }
        if (!picture("mixed-" + std::to_string(n), frame_image())) return false;
    }
    return true;
}

} // namespace bench
