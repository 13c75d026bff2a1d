// console_probe.cpp: a small program on the runtime for the real-window
// tests of the text window and the line-input dialog. It shows the text
// window with thirty numbered lines, asks for a line in the "KV319_gets"
// dialog, prints what it got on standard output, and then runs until its
// graphics window is closed.
#include <cstdio>

#include "kv319.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    KV319_open(instance, previous, command_line, show);
    KV319_logging(0);
    KV319_show_text(1);
    for (int i = 1; i <= 30; ++i)
        KV319_printf("line %d of the console\n", i);
    char buffer[256] = {0};
    int entered = KV319_gets("Type a word and press Enter", buffer);
    std::printf("gets %d [%s]\n", entered, buffer);
    std::fflush(stdout);
    int x = 0, y = 0;
    char key = 0;
    while (KV319_await_event(&x, &y, &key) != EVENT_QUIT) {
    }
    KV319_close();
    return 0;
}
