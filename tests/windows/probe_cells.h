// probe_cells.h: the layout of the drawing probe's picture.
//
// The probe (gdi_probe.cpp) draws each case into its own cell of one memory
// bitmap; the comparison (gdi_compare_test.cpp) judges each cell by its
// group. Shared by both, and plain enough for either compiler.
#pragma once

namespace probe {

inline constexpr int PICTURE_WIDTH = 512;
inline constexpr int PICTURE_HEIGHT = 480;

// How a cell is judged.
enum Group {
    GROUP_EXACT,   // every pixel the same
    GROUP_ELLIPSE, // edges may move by one pixel
    GROUP_WIDE,    // wide pens: edges and caps may move by one pixel
    GROUP_TEXT,    // glyphs: ink bounds and amount within a tolerance
};

enum CellId {
    CELL_CLIP_EDGE,
    CELL_RECT_PEN1,
    CELL_RECT_NULL_BRUSH,
    CELL_RECT_NULL_PEN,
    CELL_RECT_SWAPPED,
    CELL_PIXELS,
    CELL_LINES_FAN,
    CELL_LINES_SHORT,
    CELL_POLY_FILL,
    CELL_POLY_STAR,
    CELL_POLY_FILL_OUTLINE,
    CELL_POLY_OUTLINE,
    CELL_POLY_DEGENERATE,
    CELL_SCROLL_WHOLE,
    CELL_SCROLL_PART,
    CELL_ELLIPSE_PEN1,
    CELL_ELLIPSE_NULL_BRUSH,
    CELL_ELLIPSE_BIG,
    CELL_WIDE_RECT,
    CELL_WIDE_ELLIPSE,
    CELL_WIDE_POLY,
    CELL_WIDE2,
    CELL_WIDE5,
    CELL_WIDE15,
    CELL_TEXT12_TRANSPARENT,
    CELL_TEXT12_OPAQUE,
    CELL_TEXT60_TRANSPARENT,
    CELL_TEXT60_OPAQUE,
    CELL_COUNT
};

struct Cell {
    const char* name;
    Group group;
    int x, y, width, height;
    // Text cells: the colour under the text before it is drawn, the text's
    // colour and the DC background colour (which only opaque text shows)
    // (0x00BBGGRR, as COLORREF).
    unsigned paper, ink, box;
};

inline constexpr unsigned WHITE = 0x00FFFFFF;
inline constexpr unsigned PAPER = 0x0080FFFF;    // light yellow under the text
inline constexpr unsigned TEXT_INK = 0x00000080; // dark red
inline constexpr unsigned TEXT_BOX = 0x00FF8000; // blue-ish, opaque text's box

inline constexpr Cell CELLS[CELL_COUNT] = {
    {"clip_edge", GROUP_EXACT, 0, 0, 64, 64, WHITE, 0, 0},
    {"rect_pen1", GROUP_EXACT, 64, 0, 64, 64, WHITE, 0, 0},
    {"rect_null_brush", GROUP_EXACT, 128, 0, 64, 64, WHITE, 0, 0},
    {"rect_null_pen", GROUP_EXACT, 192, 0, 64, 64, WHITE, 0, 0},
    {"rect_swapped", GROUP_EXACT, 256, 0, 64, 64, WHITE, 0, 0},
    {"pixels", GROUP_EXACT, 320, 0, 64, 64, WHITE, 0, 0},
    {"lines_fan", GROUP_EXACT, 384, 0, 64, 64, WHITE, 0, 0},
    {"lines_short", GROUP_EXACT, 448, 0, 64, 64, WHITE, 0, 0},
    {"poly_fill", GROUP_EXACT, 0, 64, 64, 64, WHITE, 0, 0},
    {"poly_star", GROUP_EXACT, 64, 64, 64, 64, WHITE, 0, 0},
    {"poly_fill_outline", GROUP_EXACT, 128, 64, 64, 64, WHITE, 0, 0},
    {"poly_outline", GROUP_EXACT, 192, 64, 64, 64, WHITE, 0, 0},
    {"poly_degenerate", GROUP_EXACT, 256, 64, 64, 64, WHITE, 0, 0},
    {"scroll_whole", GROUP_EXACT, 320, 64, 64, 64, WHITE, 0, 0},
    {"scroll_part", GROUP_EXACT, 384, 64, 64, 64, WHITE, 0, 0},
    {"ellipse_pen1", GROUP_ELLIPSE, 0, 128, 64, 64, WHITE, 0, 0},
    {"ellipse_null_brush", GROUP_ELLIPSE, 64, 128, 64, 64, WHITE, 0, 0},
    {"ellipse_big", GROUP_ELLIPSE, 128, 128, 64, 64, WHITE, 0, 0},
    {"wide_rect", GROUP_WIDE, 192, 128, 64, 64, WHITE, 0, 0},
    {"wide_ellipse", GROUP_WIDE, 256, 128, 64, 64, WHITE, 0, 0},
    {"wide_poly", GROUP_WIDE, 320, 128, 64, 64, WHITE, 0, 0},
    {"wide2", GROUP_WIDE, 0, 192, 64, 64, WHITE, 0, 0},
    {"wide5", GROUP_WIDE, 64, 192, 64, 64, WHITE, 0, 0},
    {"wide15", GROUP_WIDE, 128, 192, 128, 64, WHITE, 0, 0},
    {"text12_transparent", GROUP_TEXT, 0, 256, 256, 64, PAPER, TEXT_INK, TEXT_BOX},
    {"text12_opaque", GROUP_TEXT, 256, 256, 256, 64, PAPER, TEXT_INK, TEXT_BOX},
    {"text60_transparent", GROUP_TEXT, 0, 320, 256, 96, PAPER, TEXT_INK, TEXT_BOX},
    {"text60_opaque", GROUP_TEXT, 256, 320, 256, 96, PAPER, TEXT_INK, TEXT_BOX},
};

// What the text cells draw, and where in the cell (the reference point of
// TextOutA: the top-left of the text's cell).
inline constexpr const char* TEXT_SAMPLE = "Happy Birthday, Ag!";
inline constexpr const char* TEXT_SAMPLE_LARGE = "Ag& Wy";
inline constexpr int TEXT_ORIGIN_X = 8;
inline constexpr int TEXT_ORIGIN_Y = 10;
// The face that the runtime asks for; both systems match it to Liberation
// Sans where that is installed, to a default face otherwise.
inline constexpr const char* TEXT_FACE = "KV319-font";

// The probe's files, written into its current directory.
inline constexpr const char* PICTURE_FILE = "gdi_probe.ppm";
inline constexpr const char* FIGURES_FILE = "gdi_probe.txt";

} // namespace probe
