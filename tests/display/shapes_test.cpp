// shapes_test.cpp: the shape kinds' geometry and their counter rules, read
// from the recorded primitive calls.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "display_fixture.h"

TEST(Heart, GeometryForEverySize) {
    Shapes s;
    EXPECT_EQ(record([&] { draw_heart(s.table(), 0); }),
              (Calls{"circle c=0 (0,-17) r=8", "circle c=0 (-14,0) r=17", "circle c=0 (14,0) r=17",
                     "triangle c=0 (-25,-12) (24,-12) (0,-35) w=0"}));
    // (size code, s, a, b, c, d), at anchor (100, -50).
    const int cases[4][6] = {{10, 20, 8, 6, 7, 20},
                             {0, 22, 9, 7, 8, 22},
                             {2, 80, 33, 26, 29, 83},
                             {3, 175, 72, 58, 65, 181}};
    s.x[0] = 100, s.y[0] = -50;
    for (const auto& k : cases) {
        s.size[0] = k[0];
        char lobe[64], triangle[96];
        std::snprintf(lobe, 64, "circle c=0 (%d,-50) r=%d", 100 - k[2], k[1] / 2);
        std::snprintf(triangle, 96, "triangle c=0 (%d,%d) (%d,%d) (100,%d) w=0", 100 - k[2] - k[3],
                      -50 - k[4], 100 + k[2] + k[3] - 1, -50 - k[4], -50 - k[5]);
        const Calls calls = record([&] { draw_heart(s.table(), 0); });
        EXPECT_EQ(calls[1], lobe);
        EXPECT_EQ(calls[3], triangle);
    }
}

TEST(Heart, PulseAndFlashCycles) {
    Shapes s;
    s.colour[0] = 3, s.flash_colour[0] = 7, s.animated[0] = 1, s.flashing[0] = 1;
    // Medium pulses 43, 41, 39, 37, 35, whose tips are at -trunc(s * 1.03906);
    // six frames in the shape colour, then three in the flash colour.
    const int tips[] = {-44, -42, -40, -38, -36, -44, -42, -40, -38, -36};
    const int colours[] = {3, 3, 3, 3, 3, 3, 7, 7, 7, 3};
    for (int frame = 0; frame < 10; ++frame) {
        const Calls calls = record([&] { draw_heart(s.table(), 0); });
        EXPECT_TRUE(starts(calls[0], "circle c=" + std::to_string(colours[frame]))) << frame;
        EXPECT_NE(calls[3].find("(0," + std::to_string(tips[frame]) + ")"), std::string::npos)
            << calls[3];
    }
    // A counter left over from another kind restarts at 1 and flashes this frame.
    s.flashing[0] = 12;
    EXPECT_TRUE(starts(record([&] { draw_heart(s.table(), 0); })[0], "circle c=7"));
    EXPECT_EQ(s.flashing[0], 1);
}

TEST(Generator, SharedRuleFromAnySeed) {
    // seed * 214013 + 2531011 modulo 2^32, bits 16..30 of each new seed.
    card_srand(1);
    for (int want : {41, 18467, 6334, 26500, 19169})
        EXPECT_EQ(card_rand(), want);
    card_srand(0xFFFFFFFFu);
    for (int want : {35, 29739, 3374})
        EXPECT_EQ(card_rand(), want);
}

