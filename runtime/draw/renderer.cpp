// renderer.cpp: runtime
