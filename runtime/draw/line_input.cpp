// line_input.cpp: KV319_gets, one line of text from the user in a small
// modal dialog built in memory: a multi-line edit box, an "Okay" button and
// the prompt (its first 79 characters). Only "Okay" ends the dialog with
// text; Esc and the close box leave it open. A quit that arrives while it is
// open ends it with no text, and the quit reaches the next event wait. The
// buffer always holds a terminated string afterwards: at most 255 characters,
// empty when nothing was entered.
#include <limits.h>
#include <string.h>

#include "draw.h"

// The template is written byte by byte, little-endian as the platform lays
// it out, so that it is the same whatever the host's struct packing.
struct TemplateWriter {
    BYTE* bytes;
    int at;
};

static void put16(TemplateWriter* w, unsigned value) {
    w->bytes[w->at++] = (BYTE)(value & 0xFF);
    w->bytes[w->at++] = (BYTE)((value >> 8) & 0xFF);
}

static void put32(TemplateWriter* w, unsigned long value) {
    put16(w, (unsigned)(value & 0xFFFF));
    put16(w, (unsigned)((value >> 16) & 0xFFFF));
}

static void put_string(TemplateWriter* w, const char* text) {
    for (; *text; text++)
        put16(w, (unsigned char)*text);
    put16(w, 0);
}

static void put_units(TemplateWriter* w, const WCHAR* units, int count) {
    for (int i = 0; i < count; i++)
        put16(w, units[i]);
    put16(w, 0);
}

static void align4(TemplateWriter* w) {
    while (w->at % 4 != 0)
        w->bytes[w->at++] = 0;
}

static void put_item(TemplateWriter* w, unsigned long style, int x, int y, int cx, int cy, int id,
                     unsigned class_atom, const WCHAR* text, int count) {
    align4(w);
    put32(w, style);
    put32(w, 0); // extended style
    put16(w, (unsigned)x);
    put16(w, (unsigned)y);
    put16(w, (unsigned)cx);
    put16(w, (unsigned)cy);
    put16(w, (unsigned)id);
    put16(w, 0xFFFF); // the class is an atom
    put16(w, class_atom);
    put_units(w, text, count);
    put16(w, 0); // no creation data
}

// The prompt's first GETS_PROMPT_LENGTH units, read as every drawn text is
// (widen_text), padded with blanks. A character of two units that would be
// cut in half is left out.
static void shown_prompt(const char* prompt, WCHAR* shown) {
    int n = 0;
    size_t length = prompt ? strlen(prompt) : 0;
    HGLOBAL block = NULL;
    WCHAR* wide = NULL;
    if (length > 0 && length <= (size_t)INT_MAX / sizeof(WCHAR)) {
        block = GlobalAlloc(GMEM_MOVEABLE, length * sizeof(WCHAR));
        wide = block ? (WCHAR*)GlobalLock(block) : NULL;
    }
    if (wide) {
        int units = widen_text(prompt, (int)length, wide);
        n = units < GETS_PROMPT_LENGTH ? units : GETS_PROMPT_LENGTH;
        memcpy(shown, wide, (size_t)n * sizeof(WCHAR));
        if (n == GETS_PROMPT_LENGTH && wide[n - 1] >= 0xD800 && wide[n - 1] <= 0xDBFF) n--;
        GlobalUnlock(block);
    }
    if (block) GlobalFree(block);
    for (; n < GETS_PROMPT_LENGTH; n++)
        shown[n] = ' ';
}

void build_gets_template(const char* prompt, BYTE* bytes) {
    memset(bytes, 0, GETS_TEMPLATE_SIZE);
    TemplateWriter w;
    w.bytes = bytes;
    w.at = 0;

    put32(&w, 0x90C80080UL); // WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME
    put32(&w, 0);
    put16(&w, 3); // controls
    put16(&w, 50);
    put16(&w, 50);
    put16(&w, 185);
    put16(&w, 92);
    put16(&w, 0); // no menu
    put16(&w, 0); // the default dialog class
    put_string(&w, "KV319_gets");

    WCHAR shown[GETS_PROMPT_LENGTH];
    shown_prompt(prompt, shown);

    static const WCHAR OKAY[] = {'O', 'k', 'a', 'y'};
    put_item(&w, 0x50810044UL, 8, 30, 167, 37, GETS_ID_EDIT, 0x0081, NULL, 0);
    put_item(&w, 0x50010001UL, 67, 74, 50, 14, GETS_ID_OKAY, 0x0080, OKAY, 4);
    put_item(&w, 0x50020000UL, 8, 3, 167, 24, GETS_ID_PROMPT, 0x0082, shown, GETS_PROMPT_LENGTH);
}

INT_PTR CALLBACK gets_dialog_proc(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_INITDIALOG) {
        rt.gets_buffer = (char*)lparam;
        return 1; // the focus goes to the edit box
    }
    if (msg == WM_COMMAND && wparam == GETS_ID_OKAY) {
        if (rt.gets_buffer) GetDlgItemTextA(dialog, GETS_ID_EDIT, rt.gets_buffer, GETS_BUFFER_SIZE);
        EndDialog(dialog, 1);
        return 1;
    }
    return 0;
}

int KV319_gets(const char* prompt, char* buffer) {
    if (!buffer) return 0;
    buffer[0] = '\0'; // what the caller finds when the dialog ends without "Okay"
    // DWORD storage keeps the template on the 4-byte boundary it needs.
    DWORD storage[GETS_TEMPLATE_SIZE / 4];
    BYTE* bytes = (BYTE*)storage;
    build_gets_template(prompt, bytes);
    INT_PTR result = DialogBoxIndirectParamA(rt.instance, (LPCDLGTEMPLATEA)bytes,
                                             rt.graphics_window, gets_dialog_proc, (LPARAM)buffer);
    rt.gets_buffer = NULL;
    // 1 only from "Okay"; a quit ends the dialog with 0, a failure gives -1.
    return result == 1 ? 1 : 0;
}
