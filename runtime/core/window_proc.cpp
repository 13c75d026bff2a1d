// window_proc.cpp: the graphics window's procedure and the Run menu.
//
// The procedure turns window-system messages into runtime state: clicks and
// characters into the pending event, timer messages into ticks, size messages
// into the origin, and the Run menu's commands (also given with Control-key
// shortcuts) into the animation, logging and script switches.
#include "state.h"

// The Run menu, top to bottom. Command 0 marks a separator.
struct MenuLine {
    const char* text;
    UINT command;
    UINT flags;
};

static const MenuLine RUN_MENU[] = {
    {"&Animate\tCtrl+A", CMD_ANIMATE, MF_STRING},
    {"&Halt animation\tCtrl+H", CMD_HALT, MF_STRING},
    {"Advance one &frame\tCtrl+F", CMD_ONE_FRAME, MF_STRING},
    {NULL, 0, MF_SEPARATOR},
    {"&Logging\tCtrl+L", CMD_LOGGING, MF_STRING | MF_CHECKED},
    {NULL, 0, MF_SEPARATOR},
    {"&Record Script\tCtrl+R", CMD_RECORD, MF_STRING},
    {"&Playback Script\tCtrl+P", CMD_PLAYBACK, MF_STRING},
    {"Play &One Script\tCtrl+O", CMD_PLAY_ONE, MF_STRING},
    {NULL, 0, MF_SEPARATOR},
    {"&Quit\tCtrl+Q", CMD_QUIT, MF_STRING},
    {NULL, 0, MF_SEPARATOR},
    {"MAC: mac@card-designer.invalid", CMD_INFO, MF_STRING | MF_GRAYED},
    {"WINDOWS: windows@card-designer.invalid", CMD_INFO, MF_STRING | MF_GRAYED},
    {"UPDATES: updates@card-designer.invalid", CMD_INFO, MF_STRING | MF_GRAYED},
};

static void build_menus(HWND hwnd) {
    HMENU bar = CreateMenu();
    rt.run_menu = CreatePopupMenu();
    for (const MenuLine& line : RUN_MENU) {
        if (line.flags & MF_SEPARATOR)
            AppendMenuA(rt.run_menu, MF_SEPARATOR, 0, NULL);
        else
            AppendMenuA(rt.run_menu, line.flags, line.command, line.text);
    }
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)rt.run_menu, "&Run");
    SetMenu(hwnd, bar);
    DrawMenuBar(hwnd);
}

static void check(UINT command, int on) {
    CheckMenuItem(rt.run_menu, command, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

static void toggle_recording(void) {
    if (rt.recording) {
        rt.recording = 0;
        check(CMD_RECORD, 0);
        if (rt.periodic_count > 0) {
            write_script_event(EVENT_PERIODIC, &rt.pending);
            rt.periodic_count = 0;
        }
        close_script_file();
        return;
    }
    // Recording and playback share one stream and one count, so they never
    // run together.
    if (rt.playing_back || rt.play_one) {
        KV319_printf("Cannot record while playing back a script\n");
        return;
    }
    // A stream left open for reading by an ended playback is not written
    // into: the recording starts a new file.
    close_script_file();
    // Periodic events still owed from a played line belong to the file that
    // this recording empties; they must not be written as its own.
    rt.periodic_count = 0;
    rt.script_write_failed = 0;
    rt.recording = 1;
    check(CMD_RECORD, 1);
}

static void toggle_playback(void) {
    if (rt.playing_back) {
        rt.playing_back = 0;
        check(CMD_PLAYBACK, 0);
        close_script_file();
        return;
    }
    if (rt.recording) {
        KV319_printf("Cannot play back while recording a script\n");
        return;
    }
    rt.animating = 0;
    rt.one_frame = 0;
    rt.playing_back = 1;
    check(CMD_PLAYBACK, 1);
}

static void play_one(void) {
    if (rt.recording) {
        KV319_printf("Cannot play back while recording a script\n");
        return;
    }
    rt.play_one = 1;
    rt.animating = 0;
    rt.one_frame = 0;
}

static void run_command(WPARAM command) {
    switch (command) {
    case CMD_ANIMATE:
        rt.animating = 1;
        break;
    case CMD_HALT:
        rt.animating = 0;
        break;
    case CMD_ONE_FRAME:
        rt.animating = 0;
        rt.one_frame = 1;
        break;
    case CMD_LOGGING:
        rt.logging_on = rt.logging_on ? 0 : 1;
        check(CMD_LOGGING, rt.logging_on);
        break;
    case CMD_RECORD:
        toggle_recording();
        break;
    case CMD_PLAYBACK:
        toggle_playback();
        break;
    case CMD_PLAY_ONE:
        play_one();
        break;
    case CMD_QUIT:
        PostQuitMessage(0);
        break;
    default:
        break;
    }
}

static void key_down(WPARAM vk) {
    if (vk == VK_CONTROL) {
        rt.control_down = 1;
        return;
    }
    if (!rt.control_down) return;
    switch (vk) {
    case 'A':
        run_command(CMD_ANIMATE);
        break;
    case 'H':
        run_command(CMD_HALT);
        break;
    case 'F':
        run_command(CMD_ONE_FRAME);
        break;
    case 'L':
        run_command(CMD_LOGGING);
        break;
    case 'R':
        run_command(CMD_RECORD);
        break;
    case 'P':
        run_command(CMD_PLAYBACK);
        break;
    case 'O':
        run_command(CMD_PLAY_ONE);
        break;
    case 'Q':
        run_command(CMD_QUIT);
        break;
    default:
        break;
    }
}

LRESULT CALLBACK graphics_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
    case WM_CREATE:
        build_menus(hwnd);
        return 0;
    case WM_DESTROY:
        KillTimer(hwnd, TIMER_ID);
        PostQuitMessage(0);
        rt.window_destroyed = 1;
        return 0;
    case WM_SIZE: {
        RECT r;
        GetClientRect(hwnd, &r);
        rt.origin_x = r.left + (r.right - r.left) / 2;
        rt.origin_y = r.top + (r.bottom - r.top) / 2;
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        copy_image_to_window();
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_KEYDOWN:
        key_down(wparam);
        return 0;
    case WM_KEYUP:
        if (wparam == VK_CONTROL) rt.control_down = 0;
        return 0;
    case WM_CHAR:
        if (rt.control_down == 1) return 0;
        rt.pending_kind = EVENT_KEY;
        rt.pending.key = (char)(wparam & 0xFF);
        return 0;
    case WM_COMMAND:
        run_command(wparam);
        return 0;
    case WM_TIMER:
        rt.tick_arrived = 1;
        return 0;
    case WM_LBUTTONDOWN:
        rt.pending_kind = EVENT_MOUSE;
        rt.pending.x = (int)LOWORD(lparam) - rt.origin_x;
        rt.pending.y = rt.origin_y - (int)HIWORD(lparam);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
}