TEST(Starburst, LinesFoldAndFlash) {
    Shapes s;
    EXPECT_EQ(record([&] { draw_starburst(s.table(), 0); }),
              (Calls{"line c=0 (40,0) (-40,0) w=2", "line c=0 (28,28) (-28,-28) w=2",
                     "line c=0 (0,39) (0,-39) w=2", "line c=0 (-28,28) (28,-28) w=2"}));
    s.animated[0] = 11;
    EXPECT_EQ(record([&] { draw_starburst(s.table(), 0); }),
              (Calls{"line c=0 (40,0) (-40,0) w=2", "line c=0 (0,39) (0,-39) w=2"}));
    EXPECT_EQ(s.animated[0], 12);
    EXPECT_EQ(record([&] { draw_starburst(s.table(), 0); }),
              (Calls{"line c=0 (38,10) (-38,-10) w=2", "line c=0 (10,38) (-10,-38) w=2",
                     "line c=0 (-28,28) (28,-28) w=2"}));
    EXPECT_EQ(s.animated[0], 1);

    // Flashing: one draw per line, in order, and the counter stays.
    s.animated[0] = 0, s.flashing[0] = 5, s.flash_colour[0] = 9;
    card_srand(3);
    std::string expected;
    for (int j = 0; j < 4; ++j)
        expected += card_rand() % 4 == 0 ? '9' : '0';
    const int after = card_rand();
    card_srand(3);
    std::string drawn;
    for (const std::string& line : record([&] { draw_starburst(s.table(), 0); }))
        drawn += line[7];
    EXPECT_EQ(drawn, expected);
    EXPECT_NE(expected.find('9'), std::string::npos); // the seed shows both colours
    EXPECT_EQ(card_rand(), after);
    EXPECT_EQ(s.flashing[0], 5);
}

TEST(Spiral, SegmentsAndCounters) {
    Shapes s;
    s.size[0] = 0, s.x[0] = 10, s.y[0] = 20;
    const Calls lines = record([&] { draw_spiral(s.table(), 0); });
    ASSERT_EQ(lines.size(), 72u);
    EXPECT_EQ(lines[0], "line c=0 (10,20) (10,20) w=1");
    int x1, y1, x2, y2, w;
    ASSERT_EQ(
        std::sscanf(lines[71].c_str(), "line c=0 (%d,%d) (%d,%d) w=%d", &x1, &y1, &x2, &y2, &w), 5);
    EXPECT_EQ(w, 2);
    // Length 71 * 0.075, less what truncating each axis loses.
    EXPECT_LE(std::hypot(x2 - x1, y2 - y1), 5.325 + 1e-9);
    EXPECT_GT(std::hypot(x2 - x1, y2 - y1), 5.325 - 2.0);

    s.animated[0] = 2147483647; // unbounded, but restarts rather than overflow
    record([&] { draw_spiral(s.table(), 0); });
    EXPECT_EQ(s.animated[0], 1);

    s.flash_colour[0] = 6, s.flashing[0] = 71;
    std::vector<int> flashed;
    const Calls flashing = record([&] { draw_spiral(s.table(), 0); });
    for (int i = 0; i < 72; ++i) {
        if (starts(flashing[i], "line c=6")) flashed.push_back(i);
    }
    EXPECT_EQ(flashed, (std::vector<int>{0, 1, 2, 18, 19, 20, 36, 37, 38, 54, 55, 56}));
    EXPECT_EQ(s.flashing[0], 1);
}

TEST(Face, AnimationAndBlink) {
    Shapes s;
    s.animated[0] = 5;
    card_srand(77);
    const int dx = card_rand() % 8 - 4, dy = card_rand() % 8 - 4, m = card_rand() % 6 + 1;
    card_srand(77);
    const Calls calls = record([&] { draw_face(s.table(), 0); });
    char left[64], mouth[96];
    std::snprintf(left, 64, "circle c=0 (%d,%d) r=2", -12 + dx, 8 + dy);
    std::snprintf(mouth, 96, "triangle c=2 (-16,-8) (0,%d) (16,-8) w=0", -8 - m * 2);
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[1], "circle c=1 (-12,8) r=8");
    EXPECT_EQ(calls[3], left);
    EXPECT_EQ(calls[5], mouth);
    EXPECT_EQ(s.animated[0], 1);

    s.animated[0] = 0, s.colour[0] = 4, s.flashing[0] = 13;
    const Calls half = {"rectangle c=4 (-20,16) (-4,8) w=0", "rectangle c=4 (4,16) (20,8) w=0"};
    const Calls shut = {"circle c=4 (-12,8) r=8", "circle c=4 (12,8) r=8"};
    const Calls expected[] = {half, shut, half, {}};
    for (int frame = 0; frame < 4; ++frame) {
        const Calls frame_calls = record([&] { draw_face(s.table(), 0); });
        EXPECT_EQ(Calls(frame_calls.begin() + 6, frame_calls.end()), expected[frame]) << frame;
    }
    EXPECT_EQ(s.flashing[0], 1);
}
