// open_close.cpp: runtime
