// message_probe.cpp: records which messages a window and a dialog receive,
// in which order and with which values, for the calls the runtime makes.
//
// An ordinary Win32 program over winsys.h alone, built against our layer
// (headless driver) and for Windows; the two logs are compared line by line.
// Only the messages that the runtime's procedures handle are written down;
// a window system may send others. No real input is needed: the dialog's
// keys are posted to it. Writes message_probe.txt into its current directory.
#include <stdio.h>
#include <string.h>

#include "winsys.h"

#define PROBE_TIMER_ID 2
#define PROBE_MENU_ITEM 40
#define PROBE_ID_OKAY 101
#define PROBE_ID_EDIT 102
#define PROBE_ID_PROMPT 103

static FILE* out;
static const char* phase = "start";
static HWND window;
static HMENU popup;
static HMENU bar;

static const char* message_name(UINT msg) {
    switch (msg) {
    case WM_CREATE:
        return "WM_CREATE";
    case WM_DESTROY:
        return "WM_DESTROY";
    case WM_SIZE:
        return "WM_SIZE";
    case WM_PAINT:
        return "WM_PAINT";
    case WM_CLOSE:
        return "WM_CLOSE";
    case WM_KEYDOWN:
        return "WM_KEYDOWN";
    case WM_KEYUP:
        return "WM_KEYUP";
    case WM_CHAR:
        return "WM_CHAR";
    case WM_COMMAND:
        return "WM_COMMAND";
    case WM_TIMER:
        return "WM_TIMER";
    case WM_LBUTTONDOWN:
        return "WM_LBUTTONDOWN";
    case WM_INITDIALOG:
        return "WM_INITDIALOG";
    case WM_QUIT:
        return "WM_QUIT";
    default:
        return msg >= WM_USER && msg < WM_USER + 100 ? "WM_USER" : NULL;
    }
}

static void note(const char* what, UINT msg, WPARAM wparam, LPARAM lparam) {
    const char* name = message_name(msg);
    if (!name) return;
    if (msg >= WM_USER) {
        fprintf(out, "%s %s %s+%u\n", phase, what, name, msg - WM_USER);
    } else if (msg == WM_SIZE) {
        RECT r;
        memset(&r, 0, sizeof r);
        GetClientRect(window, &r);
        // The size in the message must be the client rectangle's.
        int same = LOWORD(lparam) == r.right - r.left && HIWORD(lparam) == r.bottom - r.top;
        fprintf(out, "%s %s WM_SIZE type=%u matches_client=%d\n", phase, what, (unsigned)wparam,
                same);
    } else if (msg == WM_PAINT || msg == WM_CREATE || msg == WM_DESTROY || msg == WM_CLOSE) {
        fprintf(out, "%s %s %s\n", phase, what, name);
    } else if (msg == WM_LBUTTONDOWN) {
        fprintf(out, "%s %s %s x=%u y=%u\n", phase, what, name, LOWORD(lparam), HIWORD(lparam));
    } else {
        fprintf(out, "%s %s %s %lu\n", phase, what, name, (unsigned long)(wparam & 0xFFFF));
    }
}

