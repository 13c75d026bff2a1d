// kv319_fake_test.cpp: the recording stand-in keeps its documented formats,
// since other tests compare their lines literally.
#include <gtest/gtest.h>

#include "kv319.h"
#include "kv319_fake.h"

TEST(Kv319Fake, RecordsEveryDrawingCallAsCalled) {
    kv319_fake::reset();
    KV319_pixel(3, -1, 2);
    KV319_circle(99, 0, -17, -8);
    KV319_triangle(0, -25, -12, 24, -12, 0, -35, 0);
    KV319_rectangle(23, 300, 250, -300, -250, 1);
    KV319_oval(4, 1, 2, 3, 4, 5);
    KV319_line(2, 7, 8, 9, 10, 0);
    KV319_clear();
    KV319_open(nullptr, nullptr, nullptr, 0);
    KV319_logging(1);
    KV319_undo();
    const std::vector<std::string> expected = {
        "pixel c=3 (-1,2)",
        "circle c=99 (0,-17) r=-8",
        "triangle c=0 (-25,-12) (24,-12) (0,-35) w=0",
        "rectangle c=23 (300,250) (-300,-250) w=1",
        "oval c=4 (1,2) (3,4) w=5",
        "line c=2 (7,8) (9,10) w=0",
        "clear",
    };
    EXPECT_EQ(kv319_fake::calls(), expected);
}

TEST(Kv319Fake, TextIsFormattedAndEscapedOntoOneLine) {
    kv319_fake::reset();
    EXPECT_EQ(KV319_text_printf(0, -130, -210, 12, "a\nb"), 3);
    EXPECT_EQ(KV319_text_printf(2, 1, 2, 24, "%d%%", 42), 3);
    KV319_text(1, 0, 0, 0, "say \"hi\" \\");
    ASSERT_EQ(kv319_fake::calls().size(), 3u);
    EXPECT_EQ(kv319_fake::calls()[0], "text c=0 (-130,-210) pt=12 \"a\\nb\"");
    EXPECT_EQ(kv319_fake::calls()[1], "text c=2 (1,2) pt=24 \"42%\"");
    EXPECT_EQ(kv319_fake::calls()[2], "text c=1 (0,0) pt=0 \"say \\\"hi\\\" \\\\\"");
    EXPECT_EQ(KV319_printf("x=%d\n", 5), 4);
    ASSERT_EQ(kv319_fake::printed().size(), 1u);
    EXPECT_EQ(kv319_fake::printed()[0], "x=5\n");
    EXPECT_EQ(kv319_fake::calls().size(), 3u);
}

TEST(Kv319Fake, EventsComeInOrderThenQuit) {
    kv319_fake::reset();
    kv319_fake::push_event(EVENT_MOUSE, -10, 20);
    kv319_fake::push_event(EVENT_KEY, 0, 0, 'q');
    int x = 7, y = 7;
    char key = 7;
    EXPECT_EQ(KV319_await_event(&x, &y, &key), EVENT_MOUSE);
    EXPECT_EQ(x, -10);
    EXPECT_EQ(y, 20);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(KV319_await_event(&x, &y, &key), EVENT_KEY);
    EXPECT_EQ(key, 'q');
    EXPECT_EQ(KV319_await_event(&x, &y, &key), EVENT_QUIT);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(KV319_await_event(&x, &y, &key), EVENT_QUIT);
    EXPECT_EQ(kv319_fake::events_taken(), 4);
    kv319_fake::reset();
    EXPECT_EQ(kv319_fake::events_taken(), 0);
    EXPECT_TRUE(kv319_fake::calls().empty());
}
