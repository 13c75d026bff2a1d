// window_proc.cpp: runtime
