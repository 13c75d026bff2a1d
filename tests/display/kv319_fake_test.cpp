// kv319_fake_test.cpp: the stand-in's event queue (its call lines are pinned
// by the display tests, which compare them literally).
#include <gtest/gtest.h>

#include "kv319.h"
#include "kv319_fake.h"

TEST(Kv319Fake, EventsComeInOrderThenQuit) {
    kv319_fake::reset();
    kv319_fake::push_event(EVENT_MOUSE, -10, 20);
    kv319_fake::push_event(EVENT_KEY, 0, 0, 'q');
    int x = 7, y = 7;
    char key = 7;
    EXPECT_EQ(KV319_await_event(&x, &y, &key), EVENT_MOUSE);
    EXPECT_EQ(x * 100 + y + key, -980);
    EXPECT_EQ(KV319_await_event(&x, &y, &key), EVENT_KEY);
    EXPECT_EQ(key, 'q');
    EXPECT_EQ(KV319_await_event(&x, &y, &key), EVENT_QUIT);
    EXPECT_EQ(x + y + key, 0);
    EXPECT_EQ(kv319_fake::events_taken(), 3);
}
