// headless_main.cpp: the headless process entry.
