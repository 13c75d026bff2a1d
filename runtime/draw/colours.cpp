// colours.cpp: runtime
