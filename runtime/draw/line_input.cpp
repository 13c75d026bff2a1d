// line_input.cpp: runtime
