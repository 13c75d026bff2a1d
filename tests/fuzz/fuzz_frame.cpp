// fuzz_frame.cpp: the runtime on a headless screen for the fuzz targets, and
// the card designer's frame drawn from any state.
//
// The frame follows editor/main.cpp call for call (its procedure is private
// to the program's entry); then every list and palette is drawn, whatever the
// state's tab, so that each meets the values a card file can give it.
#include "fuzz_frame.h"

#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "display.h"
#include "frame.h"
#include "headless_start.h"
#include "kv319.h"
#include "state.h"

namespace {

std::string scratch_dir;

char instance_tag;

} // namespace

ws::HeadlessDriver& fuzz_open_runtime() {
    if (scratch_dir.empty()) {
        char name[] = "/tmp/kv319_fuzz_XXXXXX";
        if (!mkdtemp(name)) abort();
        scratch_dir = name;
    }
    if (chdir(scratch_dir.c_str()) != 0) abort();
    ws::HeadlessDriver& driver = ws::headless_start(1024, 768);
    reset_runtime_state();
    KV319_open(reinterpret_cast<HINSTANCE>(&instance_tag), nullptr, const_cast<LPSTR>(""),
               SW_SHOWDEFAULT);
    KV319_show_text(0);
    KV319_logging(0);
    KV319_clear();
    KV319_animate(ANIMATE_RUN);
    return driver;
}

void fuzz_draw_frame(EditorState& s, int slot) {
    draw_layers(s);

    // Each list and palette once, marking a value picked by `slot`; the
    // colour palette and the size list each stand for all their uses.
    int pick = slot < 0 ? 0 : slot % SLOT_COUNT;
    const int colours[6] = {s.background_colour,        s.border_primary_colour,
                            s.border_secondary_colour,  s.shape_colour[pick],
                            s.shape_flash_colour[pick], s.message_colour[pick]};
    const int sizes[3] = {s.border_size, s.shape_size[pick], s.message_size[pick]};
    draw_colour_palette(colours[pick % 6]);
    draw_size_list(sizes[pick % 3]);
    draw_border_list(s.border_kind);
    draw_shape_palette(s.shape_kind[pick]);
    draw_message_list(s.message_kind[pick]);
    draw_speed_list(s.message_speed[pick]);
}
