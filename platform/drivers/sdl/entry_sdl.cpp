// entry_sdl.cpp: the process entry for real windows.
//
// Opens the display, starts the layer on the SDL driver and calls the
// application's WinMain, as the system's own start-up would.
#include <cstdio>
#include <string>

#include "sdl_driver.h"
#include "winsys.h"
#include "wm.h"

int main(int argc, char** argv) {
    auto* driver = new ws::SdlDriver();
    std::string error;
    if (!driver->start(error)) {
        std::fprintf(stderr, "%s: %s\n", argc > 0 ? argv[0] : "card-designer", error.c_str());
        delete driver;
        return 1;
    }
    ws::set_driver(driver);
    ws::wm_start();

    std::string command_line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) command_line += ' ';
        command_line += argv[i];
    }
    static char instance_tag;
    int result = WinMain(reinterpret_cast<HINSTANCE>(&instance_tag), nullptr, command_line.data(),
                         SW_SHOWDEFAULT);
    ws::set_driver(nullptr);
    return result;
}
