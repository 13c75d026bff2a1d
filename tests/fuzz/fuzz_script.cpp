// fuzz_script.cpp: any bytes as the script file KV319.SCR, played back to its
// end through Playback Script into the card designer: every scripted click
// goes to the click routing, as in the main loop, and one frame of the card
// is drawn at the end.
//
// A run is cut after MAX_EVENTS events (a periodic line may stand for two
// thousand million). When the program would block for live input (a pause
// that outlasts the script), the scripted user presses a key.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "card_files.h"
#include "display.h"
#include "editing.h"
#include "editor_state.h"
#include "fuzz_frame.h"
#include "headless_driver.h"
#include "kv319.h"
#include "state.h"

namespace {

constexpr int MAX_EVENTS = 2000;

void press_space(ws::HeadlessDriver& driver, uint64_t) {
    for (auto kind : {ws::InputEvent::Kind::KeyDown, ws::InputEvent::Kind::KeyUp}) {
        ws::InputEvent e;
        e.kind = kind;
        e.window = -1;
        e.vk = VK_SPACE;
        e.ch = kind == ws::InputEvent::Kind::KeyDown ? ' ' : 0;
        driver.push_input(e);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ws::HeadlessDriver& driver = fuzz_open_runtime();
    FILE* f = fopen(SCRIPT_FILE_NAME, "wb");
    if (!f) abort();
    if (size > 0 && fwrite(data, 1, size, f) != size) abort();
    if (fclose(f) != 0) abort();

    driver.set_idle_handler(press_space);

    static EditorState state;
    init_editor_state(state);
    card_srand(12345);
    PostMessageA(rt.graphics_window, WM_COMMAND, CMD_PLAYBACK, 0);

    int x = 0, y = 0;
    char key = 0;
    for (int events = 0; events < MAX_EVENTS && state.quit_requested == 0; ++events) {
        int kind = KV319_await_event(&x, &y, &key);
        if (kind < EVENT_MOUSE || kind > EVENT_QUIT) abort();
        if (kind == EVENT_MOUSE) route_click(x, y, state);
        if (kind == EVENT_QUIT) break;
        // The first wait has turned playback on; it stays on to the end.
        if (!rt.playing_back) break;
    }
    fuzz_draw_frame(state, state.selected_shape);
    close_script_file();
    return 0;
}
