// editing_test.cpp: click routing and the editing actions, over the
// recording runtime stand-in and the real display procedures. What a user
// can do through the program is tested end to end (tests/e2e); these cases
// cover the boundaries and the pauses.
#include "editor_fixture.h"

// The card designer's one generator, seeded from the clock at start-up: its
// sequence is fixed by its rule, not by the C library in use.
TEST(Generator, FollowsItsRuleFromAnySeed) {
    card_srand(1);
    for (int expected : {41, 18467, 6334, 26500, 19169})
        EXPECT_EQ(card_rand(), expected);
    card_srand(0xFFFFFFFFu); // the product wraps modulo 2^32
    EXPECT_EQ(card_rand(), 35);
    card_srand(1);
    EXPECT_EQ(card_rand(), 41); // seeding again starts the sequence again
}

TEST(HitTest, RegionBoundaries) {
    EXPECT_EQ(hit_test(-191, 100, 2, STATUS_ADD_SHAPE), CLICK_ITEM);
    EXPECT_EQ(hit_test(-190, 100, 2, STATUS_ADD_SHAPE), CLICK_NONE);
    EXPECT_EQ(hit_test(-200, 197, 0, HINT_COLOUR), CLICK_ITEM);
    EXPECT_EQ(hit_test(-200, 198, 0, HINT_COLOUR), CLICK_NONE);
    const int lower[5] = {163, 58, -117, -82, -12}; // exclusive, per tab
    for (int category = 0; category < 5; ++category) {
        EXPECT_EQ(hit_test(-250, lower[category] + 1, category, STATUS_EMPTY), CLICK_ITEM)
            << category;
        EXPECT_NE(hit_test(-250, lower[category], category, STATUS_EMPTY), CLICK_ITEM) << category;
    }
    EXPECT_EQ(hit_test(249, 216, 0, HINT_COLOUR), CLICK_TAB);
    EXPECT_EQ(hit_test(250, 216, 0, HINT_COLOUR), CLICK_NONE);
    EXPECT_EQ(hit_test(-130, -170, 0, HINT_COLOUR), CLICK_CARD);
    EXPECT_EQ(hit_test(270, 0, 0, HINT_COLOUR), CLICK_NONE);
    EXPECT_EQ(hit_test(0, 190, 0, HINT_COLOUR), CLICK_NONE);
    // The lower panel ends at x -163 and y -140, the tall one at y -113.
    EXPECT_EQ(hit_test(-163, -140, 0, HINT_COLOUR), CLICK_COLOUR);
    EXPECT_EQ(hit_test(-162, -140, 0, HINT_COLOUR), CLICK_NONE);
    EXPECT_EQ(hit_test(-200, -139, 0, HINT_COLOUR), CLICK_NONE);
    EXPECT_EQ(hit_test(-200, -113, 1, HINT_BORDER), CLICK_BORDER);
    EXPECT_EQ(hit_test(-200, -112, 3, HINT_MESSAGE), CLICK_NONE);
    EXPECT_EQ(hit_test(-200, -200, 2, STATUS_EMPTY), CLICK_NONE); // no list on screen
}

// The panels reach past their entries; such clicks store nothing.
TEST_F(EditorTest, ClicksPastAListsEntriesAreIgnored) {
    struct Case {
        int category, status, x, y;
        const int* field;
    };
    place_shape(1, 0, 0);
    s.selected_shape = 1;
    place_message(6, 0, 0, 0);
    s.selected_message = 6;
    s.item = 3;
    const Case cases[] = {
        {0, HINT_COLOUR, -164, -200, &s.background_colour},
        {0, HINT_COLOUR, -250, -142, &s.background_colour},
        {0, HINT_COLOUR, -200, -140, &s.background_colour},
        {0, HINT_COLOUR, -1000, -200, &s.background_colour},
        {2, HINT_SHAPE, -164, -240, &s.shape_kind[1]},
        {2, HINT_SHAPE, -250, -140, &s.shape_kind[1]},
        {2, HINT_SIZE, -250, -142, &s.shape_size[1]},
        {3, HINT_SPEED, -250, -140, &s.message_speed[6]},
        {3, HINT_MESSAGE, -250, -117, &s.message_kind[6]},
        {1, HINT_BORDER, -164, -200, &s.border_kind},
    };
    for (const Case& c : cases) {
        s.category = c.category;
        s.status = c.status;
        int before = *c.field;
        click(c.x, c.y);
        EXPECT_EQ(*c.field, before) << c.x << "," << c.y;
    }
    s.category = 0;
    click(-1000, TAB_Y); // the tab row has no left edge, but no tab lies there
    EXPECT_EQ(s.category, 0);
}

