// script.cpp: runtime
