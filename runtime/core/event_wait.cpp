// event_wait.cpp: KV319_await_event, the message pump and the event wait.
//
// Each turn of the wait handles at most one window-system message, lets
// script playback supply an event, and turns the wait into a periodic one
// while animation runs. A turn that finds no message and no playback to do
// sleeps until there is something to take, so a waiting program uses no
// processor time: a periodic wait until the next message or timer event,
// any other wait until the next message other than a timer's.
#include "state.h"

// One step of the message pump; returns 1 when it took a message.
static int pump_once(void) {
    MSG msg;
    int took = PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE) ? 1 : 0;
    if (took) {
        if (msg.message == WM_QUIT) {
            rt.pending_kind = EVENT_QUIT;
            return 1;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (rt.image_dirty) copy_image_to_window();
    return took;
}

static int still_waiting(void) {
    return rt.pending_kind == EVENT_NONE ||
           (rt.pending_kind == EVENT_PERIODIC && rt.tick_arrived == 0);
}

// Sleeps until the wait has something to take. Only a periodic wait is ended
// by the timer; in any other (animation halted) a timer event would only set
// tick_arrived, which the next periodic wait clears first, so the timer need
// not wake the program: it is taken with whatever wakes it.
static void sleep_until_needed(void) {
    if (rt.pending_kind == EVENT_PERIODIC)
        WaitMessage();
    else
        MsgWaitForMultipleObjects(0, NULL, FALSE, INFINITE, QS_ALLINPUT & ~QS_TIMER);
}

static int wait_for_event(EventRecord* record) {
    rt.pending_kind = EVENT_NONE;
    rt.pending.key = 0;
    rt.pending.y = 0;
    rt.pending.x = 0;

    while (still_waiting()) {
        int took = pump_once();
        if (rt.window_destroyed && rt.pending_kind == EVENT_NONE) rt.pending_kind = EVENT_QUIT;

        // A quit taken in this turn is never replaced by a scripted event.
        if ((rt.play_one || rt.playing_back) && rt.pending_kind != EVENT_QUIT) {
            rt.play_one = 0;
            if (read_script_event()) break;
            stop_playback();
        }

        if ((rt.one_frame || rt.animating) && rt.pending_kind == EVENT_NONE) {
            rt.pending_kind = EVENT_PERIODIC;
            rt.tick_arrived = 0;
            rt.one_frame = 0;
        }

        if (!took && still_waiting() && !rt.playing_back && !rt.play_one) sleep_until_needed();
    }

    if (rt.recording) {
        if (rt.pending_kind == EVENT_PERIODIC) {
            // A run too long for the count is written out before it overflows.
            if (rt.periodic_count == 0x7FFFFFFF) {
                write_script_event(EVENT_PERIODIC, &rt.pending);
                rt.periodic_count = 0;
            }
            rt.periodic_count += 1;
        } else {
            if (rt.periodic_count > 0) {
                write_script_event(EVENT_PERIODIC, &rt.pending);
                rt.periodic_count = 0;
            }
            write_script_event(rt.pending_kind, &rt.pending);
        }
    }

    *record = rt.pending;
    return rt.forced_quit ? EVENT_QUIT : rt.pending_kind;
}

int KV319_await_event(int* x, int* y, char* key) {
    EventRecord record;
    int kind = wait_for_event(&record);
    *x = record.x;
    *y = record.y;
    *key = record.key;
    return kind;
}