TEST_F(EditorTest, SelectDrawsTheCrosshairAtTheClickNotTheAnchor) {
    s.category = 2;
    s.item = 1;
    place_shape(2, 10, 10);
    queue_ticks(5);
    click(0, 0);
    EXPECT_EQ(s.selected_shape, 2);
    EXPECT_EQ(kv319_fake::events_taken(), 5);
    EXPECT_TRUE(drew("line c=3 (8,8) (-8,-8) w=2"));
    EXPECT_TRUE(drew("line c=2 (0,10) (0,-10) w=2"));
    EXPECT_TRUE(drew_text(0, "Shape selected."));

    int kind[2] = {0, 0}, ax[2] = {2147483647, 0}, ay[2] = {2147483647, 0};
    EXPECT_EQ(find_near_slot(kind, ax, ay, 2147483640, 2147483647, 2), 0); // no overflow
    EXPECT_EQ(find_near_slot(kind, ax, ay, -2147483647 - 1, 0, 2), -1);
}

TEST_F(EditorTest, RefusalsShowRedTextDuringThePause) {
    s.category = 2;
    press(6); // "Animate" with no shape
    EXPECT_TRUE(drew_text(2, "No shape selected."));
    EXPECT_EQ(kv319_fake::events_taken(), 3);
    EXPECT_EQ(s.item, 0);
    EXPECT_EQ(s.status, STATUS_ADD_SHAPE);
    s.category = 3;
    press(5);
    EXPECT_TRUE(drew_text(2, "No message selected."));
    EXPECT_EQ(s.status, STATUS_ADD_MESSAGE);
    s.category = 1;
    press(2);
    EXPECT_TRUE(drew_text(2, "There is no border."));
    EXPECT_EQ(s.item, 0);
    EXPECT_EQ(s.status, STATUS_CHOOSE_BORDER);
}

TEST_F(EditorTest, RemovingTheSelectedMessageShowsNoPressedButton) {
    s.category = 3;
    place_message(5, 3, 0, 0);
    s.selected_message = 5;
    s.item = 3;
    press(7);
    EXPECT_EQ(s.message_kind[5], -1);
    EXPECT_EQ(s.selected_message, -1);
    EXPECT_EQ(s.item, 0);
    EXPECT_EQ(s.status, STATUS_ADD_MESSAGE);
    EXPECT_TRUE(kv319_fake::calls().empty());
    EXPECT_EQ(kv319_fake::events_taken(), 3);
}

TEST_F(EditorTest, APauseDiscardsEventsButStopsAtAQuit) {
    s.category = 2;
    kv319_fake::push_event(EVENT_MOUSE, tab_x(CATEGORY_BACKGROUND), TAB_Y);
    kv319_fake::push_event(EVENT_KEY, 0, 0, 'q');
    kv319_fake::push_event(EVENT_MOUSE, 0, 0);
    click(ITEM_X, item_y(8)); // "Remove", refused
    EXPECT_EQ(s.category, 2);
    EXPECT_EQ(s.shape_kind[0], -1);
    EXPECT_EQ(s.quit_requested, 0);

    place_shape(0, 0, 0);
    s.selected_shape = 0;
    s.item = 1;
    kv319_fake::reset();
    kv319_fake::push_event(EVENT_PERIODIC);
    kv319_fake::push_event(EVENT_QUIT);
    queue_ticks(3);
    click(ITEM_X, item_y(6)); // "Animate"
    EXPECT_EQ(s.quit_requested, 1);
    EXPECT_EQ(kv319_fake::events_taken(), 2);

    s.quit_requested = 0;
    s.item = 1;
    kv319_fake::reset();
    queue_ticks(4); // the crosshair's fifth event is the quit
    click(0, 0);
    EXPECT_EQ(s.quit_requested, 1);
    EXPECT_EQ(kv319_fake::events_taken(), 5);
}
