// card_test.cpp: the mask, the shape slots' dispatch, border tiles and the
// border ring.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "display_fixture.h"

TEST(Card, MaskLeavesExactlyTheCardInteriorOpen) {
    const Calls calls = record([] { draw_mask(); });
    ASSERT_EQ(calls.size(), 4u);
    int box[4][4];
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(std::sscanf(calls[i].c_str(), "rectangle c=23 (%d,%d) (%d,%d) w=0", &box[i][0],
                              &box[i][1], &box[i][2], &box[i][3]),
                  4);
    }
    // Corners come in either order and both belong to the rectangle.
    for (int x = -300; x <= 300; ++x) {
        for (int y = -250; y <= 250; ++y) {
            bool covered = false;
            for (const auto& b : box) {
                covered |= x >= std::min(b[0], b[2]) && x <= std::max(b[0], b[2]) &&
                           y >= std::min(b[1], b[3]) && y <= std::max(b[1], b[3]);
            }
            const bool inside = x >= -129 && x <= 269 && y >= -169 && y <= 189;
            ASSERT_EQ(covered, !inside) << "at (" << x << "," << y << ")";
        }
    }
}

TEST(Card, ShapesDrawOnlyKnownKindsInSlotOrder) {
    Shapes s;
    s.kind[2] = 3;
    s.kind[5] = 7, s.animated[5] = 3; // no such kind
    s.kind[7] = 0, s.size[7] = 0;
    const Calls calls = record([&] { draw_shapes(s.table()); });
    ASSERT_EQ(calls.size(), 6u + 4u);
    EXPECT_EQ(calls[0], "circle c=0 (0,0) r=40");  // the face of slot 2
    EXPECT_EQ(calls[6], "circle c=0 (0,-11) r=5"); // then the small heart of slot 7
    EXPECT_EQ(s.animated[5], 3);
}

TEST(Border, TilePatterns) {
    EXPECT_EQ(record([] { draw_border_tile(0, 0, 3, 4, 20, 18, 1); }),
              (Calls{"triangle c=3 (-10,9) (-10,-9) (10,9) w=0",
                     "triangle c=4 (-10,-9) (10,-9) (10,9) w=0"}));
    EXPECT_EQ(
        record([] { draw_border_tile(5, 5, 3, 4, 10, 10, 2); }),
        (Calls{"triangle c=3 (0,0) (0,10) (5,5) w=0", "triangle c=4 (0,10) (10,10) (5,5) w=0",
               "triangle c=3 (10,10) (10,0) (5,5) w=0", "triangle c=4 (10,0) (0,0) (5,5) w=0"}));
    EXPECT_EQ(record([] { draw_border_tile(0, 0, 3, 4, 20, 18, 3); }),
              (Calls{"rectangle c=3 (-10,-9) (0,9) w=0", "rectangle c=4 (10,9) (0,-9) w=0"}));
    EXPECT_TRUE(record([] { draw_border_tile(0, 0, 3, 4, 20, 18, 4); }).empty());
}

TEST(Border, RingOrderColoursAndSizes) {
    const Calls huge = record([] { draw_border(0, 6, 7, 3); });
    ASSERT_EQ(huge.size(), 8u * 2 + 7u * 2);
    EXPECT_EQ(huge[0], "rectangle c=6 (-130,-170) (-80,-126) w=0"); // bottom-left
    EXPECT_EQ(huge[1], "rectangle c=7 (-130,145) (-80,189) w=0");   // top-left, m + r odd
    EXPECT_EQ(huge[2], "rectangle c=7 (-80,-170) (-30,-126) w=0");
    EXPECT_EQ(huge[16], "rectangle c=7 (-130,-125) (-80,-81) w=0"); // sides from row 1
    EXPECT_EQ(huge[17], "rectangle c=6 (220,-125) (270,-81) w=0");
    EXPECT_EQ(huge[28], huge[1]); // row n - 1 repeats the top corners
    EXPECT_EQ(huge[29], huge[15]);

    EXPECT_EQ(record([] { draw_border(1, 0, 1, 0); }).size(), 2u * (40 + 39) * 2);
    EXPECT_EQ(record([] { draw_border(0, 0, 1, 99); }).size(), 20u * 2 + 19u * 2);
    EXPECT_EQ(record([] { draw_border(0, 0, 1, 2); })[0],
              "rectangle c=0 (-130,-170) (-90,-134) w=0");
    EXPECT_TRUE(record([] { draw_border(-1, 0, 1, 1); }).empty());
    EXPECT_TRUE(record([] { draw_border(4, 0, 1, 1); }).empty());
}