static LRESULT CALLBACK probe_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_CREATE) window = hwnd; // GetClientRect in WM_SIZE needs it
    note("proc", msg, wparam, lparam);
    switch (msg) {
    case WM_CREATE: {
        // As the runtime builds its Run menu: during creation.
        bar = CreateMenu();
        popup = CreatePopupMenu();
        AppendMenuA(popup, MF_STRING, PROBE_MENU_ITEM, "&Item\tCtrl+I");
        AppendMenuA(popup, MF_SEPARATOR, 0, NULL);
        AppendMenuA(popup, MF_STRING | MF_GRAYED, 41, "Grayed");
        AppendMenuA(bar, MF_POPUP, (UINT_PTR)popup, "&Run");
        SetMenu(hwnd, bar);
        DrawMenuBar(hwnd);
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
}

// Takes every message there is, as the runtime's pump does, until the queue
// is empty (or a quit).
static void pump(void) {
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        note("took", msg.message, msg.wParam, msg.lParam);
        if (msg.message == WM_QUIT) return;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    fprintf(out, "%s empty\n", phase);
}

// Takes messages, sleeping in WaitMessage while there are none, until one
// with this number has been taken.
static void pump_until(UINT wanted) {
    MSG msg;
    for (int turns = 0; turns < 1000; turns++) {
        if (!PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            WaitMessage();
            continue;
        }
        note("took", msg.message, msg.wParam, msg.lParam);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (msg.message == wanted) return;
    }
    fprintf(out, "%s gave up waiting\n", phase);
}

static void post_key(HWND to, UINT vk) {
    PostMessageA(to, WM_KEYDOWN, vk, 1);
    PostMessageA(to, WM_KEYUP, vk, (LPARAM)0xC0000001UL);
}

// ---- The dialog -------------------------------------------------------------

struct Writer {
    BYTE* bytes;
    int at;
};

static void put16(Writer* w, unsigned v) {
    w->bytes[w->at++] = (BYTE)(v & 0xFF);
    w->bytes[w->at++] = (BYTE)((v >> 8) & 0xFF);
}
static void put32(Writer* w, unsigned long v) {
    put16(w, (unsigned)(v & 0xFFFF));
    put16(w, (unsigned)(v >> 16));
}
static void put_string(Writer* w, const char* s) {
    for (; *s; s++)
        put16(w, (unsigned char)*s);
    put16(w, 0);
}
static void put_item(Writer* w, unsigned long style, int x, int y, int cx, int cy, int id,
                     unsigned atom, const char* text) {
    while (w->at % 4)
        w->bytes[w->at++] = 0;
    put32(w, style);
    put32(w, 0);
    put16(w, (unsigned)x);
    put16(w, (unsigned)y);
    put16(w, (unsigned)cx);
    put16(w, (unsigned)cy);
    put16(w, (unsigned)id);
    put16(w, 0xFFFF);
    put16(w, atom);
    put_string(w, text);
    put16(w, 0);
}

// The line-input dialog's shape: an edit box with text in it already, a
// default push button and a static prompt.
static void build_template(BYTE* bytes) {
    Writer w = {bytes, 0};
    put32(&w, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
    put32(&w, 0);
    put16(&w, 3);
    put16(&w, 50);
    put16(&w, 50);
    put16(&w, 185);
    put16(&w, 92);
    put16(&w, 0);
    put16(&w, 0);
    put_string(&w, "Probe dialog");
    put_item(&w, 0x50810044UL, 8, 30, 167, 37, PROBE_ID_EDIT, 0x0081, "typed before");
    put_item(&w, 0x50010001UL, 67, 74, 50, 14, PROBE_ID_OKAY, 0x0080, "Okay");
    put_item(&w, 0x50020000UL, 8, 3, 167, 24, PROBE_ID_PROMPT, 0x0082, "Prompt");
}

static int dialog_cancels;

static INT_PTR CALLBACK probe_dialog_proc(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_INITDIALOG) {
        fprintf(out, "%s dialog WM_INITDIALOG param_ok=%d\n", phase, lparam == (LPARAM)0x5EED);
        // Escape, then the close box, then Enter: one at a time, each after
        // the command that the one before gave.
        post_key(dialog, VK_ESCAPE);
        return 1;
    }
    if (msg == WM_COMMAND) {
        // Control notifications carry a code in the high word; the runtime
        // acts only on a whole wParam that is the button's id.
        fprintf(out, "%s dialog WM_COMMAND id=%u code=%u\n", phase, (unsigned)LOWORD(wparam),
                (unsigned)HIWORD(wparam));
        if (wparam == IDCANCEL && ++dialog_cancels == 1) PostMessageA(dialog, WM_CLOSE, 0, 0);
        if (wparam == IDCANCEL && dialog_cancels == 2) post_key(dialog, VK_RETURN);
        if (wparam == PROBE_ID_OKAY || dialog_cancels > 2) {
            char text[64];
            memset(text, 0, sizeof text);
            UINT n = GetDlgItemTextA(dialog, PROBE_ID_EDIT, text, sizeof text);
            fprintf(out, "%s dialog edit text \"%s\" length %u\n", phase, text, n);
            char small[5];
            n = GetDlgItemTextA(dialog, PROBE_ID_EDIT, small, sizeof small);
            fprintf(out, "%s dialog edit text cut \"%s\" length %u\n", phase, small, n);
            EndDialog(dialog, 7);
        }
        return 1;
    }
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    (void)previous, (void)command_line, (void)show;
    out = fopen("message_probe.txt", "w");
    if (!out) return 1;

    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = probe_window_proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(NULL, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = "MessageProbe";
    RegisterClassA(&wc);

    phase = "create";
    HWND hwnd = CreateWindowExA(0, "MessageProbe", "Message probe", WS_CAPTION | WS_SYSMENU, 0, 0,
                                601, 540, NULL, NULL, instance, NULL);
    fprintf(out, "%s returned %s\n", phase, hwnd ? "window" : "NULL");
    if (!hwnd) return 1;
    window = hwnd;

    phase = "show";
    ShowWindow(hwnd, SW_SHOWDEFAULT);
    fprintf(out, "%s returned\n", phase);

    // Hidden and shown again: whether the size is told again.
    phase = "reshow";
    ShowWindow(hwnd, SW_HIDE);
    ShowWindow(hwnd, SW_SHOW);
    fprintf(out, "%s returned\n", phase);

    phase = "first-pump";
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    PostMessageA(hwnd, WM_USER + 2, 0, 0);
    pump();

    phase = "click";
    PostMessageA(hwnd, WM_LBUTTONDOWN, 1, MAKELPARAM(300, 250));
    pump();

    phase = "timer";
    SetTimer(hwnd, PROBE_TIMER_ID, 100, NULL);
    PostMessageA(hwnd, WM_USER + 3, 0, 0);
    pump_until(WM_TIMER);
    KillTimer(hwnd, PROBE_TIMER_ID);

    phase = "menu";
    fprintf(out, "%s check %lu\n", phase,
            (unsigned long)CheckMenuItem(popup, PROBE_MENU_ITEM, MF_BYCOMMAND | MF_CHECKED));
    fprintf(out, "%s check again %lu\n", phase,
            (unsigned long)CheckMenuItem(popup, PROBE_MENU_ITEM, MF_BYCOMMAND | MF_UNCHECKED));
    fprintf(out, "%s check missing %ld\n", phase,
            (long)(int)CheckMenuItem(popup, 999, MF_BYCOMMAND | MF_CHECKED));

    // The menu bar taken away and put back on a shown window: its client
    // area grows and shrinks again.
    phase = "menu-bar";
    SetMenu(hwnd, NULL);
    SetMenu(hwnd, bar);
    fprintf(out, "%s returned\n", phase);
    phase = "menu-bar-hidden";
    ShowWindow(hwnd, SW_HIDE);
    SetMenu(hwnd, NULL);
    SetMenu(hwnd, bar);
    ShowWindow(hwnd, SW_SHOW);
    fprintf(out, "%s returned\n", phase);
    pump();

    phase = "dialog";
    DWORD storage[128];
    memset(storage, 0, sizeof storage);
    build_template((BYTE*)storage);
    INT_PTR result = DialogBoxIndirectParamA(instance, (LPCDLGTEMPLATEA)storage, hwnd,
                                             probe_dialog_proc, (LPARAM)0x5EED);
    fprintf(out, "%s returned %ld\n", phase, (long)result);
    pump();

    phase = "quit";
    PostMessageA(hwnd, WM_USER + 4, 0, 0);
    PostQuitMessage(5);
    PostMessageA(hwnd, WM_USER + 5, 0, 0);
    pump();
    fprintf(out, "%s after quit\n", phase);
    pump();

    // A message still queued for a window that is destroyed before it is
    // taken.
    phase = "close";
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    PostMessageA(hwnd, WM_USER + 6, 0, 0);
    pump();

    return fclose(out) == 0 ? 0 : 1;
}
