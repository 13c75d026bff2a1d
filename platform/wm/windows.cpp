// windows.cpp: window classes, windows, geometry, focus and the caption.
