// sdl_driver.cpp: the SDL2 display driver.
