// entry_sdl.cpp: the process entry for real windows.
//
// Opens the display, starts the layer on the SDL driver and calls the
// application's WinMain, as the system's own start-up would. Without a
// display it says so in one line and ends with status 1.
#include <cstdio>
#include <cstring>
#include <string>

#include "sdl_driver.h"
#include "winsys.h"
#include "wm.h"

int main(int argc, char** argv) {
    std::string program = "card-designer";
    if (argc > 0 && argv[0] && *argv[0]) {
        const char* slash = std::strrchr(argv[0], '/');
        program = slash ? slash + 1 : argv[0];
    }
    auto* driver = new ws::SdlDriver();
    std::string error;
    if (!driver->start(program, error)) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
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
