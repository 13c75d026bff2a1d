// card.cpp: the backdrop, the card area, the shape slots in stacking order,
// the surround mask and the tiled border.
//
// The mask is what clips shapes and messages to the card: nothing here
// clips by itself. Tile geometry is computed in 64 bits because a tile's
// centre and size may come from any caller.
#include "checked_draw.h"
#include "display.h"

namespace {

// Tiles per side of the border, by size code; any other code is Medium.
int tiles_per_side(int size) {
    switch (size) {
    case 0:
        return 40;
    case 2:
        return 10;
    case 3:
        return 8;
    default:
        return 20;
    }
}

} // namespace

void draw_backdrop(void) {
    put_rectangle(GRAY_20, AREA_LEFT, AREA_BOTTOM, AREA_RIGHT, AREA_TOP, 0);
}

void draw_card(int colour) {
    put_rectangle(colour, CARD_LEFT, CARD_BOTTOM, CARD_RIGHT, CARD_TOP, 0);
}

void draw_shapes(const ShapeTable& shapes) {
    for (int slot = 0; slot < SLOT_COUNT; ++slot) {
        switch (shapes.kind[slot]) {
        case 0:
            draw_heart(shapes, slot);
            break;
        case 1:
            draw_starburst(shapes, slot);
            break;
        case 2:
            draw_spiral(shapes, slot);
            break;
        case 3:
            draw_face(shapes, slot);
            break;
        default:
            break; // empty slot, or a kind no shape has
        }
    }
}

void draw_mask(void) {
    // Rectangles include both corners, so the card's outermost rows and
    // columns are covered too.
    put_rectangle(GRAY_20, AREA_LEFT, AREA_BOTTOM, CARD_LEFT, AREA_TOP, 0);
    put_rectangle(GRAY_20, CARD_LEFT, AREA_TOP, AREA_RIGHT, CARD_TOP, 0);
    put_rectangle(GRAY_20, AREA_RIGHT, CARD_TOP, CARD_RIGHT, AREA_BOTTOM, 0);
    put_rectangle(GRAY_20, CARD_RIGHT, AREA_BOTTOM, CARD_LEFT, CARD_BOTTOM, 0);
}

void draw_border_tile(int centre_x, int centre_y, int first_colour, int second_colour, int width,
                      int height, int pattern) {
    const int64_t x = centre_x;
    const int64_t y = centre_y;
    const int64_t left = x - width / 2;
    const int64_t right = x + width / 2;
    const int64_t bottom = y - height / 2;
    const int64_t top = y + height / 2;
    const int c1 = first_colour;
    const int c2 = second_colour;
    switch (pattern) {
    case 0: // solid
        put_rectangle(c1, left, bottom, right, top, 0);
        break;
    case 1: // diagonal
        put_triangle(c1, left, top, left, bottom, right, top, 0);
        put_triangle(c2, left, bottom, right, bottom, right, top, 0);
        break;
    case 2: // bowtie: four triangles meeting at the centre
        put_triangle(c1, left, bottom, left, top, x, y, 0);
        put_triangle(c2, left, top, right, top, x, y, 0);
        put_triangle(c1, right, top, right, bottom, x, y, 0);
        put_triangle(c2, right, bottom, left, bottom, x, y, 0);
        break;
    case 3: // halves
        put_rectangle(c1, left, bottom, x, top, 0);
        put_rectangle(c2, right, top, x, bottom, 0);
        break;
    default:
        break;
    }
}

namespace {

// One tile of the ring at grid column m and row r; the colours alternate
// along the ring with the parity of m + r.
void draw_ring_tile(int m, int r, int w, int h, int pattern, int primary, int secondary) {
    const int x = (w / 2 + CARD_LEFT) + w * m;
    const int y = (h / 2 + CARD_BOTTOM) + h * r;
    if ((m + r) % 2 == 0) {
        draw_border_tile(x, y, primary, secondary, w, h, pattern);
    } else {
        draw_border_tile(x, y, secondary, primary, w, h, pattern);
    }
}

} // namespace

void draw_border(int pattern, int primary_colour, int secondary_colour, int size) {
    if (pattern < 0 || pattern > 3) return; // no border: no tile draws anything
    const int n = tiles_per_side(size);
    const int w = CARD_WIDTH / n;
    const int h = CARD_HEIGHT / n;
    for (int m = 0; m < n; ++m) {
        draw_ring_tile(m, 0, w, h, pattern, primary_colour, secondary_colour);
        draw_ring_tile(m, n - 1, w, h, pattern, primary_colour, secondary_colour);
    }
    // Rows 1..n-1: the last one repeats the two top corners.
    for (int r = 1; r < n; ++r) {
        draw_ring_tile(0, r, w, h, pattern, primary_colour, secondary_colour);
        draw_ring_tile(n - 1, r, w, h, pattern, primary_colour, secondary_colour);
    }
}
