// open_close.cpp: the runtime's state, start-up, shutdown and switches.
//
// KV319_open brings up the two window classes, the graphics window (601 x 540
// with the Run menu), the text window across the lower third of the screen,
// the off-screen image and the 100 ms timer. Like the rest of the runtime it
// checks no result of the window system and always returns 1.
#include <signal.h>
#include <string.h>

#include "draw.h"
#include "state.h"

// The record's values at load: everything zero or none, except these.
static RuntimeState load_values(void) {
    RuntimeState s;
    memset(&s, 0, sizeof s);
    s.image_dirty = 1;
    s.logging_on = 1;
    s.history_oldest = -1;
    return s;
}

RuntimeState rt = load_values();

void reset_runtime_state(void) {
    for (int i = 0; i < HISTORY_SIZE; ++i)
        if (rt.history_lines[i]) GlobalFree(rt.history_lines[i]);
    if (rt.script_file) fclose(rt.script_file);
    rt = load_values();
}

int KV319_open(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    (void)command_line;
#ifndef _WIN32
    // A write past the file-size limit then fails like one to a full disk,
    // and is reported, instead of ending the program with its work unsaved.
    // A handler of the application's own is left in place.
    struct sigaction action;
    if (sigaction(SIGXFSZ, NULL, &action) == 0 && action.sa_handler == SIG_DFL)
        signal(SIGXFSZ, SIG_IGN);
#endif
    if (previous == NULL) {
        WNDCLASSA wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = graphics_window_proc;
        wc.cbClsExtra = 0;
        wc.cbWndExtra = 0;
        wc.hInstance = instance;
        wc.hIcon = LoadIconA(NULL, IDI_APPLICATION);
        wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
        wc.hbrBackground = CreateSolidBrush(colour_value(COLOUR_WHITE));
        wc.lpszMenuName = NULL;
        wc.lpszClassName = "DrawWndClass";
        RegisterClassA(&wc);
        wc.lpfnWndProc = text_window_proc;
        wc.lpszClassName = "TextWndClass";
        RegisterClassA(&wc);
    }

    int screen_width = GetSystemMetrics(SM_CXSCREEN);
    int screen_height = GetSystemMetrics(SM_CYSCREEN);

    rt.one_frame = 0;
    rt.animating = 0;

    rt.graphics_window =
        CreateWindowExA(0, "DrawWndClass", "KV319 Graphics", WS_CAPTION | WS_SYSMENU, 0, 0,
                        IMAGE_WIDTH, IMAGE_HEIGHT, NULL, NULL, instance, NULL);
    rt.text_window = CreateWindowExA(0, "TextWndClass", "KV319 Text", WS_OVERLAPPEDWINDOW, 0,
                                     2 * screen_height / 3 + 1, screen_width, screen_height / 3,
                                     NULL, NULL, instance, NULL);
    rt.instance = instance;

    rt.window_dc = GetDC(rt.graphics_window);
    rt.image = CreateCompatibleBitmap(rt.window_dc, IMAGE_WIDTH, IMAGE_HEIGHT);
    rt.image_dc = CreateCompatibleDC(rt.window_dc);
    SelectObject(rt.image_dc, rt.image);

    ShowWindow(rt.text_window, show);
    ShowWindow(rt.graphics_window, show);

    SetTimer(rt.graphics_window, TIMER_ID, TIMER_PERIOD_MS, NULL);
    return 1;
}

int KV319_close(void) {
    ReleaseDC(rt.graphics_window, rt.window_dc);
    close_script_file();
    return 1;
}

int KV319_show_text(int show) {
    return ShowWindow(rt.text_window, show ? SW_SHOW : SW_HIDE);
}

int KV319_logging(int on) {
    if (rt.graphics_window == NULL) return 0;
    rt.logging_on = on ? 1 : 0;
    CheckMenuItem(rt.run_menu, CMD_LOGGING,
                  MF_BYCOMMAND | (rt.logging_on ? MF_CHECKED : MF_UNCHECKED));
    if (rt.logging_on) KV319_show_text(1);
    return 1;
}

int KV319_animate(int code) {
    if (rt.graphics_window == NULL) return 0;
    switch (code) {
    case ANIMATE_HALT:
        rt.one_frame = 0;
        rt.animating = 0;
        break;
    case ANIMATE_ONE_FRAME:
        rt.one_frame = 1;
        break;
    case ANIMATE_RUN:
        rt.animating = 1;
        break;
    case ANIMATE_QUIT:
        rt.forced_quit = 1;
        break;
    default:
        break;
    }
    return 1;
}

void copy_image_to_window(void) {
    BitBlt(rt.window_dc, 0, 0, IMAGE_WIDTH, IMAGE_HEIGHT, rt.image_dc, 0, 0, SRCCOPY);
    rt.image_dirty = 0;
}
