// kv319_fake.cpp: the recording stand-in for the KV319 runtime (tests only).
//
// Records calls as documented in kv319_fake.h; draws nothing and opens no
// window. Not thread-safe, like the runtime it replaces.
#include "kv319_fake.h"

#include <cstdarg>
#include <cstdio>
#include <deque>

#include "kv319.h"

namespace {

struct Event {
    int kind;
    int x;
    int y;
    char key;
};

std::vector<std::string> recorded_calls;
std::vector<std::string> printed_lines;
std::deque<Event> queued_events;
int taken = 0;

void record(const char* format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    recorded_calls.emplace_back(line);
}

std::string escaped(const char* text) {
    std::string out;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '\n') {
            out += "\\n";
        } else if (*p == '\\') {
            out += "\\\\";
        } else if (*p == '"') {
            out += "\\\"";
        } else {
            out += *p;
        }
    }
    return out;
}

void record_text(int colour, int x, int y, int ptsize, const char* text) {
    char head[128];
    std::snprintf(head, sizeof head, "text c=%d (%d,%d) pt=%d \"", colour, x, y, ptsize);
    recorded_calls.push_back(head + escaped(text) + "\"");
}

} // namespace

namespace kv319_fake {

void reset() {
    recorded_calls.clear();
    printed_lines.clear();
    queued_events.clear();
    taken = 0;
}

const std::vector<std::string>& calls() {
    return recorded_calls;
}

const std::vector<std::string>& printed() {
    return printed_lines;
}

void push_event(int kind, int x, int y, char key) {
    queued_events.push_back({kind, x, y, key});
}

int events_taken() {
    return taken;
}

} // namespace kv319_fake

extern "C" {

int KV319_open(HINSTANCE, HINSTANCE, LPSTR, int) {
    return 1;
}
int KV319_close(void) {
    return 1;
}
int KV319_show_text(int) {
    return 1;
}
int KV319_logging(int) {
    return 1;
}
int KV319_animate(int) {
    return 1;
}

int KV319_await_event(int* x, int* y, char* key) {
    ++taken;
    Event event{EVENT_QUIT, 0, 0, 0};
    if (!queued_events.empty()) {
        event = queued_events.front();
        queued_events.pop_front();
    }
    if (x != nullptr) *x = event.x;
    if (y != nullptr) *y = event.y;
    if (key != nullptr) *key = event.key;
    return event.kind;
}

int KV319_pixel(int colour, int x, int y) {
    record("pixel c=%d (%d,%d)", colour, x, y);
    return 1;
}

int KV319_circle(int colour, int x, int y, int radius) {
    record("circle c=%d (%d,%d) r=%d", colour, x, y, radius);
    return 1;
}

int KV319_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3, int width) {
    record("triangle c=%d (%d,%d) (%d,%d) (%d,%d) w=%d", colour, x1, y1, x2, y2, x3, y3, width);
    return 1;
}

int KV319_rectangle(int colour, int x1, int y1, int x2, int y2, int width) {
    record("rectangle c=%d (%d,%d) (%d,%d) w=%d", colour, x1, y1, x2, y2, width);
    return 1;
}

int KV319_oval(int colour, int x1, int y1, int x2, int y2, int width) {
    record("oval c=%d (%d,%d) (%d,%d) w=%d", colour, x1, y1, x2, y2, width);
    return 1;
}

int KV319_line(int colour, int x1, int y1, int x2, int y2, int width) {
    record("line c=%d (%d,%d) (%d,%d) w=%d", colour, x1, y1, x2, y2, width);
    return 1;
}

int KV319_clear(void) {
    recorded_calls.emplace_back("clear");
    return 1;
}

int KV319_undo(void) {
    return 1;
}

int KV319_text(int colour, int x, int y, int ptsize, const char* text) {
    record_text(colour, x, y, ptsize, text != nullptr ? text : "");
    return 1;
}

int KV319_text_printf(int colour, int x, int y, int ptsize, const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    int count = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    record_text(colour, x, y, ptsize, buffer);
    return count;
}

int KV319_printf(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    int count = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    printed_lines.emplace_back(buffer);
    return count;
}

int KV319_gets(const char*, char* buffer) {
    if (buffer != nullptr) buffer[0] = '\0';
    return 1;
}

} // extern "C"
