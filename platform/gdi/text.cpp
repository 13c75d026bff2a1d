// text.cpp: GDI text calls.
