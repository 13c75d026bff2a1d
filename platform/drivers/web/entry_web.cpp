// entry_web.cpp: the process entry in the browser.
//
// Starts the layer on
// the web driver and calls the application's WinMain, as the desktop's
// start-up would. The program's name is the page's.
#include <unistd.h>

#include <cstdio>

#include "web_driver.h"
#include "winsys.h"
#include "wm.h"

int main() {
    // The program's files are read and written in the current directory, as
    // on the desktop: here the folder that the page keeps in the browser's
    // storage (web_page.js).
    if (chdir("/files") != 0) std::perror("/files");
    auto* driver = new ws::WebDriver();
    ws::set_driver(driver);
    ws::wm_start();
    static char instance_tag;
    char command_line[] = "";
    int result =
        WinMain(reinterpret_cast<HINSTANCE>(&instance_tag), nullptr, command_line, SW_SHOWDEFAULT);
    ws::web_program_ended(result);
    return result;
}
