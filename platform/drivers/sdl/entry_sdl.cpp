// entry_sdl.cpp: the process entry for real windows.
