// headless_start.cpp: the layer started on a headless driver.
#include "headless_start.h"

#include "wm.h"

namespace ws {

void headless_start(HeadlessDriver* driver) {
    wm_reset();
    // The layer owns its driver: set_driver drops the one before.
    set_driver(driver);
    wm_start();
}

HeadlessDriver& headless_start(int screen_width, int screen_height) {
    auto* driver = new HeadlessDriver(screen_width, screen_height);
    headless_start(driver);
    return *driver;
}

} // namespace ws
