// console.cpp: the text window. KV319_printf formats one message (cut at
// 1023 characters), keeps it in the 25-line history, one movable block per
// line, and shows it as a new bottom line; the window's procedure repaints
// from the history and passes keys on to the graphics window. Its close box
// only hides it, so messages keep arriving and showing it again works.
#include <stdio.h>
#include <string.h>

#include "draw.h"
#include "kv319_runner_hook.h"

// The headless runner's hook (kv319_runner_hook.h); a program run on its
// own has none.
static void (*text_line_hook)(const char* line) = NULL;

void KV319_set_text_line_hook(void (*hook)(const char* line)) {
    text_line_hook = hook;
}

int format_message(char* buffer, const char* format, va_list args) {
    buffer[0] = '\0';
    if (!format) return 0;
    int count = vsnprintf(buffer, FORMAT_BUFFER_SIZE, format, args);
    if (count < 0) {
        buffer[0] = '\0';
        return -1;
    }
    return count > FORMAT_BUFFER_SIZE - 1 ? FORMAT_BUFFER_SIZE - 1 : count;
}

static int next_slot(int slot) {
    return (slot + 1) % HISTORY_SIZE;
}

static void remember_line(const char* text) {
    if (rt.history_oldest != -1 && rt.history_oldest == rt.history_next) {
        if (rt.history_lines[rt.history_oldest]) GlobalFree(rt.history_lines[rt.history_oldest]);
        rt.history_lines[rt.history_oldest] = NULL;
        rt.history_oldest = next_slot(rt.history_oldest);
    }
    size_t length = strlen(text);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length + 1);
    if (block) {
        char* p = (char*)GlobalLock(block);
        if (p) {
            memcpy(p, text, length + 1);
            GlobalUnlock(block);
        }
    }
    rt.history_lines[rt.history_next] = block;
    if (rt.history_oldest == -1) rt.history_oldest = rt.history_next;
    rt.history_next = next_slot(rt.history_next);
}

// Hands the hook the line as show_text_line draws it, without its one
// trailing newline, whether or not the window is there to draw it.
static void pass_to_hook(const char* text) {
    char line[FORMAT_BUFFER_SIZE];
    size_t length = strlen(text);
    if (length > 0 && text[length - 1] == '\n') --length;
    memcpy(line, text, length);
    line[length] = '\0';
    text_line_hook(line);
}

int KV319_printf(const char* format, ...) {
    char buffer[FORMAT_BUFFER_SIZE];
    va_list args;
    va_start(args, format);
    int count = format_message(buffer, format, args);
    va_end(args);
    remember_line(buffer);
    if (text_line_hook) pass_to_hook(buffer);
    show_text_line(buffer);
    return count;
}

void show_text_line(char* line) {
    HWND window = rt.text_window;
    if (!window) {
        // Before the window exists there is nowhere to draw; the history
        // already has the line.
        return;
    }
    HDC dc = GetDC(window);
    HGDIOBJ previous_font = SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
    TEXTMETRICA metrics;
    memset(&metrics, 0, sizeof metrics);
    GetTextMetricsA(dc, &metrics);
    int h = metrics.tmHeight + metrics.tmExternalLeading;

    ScrollDC(dc, 0, -h, NULL, NULL, NULL, NULL);

    RECT client;
    memset(&client, 0, sizeof client);
    GetClientRect(window, &client);
    HBRUSH brush = CreateSolidBrush(GetBkColor(dc));
    HGDIOBJ previous_pen = SelectObject(dc, GetStockObject(NULL_PEN));
    HGDIOBJ previous_brush = SelectObject(dc, brush);
    Rectangle(dc, client.left, client.bottom - h, client.right, client.bottom + 1);
    SelectObject(dc, previous_pen);
    SelectObject(dc, previous_brush);
    DeleteObject(brush);

    size_t length = strlen(line);
    if (length > 0 && line[length - 1] == '\n') line[--length] = '\0';
    // Every line comes from the formatting buffer, so it fits; the bound is
    // only a guard.
    WCHAR wide[FORMAT_BUFFER_SIZE];
    if (length > FORMAT_BUFFER_SIZE) length = FORMAT_BUFFER_SIZE;
    int units = widen_text(line, (int)length, wide);
    TextOutW(dc, client.left + 5, client.bottom - h, wide, units);

    SelectObject(dc, previous_font);
    ReleaseDC(window, dc);
}

static void repaint_history(void) {
    int slot = rt.history_oldest;
    if (slot == -1) return;
    do {
        HGLOBAL block = rt.history_lines[slot];
        char* text = block ? (char*)GlobalLock(block) : NULL;
        if (text) {
            show_text_line(text);
            GlobalUnlock(block);
        }
        slot = next_slot(slot);
    } while (slot != rt.history_next);
}

LRESULT CALLBACK text_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        repaint_history();
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
        // Keys typed here still reach the graphics window's procedure.
        PostMessageA(rt.graphics_window, msg, wparam, lparam);
        return 0;
    case WM_CLOSE:
        // Destroying the console would lose every later message; hide it.
        ShowWindow(hwnd, SW_HIDE);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
}
