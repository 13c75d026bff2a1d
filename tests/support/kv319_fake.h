// kv319_fake.h: a test-only stand-in for the KV319 runtime.
//
// Link kv319_fake instead of kv319 and every operation of kv319.h is
// defined here: nothing is drawn and no window opens. Each drawing
// operation appends one line to calls(), with its arguments exactly as the
// caller passed them (nothing is corrected or reordered):
//
//   pixel c=C (X,Y)
//   circle c=C (X,Y) r=R
//   triangle c=C (X1,Y1) (X2,Y2) (X3,Y3) w=W
//   rectangle c=C (X1,Y1) (X2,Y2) w=W
//   oval c=C (X1,Y1) (X2,Y2) w=W
//   line c=C (X1,Y1) (X2,Y2) w=W
//   text c=C (X,Y) pt=P "TEXT"
//   clear
//
// Numbers are printed in decimal with a leading '-' when negative; there is
// exactly one space between fields and no trailing space. For
// KV319_text_printf TEXT is the formatted result (vsnprintf into a buffer of
// 1024 bytes, as the runtime does); for KV319_text it is the string given.
// In TEXT a newline is written as the two characters \n, a double quote
// as \" and a backslash as two backslashes, so every call stays on one line.
//
// KV319_printf appends its formatted output, unescaped and with any final
// newline kept, to printed(). KV319_await_event hands out the events queued
// with push_event, oldest first, and EVENT_QUIT (x, y, key 0) once the queue
// is empty. KV319_gets stores an empty string. Every other operation
// (open, close, show_text, logging, animate, undo) records nothing. Every
// operation returns 1, except the printf-style ones, which return the
// number of characters formatted, and KV319_await_event.
#pragma once

#include <string>
#include <vector>

namespace kv319_fake {

// Forgets every recorded call, printed line and queued event; resets the
// count of events taken.
void reset();

// The drawing calls since the last reset, oldest first.
const std::vector<std::string>& calls();

// What KV319_printf wrote since the last reset, one entry per call.
const std::vector<std::string>& printed();

// Queues one event for KV319_await_event.
void push_event(int kind, int x = 0, int y = 0, char key = 0);

// How many times KV319_await_event was called since the last reset,
// including the calls that found the queue empty.
int events_taken();

} // namespace kv319_fake
