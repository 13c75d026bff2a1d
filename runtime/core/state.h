// state.h: the runtime's one process-wide record, and the procedures that
// the runtime's own files share.
#pragma once

#include <stdio.h>

#include "kv319.h"

// The event being collected by a wait.
struct EventRecord {
    int x;
    int y;
    char key;
};

struct RuntimeState {
    HWND graphics_window;
    HWND text_window;
    HINSTANCE instance;
    HDC window_dc;
    HBITMAP image;
    HDC image_dc;
    int image_dirty;
    HMENU run_menu;
    int origin_x;
    int origin_y;
    unsigned char logging_on;
    unsigned char animating;
    unsigned char one_frame;
    unsigned char forced_quit;
    int tick_arrived;
    int control_down;
    int pending_kind;
    EventRecord pending;
    unsigned char recording;
    unsigned char playing_back;
    unsigned char play_one;
    FILE* script_file;
    int periodic_count;
    // Set once a write to the script file has failed, so that the failure is
    // reported once and recording stops.
    unsigned char script_write_failed;
    // Set when the graphics window has been destroyed: from then on there is
    // nothing left to wait for, and every wait returns EVENT_QUIT at once.
    unsigned char window_destroyed;

    // The text window's message history (25 lines, one movable block each).
    HGLOBAL history_lines[25];
    int history_oldest;
    int history_next;
    char* gets_buffer;
};

#define HISTORY_SIZE 25
#define IMAGE_WIDTH 601
#define IMAGE_HEIGHT 540
#define TIMER_ID 2
#define TIMER_PERIOD_MS 100
#define SCRIPT_FILE_NAME "KV319.SCR"

// Run menu command numbers.
#define CMD_ANIMATE 1
#define CMD_HALT 2
#define CMD_ONE_FRAME 3
#define CMD_LOGGING 4
#define CMD_RECORD 5
#define CMD_PLAYBACK 6
#define CMD_PLAY_ONE 7
#define CMD_QUIT 8
#define CMD_INFO 9

extern RuntimeState rt;

// Puts the record back to its values at load (tests start afresh with it).
void reset_runtime_state(void);

// Window procedures.
LRESULT CALLBACK graphics_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK text_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

// The copy of the whole image to the graphics window; clears image_dirty.
void copy_image_to_window(void);

// Scripts.
void write_script_event(int kind, const EventRecord* record);
int read_script_event(void);
void stop_playback(void);
void close_script_file(void);

// The text window.
void show_text_line(char* line);
