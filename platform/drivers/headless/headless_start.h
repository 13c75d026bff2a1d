// headless_start.h: the window-system layer started on a headless driver.
//
// What the real-window entry does for its driver, for the programs that run
// in memory: the headless runner, card-picture, tests and benchmarks. The
// driver itself knows nothing of the layer above it.
#pragma once

#include "headless_driver.h"

namespace ws {

// Resets the layer (the windows, messages, timers, menus and drawing
// objects of a run before go) and starts it afresh on `driver`, which it
// owns from now on.
void headless_start(HeadlessDriver* driver);
// The same on a new headless driver with the given screen.
HeadlessDriver& headless_start(int screen_width, int screen_height);

} // namespace ws
