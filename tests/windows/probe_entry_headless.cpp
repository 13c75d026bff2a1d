// probe_entry_headless.cpp: the process entry of the Win32 probes on Linux.
//
// Starts our window-system layer on the headless driver and calls the
// probe's WinMain, as the system's start-up does on Windows.
#include <cstdio>

#include "headless_start.h"
#include "winsys.h"

namespace {
char instance_tag; // any unique non-null value serves as the instance
}

int main() {
    ws::headless_start(1024, 768);
    int status = WinMain(reinterpret_cast<HINSTANCE>(&instance_tag), nullptr, const_cast<LPSTR>(""),
                         SW_SHOWDEFAULT);
    std::fflush(nullptr);
    return status;
}
