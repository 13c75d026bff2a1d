// main.cpp: the card designer's entry point and main loop.
//
// Each pass draws one whole frame from the editor state, shows the panel of
// the active item (whose hint code tells the next click which list is on
// screen), then waits for one event. Clicks go to the click routing; a quit
// ends the loop. Nothing is saved on the way out.
#include <time.h>

#include "editing.h"
#include "editor_state.h"
#include "kv319.h"

static void draw_frame(EditorState& s) {
    ShapeTable shapes = shape_table(s);
    MessageTable messages = message_table(s);
    draw_backdrop();
    draw_card(s.background_colour);
    draw_shapes(shapes);
    draw_messages(messages);
    draw_mask();
    draw_status(s.status, s.category);
    draw_border(s.border_kind, s.border_primary_colour, s.border_secondary_colour, s.border_size);
    draw_tabs(s.category);
    draw_item_buttons(s.category, s.item);
}

// Draws the list or palette of the active item with its current value, and
// sets the hint code that tells the hit test it is on screen. Any other
// (category, item) pair draws no panel and keeps the status.
static void draw_item_panel(EditorState& s) {
    int shape = s.selected_shape;
    int message = s.selected_message;
    // A selection always names an occupied slot; a bad one (from a card
    // file) shows no panel rather than reading outside the table.
    bool shape_ok = shape >= 0 && shape < SLOT_COUNT;
    bool message_ok = message >= 0 && message < SLOT_COUNT;
    if (s.category == 0 && s.item == 0) {
        draw_colour_palette(s.background_colour);
        s.status = 3;
    } else if (s.category == 1) {
        switch (s.item) {
        case 0: draw_border_list(s.border_kind); s.status = 23; break;
        case 1: draw_size_list(s.border_size); s.status = 12; break;
        case 2: draw_colour_palette(s.border_primary_colour); s.status = 3; break;
        case 3: draw_colour_palette(s.border_secondary_colour); s.status = 3; break;
        default: break;
        }
    } else if (s.category == 2 && shape_ok) {
        switch (s.item) {
        case 2: draw_shape_palette(s.shape_kind[shape]); s.status = 11; break;
        case 3: draw_colour_palette(s.shape_colour[shape]); s.status = 3; break;
        case 4: draw_colour_palette(s.shape_flash_colour[shape]); s.status = 3; break;
        case 5: draw_size_list(s.shape_size[shape]); s.status = 12; break;
        default: break;
        }
    } else if (s.category == 3 && message_ok) {
        switch (s.item) {
        case 2: draw_message_list(s.message_kind[message]); s.status = 17; break;
        case 3: draw_colour_palette(s.message_colour[message]); s.status = 3; break;
        case 4: draw_size_list(s.message_size[message]); s.status = 12; break;
        case 5: draw_speed_list(s.message_speed[message]); s.status = 21; break;
        default: break;
        }
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    static EditorState state;
    init_editor_state(state);
    card_srand(static_cast<unsigned>(time(nullptr)));

    KV319_open(instance, previous, command_line, show);
    KV319_show_text(0);
    KV319_logging(0);
    KV319_clear();
    KV319_animate(ANIMATE_RUN);

    int event_x = 0, event_y = 0;
    char event_key = 0;
    while (state.quit_requested == 0) {
        draw_frame(state);
        draw_item_panel(state);
        int event_kind = KV319_await_event(&event_x, &event_y, &event_key);
        if (event_kind == EVENT_MOUSE) route_click(event_x, event_y, state);
        else if (event_kind == EVENT_QUIT) state.quit_requested = 1;
    }

    KV319_close();
    return 0;
}
