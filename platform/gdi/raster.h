// raster.h: the layer's span rasteriser over a Canvas.
//
// Every shape is decided by one rule: a pixel is painted when its centre lies
// inside the shape. A shape is built from horizontal spans, clipped to the
// canvas clip before any pixel is touched, so the cost follows the pixels
// covered, never the shape's bounding box. Coordinates are the canvas's
// drawing coordinates and may be any int: the arithmetic is 64-bit, and rows
// outside the clip are never visited. Painting overwrites; nothing is blended.
//
// Which pixels each shape covers:
// - Rectangles and ellipses take a bounding box [left, right) x [top, bottom)
//   (corners in either order; an empty box draws nothing).
// - A filled ellipse covers the pixel centres inside the ellipse inscribed in
//   the box's outer edges. Every row of the box holds at least its middle
//   pixel(s), and the middle row(s) span the whole box, so even very flat
//   ellipses reach all four sides. The result is symmetric in both axes.
// - A one-pixel outline is the shape's boundary: the covered pixels with a
//   4-neighbour outside the shape. So Rectangle(10,10,31,31) draws the pen on
//   rows and columns 10 and 30, and the brush inside.
// - A pen of width w > 1 is centred on that one-pixel outline: it covers w
//   pixels across, w/2 of them outside the one-pixel path's outer side, so
//   the shape grows by w/2 pixels to the left and top and by (w-1)/2 to the
//   right and bottom. Rectangles keep square corners; an ellipse's outline
//   lies between two ellipses w pixels apart on each axis.
// - Polygons fill by the alternate (even-odd) rule. A vertex (x, y) stands
//   for the centre of pixel (x, y); a pixel centre on a left or top edge is
//   inside, on a right or bottom edge outside, so polygons sharing an edge
//   never paint it twice and a flat polygon paints nothing.
// - One-pixel lines step along the major axis from the start pixel and leave
//   the end pixel out; the minor coordinate rounds to nearest, ties to the
//   smaller coordinate, so a line's pixels do not depend on which end it
//   starts from (but for the end left out). A line to its own start draws
//   nothing.
// - Wide lines are capsules: every pixel centre within w/2 of the segment
//   between the two end pixels (for even w the pen's centre sits on the end
//   pixels' top-left corners, so the line is exactly w pixels across). Both
//   ends are round, so lines drawn end to end meet in round joins, and a
//   zero-length wide line is a disc of diameter w.
#pragma once

#include <cstdint>

#include "canvas.h"

namespace ws {

// How a closed shape is painted. A missing pen draws no outline, and the
// brush then fills the whole shape; a missing brush leaves the inside alone.
struct RasterPaint {
    bool has_pen = true;
    uint32_t pen = 0;
    int pen_width = 1; // values below 1 count as 1
    bool has_brush = false;
    uint32_t brush = 0;
};

// Each call returns the rectangle of pixels it changed, in the canvas's
// drawing coordinates (empty when nothing was drawn).

// Fills [left, right) x [top, bottom).
Rect raster_fill_rect(const Canvas& c, int left, int top, int right, int bottom, uint32_t pixel);

// A rectangle: the outline in the pen, the inside in the brush.
Rect raster_rectangle(const Canvas& c, int left, int top, int right, int bottom,
                      const RasterPaint& paint);

// The ellipse inscribed in the box: the outline in the pen, the inside in the brush.
Rect raster_ellipse(const Canvas& c, int left, int top, int right, int bottom,
                    const RasterPaint& paint);

// The inside of the closed polygon through `count` points, alternate rule.
Rect raster_polygon_fill(const Canvas& c, const POINT* points, int count, uint32_t pixel);

// A closed polygon: the inside in the brush (alternate rule), then each side
// in the pen, as a line of the pen's width that leaves out its end (the
// next side starts on it).
Rect raster_polygon(const Canvas& c, const POINT* points, int count, const RasterPaint& paint);

// A one-pixel line from (x0, y0) towards (x1, y1), the end pixel left out.
Rect raster_line(const Canvas& c, int x0, int y0, int x1, int y1, uint32_t pixel);

// A line `width` pixels wide with round ends, end pixel included.
Rect raster_wide_line(const Canvas& c, int x0, int y0, int x1, int y1, int width, uint32_t pixel);

// A line as a pen of that width draws it: one pixel (end left out) for width
// 1 or less, else wide.
Rect raster_stroke(const Canvas& c, int x0, int y0, int x1, int y1, int width, uint32_t pixel);

// Copies width x height pixels from `src` at (sx, sy) to `dst` at (x, y),
// clipped to both canvases. The two may share a buffer and overlap.
Rect raster_copy(const Canvas& dst, int x, int y, int width, int height, const Canvas& src, int sx,
                 int sy);

} // namespace ws
