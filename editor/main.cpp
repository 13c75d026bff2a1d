// main.cpp: the card designer's entry point and main loop.
//
// Each pass draws one whole frame from the editor state, shows the panel of
// the active item (whose hint code tells the next click which list is on
// screen), then waits for one event. Clicks go to the click routing; a quit
// ends the loop. Nothing is saved on the way out.
#include <time.h>

#include "editing.h"
#include "editor_state.h"
#include "frame.h"
#include "kv319.h"

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
        int event_kind = KV319_await_event(&event_x, &event_y, &event_key);
        if (event_kind == EVENT_MOUSE)
            route_click(event_x, event_y, state);
        else if (event_kind == EVENT_QUIT)
            state.quit_requested = 1;
    }

    KV319_close();
    return 0;
}
