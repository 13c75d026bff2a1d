// draw.cpp: GDI drawing calls.
