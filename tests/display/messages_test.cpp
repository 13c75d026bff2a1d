// messages_test.cpp: greetings with their wrap copy and scrolling, and the
// subliminal message's cycle and random placement.
#include <gtest/gtest.h>

#include "display_fixture.h"

TEST(Messages, ScrollingGreetingWrapsAtTheRightEdge) {
    Messages m;
    m.kind[4] = 2, m.x[4] = 262, m.y[4] = 10, m.scrolling[4] = 1;
    const int drawn[] = {262, 266, 270, -126};
    for (int at : drawn) {
        EXPECT_EQ(record([&] { draw_messages(m.table()); }),
                  (Calls{"text c=0 (" + std::to_string(at) + ",10) pt=24 \"Kiss me\"",
                         "text c=0 (" + std::to_string(at - 400) + ",10) pt=24 \"Kiss me\""}));
    }
    m.x[4] = 268, m.speed[4] = 4;
    record([&] { draw_messages(m.table()); });
    EXPECT_EQ(m.x[4], 284);
    record([&] { draw_messages(m.table()); });
    EXPECT_EQ(m.x[4], -114);

    // Any value but exactly 1 stands still.
    m.scrolling[4] = 2, m.size[4] = 3;
    EXPECT_EQ(record([&] { draw_messages(m.table()); })[0], "text c=0 (-114,10) pt=60 \"Kiss me\"");
    EXPECT_EQ(m.x[4], -114);
}

TEST(Messages, SubliminalCycle) {
    Messages m;
    m.kind[0] = 6; // speed Medium
    const int stored[] = {4, 8, 12, 16, 20, 24, 2, 6, 10, 14, 18, 22, 2};
    for (int c : stored) {
        EXPECT_EQ(record([&] { draw_messages(m.table()); }).size(), c == 2 ? 2u : 0u);
        EXPECT_EQ(m.scrolling[0], c);
    }

    m.scrolling[0] = 0, m.speed[0] = 1; // Slow shows at once
    card_srand(99);
    const int x = card_rand() % 400 - 130, y = card_rand() % 360 - 170, word = card_rand() % 3;
    card_srand(99);
    const Calls calls = record([&] { draw_messages(m.table()); });
    const char* const words[] = {"4.0", "$$$", "SEX"};
    const std::string text = std::string(" pt=24 \"") + words[word] + "\"";
    const std::string at_y = "," + std::to_string(y) + ")";
    EXPECT_EQ(calls, (Calls{"text c=0 (" + std::to_string(x) + at_y + text,
                            "text c=0 (" + std::to_string(x - 400) + at_y + text}));
    EXPECT_EQ(m.scrolling[0], 2);

    // With the scroll value 1 its hidden anchor moves too, and the cycle goes on from 1.
    m.speed[0] = 3, m.scrolling[0] = 1, m.x[0] = 100;
    EXPECT_TRUE(record([&] { draw_messages(m.table()); }).empty());
    EXPECT_EQ(m.x[0], 108);
    EXPECT_EQ(m.scrolling[0], 9);
}

TEST(Messages, UnknownKindsScrollButDrawNothing) {
    // Only a card file holds such kinds: no text, but the anchor scrolls
    // like any slot's; an empty slot stays as it is.
    Messages m;
    m.kind[0] = 7, m.kind[1] = -2147483647 - 1, m.kind[2] = 2147483647, m.kind[3] = -2;
    for (int i = 0; i < 4; ++i)
        m.scrolling[i] = 1, m.x[i] = 5;
    m.x[2] = 2147483647;
    m.scrolling[4] = 1, m.x[4] = 5;
    EXPECT_TRUE(record([&] { draw_messages(m.table()); }).empty());
    EXPECT_EQ(m.x[0], 9);
    EXPECT_EQ(m.x[1], 9);
    EXPECT_EQ(m.x[2], -126); // past the right edge: back at the left
    EXPECT_EQ(m.x[3], 9);
    EXPECT_EQ(m.x[4], 5);
    EXPECT_EQ(m.scrolling[0], 1);
}
