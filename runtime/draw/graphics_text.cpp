// graphics_text.cpp: runtime
