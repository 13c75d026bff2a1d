// layer.cpp: the layer's driver, start and reset.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "driver.h"
#include "gdi.h"
#include "wm.h"

namespace ws {

namespace {
std::unique_ptr<Driver> current;
}

Driver& driver() {
    if (!current) {
        std::fprintf(stderr, "window system: no display driver was started\n");
        std::abort();
    }
    return *current;
}

void set_driver(Driver* d) {
    current.reset(d);
}

void wm_start() {
    controls_register_classes();
}

void wm_reset() {
    menu_reset();
    wm_queue_reset();
    wm_windows_reset();
    gdi_reset();
}

} // namespace ws
