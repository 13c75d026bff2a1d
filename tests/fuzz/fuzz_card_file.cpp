// fuzz_card_file.cpp: any bytes as a card file. The bytes become "tobu1.sav"
// in the scratch directory, the "Load 1" button of the "Files" tab loads it
// (the real reader, the pressed button and its pause of three events), and
// one frame of the loaded card is drawn with every list and palette.
//
// Besides the sanitizers' findings, a load must leave a card whose table
// fields are exactly what a second load of the same file gives: the reader
// keeps no state between loads.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "card_files.h"
#include "display.h"
#include "editing.h"
#include "editor_state.h"
#include "fuzz_frame.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_open_runtime();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* f = fopen(card_file_name(1), "wb");
    if (!f) abort();
    if (size > 0 && fwrite(data, 1, size, f) != size) abort();
    if (fclose(f) != 0) abort();

    static EditorState state;
    init_editor_state(state);
    card_srand(12345);
    state.category = 4;
    state.item = 3; // "Load 1"
    state.selected_shape = 2;
    press_files_button(state);
    if (state.selected_shape != -1 || state.item != -1 || state.status != 24) abort();

    static EditorState again;
    init_editor_state(again);
    if (read_card_file(card_file_name(1), again) < 0) abort();
    // The editor fields that a load never sets are aside; compare the card.
    again.category = state.category;
    again.item = state.item;
    again.status = state.status;
    again.quit_requested = state.quit_requested;
    if (memcmp(&again, &state, sizeof state) != 0) abort();

    fuzz_draw_frame(state, static_cast<int>(size % SLOT_COUNT));
    return 0;
}
