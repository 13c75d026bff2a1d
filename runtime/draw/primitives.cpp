// primitives.cpp: runtime
